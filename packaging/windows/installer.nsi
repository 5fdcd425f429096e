; The Windows installer of Korvant Utility 3, made by scripts/build-windows.sh:
;   makensis -DVERSION=3.0.0 -DOUTFILE=setup.exe -DFILES=build-windows -DICON=app.ico installer.nsi
; FILES holds install-files.nsh and uninstall-files.nsh, the lists of what
; build-windows/korvant-utility holds.
;
; Installs for all users into Program Files with a Start-menu entry and an
; entry in "Apps & features". The uninstaller removes the programs and
; leaves the user's settings and snapshots (in %APPDATA%\Korvant Engineering)
; unless its second component is ticked, or it runs with /REMOVEDATA.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Korvant Utility 3"
!define PUBLISHER "Korvant Engineering"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvantUtility3"
!define MENU_FOLDER "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка ${PRODUCT}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "© 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\korvant-utility.exe"
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Install"
    !include "${FILES}/install-files.nsh"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "${MENU_FOLDER}"
    CreateShortcut "${MENU_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\korvant-utility.exe" "" \
        "$INSTDIR\korvant-utility.exe" 0
    CreateShortcut "${MENU_FOLDER}\Удалить ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvant-utility.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "un.Программа" SecUnProgram
    SectionIn RO
    !include "${FILES}/uninstall-files.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "${MENU_FOLDER}\${PRODUCT}.lnk"
    Delete "${MENU_FOLDER}\Удалить ${PRODUCT}.lnk"
    RMDir "${MENU_FOLDER}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; The store and the snapshots of the user who runs the uninstaller.
Section /o "un.Настройки и снимки ККТ" SecUnData
    SetShellVarContext current
    Delete "$APPDATA\${PUBLISHER}\KorvantUtility3.conf"
    Delete "$APPDATA\${PUBLISHER}\KorvantUtility3.conf.lock"
    RMDir /r "$APPDATA\${PUBLISHER}\KorvantUtility3"
    RMDir /r "$LOCALAPPDATA\${PUBLISHER}\KorvantUtility3"
    RMDir "$APPDATA\${PUBLISHER}"
    RMDir "$LOCALAPPDATA\${PUBLISHER}"
    SetShellVarContext all
SectionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVEDATA" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${SecUnData} ${SF_SELECTED}
    ${EndIf}
FunctionEnd
