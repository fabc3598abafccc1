#region kdnclaunch: where reports go (kdnclaunch-reports.ps1, spliced into each wrapper: a deployment tool takes one file)
# Run as SYSTEM or elevated, reports go into %ProgramData%\kdnclaunch, a folder only SYSTEM and
# Administrators may write; as a user, into the user's %TEMP%. Each report has a new name, is read
# whole, then deleted. The check itself runs from Program Files unless -Check names it.
function Test-KdncElevated {
    # Windows only: SYSTEM and an elevated administrator hold the Administrators group.
    $me = New-Object Security.Principal.WindowsPrincipal ([Security.Principal.WindowsIdentity]::GetCurrent())
    $me.IsInRole([Security.Principal.WindowsBuiltInRole]::Administrator)
}
function New-KdncProtectedFolder([string]$Path, [string]$Sddl) {
    # Windows only: the folder made in one call with its protected DACL; an existing one is left as it
    # is (both calls do nothing then), and Get-KdncRefusal judges it.
    $security = New-Object Security.AccessControl.DirectorySecurity
    $security.SetSecurityDescriptorSddlForm($Sddl)
    if ([IO.Directory].GetMethod('CreateDirectory', [type[]]@([string], [Security.AccessControl.DirectorySecurity]))) {
        $null = [IO.Directory]::CreateDirectory($Path, $security)   # Windows PowerShell 5.1: .NET Framework
    } else {
        [IO.FileSystemAclExtensions]::Create([IO.DirectoryInfo]::new($Path), $security)   # PowerShell 7: .NET
    }
}
$KdncAdmins = 'SY', 'BA', 'S-1-5-18', 'S-1-5-32-544'   # SYSTEM and Administrators, as SDDL writes them
function Get-KdncOwner([string]$Sddl) {
    if ($Sddl -match '^O:(S-[0-9-]+|[A-Z]{2})') { $Matches[1] } else { '' }
}
function Get-KdncDacl([string]$Sddl) {
    # The DACL's flags and its entries, each as its fields; $null when the SDDL is not read as a list of
    # plain entries: none at all (a NULL DACL allows everyone), or an entry with a condition.
    if ($Sddl -notmatch 'D:([A-Z]*)((\([^()]*\))*)(S:|$)') { return $null }
    [pscustomobject]@{ Flags = $Matches[1]; Entries = @([regex]::Matches($Matches[2], '\(([^)]*)\)') | ForEach-Object { , ($_.Groups[1].Value -split ';') }) }
}
function Test-KdncAdminsOnly([string]$Sddl) {
    # True when the DACL is protected (inherits nothing) and allows SYSTEM and Administrators alone.
    $dacl = Get-KdncDacl $Sddl
    if (-not $dacl -or $dacl.Flags -notmatch 'P' -or $dacl.Entries.Count -eq 0) { return $false }
    foreach ($field in $dacl.Entries) {
        if ($field.Count -lt 6 -or $field[0] -ne 'A' -or $KdncAdmins -notcontains $field[5]) { return $false }
    }
    $true
}
function Get-KdncRefusal([string]$Folder) {
    # Why the folder may not be used, or '' when it may.
    $item = Get-Item -LiteralPath $Folder -Force
    if (-not $item.PSIsContainer) { return "$Folder is not a folder" }
    if ($item.Attributes -band [IO.FileAttributes]::ReparsePoint) { return "$Folder is a link (a junction or symbolic link)" }
    $sddl = (Get-Acl -LiteralPath $Folder).Sddl
    if ($KdncAdmins -notcontains (Get-KdncOwner $sddl)) { return "$Folder is owned by $(Get-KdncOwner $sddl), not SYSTEM or Administrators" }
    if (-not (Test-KdncAdminsOnly $sddl)) { return "$Folder lets others than SYSTEM and Administrators in, or inherits: $sddl" }
    foreach ($entry in @(Get-ChildItem -LiteralPath $Folder -Force)) {
        if ($entry.Attributes -band [IO.FileAttributes]::ReparsePoint) { return "$($entry.FullName) is a link" }
        $owner = Get-KdncOwner (Get-Acl -LiteralPath $entry.FullName).Sddl
        if ($KdncAdmins -notcontains $owner) { return "$($entry.FullName) is owned by $owner, not SYSTEM or Administrators" }
    }
    ''
}
# Run as SYSTEM or elevated, kdnclaunch-check.exe is run only where no one else could have put it: a
# check that a user may replace is that user's program running as SYSTEM. Rights as an SDDL writes them.
$KdncRights = @{ GA = 0x10000000; GX = 0x20000000; GW = 0x40000000; GR = 0x80000000; FA = 0x1F01FF; FR = 0x120089; FW = 0x120116
    FX = 0x1200A0; CC = 0x1; DC = 0x2; LC = 0x4; SW = 0x8; RP = 0x10; WP = 0x20; DT = 0x40; LO = 0x80; CR = 0x100; SD = 0x10000
    RC = 0x20000; WD = 0x40000; WO = 0x80000 }
