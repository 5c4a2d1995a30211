; The Windows installer: tavrel.exe, the README and the registry defaults into Program Files, a
; Start-menu shortcut, started at every user's logon, with an uninstaller. The settings key
; (HKLM\Software\Morvane\Tavrel) is made writable for every user and, on a first install, filled
; with the defaults; uninstalling keeps it unless asked. makensis gets VERSION, OUTFILE, the
; paths of the files (EXE, README, DEFAULTS, ICON), and optionally TARGET, from
; scripts/package-windows.sh.
Unicode true
; TARGET=amd64-unicode: an installer of the 64-bit build, for checking under 64-bit Wine.
!ifdef TARGET
  Target "${TARGET}"
!endif

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrel"
!define SETTINGS_KEY "Software\Morvane\Tavrel"

Name "Tavrel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Tavrel"
; An upgrade goes where the last install went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ManifestDPIAware true
SetCompressor /SOLID lzma
BrandingText "Tavrel ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\tavrel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Tavrel now"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "The settings (port, tone, double click) are shared by every user of this computer and are kept unless ticked here."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Asks the tavrel.exe running in this session to close through its own Close path (TOOL is a
; tavrel.exe to ask with; it waits up to 10 seconds), then makes sure the installed program file
; is free: one still running, in this session or another user's, stops the installer here.
!macro CloseRunning TOOL
  ${If} ${FileExists} "${TOOL}"
    ExecWait '"${TOOL}" --close' $0
    ${If} $0 != 0
      MessageBox MB_ICONSTOP|MB_OK "Tavrel is running and did not close when asked.$\r$\nChoose Close in its tray menu, then run this again." /SD IDOK
      DetailPrint "Tavrel is running and did not close when asked"
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\tavrel.exe"
    ClearErrors
    Delete "$INSTDIR\tavrel.exe"
    ${If} ${Errors}
      MessageBox MB_ICONSTOP|MB_OK "$INSTDIR\tavrel.exe is in use, perhaps by another user who is logged on.$\r$\nClose Tavrel there (tray menu, Close), then run this again." /SD IDOK
      DetailPrint "$INSTDIR\tavrel.exe is in use"
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}
!macroend

; Every registry access of the installer goes to the view the 32-bit program reads
; (WOW6432Node on 64-bit Windows); shortcuts are for all users.
Function .onInit
  SetRegView 32
  SetShellVarContext all
FunctionEnd

Section
  InitPluginsDir
  File "/oname=$PLUGINSDIR\tavrel.exe" "${EXE}"
  !insertmacro CloseRunning "$PLUGINSDIR\tavrel.exe"

  SetOutPath "$INSTDIR"
  File "${EXE}"
  File "${README}"
  File "${DEFAULTS}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The key, with read and write for the local Users group; the defaults only where there are
  ; no settings yet, so that an upgrade keeps the port, the tone and the double-click values.
  ExecWait '"$INSTDIR\tavrel.exe" --share-settings' $0
  ${If} $0 != 0
    DetailPrint "The settings key could not be made writable for all users (see tavrel.log)"
  ${EndIf}
  ClearErrors
  ReadRegDWORD $0 HKLM "${SETTINGS_KEY}" "Serial Port"
  ${If} ${Errors}
    nsExec::ExecToLog '"$SYSDIR\reg.exe" import "$INSTDIR\tavrel-defaults.reg" /reg:32'
    Pop $0
    DetailPrint "Settings defaults imported: $0"
  ${EndIf}

  CreateShortCut "$SMPROGRAMS\Tavrel.lnk" "$INSTDIR\tavrel.exe" "" "$INSTDIR\tavrel.exe" 0
  WriteRegStr HKLM "${RUN_KEY}" "Tavrel" '"$INSTDIR\tavrel.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tavrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Morvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\tavrel.exe",0'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "un.Tavrel" UnProgram
  SectionIn RO
  !insertmacro CloseRunning "$INSTDIR\tavrel.exe"
  DeleteRegValue HKLM "${RUN_KEY}" "Tavrel"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$SMPROGRAMS\Tavrel.lnk"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\tavrel-defaults.reg"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd

; Off unless chosen on the components page, or /REMOVESETTINGS on the command line.
Section /o "un.Settings of all users" UnSettings
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Morvane"
SectionEnd

Function un.onInit
  SetRegView 32
  SetShellVarContext all
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSettings}
  ${EndIf}
FunctionEnd
