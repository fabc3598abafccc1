@rem kdnclaunch-keep.cmd: the Group Policy startup or logon script; kdnclaunch-keep.ps1 lies beside it.
@"%SystemRoot%\System32\WindowsPowerShell\v1.0\powershell.exe" -NoProfile -NonInteractive -ExecutionPolicy Bypass -File "%~dp0kdnclaunch-keep.ps1"
@exit /b %ERRORLEVEL%
