; The Windows installer of TVXUpgrade: per machine into Program Files, a
; Start-menu entry for the wizard, an uninstaller Windows lists under
; installed apps. It installs exactly the files of the Windows zip; cpack
; makes both (cmake/windows/MakeInstaller.cmake runs makensis with):
;   VERSION        the project's version, four numbers
;   DISPLAY_NAME   what Windows lists the installation as
;   PUBLISHER      who made it
;   KEY_LINE       the verify key, as --version names it
;   FILES_DIR      a folder holding the zip's files, no subfolders
;   REMOVE_FILES   an .nsh deleting the same files from $INSTDIR
;   OUTFILE        the installer to write
Unicode true
; 64-bit, as the programs are: it runs on 64-bit Windows only, and writes to
; the 64-bit Program Files and registry without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "TVXUpgrade"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define START_MENU_LINK "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${DISPLAY_NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} installer"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}, MIT License"
VIAddVersionKey /LANG=0 "Comments" "${KEY_LINE}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The wizard's languages; the installer speaks the one Windows is set to.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "French"

LangString NeedsAdministrator ${LANG_ENGLISH} "${PRODUCT} is installed for all users of this computer, which needs an administrator."
LangString NeedsAdministrator ${LANG_GERMAN} "${PRODUCT} wird für alle Benutzer dieses Computers installiert; das erfordert einen Administrator."
LangString NeedsAdministrator ${LANG_FRENCH} "${PRODUCT} est installé pour tous les utilisateurs de cet ordinateur, ce qui demande un administrateur."

!macro RequireAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP "$(NeedsAdministrator)" /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
  ; The Start-menu entry is for everyone.
  SetShellVarContext all
!macroend

Function .onInit
  !insertmacro RequireAdministrator
FunctionEnd

Function un.onInit
  !insertmacro RequireAdministrator
FunctionEnd

Section
  SetOutPath "$INSTDIR"
  File "${FILES_DIR}/*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  !if /FileExists "${FILES_DIR}/${PRODUCT}.exe"
    CreateShortcut "${START_MENU_LINK}" "$INSTDIR\${PRODUCT}.exe"
  !endif

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  !if /FileExists "${FILES_DIR}/${PRODUCT}.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PRODUCT}.exe"
  !endif
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  !include "${REMOVE_FILES}"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: files a user put there stay.
  RMDir "$INSTDIR"
  Delete "${START_MENU_LINK}"
  ; Last, so that Windows lists the installation until it is gone.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
