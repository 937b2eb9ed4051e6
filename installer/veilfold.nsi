; Veilfold installer, built by scripts/build-installers with makensis:
;   -DCLASS_ID={...}  -DVERSION=x.y  -DDLL32=<32-bit veilfold.dll>  -DOUTFILE=<installer>
;   and for the installer for 64-bit Windows also -DWIN64 -DDLL64=<64-bit veilfold.dll>.
;
; Installs for the current user by default; for all users on the install-mode
; page or with /ALLUSERS (/CURRENTUSER forces the default). /S installs silently.
; On 64-bit Windows both modules are installed, each registered in its own
; registry view, so 64-bit Explorer and 32-bit programs both get the menu.

Unicode true
!ifdef WIN64
  Target amd64-unicode
  !define MULTIUSER_USE_PROGRAMFILES64
!else
  Target x86-unicode
!endif

!define PRODUCT "Veilfold"
!define HANDLER_NAME "Veilfold"
!define CLASSES "Software\Classes"
!define CLASSES32 "Software\Classes\WOW6432Node"
!define FILES_HANDLER_KEY "Software\Classes\*\shellex\ContextMenuHandlers\${HANDLER_NAME}"
!define FOLDERS_HANDLER_KEY "Software\Classes\Directory\shellex\ContextMenuHandlers\${HANDLER_NAME}"
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_NOUNINSTALL  ; the uninstaller takes its mode from where it was installed
!define MULTIUSER_MUI
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PRODUCT} developers"

; Every registry write of a section is checked through the error flag.
!macro AbortOnRegistryError WHAT
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "Could not write the registry entries for ${WHAT}." /SD IDOK
    Abort
  ${EndIf}
!macroend

; The in-process server of one module, under SHCTX (HKCU per user, HKLM for
; all users). CLASSES is "Software\Classes" for the native module and
; "Software\Classes\WOW6432Node" for the 32-bit one on 64-bit Windows: named
; outright, as not every system redirects the user's classes by itself.
!macro RegisterServer CLASSES DLL_PATH
  ClearErrors
  WriteRegStr SHCTX "${CLASSES}\CLSID\${CLASS_ID}" "" "${PRODUCT} Shell Extension"
  WriteRegStr SHCTX "${CLASSES}\CLSID\${CLASS_ID}\InprocServer32" "" "${DLL_PATH}"
  WriteRegStr SHCTX "${CLASSES}\CLSID\${CLASS_ID}\InprocServer32" "ThreadingModel" "Apartment"
  !insertmacro AbortOnRegistryError "${DLL_PATH}"
!macroend

; The context-menu handlers for files and folders, and the shell's approved
; list, in the current registry view.
!macro RegisterHandlers
  ClearErrors
  WriteRegStr SHCTX "${FILES_HANDLER_KEY}" "" "${CLASS_ID}"
  WriteRegStr SHCTX "${FOLDERS_HANDLER_KEY}" "" "${CLASS_ID}"
  WriteRegStr SHCTX "${APPROVED_KEY}" "${CLASS_ID}" "${PRODUCT} Shell Extension"
  !insertmacro AbortOnRegistryError "the context-menu handlers"
!macroend

; Remove only what was written; the parent keys are shared with other
; programs and stay.
!macro UnregisterServer CLASSES
  DeleteRegKey SHCTX "${CLASSES}\CLSID\${CLASS_ID}"
!macroend

!macro UnregisterHandlers
  DeleteRegKey SHCTX "${FILES_HANDLER_KEY}"
  DeleteRegKey SHCTX "${FOLDERS_HANDLER_KEY}"
  DeleteRegValue SHCTX "${APPROVED_KEY}" "${CLASS_ID}"
!macroend

!macro NotifyShell
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
!macroend

Function .onInit
!ifdef WIN64
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "This installer is for 64-bit Windows; use the installer for 32-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
!else
  ${If} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "This installer is for 32-bit Windows; use the installer for 64-bit Windows, which installs both modules." /SD IDOK
    Abort
  ${EndIf}
!endif
  !insertmacro MULTIUSER_INIT
FunctionEnd

Section "${PRODUCT}"
  SetOutPath "$INSTDIR"
!ifdef WIN64
  File "/oname=veilfold.dll" "${DLL64}"
  SetOutPath "$INSTDIR\x86"
  File "/oname=veilfold.dll" "${DLL32}"
  SetRegView 64
  !insertmacro RegisterServer "${CLASSES}" "$INSTDIR\veilfold.dll"
  !insertmacro RegisterServer "${CLASSES32}" "$INSTDIR\x86\veilfold.dll"
  !insertmacro RegisterHandlers
  ; Where the 32-bit view has handlers and approved list of its own.
  SetRegView 32
  !insertmacro RegisterHandlers
  SetRegView 64
!else
  File "/oname=veilfold.dll" "${DLL32}"
  !insertmacro RegisterServer "${CLASSES}" "$INSTDIR\veilfold.dll"
  !insertmacro RegisterHandlers
!endif

  WriteUninstaller "$INSTDIR\uninstall.exe"
  ClearErrors
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  !insertmacro AbortOnRegistryError "the uninstaller"
  !insertmacro NotifyShell
SectionEnd

Function un.onInit
!ifdef WIN64
  SetRegView 64
!endif
  ; Installed for all users exactly when the machine-wide entry names this folder.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; The user's own settings (Software\Veilfold) are left alone.
Section "Uninstall"
!ifdef WIN64
  SetRegView 32
  !insertmacro UnregisterHandlers
  SetRegView 64
  !insertmacro UnregisterServer "${CLASSES32}"
  Delete /REBOOTOK "$INSTDIR\x86\veilfold.dll"
  RMDir "$INSTDIR\x86"
!endif
  !insertmacro UnregisterServer "${CLASSES}"
  !insertmacro UnregisterHandlers
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  Delete /REBOOTOK "$INSTDIR\veilfold.dll"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  !insertmacro NotifyShell
SectionEnd