$KdncAnyone = @{ WD = 'Everyone'; AU = 'Authenticated Users'; BU = 'Users'; IU = 'INTERACTIVE'
    'S-1-1-0' = 'Everyone'; 'S-1-5-11' = 'Authenticated Users'; 'S-1-5-32-545' = 'Users'; 'S-1-5-4' = 'INTERACTIVE' }
$KdncTrusted = $KdncAdmins + 'S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464'   # TrustedInstaller
function Get-KdncMask([string]$Rights) {
    # An ACE's rights as a mask, generic rights as files map them; a code not known here counts as all.
    if ($Rights -match '^0x[0-9A-Fa-f]+$') { $mask = [Convert]::ToInt64($Rights, 16) } else {
        $mask = 0L
        for ($i = 0; $i -lt $Rights.Length; $i += 2) {
            $code = $Rights.Substring($i, [Math]::Min(2, $Rights.Length - $i))
            if (-not $KdncRights.ContainsKey($code)) { return 0xFFFFFFFFL }
            $mask = $mask -bor $KdncRights[$code]
        }
    }
    if ($mask -band 0x10000000) { $mask = $mask -bor 0x1F01FF }
    if ($mask -band 0x40000000) { $mask = $mask -bor 0x120116 }
    $mask
}
function Get-KdncDriveType([string]$Root) {
    [IO.DriveInfo]::new($Root).DriveType.ToString()
}
function Get-KdncWho([string]$Sid) {
    if ($KdncAnyone.ContainsKey($Sid)) { "anyone who logs on ($($KdncAnyone[$Sid]))" } else { $Sid }
}
function Get-KdncReplacer([string]$Path) {
    # Who but SYSTEM, Administrators and TrustedInstaller could change, replace or plant the file at $Path,
    # or '' when no one: its owner, or an allow entry on the file (writing, deleting, changing permissions
    # or owner), on its folder (creating files or folders beside it, too) or on a folder above (deleting or
    # renaming). The account running this is not left out: its programs that run unelevated hold its rights.
    if ($Path -like '\\*' -or (Get-KdncDriveType ([IO.Path]::GetPathRoot($Path))) -ne 'Fixed') {
        return "$Path is not on a fixed local drive: its permissions are another computer's, or were set on one"
    }
    # Windows trims a blank or a period from a path's last name: such a folder's permissions would be another's.
    if ($Path -match '[ .][\\/]') { return "$Path has a folder whose name ends in a blank or a period" }
    $wanted = 0xD0006, 0xD0046, 0xD0040   # the file, its folder, each folder above
    $item = $Path; $level = 0
    for (; $item; $item = [IO.Path]::GetDirectoryName($item)) {
        if ((Get-Item -LiteralPath $item -Force).Attributes -band [IO.FileAttributes]::ReparsePoint) { return "$item is a link (a junction or symbolic link)" }
        $sddl = (Get-Acl -LiteralPath $item).Sddl
        $owner = Get-KdncOwner $sddl
        if ($KdncTrusted -notcontains $owner) { return "$(Get-KdncWho $owner) owns $item" }
        $dacl = Get-KdncDacl $sddl
        if (-not $dacl) { return "the permissions of $item are not read: $sddl" }
        foreach ($field in $dacl.Entries) {
            if ($field.Count -lt 6) { return "the permissions of $item are not read: $sddl" }
            if ($field[0] -in 'D', 'OD', 'XD', 'ZD' -or $field[1] -match '^(..)*IO' -or $KdncTrusted -contains $field[5]) { continue }
            $rights = (Get-KdncMask $field[2]) -band $wanted[$level]
            if ($rights) { return "$(Get-KdncWho $field[5]) may change or replace it: rights 0x$('{0:X}' -f $rights) on $item" }
        }
        $level = [Math]::Min($level + 1, 2)
    }
    ''
}
function Get-KdncReportFolder {
    if (-not (Test-KdncElevated)) { return $env:TEMP }   # the user's own
    $folder = Join-Path $env:ProgramData 'kdnclaunch'
    New-KdncProtectedFolder -Path $folder -Sddl 'D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)'
    $why = Get-KdncRefusal $folder
    if ($why) { throw "$folder is not used: $why. Delete it; the next run makes it anew." }
    $folder
}
function Format-KdncLine([string]$Text, [int]$Most = 2048) {
    # One line, at most $Most characters: what a deployment tool keeps.
    $line = ($Text -replace '[\r\n]+', ' ').Trim()
    if ($line.Length -gt $Most) { $line = $line.Substring(0, $Most - 12) + ' (shortened)' }
    $line
}
function Invoke-KdncCheck([string]$Check, [string[]]$Arguments, [switch]$Json) {
    # Runs the check with --out into a new file, reads it whole and deletes it. ExitCode is the check's;
    # Report its file's text ($null when none); Verdict its last line; Why, when the exit code is
    # neither 0 nor 1, what went wrong.
    $result = [pscustomobject]@{ ExitCode = 2; Report = $null; Verdict = ''; Why = '' }
    if (-not $Check) {
        $dir = ${env:ProgramFiles(x86)}; if (-not $dir) { $dir = $env:ProgramFiles }
        $Check = Join-Path $dir 'kdnclaunch\kdnclaunch-check.exe'
    }
    if (-not (Test-Path -LiteralPath $Check -PathType Leaf)) { $result.Why = "kdnclaunch-check.exe not found: $Check"; return $result }
    $Check = (Get-Item -LiteralPath $Check -Force).FullName   # the file found is the one run, never one on PATH
    if (Test-KdncElevated) {
        $who = Get-KdncReplacer $Check
        if ($who) { $result.Why = "kdnclaunch-check.exe not run as SYSTEM or elevated: $who. Put it where only administrators may change it, as Program Files"; return $result }
    }
    $extension = '.txt'; if ($Json) { $extension = '.json'; $Arguments = @('--json') + $Arguments }
    $file = Join-Path (Get-KdncReportFolder) ("kdnclaunch-$([guid]::NewGuid())$extension")
    $errors = ''
    try {
        # Windows PowerShell 5.1 makes each line a native program writes to standard error an error,
        # which 'Stop' would throw: they are collected instead, and standard output (the verdict in the
        # ANSI code page) is dropped: the file holds it in UTF-16.
        $ErrorActionPreference = 'Continue'
        $errors = @(& $Check @Arguments --out $file 2>&1 | Where-Object { $_ -is [Management.Automation.ErrorRecord] }) -join ' '
        $result.ExitCode = $LASTEXITCODE
        $ErrorActionPreference = 'Stop'
        if (Test-Path -LiteralPath $file -PathType Leaf) {
            if ($Json) { $result.Report = [IO.File]::ReadAllText($file, [Text.Encoding]::ASCII).TrimEnd() }
            else { $result.Report = [IO.File]::ReadAllText($file, [Text.Encoding]::Unicode) }
        }
    } finally {
        $ErrorActionPreference = 'Stop'
        if (Test-Path -LiteralPath $file) { Remove-Item -LiteralPath $file -Force }
    }
    $lines = @(if ($result.Report -and -not $Json) { $result.Report -split "`r?`n" | Where-Object { $_ } })
    if ($lines.Count) { $result.Verdict = $lines[-1] }
    if ($result.ExitCode -ne 0 -and $result.ExitCode -ne 1) {
        $result.Why = "kdnclaunch-check.exe failed with exit code $($result.ExitCode)"
        if ($errors) { $result.Why += ": $errors" }
    }
    $result
}
function Invoke-KdncRemedy([string]$Check) {
    # The check's --fix as a remediation script answers: the check's one line, and ExitCode 0 when
    # KORVANT DNC would start now, else 1.
    try {
        $run = Invoke-KdncCheck $Check @('--fix')
        if ($run.ExitCode -eq 0 -or $run.ExitCode -eq 1) { $line = $run.Verdict } else { $line = $run.Why }
        $code = [int]($run.ExitCode -ne 0)
    } catch {
        $line = "kdnclaunch: $($_.Exception.Message)"; $code = 1
    }
    [pscustomobject]@{ Line = (Format-KdncLine $line 2048); ExitCode = $code }
}
#endregion
