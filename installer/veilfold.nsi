; Veilfold installer, built by scripts/build-installers with makensis:
;   -DCLASS_ID={...}  -DVERSION=x.y  -DDLL32=<32-bit veilfold.dll>  -DEXE32=<32-bit veilfold.exe>
;   -DOUTFILE=<installer>, and for the installer for 64-bit Windows also -DWIN64
;   -DDLL64=<64-bit veilfold.dll> -DEXE64=<64-bit veilfold.exe>;
;   optionally -DHELP_URL=<address> for the Apps entry, -DSIGN=<command> that
;   signs the file named after it (the uninstaller, then the installer), and,
;   for test builds only, -DTEST_INPUTS.
;
; An administrator (or SYSTEM) installs for all users, anyone else for
; themselves; /ALLUSERS or /CURRENTUSER, or the install-mode page, choose
; otherwise. An existing installation is upgraded in place, in its own mode and
; folder, never beside one in the other mode. The command line, veilfold.exe,
; goes beside each module; the components page, or /PATH, puts the folder on
; the user's PATH (current user) or the machine's (all users), and an upgrade
; keeps it there. /S installs silently: no message
; box, and every outcome is an exit code (README, "Deploy silently"):
;   0     installed or removed
;   3010  done; a program still holds the previous module, which goes at the
;         next restart (all users) or sign-in (current user)
;   5     needs administrator rights
;   1603  a file or registry entry could not be written
;   1633  not for this Windows (ARM64, or the other installer's bitness)
;   1638  a newer version, or an all-users installation, is in the way
;   1639  a contradictory command line
; On 64-bit Windows both modules are installed, each registered in its own
; registry view, so 64-bit Explorer and 32-bit programs both get the menu.

Unicode true
!ifdef WIN64
  Target amd64-unicode
  !define MULTIUSER_USE_PROGRAMFILES64
  !define PROGRAMS "$PROGRAMFILES64"
!else
  Target x86-unicode
  !define PROGRAMS "$PROGRAMFILES"
!endif

!define PRODUCT "Veilfold"
!define PUBLISHER "The Veilfold developers"
!define HANDLER_NAME "Veilfold"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
; A file that cannot be written stops the installation, silent or not.
AllowSkipFiles off

!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
  !finalize '"${SIGN}" "%1"' = 0
!endif

!include "${__FILEDIR__}/registry.nsh"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
; The default mode and folder are those of an existing installation.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_NOUNINSTALL  ; the uninstaller takes its mode from where it was installed
!define MULTIUSER_MUI
!define MULTIUSER_PAGE_CUSTOMFUNCTION_LEAVE ModePageLeave
!define MUI_ICON "${__FILEDIR__}/../src/res/veilfold.ico"
!define MUI_UNICON "${__FILEDIR__}/../src/res/veilfold.ico"
!define MUI_DIRECTORYPAGE_TEXT_TOP "For all users, Veilfold goes into a folder under ${PROGRAMS}, which only administrators can change."
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include StrFunc.nsh
!include x64.nsh
!include Sections.nsh
${StrStr}

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!define MUI_PAGE_CUSTOMFUNCTION_PRE ComponentsPagePre
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PRODUCT} developers"

; Ends the run with an exit code for scripts, and a message unless silent.
; In .onInit it quits; in a section it stops the installation.
!macro Fail CODE TEXT
  SetErrorLevel ${CODE}
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  Abort
!macroend

!include "${__FILEDIR__}/files.nsh"
!insertmacro FilesFunctions ""
!insertmacro FilesFunctions "un."
!include "${__FILEDIR__}/path.nsh"
!insertmacro PathFunctions ""
!insertmacro PathFunctions "un."

Var DirSwitch  ; the folder given with /D=, if any
Var Arm64
Var Privileges ; UserInfo's account type

; What UserInfo and the processor say, unless a test build is told otherwise
; on the command line (/TESTACCOUNT=User, /TESTNATIVE=ARM64): Wine is always
; an administrator on x64, and the tests must see the other decisions too.
!macro ReadInputs UN
  UserInfo::GetAccountType
  Pop $Privileges
  StrCpy $Arm64 0
  ${If} ${IsNativeARM64}
    StrCpy $Arm64 1
  ${EndIf}
