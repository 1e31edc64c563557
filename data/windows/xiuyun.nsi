; The Windows installer: the program in the 64-bit Program Files, a Start-menu entry for every
; user, an uninstaller and the entry of "Apps and features". Installing again over an installed copy
; updates it in place. scripts/package-windows.sh passes VERSION, EXE (the built program) and
; OUTFILE; the icon beside this file is the program's.
; The program is 64-bit only, and so is its installer: a 32-bit one would see the 32-bit registry.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\xiuyun"
!define PUBLISHER "xiuyun maintainers"

Name "岫云阁_下载 (xiuyun)"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\xiuyun"
InstallDirRegKey HKLM "Software\xiuyun" "InstallDir"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "xiuyun"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "xiuyun installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "xiuyun.ico"
!define MUI_UNICON "xiuyun.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\xiuyun.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

; An installation is for every user of the machine: the Start-menu entry too.
Function .onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Section "xiuyun" Main
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=xiuyun.exe" "${EXE}"
  ; The uninstaller beside the program tells it that it is installed, so it keeps its data in
  ; %LOCALAPPDATA%\xiuyun instead of Program Files.
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\xiuyun"
  CreateShortcut "$SMPROGRAMS\xiuyun\岫云阁_下载.lnk" "$INSTDIR\xiuyun.exe"
  CreateShortcut "$SMPROGRAMS\xiuyun\卸载 xiuyun.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\xiuyun" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "岫云阁_下载 (xiuyun)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\xiuyun.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  ; The user's albums and the program's data in %LOCALAPPDATA%\xiuyun stay.
  Delete "$INSTDIR\xiuyun.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\xiuyun\岫云阁_下载.lnk"
  Delete "$SMPROGRAMS\xiuyun\卸载 xiuyun.lnk"
  RMDir "$SMPROGRAMS\xiuyun"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\xiuyun"
SectionEnd
