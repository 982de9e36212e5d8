@echo off
rem Stand-in for the PPPoE component's removal: records that it ran.
if defined SAMPLE_CLIENT_LOG_DIR (
  echo uninstall.bat ran in %CD%>> "%SAMPLE_CLIENT_LOG_DIR%\uninstall_bat.log"
) else (
  echo uninstall.bat ran in %CD%>> "%~dp0uninstall_bat.log"
)
