# kdnclaunch-apply.ps1: review, then apply. Reads the CSV of kdnclaunch-fleet.ps1 in which you wrote yes
# in the Approve column of each PC whose fix you chose. Without -Apply it only lists what it would do.
# With -Apply it sends kdnclaunch-fix.ps1 (beside this script) to those PCs by PowerShell remoting; each
# runs the check's own --fix-program with the row's Program, so that a fix is written only where the
# check, run again on that PC now, proves and trusts one that leads to exactly that program.
# One row a PC: PC, Program, ExitCode (the check's: 0 DNC would start now, 1 no such fix, nothing
# written, 2 not written; empty when not run) and Result.
param(
    [Parameter(Mandatory = $true)] [string]$Csv,
    [switch]$Apply,
    [string]$Fix)
Set-StrictMode -Version Latest
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false   # PowerShell 7.3+: a check's exit code 1 is an answer, not an error

if (-not $Fix) { $Fix = Join-Path $PSScriptRoot 'kdnclaunch-fix.ps1' }
$seen = @{}
$chosen = @(Import-Csv -LiteralPath $Csv | Where-Object { "$($_.Approve)".Trim() -eq 'yes' } | Where-Object {
    $first = -not $seen.ContainsKey($_.PC.Trim()); $seen[$_.PC.Trim()] = $true; $first })
foreach ($row in $chosen) {
    $result = [pscustomobject]@{ PC = $row.PC.Trim(); Program = "$($row.Program)".Trim(); ExitCode = ''; Result = '' }
    if (-not $result.Program) {
        $result.Result = 'not applied: no proven fix in this row'
    } elseif (-not $Apply) {
        $result.Result = 'approved: run again with -Apply to write it'
    } else {
        $failures = @()
        $answer = @(Invoke-Command -ComputerName $result.PC -FilePath $Fix -ArgumentList $result.Program `
            -ErrorAction SilentlyContinue -ErrorVariable failures)
        if ($answer.Count) { $result.ExitCode = $answer[0].ExitCode; $result.Result = $answer[0].Line }
        else { $result.Result = 'no answer: ' + ((@($failures) | ForEach-Object { "$_" }) -join ' ' -replace '\s+', ' ').Trim() }
    }
    $result
}
