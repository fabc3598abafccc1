# kdnclaunch-ask.ps1: this PC's answer as the check's JSON, returned whole as one string: for
# Configuration Manager's Run Scripts, and sent to each PC by kdnclaunch-fleet.ps1. Where the check
# could not run, one line that says why (not JSON), and exit 1.
# Run Scripts keeps 4 KB of output: a JSON longer than -Most characters (4,000 unless given; 0: no
# bound) is returned shortened, as JSON still, to its format, check, verdict and found fields and
# "shortened": true.
param([string]$Check, [int]$Most = 4000)
Set-StrictMode -Version Latest
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false   # PowerShell 7.3+: a check's exit code 1 is an answer, not an error
. (Join-Path $PSScriptRoot 'kdnclaunch-reports.ps1')   # spliced in when packed

try {
    $run = Invoke-KdncCheck $Check @() -Json
    if (($run.ExitCode -ne 0 -and $run.ExitCode -ne 1) -or -not $run.Report) {
        if (-not $run.Why) { $run.Why = 'kdnclaunch-check.exe wrote no JSON' }
        Write-Output (Format-KdncLine $run.Why 2048); exit 1
    }
    $json = $run.Report
    if ($Most -gt 0 -and $json.Length -gt $Most) {
        $answer = $json | ConvertFrom-Json
        $short = [ordered]@{ format = $answer.format; check = $answer.check; shortened = $true; verdict = $answer.verdict; found = @($answer.found) }
        $json = $short | ConvertTo-Json -Compress -Depth 5
        if ($json.Length -gt $Most) { $short.found = @(); $json = $short | ConvertTo-Json -Compress -Depth 5 }
    }
    Write-Output $json
    exit 0
} catch {
    Write-Output (Format-KdncLine "kdnclaunch: $($_.Exception.Message)" 2048); exit 1
}
