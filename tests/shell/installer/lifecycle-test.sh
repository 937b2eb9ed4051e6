#!/usr/bin/env bash
# lifecycle-test.sh ROOT BUILD win64|win32
# The installer's life cycle in the test prefix, with real installers of two
# versions (the newer one carrying a module with a time stamp of its own):
# an upgrade while a program holds the old module, a downgrade refused, the
# silent failures and their exit codes, an uninstall while the module is held,
# and a per-user installation taken over by an all-users one.
#
# Wine cannot be a standard user or ARM64 Windows: the installers are built
# with test inputs (/TESTACCOUNT=, /TESTNATIVE=) that stand for them. Nor does
# it restart or sign in: `wineboot -r` does what a restart does with the
# pending file operations, and the user's RunOnce command is run as a sign-in
# would run it.
set -euo pipefail
root=$1; build=$2
export WINEPREFIX=$build/wineprefix VF_WINEARCH=$3
work=$build/installer-lifecycle
bin=$build/bin
# shellcheck source=install-steps.sh
source "$root/tests/shell/installer/install-steps.sh"

step() { echo "== $(date +%T) $*"; }
fail() { echo "FAILED: $*"; exit 1; }
checks() { wine_run "$bin/installer_checks.exe" --gtest_color=no --gtest_filter="$1"; }
win_path() { local path=$1; echo "Z:${path//\//\\}"; }
unix_path() { wine_run winepath -u "$1" | tr -d '\r'; }