!ifdef TEST_INPUTS
  ${${UN}GetParameters} $R0
  ClearErrors
  ${${UN}GetOptions} $R0 "/TESTACCOUNT=" $R1
  ${IfNot} ${Errors}
    StrCpy $Privileges $R1
  ${EndIf}
  ClearErrors
  ${${UN}GetOptions} $R0 "/TESTNATIVE=" $R1
  ${If} $R1 == ARM64
    StrCpy $Arm64 1
  ${EndIf}
!endif
!macroend

!macro IsAdmin RESULT
  StrCpy ${RESULT} 0
  ${If} $Privileges == Admin
  ${OrIf} $Privileges == Power
    StrCpy ${RESULT} 1
  ${EndIf}
!macroend

; $R7 = 1 when $INSTDIR lies under Program Files, whose permissions keep
; other users from replacing a module that every user's Explorer loads.
Function CheckAllUsersFolder
  StrCpy $R7 0
  StrLen $R6 "${PROGRAMS}\"
  StrCpy $R5 $INSTDIR $R6
  ${StrStr} $R4 $INSTDIR "\.."
  ${If} $R5 == "${PROGRAMS}\"
  ${AndIf} $R4 == ""
    StrCpy $R7 1
  ${EndIf}
FunctionEnd

; What an existing installation allows: $R9 = 0 to go on, 1 when the user
; declined, otherwise the exit code with the reason in $R8.
Function CheckExisting
  StrCpy $R9 0
  ${ForEach} $R3 0 1 + 1
    ${If} $R3 == 0
      ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    ${Else}
      ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "DisplayVersion"
    ${EndIf}
    ${If} $R0 != ""
      ${VersionCompare} $R0 "${VERSION}" $R1
      ${If} $R1 == 1
        StrCpy $R9 1638
        StrCpy $R8 "Veilfold $R0 is installed, which is newer than this installer's ${VERSION}. To go back to ${VERSION}, uninstall Veilfold $R0 first."
        Return
      ${EndIf}
    ${EndIf}
  ${Next}
  ; A per-user registration would hide the machine's from its user.
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $MultiUser.InstallMode == CurrentUser
  ${AndIf} $R0 != ""
    !insertmacro IsAdmin $R2
    ${If} $R2 == 1
      StrCpy $R9 1638
      StrCpy $R8 "Veilfold is installed for all users of this computer, in $R0. Install for all users to upgrade it, or uninstall it first."
    ${Else}
      StrCpy $R9 5
      StrCpy $R8 "Veilfold is installed for all users of this computer. Run this installer as an administrator to upgrade it."
    ${EndIf}
  ${ElseIf} $MultiUser.InstallMode == AllUsers
  ${AndIf} $R1 != ""
    MessageBox MB_YESNO|MB_ICONQUESTION "Veilfold is installed for you alone, in $R1. Install it for all users instead? Your own installation is then removed." /SD IDYES IDYES +2
    StrCpy $R9 1
  ${EndIf}
FunctionEnd

Function ModePageLeave
  Call CheckExisting
  ${If} $R9 != 0
    ${If} $R9 != 1
      MessageBox MB_OK|MB_ICONSTOP $R8
    ${EndIf}
    Abort  ; back to the page
  ${EndIf}
FunctionEnd

Function .onVerifyInstDir
  ${If} $MultiUser.InstallMode == AllUsers
    Call CheckAllUsersFolder
    ${If} $R7 != 1
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $DirSwitch $INSTDIR
  !insertmacro ReadInputs ""
  ${If} $Arm64 == 1
    !insertmacro Fail 1633 "Veilfold has no module for ARM64 Windows. Explorer there cannot load the x64 or x86 module, so the menu would not appear."
  ${EndIf}
!ifdef WIN64
  ${IfNot} ${RunningX64}
    !insertmacro Fail 1633 "This installer is for 64-bit Windows; use the installer for 32-bit Windows."
  ${EndIf}
  SetRegView 64
!else
  ${If} ${RunningX64}
    !insertmacro Fail 1633 "This installer is for 32-bit Windows; use the installer for 64-bit Windows, which installs both modules."
  ${EndIf}
