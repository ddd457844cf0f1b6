; The Velbrix setup program, one script for both architectures. scripts/package runs
;   makensis -DVERSION=1.2.3 -DARCH=x86|x64 -DFILES=<folder> -DICON=<velbrix.ico> -DOUTFILE=<setup.exe>
; where FILES holds velbrix.exe, velbrix-convert.exe, README.txt, LICENSE.txt,
; THIRD-PARTY-NOTICES.txt and demo_eeg (the demo recording) of that architecture.
;
; It installs into Program Files (the 64-bit one for x64), adds a Start-menu entry and an uninstaller
; that Windows lists among the installed apps. Silent: "setup.exe /S /D=C:\Folder" installs,
; "uninstall.exe /S" removes. The uninstaller beside velbrix.exe is also how the window knows it
; was installed, and so writes into Documents\Velbrix rather than beside itself.

!ifndef VERSION | ARCH | FILES | ICON | OUTFILE
  !error "VERSION, ARCH, FILES, ICON and OUTFILE must be defined (-D...)"
!endif

Unicode true
!if "${ARCH}" == "x64"
  Target amd64-unicode
!else if "${ARCH}" != "x86"
  !error "ARCH must be x86 or x64"
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velbrix"
!define PUBLISHER "The Velbrix developers"

!include "MUI2.nsh"
!include "FileFunc.nsh"

Name "Velbrix"
OutFile "${OUTFILE}"
!if "${ARCH}" == "x64"
  InstallDir "$PROGRAMFILES64\Velbrix"
!else
  InstallDir "$PROGRAMFILES\Velbrix"
!endif
; Where an earlier version was installed, for an update in place.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Velbrix ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Velbrix"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Velbrix ${VERSION} setup (${ARCH})"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}, MIT licence"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${FILES}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Velbrix"
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${FILES}/velbrix.exe"
  File "${FILES}/velbrix-convert.exe"
  File "${FILES}/README.txt"
  File "${FILES}/LICENSE.txt"
  File "${FILES}/THIRD-PARTY-NOTICES.txt"
  File "${FILES}/demo_eeg"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\Velbrix.lnk" "$INSTDIR\velbrix.exe" "" "$INSTDIR\velbrix.exe" 0 \
    SW_SHOWNORMAL "" "Convert EEG recordings into decimal text"

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Velbrix"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velbrix.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes what the setup put there and nothing else: files that a user left in the folder stay, and
; so does the folder with them.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Velbrix.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\velbrix.exe"
  Delete "$INSTDIR\velbrix-convert.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  Delete "$INSTDIR\demo_eeg"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
