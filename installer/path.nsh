; The command line on PATH: the installation's folder as one entry of the
; user's PATH (an installation for the current user) or the machine's (for
; all users). Included by veilfold.nsi.
;
; The installer's strings hold NSIS_MAX_STRLEN characters: a PATH that does
; not fit, or would not once the folder is added, is left exactly as it is
; rather than cut short, and the user is told.

!define USER_ENVIRONMENT_KEY "Environment"
!define MACHINE_ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

Var PathScope   ; "all": the machine's PATH; anything else: the user's
Var PathFolder  ; the entry
Var PathFound   ; set by EditPath: 1 when the PATH held the entry before
Var PathTooLong ; set by EditPath: 1 when the PATH was left alone for its length

!macro PathFunctions UN
; $0 := the PATH value of $PathScope, "" when there is none; $1 := 1 when
; there is one but the installer cannot read it whole.
Function ${UN}ReadPathValue
  ClearErrors
  ${If} $PathScope == all
    ReadRegStr $0 HKLM "${MACHINE_ENVIRONMENT_KEY}" "Path"
  ${Else}
    ReadRegStr $0 HKCU "${USER_ENVIRONMENT_KEY}" "Path"
  ${EndIf}
  StrCpy $1 0
  ${IfNot} ${Errors}
    Return
  ${EndIf}
  ; Absent, or too long for the buffer (or not a string): only a value of
  ; that name tells the two apart.
  StrCpy $2 0
  ${Do}
    ${If} $PathScope == all
      EnumRegValue $3 HKLM "${MACHINE_ENVIRONMENT_KEY}" $2
    ${Else}
      EnumRegValue $3 HKCU "${USER_ENVIRONMENT_KEY}" $2
    ${EndIf}
    ${If} $3 == "Path"
      StrCpy $1 1
    ${EndIf}
    IntOp $2 $2 + 1
  ${LoopUntil} $3 == ""
  ClearErrors
FunctionEnd

; Writes $0 as the PATH value of $PathScope, deleting the value when empty,
; and tells running programs that the environment changed.
Function ${UN}WritePathValue
  ${If} $PathScope == all
    ${If} $0 == ""
      DeleteRegValue HKLM "${MACHINE_ENVIRONMENT_KEY}" "Path"
    ${Else}
      WriteRegExpandStr HKLM "${MACHINE_ENVIRONMENT_KEY}" "Path" $0
    ${EndIf}
  ${Else}
    ${If} $0 == ""
      DeleteRegValue HKCU "${USER_ENVIRONMENT_KEY}" "Path"
    ${Else}
      WriteRegExpandStr HKCU "${USER_ENVIRONMENT_KEY}" "Path" $0
    ${EndIf}
  ${EndIf}
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
FunctionEnd

; Puts $PathFolder on the PATH of $PathScope once (ACTION "add"), takes
; every entry of it off ("remove"; with a trailing backslash too, and in any
; case), leaving the other entries as they were, or only looks ("find").
; Sets $PathFound and $PathTooLong.
; Stack: ACTION.
Function ${UN}EditPath
  Exch $9
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  StrCpy $PathFound 0
  StrCpy $PathTooLong 0
  Call ${UN}ReadPathValue
  ${If} $1 == 1
    StrCpy $PathTooLong 1
    Goto done
  ${EndIf}
  ; $4: the value without the folder; $5: how many entries it has.
  StrCpy $4 ""
  StrCpy $5 0
  StrCpy $6 $0
  StrCpy $8 ""
  ${If} $0 != ""
  ${Do}
    ; $7: the entry up to the next ";", which $8 ends up at (or at "").
    StrCpy $1 0
    ${Do}
      StrCpy $8 $6 1 $1
      ${If} $8 == ";"
      ${OrIf} $8 == ""
        ${Break}
      ${EndIf}
      IntOp $1 $1 + 1
    ${Loop}
    StrCpy $7 $6 $1
    IntOp $1 $1 + 1
    StrCpy $6 $6 "" $1
    ${If} $7 == $PathFolder
    ${OrIf} $7 == "$PathFolder\"
      StrCpy $PathFound 1
    ${Else}
      ${If} $5 > 0
        StrCpy $4 "$4;"
      ${EndIf}
      StrCpy $4 "$4$7"
      IntOp $5 $5 + 1
    ${EndIf}
  ${LoopUntil} $8 == ""
  ${EndIf}
  ${If} $9 == remove
  ${AndIf} $PathFound == 1
    StrCpy $0 $4
    Call ${UN}WritePathValue
  ${ElseIf} $9 == add
  ${AndIf} $PathFound != 1
    StrLen $1 $0
    StrLen $2 $PathFolder
    IntOp $1 $1 + $2
    IntOp $1 $1 + 1  ; the separator
    ${If} $1 >= ${NSIS_MAX_STRLEN}
      StrCpy $PathTooLong 1
      Goto done
    ${EndIf}
    StrCpy $1 $0 "" -1
    ${If} $0 == ""
    ${OrIf} $1 == ";"
      StrCpy $0 "$0$PathFolder"
    ${Else}
      StrCpy $0 "$0;$PathFolder"
    ${EndIf}
    Call ${UN}WritePathValue
  ${EndIf}
done:
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
  Pop $9
FunctionEnd
!macroend
