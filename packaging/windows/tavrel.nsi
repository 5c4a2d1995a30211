; The Windows installer: tavrel.exe, the README and the registry defaults into Program Files,
; started at every user's logon, with an uninstaller. Uninstalling keeps the settings key
; (HKLM\Software\Morvane\Tavrel). makensis gets VERSION, OUTFILE and the three files' paths
; (EXE, README, DEFAULTS), and optionally TARGET, from scripts/package-windows.sh.
Unicode true
; TARGET=amd64-unicode: an installer of the 64-bit build, for checking under 64-bit Wine.
!ifdef TARGET
  Target "${TARGET}"
!endif
Name "Tavrel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Tavrel"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrel"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
  SetOutPath "$INSTDIR"
  File "${EXE}"
  File "${README}"
  File "${DEFAULTS}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${RUN_KEY}" "Tavrel" '"$INSTDIR\tavrel.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tavrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Morvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  DeleteRegValue HKLM "${RUN_KEY}" "Tavrel"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\tavrel.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\tavrel-defaults.reg"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
