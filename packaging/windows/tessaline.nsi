; The Windows installer of Tessaline, made with makensis around the folder that
; `cmake --install` of the Windows build lays out (<prefix>\lib\tessaline). scripts/package-win.sh
; builds it:
;   makensis -DVERSION=0.1.0 -DFILES=<files.nsh> -DOUTFILE=<setup.exe> tessaline.nsi
; FILES is an include made from the folder's listing: the macros TESSALINE_INSTALL_FILES (File
; lines) and TESSALINE_REMOVE_FILES (Delete and RMDir lines), so that the uninstaller removes
; exactly the files the installer put there, and never a folder that holds anything else.
;
; Installs into $PROGRAMFILES64\Tessaline for all users, puts a shortcut in the Start menu that
; starts the program in its own folder (the recording tool is given test.cue by bare name and
; runs in the program's current folder), and registers the uninstaller in "Add or remove
; programs". The uninstaller removes the program's files, its shortcut and that entry; the
; settings below HKCU\Software\Quorvane belong to the user and are left alone.
; Silent: setup.exe /S [/D=folder], uninstall.exe /S.

; A 64-bit installer for the 64-bit program: it runs where the program runs, writes the
; registry's 64-bit view, where "Add or remove programs" looks for 64-bit programs, and needs no
; 32-bit layer (WOW64) to start.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifndef VERSION
  !error "give VERSION with -D"
!endif
!ifndef FILES
  !error "give FILES with -D"
!endif
!ifndef OUTFILE
  !error "give OUTFILE with -D"
!endif
!ifndef ICON
  !define ICON "../../resources/tessaline.ico"  ; makensis works in this script's folder
!endif

!define PRODUCT "Tessaline"
!define PUBLISHER "Quorvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaline"
!define PROGRAM "tessaline.exe"
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "${FILES}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; A new version goes where the last one went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION RunProgram
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; For all users: the shortcut goes in the common Start menu.
Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; Started from the finish page as from the shortcut: in the program's folder.
Function RunProgram
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\${PROGRAM}"'
FunctionEnd

Section "Tessaline" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  !insertmacro TESSALINE_INSTALL_FILES
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; The shortcut's working folder is the output path at the time it is made.
  SetOutPath "$INSTDIR"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0 SW_SHOWNORMAL "" \
    "Find the driver that works with your CD writer"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Only what the installer put there: the files by name, then the folders if they are empty
; (a file the user added keeps its folder). HKCU\Software\Quorvane is not touched.
Section "Uninstall"
  Delete "${SHORTCUT}"
  !insertmacro TESSALINE_REMOVE_FILES
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