# expect_exit CODE PROGRAM ARGS...: the program's whole exit code is CODE.
expect_exit() {
  local want=$1 program=$2 got; shift 2
  [[ $program != /* ]] || program=$(win_path "$program")
  # The probe waits for the program alone: a holder may be running beside it.
  got=$(wine_run "$bin/installer_probe.exe" run "$program" "$@" | tr -d '\r' | sed -n 's/^exit code //p')
  [ "$got" = "$want" ] || fail "${program##*\\} $* exited with ${got:-nothing}, not $want"
  echo "   ${program##*\\} $* -> $got"
}

entry() {  # entry HKLM|HKCU VALUE: a value of that hive's Apps entry, or nothing
  wine_reg query "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veilfold" /v "$2" 2>/dev/null \
    | tr -d '\r' | sed -n "s/.*$2[[:space:]]*REG_[A-Z_]*[[:space:]]*//p"
}

stamp() {  # the PE time stamp of a module, as the probe prints it
  /usr/bin/python3 -c 'import struct,sys; b=open(sys.argv[1],"rb").read(); pe=struct.unpack_from("<I",b,0x3C)[0]; print("%08x" % struct.unpack_from("<I",b,pe+8)[0])' "$1"
}

# A program that holds the installed module, as Explorer would: through COM
# (the machine's classes), or loaded from the given path.
start_holder() {
  rm -f "$work/ready" "$work/release"
  wine_run "$bin/installer_probe.exe" hold "$(win_path "$work/ready")" "$(win_path "$work/release")" "$@" \
    >"$work/holder.log" 2>&1 &
  holder=$!
  while [ ! -e "$work/ready" ]; do
    kill -0 "$holder" 2>/dev/null || fail "the holder ended early: $(cat "$work/holder.log")"
    sleep 0.2
  done
  echo "   $(grep '^held' "$work/holder.log" | tr -d '\r')"
}
release_holder() {
  touch "$work/release"
  wait "$holder" || fail "the holder failed: $(cat "$work/holder.log")"
  tr -d '\r' <"$work/holder.log" | sed -n 's/^reloaded/   reloaded/p'
}
holder_line() { tr -d '\r' <"$work/holder.log" | grep "^$1:"; }

# The module was held when the installer ran: it cannot be deleted, so it
# was moved aside and 3010 says a restart (or sign-in) finishes the job.
leftovers() { find "$1" -name '*.old' 2>/dev/null; }

remove_leftovers() {
  [ -z "${holder:-}" ] || { touch "$work/release"; wait "$holder" 2>/dev/null || true; }
  remove_installations
  wine_reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v Veilfold /f >/dev/null 2>&1 || true
  delete_user_settings
  # What a failed run left held and moved aside.
  rm -rf "$WINEPREFIX/drive_c/Program Files/Veilfold" "$WINEPREFIX"/drive_c/users/*/AppData/Local/Programs/Veilfold
}

step "building the installers of two versions"
mkdir -p "$work"
. "$build/installer.env"
old=$VF_VERSION new=${VF_VERSION%.*}.$((${VF_VERSION#*.} + 1))
old_installer=$(build_installers "$work/old" --test-inputs)
# The newer module differs from the older by its time stamp alone; the
# program goes beside it, where build-installers takes it from.
cp "$bin/veilfold.dll" "$work/new-veilfold.dll"
cp "$bin/veilfold.exe" "$work/veilfold.exe"
/usr/bin/python3 -c 'import struct,sys; b=bytearray(open(sys.argv[1],"rb").read()); pe=struct.unpack_from("<I",b,0x3C)[0]; struct.pack_into("<I",b,pe+8,struct.unpack_from("<I",b,pe+8)[0]^1); open(sys.argv[1],"wb").write(b)' "$work/new-veilfold.dll"
rm -rf "$work/new"
"$root/scripts/build-installers" --help-url https://help.invalid/veilfold --test-inputs --version "$new" \
  "$root/build/win32/bin/veilfold.dll" "$work/new-veilfold.dll" "$work/new" >/dev/null
new_installer=$(ls "$work"/new/veilfold-*-setup-x64.exe)
[ "$VF_WINEARCH" = win64 ] || new_installer=$(ls "$work"/new/veilfold-*-setup-x86.exe)
old_stamp=$(stamp "$bin/veilfold.dll") new_stamp=$(stamp "$work/new-veilfold.dll")
echo "   $old: stamp $old_stamp; $new: stamp $new_stamp"

step "the installers carry the module's icon"
/usr/bin/python3 - "$root/src/res/veilfold.ico" "$old_installer" <<'PY'
import struct, sys, pefile
ico = open(sys.argv[1], "rb").read()
count = struct.unpack_from("<H", ico, 4)[0]
images = [ico[o:o + n] for n, o in (struct.unpack_from("<II", ico, 6 + 16 * i + 8) for i in range(count))]
pe = pefile.PE(sys.argv[2])
icons = [e for e in pe.DIRECTORY_ENTRY_RESOURCE.entries if e.id == pefile.RESOURCE_TYPE["RT_ICON"]][0]
stored = {pe.get_data(l.data.struct.OffsetToData, l.data.struct.Size) for e in icons.directory.entries
          for l in e.directory.entries}
missing = [i for i, image in enumerate(images) if image not in stored]
sys.exit("images %s of veilfold.ico are not in the installer" % missing if missing else 0)
PY

remove_leftovers
trap remove_leftovers EXIT
programs=$(unix_path 'C:\Program Files\Veilfold')

step "upgrade for all users while a program holds the module; the command line stays on PATH"
plant_user_settings
expect_exit 0 "$old_installer" /S /ALLUSERS /PATH
start_holder
[ "$(holder_line held)" = "held: C:\\Program Files\\Veilfold\\veilfold.dll stamp $old_stamp" ] || fail "held the wrong module"
if [ "$(leftovers "$programs")" ]; then fail "leftovers before the upgrade"; fi
expect_exit 3010 "$new_installer" /S  # an administrator's default: the installation's own mode
[ -n "$(leftovers "$programs")" ] || fail "the held module was not moved aside"
[ "$(entry HKLM DisplayVersion)" = "$new" ] || fail "Apps shows $(entry HKLM DisplayVersion), not $new"
checks 'AllUsersInstall.*:PathEntry.OnTheMachinesPathForAllUsers'
release_holder
[ "$(holder_line reloaded)" = "reloaded: C:\\Program Files\\Veilfold\\veilfold.dll stamp $new_stamp" ] \
  || fail "the reloaded module is not the new one"
wine_run wineboot -r
[ -z "$(leftovers "$programs")" ] || fail "the restart left $(leftovers "$programs")"

step "a downgrade is refused and changes nothing"
expect_exit 1638 "$old_installer" /S /ALLUSERS
[ "$(entry HKLM DisplayVersion)" = "$new" ] || fail "the downgrade changed the Apps entry"
cmp -s "$programs/veilfold.dll" "$work/new-veilfold.dll" || fail "the downgrade replaced the module"

step "silent failures: an exit code each, no message box, nothing changed"
# One installer (the newer) over the all-users installation; each line: code, switches.
while read -r code switches; do
  # shellcheck disable=SC2086
  expect_exit "$code" "$new_installer" /S $switches
  [ -z "$(entry HKCU DisplayName)" ] || fail "$switches left a per-user entry"
done <<'CASES'
5    /TESTACCOUNT=User
5    /TESTACCOUNT=User /ALLUSERS
1638 /CURRENTUSER
1639 /ALLUSERS /CURRENTUSER
1639 /ALLUSERS /D=C:\Veilfold
1633 /TESTNATIVE=ARM64
0    /TESTACCOUNT=Admin
CASES
expect_exit 5 "$programs/uninstall.exe" /S /TESTACCOUNT=User "_?=C:\\Program Files\\Veilfold"
[ "$(entry HKLM DisplayVersion)" = "$new" ] || fail "a standard user's uninstall removed the all-users installation"

step "uninstall for all users while a program holds the module"
start_holder
expect_exit 3010 "$programs/uninstall.exe" /S "_?=C:\\Program Files\\Veilfold"
release_holder
[ "$(holder_line reloaded)" = "reloaded: no extension (0x80040154)" ] || fail "the class is still registered"
rm "$programs/uninstall.exe"  # what a script that waited with _?= does, as the README says
wine_run wineboot -r
checks 'Uninstalled.*'

step "a per-user installation, taken over by one for all users, its PATH entry with it"
expect_exit 0 "$new_installer" /S /CURRENTUSER /PATH
checks 'CurrentUserInstall.*:PathEntry.OnTheUsersPathForTheCurrentUser'
own=$(entry HKCU InstallLocation)
own_unix=$(unix_path "$own")
start_holder "$own\\veilfold.dll"  # Wine's COM reads no per-user classes: loaded by path
expect_exit 3010 "$new_installer" /S /ALLUSERS
checks 'AllUsersInstall.*:PathEntry.OnTheMachinesPathForAllUsers'
release_holder
command=$(wine_reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v Veilfold | tr -d '\r' \
  | sed -n 's/.*Veilfold[[:space:]]*REG_SZ[[:space:]]*//p')
[ -n "$command" ] || fail "no RunOnce entry removes the per-user leftovers"
[ -n "$(leftovers "$own_unix")" ] || fail "the held per-user module was not moved aside"
# The sign-in: the entry's command, run as Explorer runs RunOnce entries.
program=${command%%\" *}
expect_exit 0 "${program#\"}" "${command#*\" }"
[ ! -e "$own_unix" ] || fail "the sign-in left $(ls -A "$own_unix")"

step "uninstall"
uninstall HKLM
checks 'Uninstalled.*'
