; The modules and command-line programs of an installation, replaced and
; removed while programs may still hold them. Included by veilfold.nsi.
;
; A module that Explorer or any program's file dialog has loaded, like a
; veilfold.exe still running, can be neither overwritten nor deleted, but it
; can be renamed within its folder. Such a file is moved aside to
; veilfold.N.old, which frees its name at once, and removed once it is let go: at the next restart for an all-users installation
; (Delete /REBOOTOK, which writes the machine's pending operations and so
; needs administrator rights), at the user's next sign-in for a per-user one
; (a RunOnce entry of the user, which a standard user can write, and which
; runs after every program of the user that could hold the module has ended).

Var Cleanup         ; how leftovers of the folder at hand go: "restart" or "signout"
Var SignOutPending  ; a RunOnce entry finishes the job

!macro FilesFunctions UN
; Frees the name FOLDER\NAME, moving a held file aside.
; Stack: FOLDER, then NAME.
Function ${UN}ClearModule
  Exch $3
  Exch
  Exch $0
  Push $1
  Push $2
  Delete "$0\$3"
  ${If} ${FileExists} "$0\$3"
    StrCpy $2 1
    ${Do}
      StrCpy $1 "$0\veilfold.$2.old"
      Delete $1  ; moved aside by an earlier run, and let go since
      ${IfNot} ${FileExists} $1
        ${Break}
      ${EndIf}
      IntOp $2 $2 + 1
    ${Loop}
    ClearErrors
    Rename "$0\$3" $1
    ${If} ${Errors}
      !insertmacro Fail 1603 "$0\$3 is in use and cannot be replaced. Close the programs that use it, or restart Windows, and try again."
    ${EndIf}
    ${If} $Cleanup == restart
      Delete /REBOOTOK $1  ; sets the reboot flag when the file is still held
    ${Else}
      Delete $1
      ${If} ${FileExists} $1
        StrCpy $SignOutPending 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
  Pop $3
FunctionEnd

; Frees the names of both modules and both programs of the installation in
; ROOT; for a per-user one whose files are held, the user's next sign-in
; removes what was moved aside, and the folders if nothing else is left in them.
; Stack: ROOT.
Function ${UN}ClearModules
  Exch $0
  Push $1
  StrCpy $1 $SignOutPending  ; another folder's, which has its own entry
  StrCpy $SignOutPending 0
  Push "$0\x86"
  Push veilfold.dll
  Call ${UN}ClearModule
  Push "$0\x86"
  Push veilfold.exe
  Call ${UN}ClearModule
  Push $0
  Push veilfold.dll
  Call ${UN}ClearModule
  Push $0
  Push veilfold.exe
  Call ${UN}ClearModule
  ${If} $SignOutPending == 1
    WriteRegStr HKCU "${RUNONCE_KEY}" "${PRODUCT}" \
      '"$SYSDIR\cmd.exe" /c cd /d "$0" && (del /f /q *.old x86\*.old & rd x86 & cd \ & rd "$0")'
  ${EndIf}
  ${If} $1 == 1
    StrCpy $SignOutPending 1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Removes the installation's files from ROOT, or schedules what is held.
; Stack: ROOT.
Function ${UN}RemoveFiles
  Exch $0
  Push $0
  Call ${UN}ClearModules
  Delete "$0\uninstall.exe"  ; not the running one: that is a copy in the temporary folder
  RMDir "$0\x86"
  RMDir "$0"
  ; Only behind a held module: an uninstaller run in place (_?=) keeps the
  ; folder for itself, and its caller removes it.
  ${If} ${RebootFlag}
    ${If} ${FileExists} "$0\x86\*.*"
      RMDir /REBOOTOK "$0\x86"
    ${EndIf}
    ${If} ${FileExists} "$0\*.*"
      RMDir /REBOOTOK "$0"
    ${EndIf}
  ${EndIf}
  Pop $0
FunctionEnd
!macroend

; Extracts one file and stops the installation when it could not be written.
!macro InstallModule SOURCE TARGET
  ClearErrors
  File "/oname=${TARGET}" "${SOURCE}"
  ${If} ${Errors}
    !insertmacro Fail 1603 "Could not write $OUTDIR\${TARGET}."
  ${EndIf}
!macroend
