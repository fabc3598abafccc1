# kdnclaunch-fix.ps1: on one PC, writes the fix that leads kdnclaunch to exactly -Program (a found[].program
# of that PC's JSON, approved in kdnclaunch-fleet.csv), through the check's own --fix-program; sent to
# each approved PC by kdnclaunch-apply.ps1. The check writes nothing unless a fix it has proved and
# trusts leads there. Returns ExitCode (the check's: 0 DNC would start now, 1 no such fix, 2 not
# written) and Line (the check's last line, which says what was written).
param([Parameter(Mandatory = $true)] [string]$Program, [string]$Check)
Set-StrictMode -Version Latest
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false   # PowerShell 7.3+: a check's exit code 1 is an answer, not an error
. (Join-Path $PSScriptRoot 'kdnclaunch-reports.ps1')   # spliced in when packed

try {
    # One argument a value, and a program path never ends in a backslash nor holds a quote: Windows
    # PowerShell 5.1 and PowerShell 7 pass it alike.
    $run = Invoke-KdncCheck $Check @('--fix-program', $Program)
    if ($run.ExitCode -eq 0 -or $run.ExitCode -eq 1) { $line = $run.Verdict } else { $line = $run.Why }
    [pscustomobject]@{ ExitCode = $run.ExitCode; Line = (Format-KdncLine $line 2048) }
} catch {
    [pscustomobject]@{ ExitCode = 2; Line = (Format-KdncLine "kdnclaunch: $($_.Exception.Message)" 2048) }
}
