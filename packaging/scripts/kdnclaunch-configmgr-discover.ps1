# kdnclaunch-configmgr-discover.ps1: the discovery script of a Configuration Manager configuration item
# (setting of type Script, data type String, rule: Equals ready).
# Writes one value: "ready" where KORVANT DNC would start, else the check's verdict or why there is none.
# Always exits 0: Configuration Manager reads a non-zero exit code as a discovery failure.
param([string]$Check)
Set-StrictMode -Version Latest
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false   # PowerShell 7.3+: a check's exit code 1 is an answer, not an error
. (Join-Path $PSScriptRoot 'kdnclaunch-reports.ps1')   # spliced in when packed

try {
    $run = Invoke-KdncCheck $Check @()
    if ($run.ExitCode -eq 0) { $line = 'ready' }
    elseif ($run.ExitCode -eq 1) { $line = $run.Verdict }
    else { $line = $run.Why }
} catch {
    $line = "kdnclaunch: $($_.Exception.Message)"
}
Write-Output (Format-KdncLine $line 2048)
exit 0
