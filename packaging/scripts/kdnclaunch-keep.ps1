# kdnclaunch-keep.ps1: keeps this PC's (or this user's) last report, for a Group Policy startup or logon
# script (through kdnclaunch-keep.cmd) and the scheduled task of kdnclaunch-task.ps1, whose results
# nothing else collects. The report is written to a new name, read, deleted, and kept as
# kdnclaunch-last-<new GUID>.txt (UTF-16) in the folder of "Where reports go"; the earlier kept ones are
# deleted. Exits with the check's exit code (0 or 1), 2 when it could not run: Task Scheduler shows it as
# the task's Last Run Result.
param([string]$Check)
Set-StrictMode -Version Latest
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false   # PowerShell 7.3+: a check's exit code 1 is an answer, not an error
. (Join-Path $PSScriptRoot 'kdnclaunch-reports.ps1')   # spliced in when packed

try {
    $run = Invoke-KdncCheck $Check @()
    $text = $run.Report
    if ($run.ExitCode -ne 0 -and $run.ExitCode -ne 1) { $text = "$($run.Why)`r`n" }
    $folder = Get-KdncReportFolder
    $earlier = @(Get-ChildItem -LiteralPath $folder -Filter 'kdnclaunch-last-*.txt' -Force)
    $kept = Join-Path $folder "kdnclaunch-last-$([guid]::NewGuid()).txt"
    # CreateNew: never an existing file, nor through a link planted under that name.
    $stream = [IO.File]::Open($kept, [IO.FileMode]::CreateNew, [IO.FileAccess]::Write, [IO.FileShare]::None)
    $writer = New-Object IO.StreamWriter ($stream, (New-Object Text.UnicodeEncoding ($false, $true)))
    try { $writer.Write($text) } finally { $writer.Dispose() }
    $earlier | ForEach-Object { Remove-Item -LiteralPath $_.FullName -Force }
    exit $run.ExitCode
} catch {
    Write-Output (Format-KdncLine "kdnclaunch: $($_.Exception.Message)" 2048)
    exit 2
}
