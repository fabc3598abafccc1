# kdnclaunch-fleet.ps1: asks each PC of a list, by PowerShell remoting, for the check's JSON (it sends
# kdnclaunch-ask.ps1, which lies beside this script) and writes one row a PC into a CSV for review.
# Each PC is asked once: blank lines, lines starting with # and names listed again are skipped.
# Columns: PC; Answer: would start, would start, not trusted (others than SYSTEM, the administrators and
# TrustedInstaller could replace kdnc.exe: Detail names the first), would warn, check failed (the PC answered, the check could not run)
# or no answer (unreachable, remoting refused: Detail says why); ExitCode; Records: each record that has
# a key, as "record outcome [Windows error number]", to group on; Found: the kdnc.exe the verdict names;
# Program and Fix: the first proven fix the check does not distrust, the program it leads to; Approve: empty, for you to
# write yes where kdnclaunch-apply.ps1 may write that fix; Detail: the verdict, or why there is none.
# Returns the rows too.
param(
    [Parameter(Mandatory = $true)] [string]$PcList,
    [string]$Csv = 'kdnclaunch-fleet.csv',
    [int]$ThrottleLimit = 32,
    [string]$Ask)
Set-StrictMode -Version Latest
$ErrorActionPreference = 'Stop'
$PSNativeCommandUseErrorActionPreference = $false   # PowerShell 7.3+: a check's exit code 1 is an answer, not an error

if (-not $Ask) { $Ask = Join-Path $PSScriptRoot 'kdnclaunch-ask.ps1' }
function Get-KdncField($Object, [string]$Name) {   # a JSON field, or $null where it is absent
    $property = $Object.PSObject.Properties[$Name]
    if ($property) { $property.Value }
}

$seen = @{}   # case-insensitive, as PC names are
$pcs = @(foreach ($line in [IO.File]::ReadAllLines((Resolve-Path -LiteralPath $PcList).ProviderPath)) {
    $name = $line.Trim()
    if (-not $name -or $name.StartsWith('#') -or $seen.ContainsKey($name)) { continue }
    $seen[$name] = $true
    $name
})
if ($pcs.Count -eq 0) { throw "no PC named in $PcList" }

$failures = @()
$answers = @(Invoke-Command -ComputerName $pcs -FilePath $Ask -ArgumentList '', 0 -ThrottleLimit $ThrottleLimit `
    -ErrorAction SilentlyContinue -ErrorVariable failures)
$byPc = @{}
foreach ($answer in $answers) { $byPc[[string]$answer.PSComputerName] = [string]$answer }
$why = @{}
foreach ($failure in @($failures)) {
    $name = $null
    $origin = Get-KdncField $failure 'OriginInfo'
    if ($origin) { $name = $origin.PSComputerName }
    if (-not $name -and $failure.TargetObject -is [string]) { $name = $failure.TargetObject }
    if (-not $name -and "$failure" -match '^\[([^\]]+)\]') { $name = $Matches[1] }
    if (-not $name) { $name = @($pcs | Where-Object { "$failure" -match "\b$([regex]::Escape($_))\b" })[0] }
    if ($name -and -not $why.ContainsKey($name)) { $why[$name] = ("$failure" -replace "\s+", " ").Trim() }
}

function Test-KdncOneCommand([string]$Line) {   # cmd runs it as one command: its metacharacters all quoted
    $parts = $Line -split '"'
    $parts.Count -eq 5 -and $Line -notmatch '[%\x00-\x1f\x7f]' -and ($parts[0] + $parts[2] + $parts[4]) -notmatch '[&|<>^()]'
}
function New-KdncRow([string]$Pc, [string]$Answer, [string]$Detail) {
    [ordered]@{ PC = $Pc; Answer = $Answer; ExitCode = ''; Records = ''; Found = ''; Program = ''; Fix = ''; Approve = ''; Detail = $Detail }
}
$rows = foreach ($pc in $pcs) {
    $row = New-KdncRow $pc 'no answer' ''
    if ($byPc.ContainsKey($pc) -and $byPc[$pc].StartsWith('{')) { try {
        # A PC answers for itself: an answer that does not read as the check's JSON fails its row alone.
        $json = $byPc[$pc] | ConvertFrom-Json
        $row.ExitCode = $json.verdict.exitCode
        if ($json.verdict.exitCode -eq 0) { $row.Answer = 'would start'; $row.Detail = $json.verdict.start }
        else { $row.Answer = 'would warn'; $row.Detail = $json.verdict.warning }
        if ($json.verdict.exitCode -eq 0 -and (Get-KdncField $json.verdict 'trusted') -eq $false) {
            # Others than SYSTEM, the administrators and TrustedInstaller could replace the program it starts.
            $row.Answer = 'would start, not trusted'
            $first = @(Get-KdncField $json.verdict 'replacers')
            if ($first.Count) {
                $row.Detail += "; not trusted: $($first[0].account): $($first[0].right), $($first[0].path)"
                if ($null -ne (Get-KdncField $first[0] 'plants')) { $row.Detail += ", planting kdnc.exe where record $($first[0].plants) leads" }
            }
            else {
                $unread = Get-KdncField $json.verdict 'unreadPath'
                $reason = if ((Get-KdncField $json.verdict 'securityError') -eq 4395) { 'a link is on its path' }
                    elseif ($unread -notmatch '^([A-Za-z]:[\\/]|[\\/]{2})') { 'a record kdnclaunch tries is relative' }
                    else { 'its security could not be read' }
                $row.Detail += "; not trusted: $reason ($unread)"
            }
        }
        $row.Records = (@(Get-KdncField $json 'records' | Where-Object { $_.outcome -ne 'noKey' -and $_.outcome -ne 'notTried' } |
            ForEach-Object { "$($_.record) $($_.outcome)$(if ($null -ne $_.error) { " $($_.error)" })" }) -join '; ')
        $found = @(Get-KdncField $json 'found')
        if ($found.Count) { $row.Found = $found[0].program }
        # Only a proven fix (a null one is never applied) that the check does not distrust, and that cmd
        # runs as the one command the check prints; --fix-program proves it again on the PC, and writes only
        # one it trusts.
        $trusted = @($found | Where-Object { $_.fix -and (Test-KdncOneCommand $_.fix) -and (Get-KdncField $_ 'trusted') -ne $false })
        if ($trusted.Count) { $row.Program = $trusted[0].program; $row.Fix = $trusted[0].fix }
    } catch {
        $row = New-KdncRow $pc 'check failed' "its answer is not the check's JSON: $($_.Exception.Message)"
    } } elseif ($byPc.ContainsKey($pc)) {
        $row.Answer = 'check failed'; $row.Detail = $byPc[$pc]
    } elseif ($why.ContainsKey($pc)) {
        $row.Detail = $why[$pc]
    }
    [pscustomobject]$row
}
$rows | Export-Csv -LiteralPath $Csv -NoTypeInformation -Encoding UTF8
$rows
