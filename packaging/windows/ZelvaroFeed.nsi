; The Windows installer of ZelvaroFeed, built by makensis from the release build:
;   makensis -DVERSION=1.0 -DEXE=path\ZelvaroFeed.exe -DICON=path\ZelvaroFeed.ico
;            -DOUTFILE=path\ZelvaroFeed-1.0-setup.exe ZelvaroFeed.nsi
;
; Installs ZelvaroFeed.exe and an uninstaller into "Program Files\ZelvaroFeed", a Start-menu
; entry for all users and, when chosen, a shortcut in the installing user's Startup folder
; (the component "Start ZelvaroFeed when I log on", off by default; /AUTOSTART chooses it in
; a silent install: "setup.exe /S /AUTOSTART"). The uninstaller removes all of these and
; leaves the user's settings (%APPDATA%\ZelvaroFeed\Settings.ini) alone. Both close a running
; ZelvaroFeed first, which saves its settings as it closes.

!ifndef VERSION | EXE | ICON | OUTFILE
  !error "VERSION, EXE, ICON and OUTFILE must be defined on the command line"
!endif

Unicode true
; The program is 64-bit, and so is the installer: it sees the 64-bit "Program Files" and
; registry, and 64-bit-only Windows (and Wine) runs it.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!define APP "ZelvaroFeed"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define WINDOW_CLASS "#32770" ; the control window is a dialog

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} ${VERSION} Setup"
VIAddVersionKey "LegalCopyright" ""

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_NOAUTOCLOSE

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Closes every running ZelvaroFeed as its close box would, so that its settings are saved and
; its file can be replaced or deleted; waits up to ten seconds for the windows to go.
!macro CLOSE_RUNNING_PROGRAM
  StrCpy $1 0
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}" "${APP}"
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    ${If} $1 >= 50
      ${Break}
    ${EndIf}
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    Sleep 200
    IntOp $1 $1 + 1
  ${Loop}
  ; The process ends just after its window.
  Sleep 500
!macroend

Section "${APP}" SecProgram
  SectionIn RO
  SetRegView 64
  SetShellVarContext all
  !insertmacro CLOSE_RUNNING_PROGRAM

  SetOutPath "$INSTDIR"
  File "/oname=ZelvaroFeed.exe" "${EXE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\ZelvaroFeed.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ZelvaroFeed.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Off unless chosen. The Startup folder is the installing user's own: the program and its
; settings are per user.
Section /o "Start ${APP} when I log on" SecAutostart
  SetShellVarContext current
  CreateShortcut "$SMSTARTUP\${APP}.lnk" "$INSTDIR\ZelvaroFeed.exe"
SectionEnd

; A reinstall without the option drops a shortcut that an earlier install made.
Section "-Startup shortcut not chosen"
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    SetShellVarContext current
    Delete "$SMSTARTUP\${APP}.lnk"
  ${EndIf}
SectionEnd

Function .onInit
  SetRegView 64
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTOSTART" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetRegView 64
  !insertmacro CLOSE_RUNNING_PROGRAM

  SetShellVarContext current
  Delete "$SMSTARTUP\${APP}.lnk"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$INSTDIR\ZelvaroFeed.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
