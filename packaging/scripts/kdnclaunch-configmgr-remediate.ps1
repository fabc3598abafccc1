# kdnclaunch-configmgr-remediate.ps1: the remediation script of the configuration item above, run where
# the discovery script's value is not "ready". The check's own --fix writes the first fix it has proved
# and trusts, and nothing when it has none; the discovery script then says whether it helped.
# Writes one line, the check's; exits 0 when KORVANT DNC would start now, else 1.
param([string]$Check)
Set-StrictMode -Version Latest
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false   # PowerShell 7.3+: a check's exit code 1 is an answer, not an error
. (Join-Path $PSScriptRoot 'kdnclaunch-reports.ps1')   # spliced in when packed

$remedy = Invoke-KdncRemedy $Check
Write-Output $remedy.Line
exit $remedy.ExitCode
