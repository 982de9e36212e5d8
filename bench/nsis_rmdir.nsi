; The anchor of the whole-run benchmark (scripts/bench.sh): a silent program made by NSIS whose
; one section removes the folder it is given with "RMDir /r", as NSIS uninstallers remove theirs.
;   makensis -DOUTFILE=path bench/nsis_rmdir.nsi
;   nsis_rmdir.exe /S /D=FOLDER
Unicode true
Name "RMDir anchor"
!ifdef OUTFILE
OutFile "${OUTFILE}"
!else
OutFile "nsis_rmdir.exe"
!endif
SilentInstall silent
RequestExecutionLevel admin
InstallDir "C:\bench-nsis\Target"
Section
  RMDir /r "$INSTDIR"
SectionEnd
