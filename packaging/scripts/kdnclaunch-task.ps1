# kdnclaunch-task.ps1: registers the scheduled task "kdnclaunch check" (again, with -Force, when it
# exists), which runs kdnclaunch-keep.ps1, not the exe; starts it, waits until it has run, and prints
# its Last Run Result (the check's exit code: 0x0, 0x1; 0x2 when it could not run) and, for the SYSTEM
# task, the last line of the report it kept. Run from an administrator PowerShell.
# -User 'SHOP\op' runs it as the operator, only while logged on, in the operator's session.
param([string]$User, [string]$Keep, [int]$Wait = 60)
Set-StrictMode -Version Latest
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false   # PowerShell 7.3+: a check's exit code 1 is an answer, not an error
. (Join-Path $PSScriptRoot 'kdnclaunch-reports.ps1')   # spliced in when packed

$task = 'kdnclaunch check'
if (-not $Keep) {
    $dir = ${env:ProgramFiles(x86)}; if (-not $dir) { $dir = $env:ProgramFiles }
    $Keep = Join-Path $dir 'kdnclaunch\kdnclaunch-keep.ps1'
}
# The task runs this file at every start: one who could change it would run as SYSTEM (or the operator).
$Keep = (Get-Item -LiteralPath $Keep -Force).FullName
$replacer = Get-KdncReplacer $Keep
if ($replacer) { throw "kdnclaunch: $Keep is not registered: $replacer. Put it where only administrators may change it, as Program Files" }
# By its whole path: SYSTEM's PATH may hold a folder that others can write.
$action = New-ScheduledTaskAction -Execute "$env:SystemRoot\System32\WindowsPowerShell\v1.0\powershell.exe" `
    -Argument "-NoProfile -NonInteractive -WindowStyle Hidden -ExecutionPolicy Bypass -File `"$Keep`""
if ($User) { $who = New-ScheduledTaskPrincipal -UserId $User -LogonType Interactive }
else { $who = New-ScheduledTaskPrincipal -UserId 'SYSTEM' -LogonType ServiceAccount }
$once = New-ScheduledTaskSettingsSet -MultipleInstances IgnoreNew
$null = Register-ScheduledTask -TaskName $task -Action $action -Principal $who -Settings $once -Force
$before = (Get-ScheduledTaskInfo -TaskName $task).LastRunTime
Start-ScheduledTask -TaskName $task
# Start-ScheduledTask returns at once: the run is over when LastRunTime has changed and the task no
# longer runs; until then LastTaskResult is an earlier run's, or 0x41303 (not yet run).
$done = $false
for ($i = 0; $i -le $Wait -and -not $done; $i++) {
    if ($i) { Start-Sleep -Seconds 1 }
    $info = Get-ScheduledTaskInfo -TaskName $task
    $done = $info.LastRunTime -ne $before -and (Get-ScheduledTask -TaskName $task).State -ne 'Running'
}
if (-not $done) { throw "kdnclaunch: the task '$task' did not run within $Wait seconds (for -User: is that user logged on?)" }
'Last Run Result: 0x{0:X}' -f $info.LastTaskResult
# The report this run kept, when it ran the check: none written before it began.
if (-not $User -and $info.LastTaskResult -in 0, 1) {
    $kept = @(Get-ChildItem -LiteralPath (Join-Path $env:ProgramData 'kdnclaunch') -Filter 'kdnclaunch-last-*.txt' |
        Where-Object { $_.LastWriteTime -ge $info.LastRunTime } | Sort-Object LastWriteTimeUtc)
    if ($kept.Count) { @([IO.File]::ReadAllText($kept[-1].FullName, [Text.Encoding]::Unicode) -split "`r?`n" | Where-Object { $_ })[-1] }
}
