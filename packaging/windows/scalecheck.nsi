; SPDX-License-Identifier: MIT
; The Windows installer of scalecheck. scripts/windows gives it, with /D on makensis's command line:
;   VERSION  the version (0.1.0)
;   STAGE    the folder that holds everything to install (the programs, Qt's DLLs and plugins)
;   OUTFILE  the installer to write
;   FILES    an include file with one "File" line per file of STAGE, and UNFILES one with the
;            "Delete"/"RMDir" lines that take exactly those away again
; A 64-bit installer: the programs are 64-bit, and a 64-bit Windows needs nothing else to run it.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

Name "scalecheck ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\scalecheck"
InstallDirRegKey HKLM "Software\scalecheck" "InstallDir"
BrandingText "scalecheck ${VERSION}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\scalecheck"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "scalecheck"
    SetRegView 64
    SetOutPath "$INSTDIR"
    !include "${FILES}"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    SetShellVarContext all
    CreateDirectory "$SMPROGRAMS\scalecheck"
    CreateShortcut "$SMPROGRAMS\scalecheck\scalecheck.lnk" "$INSTDIR\scalecheck.exe"
    CreateShortcut "$SMPROGRAMS\scalecheck\scalecheck (English).lnk" "$INSTDIR\scalecheck.exe" "--lang en"
    CreateShortcut "$SMPROGRAMS\scalecheck\scalecheck demo.lnk" "$INSTDIR\scalecheck.exe" "--demo"
    CreateShortcut "$SMPROGRAMS\scalecheck\Uninstall scalecheck.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "Software\scalecheck" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "scalecheck"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "scalecheck developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\scalecheck.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetRegView 64
    ; Only what the installer put there: files the operator saved into the folder stay, and so
    ; does the folder then.
    !include "${UNFILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    SetShellVarContext all
    Delete "$SMPROGRAMS\scalecheck\scalecheck.lnk"
    Delete "$SMPROGRAMS\scalecheck\scalecheck (English).lnk"
    Delete "$SMPROGRAMS\scalecheck\scalecheck demo.lnk"
    Delete "$SMPROGRAMS\scalecheck\Uninstall scalecheck.lnk"
    RMDir "$SMPROGRAMS\scalecheck"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "Software\scalecheck"
SectionEnd
