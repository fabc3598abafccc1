# kdnclaunch-intune-detect.ps1: the detection script of an Intune remediation.
# Exit 0: KORVANT DNC would start here. Exit 1: it would not, or the check could not tell (Intune
# counts any other exit code as "without the issue", so the check's 2 must not pass through).
# Prints one line, the check's verdict or why there is none, within Intune's 2,048 characters.
param([string]$Check)   # kdnclaunch-check.exe; Program Files' kdnclaunch folder when not given
Set-StrictMode -Version Latest
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false   # PowerShell 7.3+: a check's exit code 1 is an answer, not an error
. (Join-Path $PSScriptRoot 'kdnclaunch-reports.ps1')   # spliced in when packed

try {
    $run = Invoke-KdncCheck $Check @()
    if ($run.ExitCode -eq 0 -or $run.ExitCode -eq 1) { $line = $run.Verdict; $code = $run.ExitCode }
    else { $line = $run.Why; $code = 1 }
} catch {
    $line = "kdnclaunch: $($_.Exception.Message)"; $code = 1
}
Write-Output (Format-KdncLine $line 2048)
exit $code
