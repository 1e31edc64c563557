; The Windows installer: the program in Program Files, a Start-menu entry and an uninstaller.
; scripts/package-windows.sh passes VERSION, EXE (the built program) and OUTFILE.
Unicode true
SetCompressor /SOLID lzma

!include "MUI2.nsh"

Name "岫云阁_下载 (xiuyun)"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\xiuyun"
InstallDirRegKey HKLM "Software\xiuyun" "InstallDir"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "xiuyun"
VIAddVersionKey "FileDescription" "xiuyun installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "xiuyun maintainers"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\xiuyun.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\xiuyun"

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
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "xiuyun maintainers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\xiuyun.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
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
