; TRXDESK installer: the Windows files of the release folder into one program folder, a
; Start-menu entry "TRXDESK" for the exe that fits the system (x64\TRXDESK.exe on 64-bit
; Windows, the i686 TRXDESK.exe elsewhere), and an uninstaller that Add/Remove Programs lists.
; Built by scripts/release.sh:
;   makensis -DVERSION=x.y.z -DPUBLISHER=<name> -DSRCDIR=<release folder> -DOUTFILE=<setup.exe>
;            -DICON=<the program's app.ico> trxdesk.nsi
; Silent use: setup.exe /S [/D=C:\Folder]   Uninstall.exe /S [_?=C:\Folder]
Unicode true

!ifndef VERSION
  !error "VERSION (x.y.z) is not defined"
!endif
!ifndef SRCDIR
  !error "SRCDIR (the release folder) is not defined"
!endif
!ifndef OUTFILE
  !error "OUTFILE (the installer to write) is not defined"
!endif
!ifndef PUBLISHER
  !error "PUBLISHER (the project's TRX_PUBLISHER) is not defined"
!endif
!ifndef ICON
  !error "ICON (the program's icon, drawn by the build) is not defined"
!endif

!include LogicLib.nsh
!include x64.nsh
!include MUI2.nsh

!define PRODUCT "TRXDESK"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; No InstallDir: .onInit picks the default, so that /D= is what remains when given.

!define MUI_ABORTWARNING
; Installer and uninstaller carry the program's own icon.
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_LICENSE "${SRCDIR}/LICENSE"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_GERMAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_GERMAN} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_GERMAN} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_GERMAN} "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_GERMAN} "ProductVersion" "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_GERMAN} "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

; The installer is a 32-bit program: on 64-bit Windows it writes to the 64-bit registry and
; installs into the 64-bit Program Files, beside the program it starts there.
Function .onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

Section "TRXDESK"
  SetShellVarContext all

  ; Each exe finds its help beside itself.
  SetOutPath "$INSTDIR"
  File "${SRCDIR}/TRXDESK.exe"
  File "${SRCDIR}/TRXDESK.HLP"
  File "${SRCDIR}/TRXDESK.CNT"
  File "${SRCDIR}/TRXDESK.CHM"
  File "${SRCDIR}/README.md"
  File "${SRCDIR}/LICENSE"
  ; The picture README.md shows.
  SetOutPath "$INSTDIR\docs"
  File "${SRCDIR}/docs/panel.png"
  SetOutPath "$INSTDIR\x64"
  File "${SRCDIR}/x64/TRXDESK.exe"
  File "${SRCDIR}/x64/TRXDESK.HLP"
  File "${SRCDIR}/x64/TRXDESK.CNT"
  File "${SRCDIR}/x64/TRXDESK.CHM"

  ; The shortcut starts in the exe's folder (the output path), without a COM port: the
  ; panel opens unconnected, and the operator chooses the port in its settings (or adds
  ; "C<n>" to the shortcut).
  ${If} ${RunningX64}
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\x64\TRXDESK.exe"
  ${Else}
    SetOutPath "$INSTDIR"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\TRXDESK.exe"
  ${EndIf}

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\TRXDESK.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The operator's settings in HKCU stay: they belong to the user, not to the installation.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ; WinHelp leaves its index (.GID) beside a help file it opened.
  Delete "$INSTDIR\x64\TRXDESK.exe"
  Delete "$INSTDIR\x64\TRXDESK.HLP"
  Delete "$INSTDIR\x64\TRXDESK.CNT"
  Delete "$INSTDIR\x64\TRXDESK.CHM"
  Delete "$INSTDIR\x64\TRXDESK.GID"
  RMDir "$INSTDIR\x64"
  Delete "$INSTDIR\TRXDESK.exe"
  Delete "$INSTDIR\TRXDESK.HLP"
  Delete "$INSTDIR\TRXDESK.CNT"
  Delete "$INSTDIR\TRXDESK.CHM"
  Delete "$INSTDIR\TRXDESK.GID"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\docs\panel.png"
  RMDir "$INSTDIR\docs"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