!endif
  ; The mode of an existing installation, else all users for an administrator.
  !insertmacro MULTIUSER_INIT
  !insertmacro IsAdmin $R2
  ${If} $R2 != 1
    Call MultiUser.InstallMode.CurrentUser
  ${EndIf}

  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    ClearErrors
    ${GetOptions} $R0 "/CURRENTUSER" $R1
    ${IfNot} ${Errors}
      !insertmacro Fail 1639 "Give /ALLUSERS or /CURRENTUSER, not both."
    ${EndIf}
    ${If} $R2 != 1
      !insertmacro Fail 5 "Installing for all users needs administrator rights. Run the installer as an administrator, or without /ALLUSERS to install for yourself alone."
    ${EndIf}
    Call MultiUser.InstallMode.AllUsers
  ${Else}
    ClearErrors
    ${GetOptions} $R0 "/CURRENTUSER" $R1
    ${IfNot} ${Errors}
      Call MultiUser.InstallMode.CurrentUser
    ${EndIf}
  ${EndIf}

  ${If} $MultiUser.InstallMode == AllUsers
    ${If} $DirSwitch != ""
      StrCpy $INSTDIR $DirSwitch
    ${EndIf}
    Call CheckAllUsersFolder
    ${If} $R7 != 1
      ${If} $DirSwitch != ""
        !insertmacro Fail 1639 "For all users, Veilfold must go into a folder under ${PROGRAMS}, not $INSTDIR."
      ${EndIf}
      ; Installed elsewhere by an earlier version: moved, and that folder emptied.
      StrCpy $INSTDIR "${PROGRAMS}\${PRODUCT}"
    ${EndIf}
  ${ElseIf} $DirSwitch != ""
    StrCpy $INSTDIR $DirSwitch
  ${EndIf}

  Call CheckExisting
  ${If} $R9 == 1
    Abort
  ${ElseIf} $R9 != 0
    !insertmacro Fail $R9 $R8
  ${EndIf}
  Call SelectPathComponent
FunctionEnd

; The user's own installation when installing for all users, and one of this
; mode in another folder, go: one installation, one entry in Apps.
Function RemovePrevious
  ${If} $MultiUser.InstallMode == AllUsers
    ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R0 != ""
      SetShellVarContext current
      StrCpy $Cleanup signout
      !insertmacro UnregisterModules
      Push $R0
      Call RemoveFiles
      StrCpy $PathScope current
      Call RemoveFromPath
      SetShellVarContext all
      StrCpy $Cleanup restart
    ${EndIf}
  ${EndIf}
  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} $R0 != $INSTDIR
    Push $R0
    Call RemoveFiles
    Call PathScopeOfMode
    Call RemoveFromPath
  ${EndIf}
FunctionEnd

; The PATH that goes with the installation mode.
Function PathScopeOfMode
  ${If} $MultiUser.InstallMode == AllUsers
    StrCpy $PathScope all
  ${Else}
    StrCpy $PathScope current
  ${EndIf}
FunctionEnd

; Takes the folder $R0 off the PATH of $PathScope.
Function RemoveFromPath
  StrCpy $PathFolder $R0
  Push remove
  Call EditPath
FunctionEnd

; The exit code, and a word to the user, when something held is left behind.
!macro ReportPending
  ${If} ${RebootFlag}
  ${OrIf} $SignOutPending == 1
    SetErrorLevel 3010
  ${Else}
    SetErrorLevel 0
  ${EndIf}
!macroend

!macro AskToFinish WHAT
  ${If} ${RebootFlag}
    MessageBox MB_YESNO|MB_ICONQUESTION "${WHAT} Programs that still hold the previous module, Explorer among them, keep it until Windows restarts. Restart now?" /SD IDNO IDNO +2
    Reboot
  ${ElseIf} $SignOutPending == 1
    MessageBox MB_OK|MB_ICONINFORMATION "${WHAT} Programs that still hold the previous module, Explorer among them, keep it until you sign out; sign out and in again to finish." /SD IDOK
  ${EndIf}
!macroend

Section "${PRODUCT}" SecProduct
  SectionIn RO
  SetErrorLevel 1603  ; what any failure below reports
  ${If} $MultiUser.InstallMode == AllUsers
    StrCpy $Cleanup restart
  ${Else}
    StrCpy $Cleanup signout
  ${EndIf}
  Call RemovePrevious

  ClearErrors
  CreateDirectory "$INSTDIR"
  ${If} ${Errors}
    !insertmacro Fail 1603 "Could not create $INSTDIR."
  ${EndIf}
  Push $INSTDIR
  Call ClearModules
!ifdef WIN64
  SetOutPath "$INSTDIR"
  !insertmacro InstallModule "${DLL64}" veilfold.dll
  !insertmacro InstallModule "${EXE64}" veilfold.exe
  SetOutPath "$INSTDIR\x86"
  !insertmacro InstallModule "${DLL32}" veilfold.dll
  !insertmacro InstallModule "${EXE32}" veilfold.exe
