; The registry entries of an installation, written and removed under SHCTX
; (HKCU for the current user, HKLM for all users). Included by veilfold.nsi.

!define CLASSES "Software\Classes"
!define CLASSES32 "Software\Classes\WOW6432Node"
!define FILES_HANDLER_KEY "Software\Classes\*\shellex\ContextMenuHandlers\${HANDLER_NAME}"
!define FOLDERS_HANDLER_KEY "Software\Classes\Directory\shellex\ContextMenuHandlers\${HANDLER_NAME}"
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUNONCE_KEY "Software\Microsoft\Windows\CurrentVersion\RunOnce"
; The retained key lives in this volatile key until sign-out; the password's
; check value (Software\Veilfold\Configuration) outlives the product.
!define RETAINED_KEY "Software\Veilfold\Temp"
!define SHCNE_ASSOCCHANGED 0x08000000

; The in-process server of one module. CLASSES is "Software\Classes" for the
; native module and "Software\Classes\WOW6432Node" for the 32-bit one on 64-bit
; Windows: named outright, as not every system redirects the user's classes.
!macro RegisterServer CLASSES DLL_PATH
  WriteRegStr SHCTX "${CLASSES}\CLSID\${CLASS_ID}" "" "${PRODUCT} Shell Extension"
  WriteRegStr SHCTX "${CLASSES}\CLSID\${CLASS_ID}\InprocServer32" "" "${DLL_PATH}"
  WriteRegStr SHCTX "${CLASSES}\CLSID\${CLASS_ID}\InprocServer32" "ThreadingModel" "Apartment"
!macroend

; The context-menu handlers for files and folders, and the shell's approved
; list, in the current registry view.
!macro RegisterHandlers
  WriteRegStr SHCTX "${FILES_HANDLER_KEY}" "" "${CLASS_ID}"
  WriteRegStr SHCTX "${FOLDERS_HANDLER_KEY}" "" "${CLASS_ID}"
  WriteRegStr SHCTX "${APPROVED_KEY}" "${CLASS_ID}" "${PRODUCT} Shell Extension"
!macroend

; Every registration of the modules in FOLDER, in both views on 64-bit Windows.
!macro RegisterModules FOLDER
!ifdef WIN64
  SetRegView 64
  !insertmacro RegisterServer "${CLASSES}" "${FOLDER}\veilfold.dll"
  !insertmacro RegisterServer "${CLASSES32}" "${FOLDER}\x86\veilfold.dll"
  !insertmacro RegisterHandlers
  ; Where the 32-bit view has handlers and approved list of its own.
  SetRegView 32
  !insertmacro RegisterHandlers
  SetRegView 64
!else
  !insertmacro RegisterServer "${CLASSES}" "${FOLDER}\veilfold.dll"
  !insertmacro RegisterHandlers
!endif
!macroend

; Remove only what was written; the parent keys are shared with other programs.
!macro UnregisterHandlers
  DeleteRegKey SHCTX "${FILES_HANDLER_KEY}"
  DeleteRegKey SHCTX "${FOLDERS_HANDLER_KEY}"
  DeleteRegValue SHCTX "${APPROVED_KEY}" "${CLASS_ID}"
!macroend

!macro UnregisterModules
!ifdef WIN64
  SetRegView 32
  !insertmacro UnregisterHandlers
  SetRegView 64
  DeleteRegKey SHCTX "${CLASSES32}\CLSID\${CLASS_ID}"
!endif
  DeleteRegKey SHCTX "${CLASSES}\CLSID\${CLASS_ID}"
  !insertmacro UnregisterHandlers
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
!macroend

; The entry in Settings > Apps, for the installation in $INSTDIR.
!macro WriteAppsEntry
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\veilfold.dll,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
!ifdef HELP_URL
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "${HELP_URL}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "HelpLink" "${HELP_URL}"
!endif
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
!macroend

; In KiB, as Apps expects: the modules, the programs and the uninstaller,
; not a held file moved aside.
!macro WriteEstimatedSize
  ${GetSize} "$INSTDIR" "/M=veilfold.dll /S=0K" $0 $1 $2
  ${GetSize} "$INSTDIR" "/M=veilfold.exe /S=0K" $3 $1 $2
  IntOp $0 $0 + $3
  ${GetSize} "$INSTDIR" "/M=uninstall.exe /S=0K /G=0" $3 $1 $2
  IntOp $0 $0 + $3
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
!macroend

!macro NotifyShell
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
!macroend
