# The shipped scripts, spliced by run into $env:KDNC_SCRIPTS, run as their deployment tools run them, against
# check-standin (the real check's recorded answers). Mocked is only what Windows alone has, each mock checking its call.

Describe 'the shipped scripts' {
    BeforeAll {
        $scripts = $env:KDNC_SCRIPTS
        $standin = Join-Path $PSScriptRoot 'check-standin'; $nocheck = Join-Path $TestDrive 'none/kdnclaunch-check.exe'
        Set-Location $PSScriptRoot   # where the table's check, named alone, is found
        # Stand-ins for the commands Linux lacks, taking the parameters the scripts pass, so that Pester can mock them.
        $params = 'param([string]$LiteralPath, [string]$Path, [string]$Sddl, [string]$TaskName, $Action, $Principal, $Settings, [switch]$Force,
            [string]$UserId, [string]$LogonType, [string]$Execute, [string]$Argument, [string]$MultipleInstances)'
        'Get-Acl', 'Test-KdncElevated', 'New-KdncProtectedFolder', 'Get-KdncDriveType', 'Get-ScheduledTask', 'Get-ScheduledTaskInfo', 'Start-ScheduledTask',
            'Register-ScheduledTask', 'New-ScheduledTaskPrincipal', 'New-ScheduledTaskAction', 'New-ScheduledTaskSettingsSet' |
            Where-Object { -not (Get-Command $_ -ErrorAction Ignore) } |
            ForEach-Object { Set-Item "function:global:$_" ([scriptblock]::Create("$params throw 'Windows only'")) }
        function Invoke-Script([string]$Name, [hashtable]$Arguments = @{}) {   # its output lines and exit code, as a tool sees them
            $global:LASTEXITCODE = 0
            [pscustomobject]@{ Lines = @(& (Join-Path $scripts $Name) @Arguments); ExitCode = $LASTEXITCODE }
        }
        $guid = '[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}'
        function Get-StandinCalls {   # each run's arguments, one string a run, each argument followed by a space
            @(if (Test-Path $env:KDNC_STANDIN_LOG) { (Get-Content $env:KDNC_STANDIN_LOG -Raw) -split '(?m)^--\n' -ne '' -replace '\n', ' ' })
        }
    }

    BeforeEach {
        'TEMP', 'ProgramData' | ForEach-Object { Set-Item "env:$_" (New-Item -ItemType Directory (Join-Path $TestDrive ([guid]::NewGuid()))).FullName }
        $env:KDNC_STANDIN_LOG = Join-Path $TestDrive "standin-$([guid]::NewGuid()).log"
        $env:KDNC_CASE = 'start'; $env:KDNC_FIX_EXIT = ''; $env:KDNC_FIX_LINE = ''
        Mock Test-KdncElevated { $false }
    }

    It '<script>, <case>: exit <exit> and one line' -ForEach @(
        @{ script = 'kdnclaunch-intune-detect.ps1'; case = 'start'; exit = 0; line = 'kdnclaunch would start: "C:\Program Files (x86)\Halvorne\KORVANT\KorvR2max\KDNC\kdnc.exe" "C:\NC\part 1.nc"' }
        @{ script = 'kdnclaunch-intune-detect.ps1'; case = 'half-broken'; exit = 1; line = 'kdnclaunch would show the warning: * fix record 6 R1; not trusted: a record kdnclaunch tries is relative (2 R2 Max uninstall:*' }
        @{ script = 'kdnclaunch-intune-detect.ps1'; case = 'no check'; exit = 1; line = 'kdnclaunch-check.exe not found: *none?kdnclaunch-check.exe' }
        @{ script = 'kdnclaunch-intune-remediate.ps1'; case = 'no check'; exit = 1; line = 'kdnclaunch-check.exe not found: *none?kdnclaunch-check.exe' }
        @{ script = 'kdnclaunch-configmgr-discover.ps1'; case = 'start'; exit = 0; line = 'ready' }
        @{ script = 'kdnclaunch-configmgr-discover.ps1'; case = 'half-broken'; exit = 0; line = 'kdnclaunch would show the warning: * fix record 6 R1; not trusted*' }
        @{ script = 'kdnclaunch-ask.ps1'; case = 'cannot-write'; exit = 1; line = 'kdnclaunch-check.exe failed with exit code 2: kdnclaunch-check: cannot write *a link*' }  # not JSON
        @{ script = 'kdnclaunch-ask.ps1'; case = 'half-broken'; exit = 0; line = [WildcardPattern]::Escape((Get-Content "$PSScriptRoot/recorded/half-broken.json" -Raw).TrimEnd()) }   # JSON, whole
        @{ script = 'kdnclaunch-ask.ps1'; case = 'half-broken'; most = 1000; exit = 0   # over the bound: JSON still, shortened to its verdict and finds
           line = '{"format":1,"check":"1.4.0","shortened":true,"verdict":{"exitCode":1,*},"found":`[{"record":6,"program":"C:\\____~KJT\\KORVANT\\KorvR1\\KDNC\\kdnc.exe",*}]}' }
        # Only --fix makes the check give these lines and exit codes; the second within 2,048 characters.
        @{ script = 'kdnclaunch-configmgr-remediate.ps1'; case = 'half-broken'; fix = 'fixed: record 5'; exit = 0; line = 'fixed: record 5' }
        @{ script = 'kdnclaunch-intune-remediate.ps1'; case = 'half-broken'; fix = 'x' * 5000; exit = 1; line = 'x' * 2036 + ' (shortened)' }
    ) {
        $env:KDNC_CASE = $case; $env:KDNC_FIX_EXIT = $exit; $env:KDNC_FIX_LINE = $fix
        $arguments = @{ Check = $(if ($case -eq 'no check') { $nocheck } else { 'check-standin' }) }   # not on PATH: the file judged is run
        if ($most) { $arguments.Most = $most }
        $run = Invoke-Script $script $arguments
        $run.ExitCode, $run.Lines.Count | Should -Be $exit, 1
        $run.Lines[0] | Should -BeLikeExactly $line
        if ($most) { $run.Lines[0].Length | Should -BeLessOrEqual $most }
        @(Get-ChildItem $env:TEMP).Count | Should -Be 0 -Because 'the report is deleted once read'
        @(Get-StandinCalls) -notmatch "--out $([regex]::Escape($env:TEMP))/kdnclaunch-$guid\.(txt|json) $" | Should -BeNullOrEmpty   # a user's, in %TEMP%
    }

    Describe 'as SYSTEM or elevated' {
        BeforeEach {
            $folder = Join-Path $env:ProgramData 'kdnclaunch'; $acl = @{}
            Mock Test-KdncElevated { $true }
            Mock New-KdncProtectedFolder { $null = New-Item -ItemType Directory -Path $Path -Force }
            Mock Get-KdncDriveType { 'Fixed' }
            Mock Get-Acl { [pscustomobject]@{ Sddl = $(if ($acl.ContainsKey($LiteralPath)) { $acl[$LiteralPath] } else { 'O:BAG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)' }) } }
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

        It 'the Group Policy wrapper exits as the check did, keeping its last report alone; the task runs it as SYSTEM, once no one else may change it, and tells the result of its run' {
            $here = Split-Path $standin; $ti = 'S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464'   # C:\ and Program Files as Windows sets them
            $acl['/'] = "O:$($ti)G:$($ti)D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)S:(ML;OINPIO;NW;;;HI)"
            $acl[$here] = "O:$($ti)G:$($ti)D:PAI(A;;FA;;;$ti)(A;OICIIO;GA;;;$ti)(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;;0x1200a9;;;AC)"
            $start = Invoke-Script 'kdnclaunch-keep.ps1' @{ Check = $standin }
            $first = @(Get-ChildItem $folder)
            $none = Invoke-Script 'kdnclaunch-keep.ps1' @{ Check = $nocheck }
            $env:KDNC_CASE = 'half-broken'; $broken = Invoke-Script 'kdnclaunch-keep.ps1' @{ Check = $standin }
            $kept = @(Get-ChildItem $folder); $calls = @(Get-StandinCalls | Select-Object -Unique)
            $start.ExitCode, $none.ExitCode, $broken.ExitCode, $first.Count, $kept.Count, $calls.Count | Should -Be 0, 2, 1, 1, 1, 2
            $kept[0].Name | Should -Match "^kdnclaunch-last-$guid\.txt$"
            [IO.File]::ReadAllText($kept[0].FullName, [Text.Encoding]::Unicode) -replace "`r", '' | Should -Be "$((& "$PSScriptRoot/guide-sample" half-broken) -join "`n")`n"
            # Each report in %ProgramData%\kdnclaunch under its own new name, the folder made with a protected DACL for SYSTEM and Administrators alone.
            $calls | Should -Match "^--out $([regex]::Escape((Join-Path $folder 'kdnclaunch-')))$guid\.txt $"
            Should -Invoke New-KdncProtectedFolder -ParameterFilter { $Path -eq $folder -and $Sddl -eq 'D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)' }

            'New-ScheduledTaskAction', 'New-ScheduledTaskPrincipal', 'New-ScheduledTaskSettingsSet' | ForEach-Object { Mock $_ { $PesterBoundParameters } }   # what each was given
            Mock Register-ScheduledTask { }; Mock Start-ScheduledTask { }; Mock Get-ScheduledTask { [pscustomobject]@{ State = 'Ready' } }
            $earlier = [pscustomobject]@{ LastRunTime = [datetime]'2026-01-01'; LastTaskResult = 0 }   # the earlier run's time and result twice, then the new run's
            $infos = [Collections.Queue]@($earlier, $earlier, [pscustomobject]@{ LastRunTime = [datetime]'2026-01-02'; LastTaskResult = 1 })
            Mock Get-ScheduledTaskInfo { $infos.Dequeue() }
            $keep = (New-Item (Join-Path $TestDrive 'kdnclaunch-keep.ps1') -Force).FullName; $acl[$keep] = 'O:BAG:SYD:(A;;FA;;;SY)(A;;0x1301bf;;;AU)'
            { & (Join-Path $scripts 'kdnclaunch-task.ps1') -Keep $keep } | Should -Throw "kdnclaunch: $keep is not registered: anyone who logs on (Authenticated Users) may change*"
            Should -Invoke Register-ScheduledTask -Times 0
            $acl[$keep] = 'O:BAG:SYD:(A;;FA;;;SY)(A;;0x1200a9;;;AU)'
            $out = @(& (Join-Path $scripts 'kdnclaunch-task.ps1') -Keep $keep)
            Should -Invoke Register-ScheduledTask -Times 1 -Exactly -ParameterFilter { $TaskName -eq 'kdnclaunch check' -and $Force -and $Principal.UserId -eq 'SYSTEM' -and
                $Action.Execute -like '*\System32\WindowsPowerShell\v1.0\powershell.exe' -and $Action.Argument -like "*-File `"$keep`"" -and $Settings.MultipleInstances -eq 'IgnoreNew' }
            Should -Invoke Start-ScheduledTask -Times 1 -Exactly
            $out -join "`n" | Should -BeLike "Last Run Result: 0x1`nkdnclaunch would show the warning: * fix record 6 R1; not trusted*"   # the kept report's last line
        }
    }

    It 'asks each PC once, skipping blank and comment lines, answering each in a row, the unreachable and the garbled too; applies only approved rows' {
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
        $list = Join-Path $TestDrive 'pcs.txt'; $csv = Join-Path $TestDrive 'fleet.csv'
        Set-Content $list "# the shop floor`r`npc-start`r`n`r`n   `r`npc-broken`r`nPC-START`r`npc-gone`r`n  pc-nocheck  `r`npc-gone`r`npc-cut`r`npc-forged`r`npc-open`r`npc-unread`r`npc-relative`r`npc-linked`r`npc-off"
        $null = & (Join-Path $scripts 'kdnclaunch-fleet.ps1') -PcList $list -Csv $csv
        Should -Invoke Invoke-Command -Times 1 -Exactly -ParameterFilter {
            ($ComputerName -join ',') -eq 'pc-start,pc-broken,pc-gone,pc-nocheck,pc-cut,pc-forged,pc-open,pc-unread,pc-relative,pc-linked,pc-off' -and
            (Split-Path $FilePath -Leaf) -eq 'kdnclaunch-ask.ps1' -and $ArgumentList[1] -eq 0 -and $ThrottleLimit -eq 32 }
        Get-Content $csv -TotalCount 1 | Should -Be '"PC","Answer","ExitCode","Records","Found","Program","Fix","Approve","Detail"'
        $table = @(Import-Csv $csv)
        $table | ForEach-Object { "$($_.PC): $($_.Answer) $($_.ExitCode) $($_.Program)".Trim() } | Should -Be 'pc-start: would start 0', 'pc-broken: would warn 1',
                'pc-gone: no answer', 'pc-nocheck: check failed', 'pc-cut: check failed', 'pc-forged: would warn 1 C:\Q\kdnc.exe', 'pc-open: would start, not trusted 0',
                'pc-unread: would start, not trusted 0', 'pc-relative: would start, not trusted 0', 'pc-linked: would start, not trusted 0', 'pc-off: no answer'
        $table[0..1].Records | Should -Be '3 taken', '2 absent; 3 absent; 4 empty; 5 absent; 6 absent'
        $table.Fix -ne '' | Should -Be 'reg add "HKLM\S" /v Path /t REG_SZ /d "C:\Q" /f /reg:32'   # a trusted fix in the check's shape alone
        $table.Approve -ne '' | Should -BeNullOrEmpty
        $table[2..9].Detail -replace '(exit code 2|JSON): .*', '$1' |   # why the check failed, cut after its first words
            Should -Be '[pc-gone] Connecting to remote server pc-gone failed: WinRM cannot complete the operation.', 'kdnclaunch-check.exe failed with exit code 2',
                "its answer is not the check's JSON", 'w', 's; not trusted: Everyone: create folders, C:\, planting kdnc.exe where record 1 leads',
                's; not trusted: its security could not be read (\\srv\K)', 's; not trusted: a record kdnclaunch tries is relative (K\kdnc.exe)', 's; not trusted: a link is on its path (C:\K)'
        # Only rows that name a program, only with -Apply, that program passed as --fix-program.
        $apply = Join-Path $scripts 'kdnclaunch-apply.ps1'
        Set-Content $csv 'PC,Program,Approve', 'pc-broken,C:\____~KJT\KORVANT\KorvR1\KDNC\kdnc.exe,yes', 'pc-nocheck,C:\K\KorvR1\KDNC\kdnc.exe,',
            'pc-start,,yes', 'pc-gone,C:\K\KorvR1\KDNC\kdnc.exe, yes ', 'PC-BROKEN,C:\Other\KorvR1\KDNC\kdnc.exe,yes'
        & $apply -Csv $csv | ForEach-Object { "$($_.PC): $($_.Result)" } | Should -Be 'pc-broken: approved: run again with -Apply to write it',
            'pc-start: not applied: no proven fix in this row', 'pc-gone: approved: run again with -Apply to write it'
        Should -Invoke Invoke-Command -Times 1 -Exactly   # the fleet's
        $env:KDNC_FIX_EXIT = 0; $env:KDNC_FIX_LINE = 'wrote record 6 R1: kdnclaunch would start'
        $applied = @(& $apply -Csv $csv -Apply)
        Should -Invoke Invoke-Command -Times 2 -Exactly -ParameterFilter { (Split-Path $FilePath -Leaf) -eq 'kdnclaunch-fix.ps1' }
        Get-StandinCalls | Select-Object -Skip 3 | Should -BeLike '--fix-program C:\____~KJT\KORVANT\KorvR1\KDNC\kdnc.exe --out *'   # after the fleet's asks
        $applied[0].ExitCode, $applied[0].Result | Should -Be 0, 'wrote record 6 R1: kdnclaunch would start'
        $applied[2].Result | Should -BeLike 'no answer: *pc-gone*'
    }

    It '<_.Name> stops on errors under strict mode, and writes no registry value itself' -ForEach @(Get-ChildItem $env:KDNC_SCRIPTS -Filter *.ps1) {
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
            $file = "`n$((Get-Content (Join-Path $PSScriptRoot "../../$named")) -join "`n")`n"
            $file.Contains("`n$($block.Groups[3].Value)") | Should -BeTrue -Because "the block must be lines of $named"
        }
    }
}
