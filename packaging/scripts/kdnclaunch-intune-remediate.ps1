# kdnclaunch-intune-remediate.ps1: the remediation script of an Intune remediation, run where the
# detection script exited 1. The check's own --fix writes the first fix it has proved and trusts (a
# REG_SZ in the 32-bit view), and nothing when it has none; this script writes nothing itself.
# Exit 0: KORVANT DNC would start now. Exit 1: it would not (no fix it can vouch for, or none could be
# written). Prints one line, the check's, within Intune's 2,048 characters.
param([string]$Check)
Set-StrictMode -Version Latest
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false   # PowerShell 7.3+: a check's exit code 1 is an answer, not an error
. (Join-Path $PSScriptRoot 'kdnclaunch-reports.ps1')   # spliced in when packed

$remedy = Invoke-KdncRemedy $Check
Write-Output $remedy.Line
exit $remedy.ExitCode