!else
  SetOutPath "$INSTDIR"
  !insertmacro InstallModule "${DLL32}" veilfold.dll
  !insertmacro InstallModule "${EXE32}" veilfold.exe
!endif
  SetOutPath "$INSTDIR"

  ClearErrors
  !insertmacro RegisterModules "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  !insertmacro WriteAppsEntry
  ${If} ${Errors}
    !insertmacro Fail 1603 "Could not write the uninstaller or the registry entries."
  ${EndIf}
  !insertmacro WriteEstimatedSize
  !insertmacro NotifyShell
  !insertmacro ReportPending
SectionEnd

; A choice only: the section after it does the work, chosen or not.
Section /o "Command line on PATH (veilfold from any folder)" SecPath
SectionEnd

; The folder goes on PATH when chosen, and comes off when not (an upgrade
; where the user unticked it). A PATH too long to change is not an error;
; one too long to read cannot tell whether the folder is on it, so only a
; folder to add is worth a word.
Section "-Path"
  Call PathScopeOfMode
  StrCpy $PathFolder $INSTDIR
  ${If} ${SectionIsSelected} ${SecPath}
    Push add
    Call EditPath
    ${If} $PathTooLong == 1
      MessageBox MB_OK|MB_ICONEXCLAMATION "Your PATH is too long for this installer to change safely, so it is left as it was. Add $INSTDIR to it yourself to run veilfold from any folder." /SD IDOK
    ${EndIf}
  ${Else}
    Push remove
    Call EditPath
  ${EndIf}
SectionEnd

; Chooses the PATH component when /PATH asks for it, or when the folder is
; on PATH already: this installation's, that of the one it upgrades or moves,
; or that of the user's own installation that one for all users takes over.
Function SelectPathComponent
  Call PathScopeOfMode
  StrCpy $PathFolder $INSTDIR
  Push find
  Call EditPath
  StrCpy $R5 $PathFound
  ReadRegStr $PathFolder SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $PathFolder != ""
    Push find
    Call EditPath
    IntOp $R5 $R5 | $PathFound
  ${EndIf}
  ${If} $MultiUser.InstallMode == AllUsers
    ReadRegStr $PathFolder HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $PathFolder != ""
      StrCpy $PathScope current
      Push find
      Call EditPath
      IntOp $R5 $R5 | $PathFound
    ${EndIf}
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PATH" $R1
  ${IfNot} ${Errors}
    StrCpy $R5 1
  ${EndIf}
  ${If} $R5 == 1
    !insertmacro SelectSection ${SecPath}
  ${EndIf}
FunctionEnd

; The mode may have changed on the page before.
Function ComponentsPagePre
  Call SelectPathComponent
FunctionEnd

Function .onInstSuccess
  !insertmacro AskToFinish "Veilfold ${VERSION} is installed."
FunctionEnd

Function un.onInit
  !insertmacro ReadInputs "un."
!ifdef WIN64
  SetRegView 64
!endif
  ; Installed for all users exactly when the machine-wide entry names this folder.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext all
    StrCpy $Cleanup restart
    ${If} $Privileges != Admin
      !insertmacro Fail 5 "Veilfold is installed for all users of this computer; removing it needs administrator rights. Run the uninstaller as an administrator."
    ${EndIf}
  ${Else}
    SetShellVarContext current
    StrCpy $Cleanup signout
  ${EndIf}
FunctionEnd

; The user's settings (Software\Veilfold\Configuration) stay, so that files
; encrypted before can be decrypted after a reinstall.
Section "Uninstall"
  SetErrorLevel 1603
  !insertmacro UnregisterModules
  DeleteRegKey HKCU "${RETAINED_KEY}"
  StrCpy $PathScope current
  ${If} $Cleanup == restart  ; all users
    StrCpy $PathScope all
  ${EndIf}
  StrCpy $PathFolder $INSTDIR
  Push remove
  Call un.EditPath  ; a PATH too long to edit keeps what it has
  Push $INSTDIR
  Call un.RemoveFiles
  !insertmacro NotifyShell
  !insertmacro ReportPending
SectionEnd

Function un.onUninstSuccess
  !insertmacro AskToFinish "Veilfold is removed."
FunctionEnd
