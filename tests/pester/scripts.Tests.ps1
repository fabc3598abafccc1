# The shipped scripts, spliced by run into $env:KDNC_SCRIPTS, run as their deployment tools run them, against
# check-standin (the real check's recorded answers). Mocked is only what Windows alone has, each mock checking its call.

Describe 'the shipped scripts' {
    BeforeAll {
        $scripts = $env:KDNC_SCRIPTS
        $standin = Join-Path $PSScriptRoot 'check-standin'; $nocheck = Join-Path $TestDrive 'none/kdnclaunch-check.exe'
        # Stand-ins for the commands Linux lacks, with the parameters the scripts pass, so that Pester can mock them.
        $task = 'param([string]$TaskName)'
        $windowsOnly = @{
            'Get-Acl' = 'param([string]$LiteralPath)'; 'Test-KdncElevated' = 'param()'; 'New-KdncProtectedFolder' = 'param([string]$Path, [string]$Sddl)'; 'Get-KdncDriveType' = 'param([string]$Root)'
            'Get-ScheduledTask' = $task; 'Get-ScheduledTaskInfo' = $task; 'Start-ScheduledTask' = $task
            'Register-ScheduledTask' = 'param([string]$TaskName, $Action, $Principal, $Settings, [switch]$Force)'; 'New-ScheduledTaskPrincipal' = 'param([string]$UserId, [string]$LogonType)'
            'New-ScheduledTaskAction' = 'param([string]$Execute, [string]$Argument)'; 'New-ScheduledTaskSettingsSet' = 'param([string]$MultipleInstances)'
        }
        $windowsOnly.Keys | Where-Object { -not (Get-Command $_ -ErrorAction Ignore) } | ForEach-Object {
            Set-Item "function:global:$_" ([scriptblock]::Create("$($windowsOnly[$_]) throw 'Windows only'")) }
        function Invoke-Script([string]$Name, [hashtable]$Arguments = @{}) {   # its output lines and exit code, as a tool sees them
            $global:LASTEXITCODE = 0
            [pscustomobject]@{ Lines = @(& (Join-Path $scripts $Name) @Arguments); ExitCode = $LASTEXITCODE }
        }
        function Get-StandinCalls {   # each run's arguments, one string a run, each argument followed by a space
            @(if (Test-Path $env:KDNC_STANDIN_LOG) { (Get-Content $env:KDNC_STANDIN_LOG -Raw) -split '(?m)^--\n' -ne '' -replace '\n', ' ' })
        }
    }

    BeforeEach {
        $env:TEMP = (New-Item -ItemType Directory (Join-Path $TestDrive "temp-$([guid]::NewGuid())")).FullName
        $env:ProgramData = (New-Item -ItemType Directory (Join-Path $TestDrive "data-$([guid]::NewGuid())")).FullName
        $env:KDNC_STANDIN_LOG = Join-Path $TestDrive "standin-$([guid]::NewGuid()).log"
        $env:KDNC_CASE = 'start'; $env:KDNC_FIX_EXIT = ''; $env:KDNC_FIX_LINE = ''
        Mock Test-KdncElevated { $false }
    }

    It '<script>, <case>: exit <exit> and one line' -ForEach @(
        @{ script = 'kdnclaunch-intune-detect.ps1'; case = 'start'; exit = 0; line = 'kdnclaunch would start: "C:\Programs\KORVANT\KorvR2max\KDNC\kdnc.exe"' }
        @{ script = 'kdnclaunch-intune-detect.ps1'; case = 'half-broken'; exit = 1; line = 'kdnclaunch would show the warning: * fix record 6 R1; not trusted: a record kdnclaunch tries is relative (2 R2 Max uninstall:*' }
        @{ script = 'kdnclaunch-intune-detect.ps1'; case = 'no check'; exit = 1; line = 'kdnclaunch-check.exe not found: *none?kdnclaunch-check.exe' }
        @{ script = 'kdnclaunch-intune-remediate.ps1'; case = 'no check'; exit = 1; line = 'kdnclaunch-check.exe not found: *none?kdnclaunch-check.exe' }
        @{ script = 'kdnclaunch-configmgr-discover.ps1'; case = 'start'; exit = 0; line = 'ready' }
        @{ script = 'kdnclaunch-configmgr-discover.ps1'; case = 'half-broken'; exit = 0; line = 'kdnclaunch would show the warning: * fix record 6 R1; not trusted*' }
        @{ script = 'kdnclaunch-ask.ps1'; case = 'cannot-write'; exit = 1; line = 'kdnclaunch-check.exe failed with exit code 2: kdnclaunch-check: cannot write *a link*' }  # not JSON
        @{ script = 'kdnclaunch-ask.ps1'; case = 'half-broken'; exit = 0; line = [WildcardPattern]::Escape((Get-Content "$PSScriptRoot/recorded/half-broken.json" -Raw).TrimEnd()) }   # JSON, whole
        # Only --fix makes the check give these lines and exit codes; the second within 2,048 characters.
        @{ script = 'kdnclaunch-configmgr-remediate.ps1'; case = 'half-broken'; fix = 'fixed: record 5'; exit = 0; line = 'fixed: record 5' }
        @{ script = 'kdnclaunch-intune-remediate.ps1'; case = 'half-broken'; fix = 'x' * 5000; exit = 1; line = 'x' * 2036 + ' (shortened)' }
    ) {
        $env:KDNC_CASE = $case; $env:KDNC_FIX_EXIT = $exit; $env:KDNC_FIX_LINE = $fix
        $run = Invoke-Script $script @{ Check = $(if ($case -eq 'no check') { $nocheck } else { $standin }) }
        $run.ExitCode, $run.Lines.Count | Should -Be $exit, 1
        $run.Lines[0] | Should -BeLikeExactly $line
        @(Get-ChildItem $env:TEMP).Count | Should -Be 0 -Because 'the report is deleted once read'
    }

    It 'a JSON over the bound comes back as JSON still, shortened to its verdict and finds' {
        $env:KDNC_CASE = 'half-broken'; $run = Invoke-Script 'kdnclaunch-ask.ps1' @{ Check = $standin; Most = 1000 }
        $run.Lines[0].Length | Should -BeLessOrEqual 1000
        $short = $run.Lines[0] | ConvertFrom-Json
        $short.shortened, $short.verdict.exitCode, $short.found[0].program | Should -Be $true, 1, 'C:\____~KJT\KORVANT\KorvR1\KDNC\kdnc.exe'
    }

    It 'runs the check it judged, not one of that name on PATH, each report under its own new name in %TEMP% as a user' {
        $path = New-Item -ItemType Directory (Join-Path $TestDrive 'path')
        Set-Content (Join-Path $path 'check-standin') "#!/bin/sh`necho decoy >>'$env:KDNC_STANDIN_LOG'"; chmod +x (Join-Path $path 'check-standin')
        $env:PATH = "$path$([IO.Path]::PathSeparator)$env:PATH"; Push-Location (Split-Path $standin)
        try { 1..2 | ForEach-Object { $null = Invoke-Script 'kdnclaunch-intune-detect.ps1' @{ Check = 'check-standin' } } }
        finally { Pop-Location; $env:PATH = $env:PATH.Substring("$path".Length + 1) }
        $outs = @(Get-StandinCalls) -replace '^--out (.*) $', '$1'
        $outs | Select-Object -Unique | Should -HaveCount 2
        $outs | Should -Match "^$([regex]::Escape($env:TEMP))/kdnclaunch-[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\.txt$"
    }

    Describe 'as SYSTEM or elevated' {
        BeforeEach {
            $folder = Join-Path $env:ProgramData 'kdnclaunch'; $acl = @{}
            Mock Test-KdncElevated { $true }
            Mock New-KdncProtectedFolder { $null = New-Item -ItemType Directory -Path $Path -Force }
            Mock Get-KdncDriveType { 'Fixed' }
            Mock Get-Acl { [pscustomobject]@{ Sddl = $(if ($acl.ContainsKey($LiteralPath)) { $acl[$LiteralPath] } else { 'O:BAG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)' }) } }
        }

        It 'C:\ and Program Files as Windows sets them: the check runs, its report in %ProgramData%\kdnclaunch, made in one call with a protected DACL for SYSTEM and Administrators alone' {
            $here = Split-Path $standin; $ti = 'S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464'   # users may make folders in the drive's root and read Program Files
            $acl['/'] = "O:$($ti)G:$($ti)D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)S:(ML;OINPIO;NW;;;HI)"
            $acl[$here] = "O:$($ti)G:$($ti)D:PAI(A;;FA;;;$ti)(A;OICIIO;GA;;;$ti)(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;;0x1200a9;;;AC)"
            (Invoke-Script 'kdnclaunch-intune-detect.ps1' @{ Check = $standin }).ExitCode | Should -Be 0
            Should -Invoke New-KdncProtectedFolder -Times 1 -Exactly -ParameterFilter { $Path -eq $folder -and $Sddl -eq 'D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)' }
            Get-StandinCalls | Should -BeLike "--out $(Join-Path $folder 'kdnclaunch-')*.txt "
        }

        It 'the check is not run, and each tool is told why, when <what>' -ForEach @(
            @{ what = 'a user owns the report folder'; on = 'reports'; sddl = 'O:S-1-5-21-1-2-3-1001G:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)'; why = '* is owned by S-1-5-21-1-2-3-1001*' }
            @{ what = 'the report folder inherits from its parent'; on = 'reports'; sddl = 'O:SYG:SYD:AI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)'; why = '* lets others than SYSTEM and Administrators in, or inherits*' }
            @{ what = 'the report folder''s list denies as well'; on = 'reports'; sddl = 'O:BAG:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(D;;FA;;;BA)'; why = '* lets others*' }
            @{ what = 'Users may add files to the report folder'; on = 'reports'; sddl = 'O:SYG:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;CI;0x100004;;;BU)'; why = '* lets others*' }
            @{ what = 'a user owns an entry in the report folder'; on = 'reports entry'; sddl = 'O:S-1-5-21-1-2-3-1001G:SYD:(A;;FA;;;SY)'; why = '*planted is owned by S-1-5-21-1-2-3-1001*' }
            @{ what = 'an entry in the report folder is a link'; on = 'reports entry link'; why = '*planted is a link.*' }
            @{ what = 'the report folder is a link'; on = 'reports link'; why = '* is a link (a junction or symbolic link).*' }
            @{ what = 'the check is in a folder made in C:\ (anyone may change it)'; on = 'folder'; sddl = 'O:BAG:SYD:AI(A;OICIID;FA;;;SY)(A;OICIIOID;GA;;;CO)(A;OICIID;0x1301bf;;;AU)'
               why = 'anyone who logs on (Authenticated Users) may change or replace it: rights 0x10006 on *pester' }
            @{ what = 'the check is in a folder Users may add files to or empty (a DLL beside it is loaded)'; on = 'folder'; sddl = 'O:BAG:SYD:P(A;OICI;FA;;;SY)(A;;0x100042;;;BU)'
               why = 'anyone who logs on (Users) may change or replace it: rights 0x42 on *pester' }
            @{ what = 'Users may write the check'; on = 'file'; sddl = 'O:SYG:SYD:(A;;GRGW;;;BU)'; why = 'anyone who logs on (Users) may change or replace it: rights 0x6 on *check-standin' }
            @{ what = 'a user owns the check'; on = 'file'; sddl = 'O:S-1-5-21-1-2-3-1001G:SYD:(A;;FA;;;SY)'; why = 'S-1-5-21-1-2-3-1001 owns *check-standin' }
            @{ what = 'a user may rename a folder above the check'; on = 'root'; sddl = 'O:SYG:SYD:(A;;SD;;;S-1-5-21-1-2-3-1001)'; why = 'S-1-5-21-1-2-3-1001 may change or replace it: rights 0x10000 on /' }
            @{ what = 'the check''s list holds a right not known here'; on = 'file'; sddl = 'O:SYG:SYD:(A;;QQ;;;S-1-5-21-1-2-3-1001)'; why = 'S-1-5-21-1-2-3-1001 may change or replace it: rights 0xD0006 on *' }
            @{ what = 'the check is reached through a link'; on = 'link'; why = '*link is a link (a junction or symbolic link)' }
            @{ what = 'the check''s list is missing, which allows everyone'; on = 'file'; sddl = 'O:SYG:SYD:NO_ACCESS_CONTROL'; why = 'the permissions of *check-standin are not read: O:SYG:SYD:NO_ACCESS_CONTROL' }
            @{ what = 'the check''s list has an object entry'; on = 'file'; sddl = 'O:SYG:SYD:(OA;;FA;;;BU)'; why = 'anyone who logs on (Users) may change or replace it: rights 0xD0006 on *check-standin' }
            @{ what = 'the check is on a network drive'; on = 'share'; why = '*check-standin is not on a fixed local drive*' }
            @{ what = 'the check is in a folder whose name ends in a blank'; on = 'blank'; why = '*Tools /kdnclaunch-check.exe has a folder whose name ends in a blank or a period' }
        ) {
            $check = $standin
            if ($on -eq 'reports link') { $null = New-Item -ItemType SymbolicLink $folder -Target $env:TEMP } elseif ($on -like 'reports*') { $null = New-Item -ItemType Directory $folder }
            if ($on -eq 'reports entry link') { $null = New-Item -ItemType SymbolicLink "$folder/planted" -Target $env:TEMP }
            if ($on -eq 'reports entry') { $null = New-Item "$folder/planted" }
            if ($on -eq 'link') { $check = (New-Item -ItemType SymbolicLink (Join-Path $TestDrive 'link') -Target $standin).FullName }
            if ($on -eq 'blank') { $check = (New-Item (Join-Path $TestDrive 'Tools /kdnclaunch-check.exe') -Force).FullName }
            if ($on -eq 'share') { Mock Get-KdncDriveType { 'Network' } }
            if ($sddl) { $acl[@{ reports = $folder; 'reports entry' = "$folder/planted"; folder = Split-Path $standin; file = $standin; root = '/' }[$on]] = $sddl }
            $detect = Invoke-Script 'kdnclaunch-intune-detect.ps1' @{ Check = $check }
            $discover = Invoke-Script 'kdnclaunch-configmgr-discover.ps1' @{ Check = $check }
            $detect.ExitCode, $discover.ExitCode | Should -Be 1, 0
            $detect.Lines | Should -BeLike $(if ($on -like 'reports*') { "kdnclaunch: $folder is not used: $why" }
                else { "kdnclaunch-check.exe not run as SYSTEM or elevated: $why. Put it where only administrators may change it, as Program Files" })
            $discover.Lines | Should -Be $detect.Lines
            Get-StandinCalls | Should -BeNullOrEmpty
        }

        It 'the Group Policy wrapper exits as the check did, keeping its last report alone, under a new name' {
            $env:KDNC_CASE = 'half-broken'; $broken = Invoke-Script 'kdnclaunch-keep.ps1' @{ Check = $standin }
            $first = @(Get-ChildItem $folder)
            $none = Invoke-Script 'kdnclaunch-keep.ps1' @{ Check = $nocheck }
            $env:KDNC_CASE = 'start'; $start = Invoke-Script 'kdnclaunch-keep.ps1' @{ Check = $standin }
            $kept = @(Get-ChildItem $folder)
            $broken.ExitCode, $none.ExitCode, $start.ExitCode, $first.Count, $kept.Count | Should -Be 1, 2, 0, 1, 1
            $kept[0].Name | Should -Match '^kdnclaunch-last-[0-9a-f-]{36}\.txt$'
            [IO.File]::ReadAllText($kept[0].FullName, [Text.Encoding]::Unicode) -replace "`r", '' | Should -Be (Get-Content "$PSScriptRoot/recorded/start.txt" -Raw)
        }

        It 'the scheduled task runs the wrapper as SYSTEM, none that others may change, registered with -Force, its result read once LastRunTime changed' {
            'New-ScheduledTaskAction', 'New-ScheduledTaskPrincipal', 'New-ScheduledTaskSettingsSet' | ForEach-Object { Mock $_ { $PesterBoundParameters } }   # what each was given
            Mock Register-ScheduledTask { }; Mock Start-ScheduledTask { }; Mock Get-ScheduledTask { [pscustomobject]@{ State = 'Ready' } }
            $earlier = [pscustomobject]@{ LastRunTime = [datetime]'2026-01-01'; LastTaskResult = 0 }   # the earlier run's time and result twice, then the new run's
            $infos = [Collections.Queue]@($earlier, $earlier, [pscustomobject]@{ LastRunTime = [datetime]'2026-01-02'; LastTaskResult = 1 })
            Mock Get-ScheduledTaskInfo { $infos.Dequeue() }
            $env:KDNC_CASE = 'half-broken'; $null = Invoke-Script 'kdnclaunch-keep.ps1' @{ Check = $standin }   # the report the task's run would keep
            $keep = (New-Item (Join-Path $TestDrive 'kdnclaunch-keep.ps1') -Force).FullName; $acl[$keep] = 'O:BAG:SYD:(A;;FA;;;SY)(A;;0x1301bf;;;AU)'
            { & (Join-Path $scripts 'kdnclaunch-task.ps1') -Keep $keep } | Should -Throw "kdnclaunch: $keep is not registered: anyone who logs on (Authenticated Users) may change*"
            Should -Invoke Register-ScheduledTask -Times 0
            $acl[$keep] = 'O:BAG:SYD:(A;;FA;;;SY)(A;;0x1200a9;;;AU)'
            $out = @(& (Join-Path $scripts 'kdnclaunch-task.ps1') -Keep $keep)
            Should -Invoke Register-ScheduledTask -Times 1 -Exactly -ParameterFilter { $TaskName -eq 'kdnclaunch check' -and $Force -and $Principal.UserId -eq 'SYSTEM' -and
                $Action.Execute -like '*\System32\WindowsPowerShell\v1.0\powershell.exe' -and $Action.Argument -like "*-File `"$keep`"" -and $Settings.MultipleInstances -eq 'IgnoreNew' }
            Should -Invoke Start-ScheduledTask -Times 1 -Exactly
            $out[0] | Should -Be 'Last Run Result: 0x1'
            $out[1] | Should -BeLike 'kdnclaunch would show the warning: * fix record 6 R1; not trusted*'
        }
    }

    Describe 'every PC''s answer in one table' {
        BeforeEach {
            $fleet = @{ 'pc-start' = 'start'; 'pc-broken' = 'half-broken'; 'pc-nocheck' = 'cannot-write'; 'pc-cut' = '{"format":1,"verdict":{'
                'pc-open' = '{"verdict":{"exitCode":0,"start":"s","trusted":false,"replacers":[{"account":"Everyone","right":"create folders","path":"C:\\","plants":1}]}}'
                'pc-unread' = '{"verdict":{"exitCode":0,"start":"s","trusted":false,"unreadPath":"\\\\srv\\K","replacers":[]}}'
                'pc-relative' = '{"verdict":{"exitCode":0,"start":"s","trusted":false,"unreadPath":"K\\kdnc.exe","securityError":null}}'
                'pc-linked' = '{"verdict":{"exitCode":0,"start":"s","trusted":false,"unreadPath":"C:\\K","securityError":4395}}'
                'pc-forged' = '{"verdict":{"exitCode":1,"warning":"w"},"found":[{"program":"C:\\P\\kdnc.exe","fix":"reg add \"HKLM\\S\" /v Path /t REG_SZ /d \"C:\\P\" & calc & \" /f /reg:32","trusted":true},
                    {"program":"C:\\Q\\kdnc.exe","fix":"reg add \"HKLM\\S\" /v Path /t REG_SZ /d \"C:\\Q\" /f /reg:32","trusted":true}]}' }
            Mock Invoke-Command {   # each reachable PC runs the real script sent (kdnclaunch-ask.ps1, kdnclaunch-fix.ps1) here, against its recorded answer
                foreach ($pc in $ComputerName) {
                    if (-not $fleet.ContainsKey($pc)) { Write-Error -Message "[$pc] Connecting to remote server $pc failed: WinRM cannot complete the operation." -TargetObject $pc; continue }
                    if ($fleet[$pc].StartsWith('{')) { $fleet[$pc] | Add-Member -NotePropertyName PSComputerName -NotePropertyValue $pc -PassThru; continue }   # what a PC may send
                    $env:KDNC_CASE = $fleet[$pc]; $global:LASTEXITCODE = 0
                    $sent = @{ Check = $standin }; if ($ArgumentList[0]) { $sent.Program = $ArgumentList[0] } else { $sent.Most = $ArgumentList[1] }
                    & $FilePath @sent | ForEach-Object { $_ | Add-Member -NotePropertyName PSComputerName -NotePropertyValue $pc -PassThru }
                }
            }
        }

        It 'asks each PC once, skipping blank and comment lines, and answers each in a row, the unreachable and the garbled too' {
            $list = Join-Path $TestDrive 'pcs.txt'; $csv = Join-Path $TestDrive 'fleet.csv'
            Set-Content $list "# the shop floor`r`npc-start`r`n`r`n   `r`npc-broken`r`nPC-START`r`npc-gone`r`n  pc-nocheck  `r`npc-gone`r`npc-cut`r`npc-forged`r`npc-open`r`npc-unread`r`npc-relative`r`npc-linked`r`npc-off"
            $null = & (Join-Path $scripts 'kdnclaunch-fleet.ps1') -PcList $list -Csv $csv
            Should -Invoke Invoke-Command -Times 1 -Exactly -ParameterFilter {
                ($ComputerName -join ',') -eq 'pc-start,pc-broken,pc-gone,pc-nocheck,pc-cut,pc-forged,pc-open,pc-unread,pc-relative,pc-linked,pc-off' -and
                (Split-Path $FilePath -Leaf) -eq 'kdnclaunch-ask.ps1' -and $ArgumentList[1] -eq 0 -and $ThrottleLimit -eq 32 }
            Get-Content $csv -TotalCount 1 | Should -Be '"PC","Answer","ExitCode","Records","Found","Program","Fix","Approve","Detail"'
            $table = @(Import-Csv $csv)
            $table | ForEach-Object { "$($_.PC): $($_.Answer) $($_.ExitCode)".Trim() } | Should -Be 'pc-start: would start 0', 'pc-broken: would warn 1', 'pc-gone: no answer',
                    'pc-nocheck: check failed', 'pc-cut: check failed', 'pc-forged: would warn 1', 'pc-open: would start, not trusted 0', 'pc-unread: would start, not trusted 0',
                    'pc-relative: would start, not trusted 0', 'pc-linked: would start, not trusted 0', 'pc-off: no answer'   # one unreachable after them
            $table[0..1].Records | Should -Be '3 taken', '2 absent; 3 absent; 4 empty; 5 absent; 6 absent'
            $table.Program | Should -Be '', '', '', '', '', 'C:\Q\kdnc.exe', '', '', '', '', ''   # a trusted fix in the check's shape alone
            $table[1].Fix, $table[5].Fix | Should -Be '', 'reg add "HKLM\S" /v Path /t REG_SZ /d "C:\Q" /f /reg:32'
            $table.Approve -ne '' | Should -BeNullOrEmpty
            $table[2..9].Detail -replace '(exit code 2|JSON): .*', '$1' |   # why the check failed, cut after its first words
                Should -Be '[pc-gone] Connecting to remote server pc-gone failed: WinRM cannot complete the operation.', 'kdnclaunch-check.exe failed with exit code 2',
                    "its answer is not the check's JSON", 'w', 's; not trusted: Everyone: create folders, C:\, planting kdnc.exe where record 1 leads',
                    's; not trusted: its security could not be read (\\srv\K)', 's; not trusted: a record kdnclaunch tries is relative (K\kdnc.exe)', 's; not trusted: a link is on its path (C:\K)'
        }

        It 'applies only approved rows that name a program, only with -Apply, that program passed as --fix-program' {
            $csv = Join-Path $TestDrive 'fleet.csv'; $apply = Join-Path $scripts 'kdnclaunch-apply.ps1'
            Set-Content $csv 'PC,Program,Approve', 'pc-broken,C:\____~KJT\KORVANT\KorvR1\KDNC\kdnc.exe,yes', 'pc-nocheck,C:\K\KorvR1\KDNC\kdnc.exe,',
                'pc-start,,yes', 'pc-gone,C:\K\KorvR1\KDNC\kdnc.exe, yes ', 'PC-BROKEN,C:\Other\KorvR1\KDNC\kdnc.exe,yes'
            & $apply -Csv $csv | ForEach-Object { "$($_.PC): $($_.Result)" } | Should -Be 'pc-broken: approved: run again with -Apply to write it',
                'pc-start: not applied: no proven fix in this row', 'pc-gone: approved: run again with -Apply to write it'
            Should -Invoke Invoke-Command -Times 0
            $env:KDNC_FIX_EXIT = 0; $env:KDNC_FIX_LINE = 'wrote record 6 R1: kdnclaunch would start'
            $applied = @(& $apply -Csv $csv -Apply)
            Should -Invoke Invoke-Command -Times 2 -Exactly
            Get-StandinCalls | Should -BeLike '--fix-program C:\____~KJT\KORVANT\KorvR1\KDNC\kdnc.exe --out *'
            $applied[0].ExitCode, $applied[0].Result | Should -Be 0, 'wrote record 6 R1: kdnclaunch would start'
            $applied[2].Result | Should -BeLike 'no answer: *pc-gone*'
        }
    }

    It '<_.Name> parses, stops on errors under strict mode, and writes no registry value itself' -ForEach @(Get-ChildItem $env:KDNC_SCRIPTS -Filter *.ps1) {
        $errors = $null
        $null = [Management.Automation.Language.Parser]::ParseFile($_.FullName, [ref]$null, [ref]$errors)
        $errors | Should -BeNullOrEmpty
        $text = Get-Content $_ -Raw
        $text | Should -Match "(?m)^Set-StrictMode -Version Latest\r?\n\`$ErrorActionPreference = 'Stop'"
        $text | Should -Not -Match 'reg(\.exe)? add|New-ItemProperty|Set-ItemProperty|HKLM:'
        $text | Should -Match '^[\x09\x0a\x0d\x20-\x7e]*$' -Because 'Windows PowerShell 5.1 reads a file without a byte-order mark in the ANSI code page'
    }

    It 'every script text in the guide is lines of the shipped file named above it' {
        $guide = (Get-Content (Join-Path $PSScriptRoot '../../docs/install.md') -Raw) -replace "`r", ''
        $blocks = @([regex]::Matches($guide, '(?m)^(.*)\n```(powershell|bat)\n((.*\n)*?)```$'))
        $blocks.Count | Should -BeGreaterOrEqual 8
        foreach ($block in $blocks) {
            $named = [regex]::Match($block.Groups[1].Value, '^<!-- shipped: (packaging/scripts/[\w.-]+) -->$').Groups[1].Value
            $named | Should -Not -BeNullOrEmpty -Because "each block names its file: $($block.Value)"
            $file = "`n$((Get-Content (Join-Path $PSScriptRoot "../../$named")) -join "`n")`n"
            $file.Contains("`n$($block.Groups[3].Value)") | Should -BeTrue -Because "the block must be lines of $named"
        }
    }
}
