# The shipped scripts (packaging/scripts, spliced by run into $env:KDNC_SCRIPTS) run as their deployment
# tools run them, against check-standin, which replays the real check's recorded answers. Mocked: only
# what Windows alone has (remoting, the scheduled-task and ACL cmdlets, whether this process is elevated,
# the folder made with its DACL); each mock checks what the script asked of it.

Describe 'the shipped scripts' {
    BeforeAll {
        $scripts = $env:KDNC_SCRIPTS
        $standin = Join-Path $PSScriptRoot 'check-standin'
        $allowed = 'O:BAG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)'
        # Stand-ins for the commands Linux lacks, with the parameters the scripts pass, so that Pester can mock them.
        $windowsOnly = @{
            'Get-Acl' = 'param([string]$LiteralPath)'; 'Test-KdncElevated' = 'param()'
            'New-KdncProtectedFolder' = 'param([string]$Path, [string]$Sddl)'
            'Get-ScheduledTask' = 'param([string]$TaskName)'; 'Get-ScheduledTaskInfo' = 'param([string]$TaskName)'
            'Start-ScheduledTask' = 'param([string]$TaskName)'
            'Register-ScheduledTask' = 'param([string]$TaskName, $Action, $Principal, $Settings, [switch]$Force)'
            'New-ScheduledTaskAction' = 'param([string]$Execute, [string]$Argument)'
            'New-ScheduledTaskPrincipal' = 'param([string]$UserId, [string]$LogonType)'
            'New-ScheduledTaskSettingsSet' = 'param([string]$MultipleInstances)'
        }
        foreach ($name in $windowsOnly.Keys) {
            if (-not (Get-Command $name -ErrorAction Ignore)) {
                Set-Item "function:global:$name" ([scriptblock]::Create("$($windowsOnly[$name]) throw 'Windows only'"))
            }
        }
        function Invoke-Script([string]$Name, [hashtable]$Arguments = @{}) {
            # The script's output lines and exit code, as a deployment tool sees them.
            $global:LASTEXITCODE = 0
            $lines = @(& (Join-Path $scripts $Name) @Arguments)
            [pscustomobject]@{ Lines = $lines; ExitCode = $LASTEXITCODE }
        }
        function Get-StandinCalls {   # each run's arguments
            if (-not (Test-Path $env:KDNC_STANDIN_LOG)) { return @() }
            $calls = @(); $call = @()
            foreach ($line in Get-Content $env:KDNC_STANDIN_LOG) {
                if ($line -eq '--') { $calls += , $call; $call = @() } else { $call += $line }
            }
            , $calls
        }
        function Get-Recorded([string]$Case, [string]$Kind) { Get-Content (Join-Path $PSScriptRoot "recorded/$Case.$Kind") -Raw }
    }

    BeforeEach {
        $env:TEMP = (New-Item -ItemType Directory (Join-Path $TestDrive "temp-$([guid]::NewGuid())")).FullName
        $env:ProgramData = (New-Item -ItemType Directory (Join-Path $TestDrive "data-$([guid]::NewGuid())")).FullName
        $env:KDNC_STANDIN_LOG = Join-Path $TestDrive "standin-$([guid]::NewGuid()).log"
        $env:KDNC_CASE = 'start'; $env:KDNC_FIX_EXIT = ''; $env:KDNC_FIX_LINE = ''
        Mock Test-KdncElevated { $false }
    }

    Describe 'the one line and exit code each tool reads' {
        It '<script> on <case>: exit <exit>, <line>' -ForEach @(
            @{ script = 'kdnclaunch-intune-detect.ps1'; case = 'start'; exit = 0; line = 'kdnclaunch would start: "C:\Programs\KORVANT\KorvR2max\KDNC\kdnc.exe"' }
            @{ script = 'kdnclaunch-intune-detect.ps1'; case = 'half-broken'; exit = 1; line = 'kdnclaunch would show the warning: * fix record 6 R1 (2 R2 Max uninstall:*' }
            @{ script = 'kdnclaunch-intune-detect.ps1'; case = 'cannot-write'; exit = 1; line = 'kdnclaunch-check.exe failed with exit code 2: kdnclaunch-check: cannot write *a link*' }
            @{ script = 'kdnclaunch-configmgr-discover.ps1'; case = 'start'; exit = 0; line = 'ready' }
            @{ script = 'kdnclaunch-configmgr-discover.ps1'; case = 'half-broken'; exit = 0; line = 'kdnclaunch would show the warning: * fix record 6 R1 *' }
            @{ script = 'kdnclaunch-configmgr-discover.ps1'; case = 'cannot-write'; exit = 0; line = 'kdnclaunch-check.exe failed with exit code 2*' }
            @{ script = 'kdnclaunch-ask.ps1'; case = 'cannot-write'; exit = 1; line = 'kdnclaunch-check.exe failed with exit code 2*' }  # not JSON
        ) {
            $env:KDNC_CASE = $case
            $run = Invoke-Script $script @{ Check = $standin }
            $run.ExitCode | Should -Be $exit
            $run.Lines.Count | Should -Be 1
            $run.Lines[0] | Should -BeLike $line
            $run.Lines[0].Length | Should -BeLessOrEqual 2048
            @(Get-ChildItem $env:TEMP).Count | Should -Be 0 -Because 'the report is deleted once read'
        }

        It '<script> without a check: exit <exit>, says where it looked' -ForEach @(
            @{ script = 'kdnclaunch-intune-detect.ps1'; exit = 1 }
            @{ script = 'kdnclaunch-intune-remediate.ps1'; exit = 1 }
            @{ script = 'kdnclaunch-configmgr-discover.ps1'; exit = 0 }
            @{ script = 'kdnclaunch-configmgr-remediate.ps1'; exit = 1 }
            @{ script = 'kdnclaunch-keep.ps1'; exit = 2 }
        ) {
            $missing = Join-Path $TestDrive 'no such folder/kdnclaunch-check.exe'
            $run = Invoke-Script $script @{ Check = $missing }
            $run.ExitCode | Should -Be $exit
            if ($script -ne 'kdnclaunch-keep.ps1') { $run.Lines | Should -Be "kdnclaunch-check.exe not found: $missing" }
        }

        It '<script> with --fix, the check exiting <fixExit>: exit <exit> and the check''s line' -ForEach @(
            @{ script = 'kdnclaunch-intune-remediate.ps1'; fixExit = 0; exit = 0 }
            @{ script = 'kdnclaunch-configmgr-remediate.ps1'; fixExit = 1; exit = 1 }
        ) {
            $env:KDNC_CASE = 'half-broken'; $env:KDNC_FIX_EXIT = $fixExit; $env:KDNC_FIX_LINE = "fixed: record 5, exit $fixExit"
            $run = Invoke-Script $script @{ Check = $standin }
            $run.ExitCode | Should -Be $exit
            $run.Lines | Should -Be "fixed: record 5, exit $fixExit"
            (Get-StandinCalls)[0][0] | Should -Be '--fix'
        }

        It 'a line longer than 2,048 characters is shortened to 2,048' {
            $env:KDNC_CASE = 'half-broken'; $env:KDNC_FIX_EXIT = 1; $env:KDNC_FIX_LINE = 'x' * 5000
            $run = Invoke-Script 'kdnclaunch-intune-remediate.ps1' @{ Check = $standin }
            $run.Lines[0].Length | Should -Be 2048
            $run.Lines[0] | Should -BeLike '* (shortened)'
        }
    }

    Describe 'the JSON, whole' {
        It 'kdnclaunch-ask.ps1 returns <case>.json as the check wrote it' -ForEach @(@{ case = 'start' }, @{ case = 'half-broken' }) {
            $env:KDNC_CASE = $case
            $run = Invoke-Script 'kdnclaunch-ask.ps1' @{ Check = $standin }
            $run.ExitCode | Should -Be 0
            $run.Lines.Count | Should -Be 1
            $run.Lines[0] | Should -BeOfType [string]
            $run.Lines[0] | Should -BeExactly (Get-Recorded $case json).TrimEnd()
            (Get-StandinCalls)[0][0] | Should -Be '--json'
        }

        It 'a JSON over the bound comes back as JSON still, shortened to its verdict and finds' {
            $env:KDNC_CASE = 'half-broken'
            $run = Invoke-Script 'kdnclaunch-ask.ps1' @{ Check = $standin; Most = 1000 }
            $run.Lines[0].Length | Should -BeLessOrEqual 1000
            $short = $run.Lines[0] | ConvertFrom-Json
            $short.shortened | Should -BeTrue
            $short.verdict.exitCode | Should -Be 1
            $short.found[0].program | Should -Be 'C:\____~KJT\KORVANT\KorvR1\KDNC\kdnc.exe'
        }
    }

    Describe 'where reports go' {
        It 'each run its own new name, deleted once read' {
            1..2 | ForEach-Object { $null = Invoke-Script 'kdnclaunch-intune-detect.ps1' @{ Check = $standin } }
            $outs = @((Get-StandinCalls) | ForEach-Object { $_[-1] })
            $outs.Count | Should -Be 2
            $outs | ForEach-Object { Split-Path $_ -Leaf | Should -Match '^kdnclaunch-[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\.txt$' }
            $outs[0] | Should -Not -Be $outs[1]
            $outs | ForEach-Object { Split-Path $_ | Should -Be $env:TEMP; $_ | Should -Not -Exist }
        }

        Context 'as SYSTEM or elevated' {
            BeforeEach {
                $folder = Join-Path $env:ProgramData 'kdnclaunch'
                $acl = @{}
                Mock Test-KdncElevated { $true }
                Mock New-KdncProtectedFolder { $null = New-Item -ItemType Directory -Path $Path -Force }
                Mock Get-Acl { [pscustomobject]@{ Sddl = $(if ($acl.ContainsKey($LiteralPath)) { $acl[$LiteralPath] } else { $allowed }) } }
            }

            It 'is %ProgramData%\kdnclaunch, made in one call with a protected DACL for SYSTEM and Administrators alone' {
                $run = Invoke-Script 'kdnclaunch-intune-detect.ps1' @{ Check = $standin }
                $run.ExitCode | Should -Be 0
                Should -Invoke New-KdncProtectedFolder -Times 1 -Exactly -ParameterFilter {
                    $Path -eq $folder -and $Sddl -eq 'D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)' }
                Split-Path (Get-StandinCalls)[0][-1] | Should -Be $folder
                @(Get-ChildItem $folder).Count | Should -Be 0
            }

            It 'is refused when <what>, the check not run and the reason said' -ForEach @(
                @{ what = 'a user owns it'; sddl = 'O:S-1-5-21-1-2-3-1001G:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)'; entry = $null; why = '*is owned by S-1-5-21-1-2-3-1001*' }
                @{ what = 'it inherits Users'' rights'; sddl = 'O:BAG:SYD:AI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIID;0x1200a9;;;BU)'; entry = $null; why = '*lets others*' }
                @{ what = 'it is not protected from what it would inherit'; sddl = 'O:SYG:SYD:AI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)'; entry = $null; why = '*lets others than SYSTEM and Administrators in, or inherits*' }
                @{ what = 'its list holds more than allowing SYSTEM and Administrators'; sddl = 'O:BAG:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(D;;FA;;;BA)'; entry = $null; why = '*lets others*' }
                @{ what = 'Users may add files'; sddl = 'O:SYG:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;CI;0x100004;;;BU)'; entry = $null; why = '*lets others*' }
                @{ what = 'a user owns an entry in it'; sddl = $null; entry = 'planted.txt'; why = '*planted.txt is owned by S-1-5-21-1-2-3-1001*' }
            ) {
                $null = New-Item -ItemType Directory $folder
                if ($sddl) { $acl[$folder] = $sddl }
                if ($entry) { $null = New-Item (Join-Path $folder $entry); $acl[(Join-Path $folder $entry)] = 'O:S-1-5-21-1-2-3-1001G:SYD:(A;;FA;;;SY)' }
                $run = Invoke-Script 'kdnclaunch-intune-detect.ps1' @{ Check = $standin }
                $run.ExitCode | Should -Be 1
                $run.Lines | Should -BeLike "kdnclaunch: $folder is not used: $why"
                Get-StandinCalls | Should -BeNullOrEmpty
            }

            It 'is refused when <what>' -ForEach @(@{ what = 'it is a link' }, @{ what = 'an entry in it is a link' }) {
                $elsewhere = New-Item -ItemType Directory (Join-Path $TestDrive "elsewhere-$([guid]::NewGuid())")
                if ($what -eq 'it is a link') { $null = New-Item -ItemType SymbolicLink -Path $folder -Target $elsewhere }
                else { $null = New-Item -ItemType Directory $folder; $null = New-Item -ItemType SymbolicLink -Path (Join-Path $folder 'x') -Target $elsewhere }
                $run = Invoke-Script 'kdnclaunch-configmgr-discover.ps1' @{ Check = $standin }
                $run.ExitCode | Should -Be 0
                $run.Lines | Should -BeLike 'kdnclaunch: * is a link*'
                Get-StandinCalls | Should -BeNullOrEmpty
            }

            It 'the Group Policy wrapper keeps the last report under a new name, the earlier one deleted' {
                $env:KDNC_CASE = 'half-broken'
                (Invoke-Script 'kdnclaunch-keep.ps1' @{ Check = $standin }).ExitCode | Should -Be 1
                $first = @(Get-ChildItem $folder)
                $env:KDNC_CASE = 'start'
                (Invoke-Script 'kdnclaunch-keep.ps1' @{ Check = $standin }).ExitCode | Should -Be 0
                $kept = @(Get-ChildItem $folder)
                $first.Count, $kept.Count | Should -Be 1, 1
                $kept[0].Name | Should -Match '^kdnclaunch-last-[0-9a-f-]{36}\.txt$'
                $kept[0].Name | Should -Not -Be $first[0].Name
                [IO.File]::ReadAllText($kept[0].FullName, [Text.Encoding]::Unicode) -replace "`r", '' | Should -Be (Get-Recorded start txt)
            }
        }
    }

    Describe 'every PC''s answer in one table' {
        BeforeAll {
            # The fleet: each reachable PC runs the real kdnclaunch-ask.ps1 here, against the recorded answer it gives.
            $fleet = @{ 'pc-start' = 'start'; 'pc-broken' = 'half-broken'; 'pc-nocheck' = 'cannot-write' }
        }
        BeforeEach {
            Mock Invoke-Command {
                foreach ($pc in $ComputerName) {
                    if (-not $fleet.ContainsKey($pc)) { Write-Error -Message "[$pc] Connecting to remote server $pc failed: WinRM cannot complete the operation." -TargetObject $pc; continue }
                    $env:KDNC_CASE = $fleet[$pc]
                    $global:LASTEXITCODE = 0
                    & $FilePath -Check $standin -Most $ArgumentList[1] | ForEach-Object { $_ | Add-Member -NotePropertyName PSComputerName -NotePropertyValue $pc -PassThru }
                }
            }
        }

        It 'asks each PC once, skipping blank and comment lines, and answers each once, the unreachable too' {
            $list = Join-Path $TestDrive 'pcs.txt'
            Set-Content $list "# the shop floor`r`npc-start`r`n`r`n   `r`npc-broken`r`nPC-START`r`npc-gone`r`n  pc-nocheck  `r`npc-gone"
            $csv = Join-Path $TestDrive 'fleet.csv'
            $rows = @(& (Join-Path $scripts 'kdnclaunch-fleet.ps1') -PcList $list -Csv $csv)
            Should -Invoke Invoke-Command -Times 1 -Exactly -ParameterFilter {
                ($ComputerName -join ',') -eq 'pc-start,pc-broken,pc-gone,pc-nocheck' -and
                (Split-Path $FilePath -Leaf) -eq 'kdnclaunch-ask.ps1' -and $ArgumentList[1] -eq 0 -and $ThrottleLimit -eq 32 }
            $table = @(Import-Csv $csv)
            (Get-Content $csv -TotalCount 1) | Should -Be '"PC","Answer","ExitCode","Records","Found","Program","Fix","Approve","Detail"'
            $table.PC -join ',' | Should -Be 'pc-start,pc-broken,pc-gone,pc-nocheck'
            $rows.Count | Should -Be 4
            $row = @{}; $table | ForEach-Object { $row[$_.PC] = $_ }
            $row['pc-start'].Answer, $row['pc-start'].ExitCode, $row['pc-start'].Records, $row['pc-start'].Program | Should -Be 'would start', '0', '3 taken', ''
            $row['pc-broken'].Answer, $row['pc-broken'].Records | Should -Be 'would warn', '2 absent; 3 absent; 4 empty; 5 absent; 6 absent'
            $row['pc-broken'].Program | Should -Be 'C:\____~KJT\KORVANT\KorvR1\KDNC\kdnc.exe'
            $row['pc-broken'].Fix | Should -BeLike 'reg add "HKLM\SOFTWARE\Halvorne, Incorporated\KORVANT R1\Install Information" /v Path *'
            $row['pc-gone'].Answer, $row['pc-gone'].Detail | Should -Be 'no answer', '[pc-gone] Connecting to remote server pc-gone failed: WinRM cannot complete the operation.'
            $row['pc-nocheck'].Answer | Should -Be 'check failed'
            $row['pc-nocheck'].Detail | Should -BeLike 'kdnclaunch-check.exe failed with exit code 2*'
            $table.Approve | Should -Be @('', '', '', '')
        }

        It 'applies only approved rows that name a program the check trusts, and only with -Apply' {
            $csv = Join-Path $TestDrive 'fleet.csv'
            @(
                [pscustomobject]@{ PC = 'pc-broken'; Program = 'C:\____~KJT\KORVANT\KorvR1\KDNC\kdnc.exe'; Approve = 'yes' }
                [pscustomobject]@{ PC = 'pc-nocheck'; Program = 'C:\K\KorvR1\KDNC\kdnc.exe'; Approve = '' }
                [pscustomobject]@{ PC = 'pc-start'; Program = ''; Approve = 'yes' }
                [pscustomobject]@{ PC = 'pc-gone'; Program = 'C:\K\KorvR1\KDNC\kdnc.exe'; Approve = ' yes ' }
                [pscustomobject]@{ PC = 'PC-BROKEN'; Program = 'C:\Other\KorvR1\KDNC\kdnc.exe'; Approve = 'yes' }
            ) | Export-Csv $csv -NoTypeInformation
            $apply = Join-Path $scripts 'kdnclaunch-apply.ps1'
            $shown = @(& $apply -Csv $csv)
            Should -Invoke Invoke-Command -Times 0
            $shown.PC -join ',' | Should -Be 'pc-broken,pc-start,pc-gone'
            $shown[0].Result | Should -BeLike 'approved: run again with -Apply*'
            $shown[1].Result | Should -BeLike 'not applied: no proven fix*'

            Mock Invoke-Command {
                if ($ComputerName -ne 'pc-broken') { Write-Error -Message "[$ComputerName] Connecting to remote server failed" -TargetObject $ComputerName; return }
                $env:KDNC_CASE = 'half-broken'; $env:KDNC_FIX_EXIT = 0; $env:KDNC_FIX_LINE = 'wrote record 6 R1: kdnclaunch would start'
                & $FilePath -Program $ArgumentList[0] -Check $standin
            }
            $applied = @(& $apply -Csv $csv -Apply)
            Should -Invoke Invoke-Command -Times 1 -Exactly -ParameterFilter { $ComputerName -eq 'pc-broken' -and $ArgumentList[0] -eq 'C:\____~KJT\KORVANT\KorvR1\KDNC\kdnc.exe' }
            Should -Invoke Invoke-Command -Times 2 -Exactly
            (Get-StandinCalls)[0][0..1] | Should -Be '--fix-program', 'C:\____~KJT\KORVANT\KorvR1\KDNC\kdnc.exe'
            $applied[0].ExitCode, $applied[0].Result | Should -Be 0, 'wrote record 6 R1: kdnclaunch would start'
            $applied[2].Result | Should -BeLike 'no answer: *pc-gone*'
        }
    }

    Describe 'the scheduled task' {
        BeforeEach {
            $runs = [ref]0
            Mock New-ScheduledTaskAction { @{ Execute = $Execute; Argument = $Argument } }
            Mock New-ScheduledTaskPrincipal { @{ UserId = $UserId; LogonType = $LogonType } }
            Mock New-ScheduledTaskSettingsSet { @{ MultipleInstances = $MultipleInstances } }
            Mock Register-ScheduledTask { }
            Mock Start-ScheduledTask { }
            Mock Get-ScheduledTask { [pscustomobject]@{ State = 'Ready' } }
        }

        It 'runs the wrapper as SYSTEM, registered with -Force, and reads its result once LastRunTime changed' {
            $seen = [ref]0
            Mock Get-ScheduledTaskInfo {
                $seen.Value++
                if ($seen.Value -eq 1) { [pscustomobject]@{ LastRunTime = [datetime]'2026-01-01'; LastTaskResult = 0 } }
                else { [pscustomobject]@{ LastRunTime = [datetime]'2026-01-02'; LastTaskResult = 1 } }
            }
            $folder = New-Item -ItemType Directory (Join-Path $env:ProgramData 'kdnclaunch')
            [IO.File]::WriteAllText((Join-Path $folder "kdnclaunch-last-$([guid]::NewGuid()).txt"), (Get-Recorded half-broken txt), [Text.Encoding]::Unicode)
            $out = @(& (Join-Path $scripts 'kdnclaunch-task.ps1') -Keep 'C:\Program Files (x86)\kdnclaunch\kdnclaunch-keep.ps1')
            Should -Invoke Register-ScheduledTask -Times 1 -Exactly -ParameterFilter {
                $TaskName -eq 'kdnclaunch check' -and $Force -and $Action.Execute -eq 'powershell.exe' -and
                $Action.Argument -like '*-File "C:\Program Files (x86)\kdnclaunch\kdnclaunch-keep.ps1"' -and
                $Principal.UserId -eq 'SYSTEM' -and $Settings.MultipleInstances -eq 'IgnoreNew' }
            Should -Invoke Start-ScheduledTask -Times 1 -Exactly
            $out[0] | Should -Be 'Last Run Result: 0x1'
            $out[1] | Should -BeLike 'kdnclaunch would show the warning: * fix record 6 R1 *'
        }

        It 'says so when the task has not run' {
            Mock Get-ScheduledTaskInfo { [pscustomobject]@{ LastRunTime = [datetime]'2026-01-01'; LastTaskResult = 0x41303 } }
            { & (Join-Path $scripts 'kdnclaunch-task.ps1') -User 'SHOP\op' -Keep 'C:\k.ps1' -Wait 0 } | Should -Throw '*did not run within 0 seconds*'
            Should -Invoke New-ScheduledTaskPrincipal -ParameterFilter { $UserId -eq 'SHOP\op' -and $LogonType -eq 'Interactive' }
        }
    }

    Describe 'the scripts as shipped' {
        It '<_.Name> parses, stops on errors under strict mode, and writes no registry value itself' -ForEach @(Get-ChildItem $env:KDNC_SCRIPTS -Filter *.ps1) {
            $errors = $null
            $null = [Management.Automation.Language.Parser]::ParseFile($_.FullName, [ref]$null, [ref]$errors)
            $errors | Should -BeNullOrEmpty
            $text = Get-Content $_ -Raw
            $text | Should -Match "(?m)^Set-StrictMode -Version Latest\r?\n\`$ErrorActionPreference = 'Stop'"
            $text | Should -Not -Match 'reg(\.exe)? add|New-ItemProperty|Set-ItemProperty|HKLM:'
            $text | Should -Match '^[\x09\x0a\x0d\x20-\x7e]*$' -Because 'Windows PowerShell 5.1 reads a file without a byte-order mark in the ANSI code page'
        }

        It 'every script text in the guide is a shipped file or a run of its lines' {
            $guide = Get-Content (Join-Path $PSScriptRoot '../../docs/install.md')
            $shown = 0
            for ($i = 0; $i -lt $guide.Count; $i++) {
                if ($guide[$i] -notmatch '^```(powershell|bat)$') { continue }
                $named = [regex]::Match($guide[$i - 1], '^<!-- shipped: (packaging/scripts/[\w.-]+) -->$').Groups[1].Value
                $named | Should -Not -BeNullOrEmpty -Because "the block at line $($i + 1) names its file"
                $file = Get-Content (Join-Path $PSScriptRoot "../../$named")
                $end = $i + 1; while ($guide[$end] -ne '```') { $end++ }
                $block = $guide[($i + 1)..($end - 1)]
                $at = @(0..($file.Count - $block.Count) | Where-Object { ($file[$_..($_ + $block.Count - 1)] -join "`n") -ceq ($block -join "`n") })
                $at.Count | Should -BeGreaterThan 0 -Because "the block at line $($i + 1) must be lines of $named"
                $shown++; $i = $end
            }
            $shown | Should -BeGreaterOrEqual 8
        }
    }
}
