#!/usr/bin/env bash
# installer-test.sh ROOT BUILD
# The installer for 64-bit Windows in the test prefix, installed and removed
# silently, first for all users (/ALLUSERS), then for the current user;
# installer_checks.exe checks the machine after each step. The installers are
# built into BUILD/installer-test (the 32-bit module from ROOT/build/win32).
set -euo pipefail
root=$1; build=$2
export WINEPREFIX=$build/wineprefix
work=$build/installer-test
bin=$build/bin

step() { echo "== $*"; }
wine_run() { "$root/scripts/wine-run" "$WINEPREFIX" "$@"; }
# The uninstaller hands over to a copy of itself and returns at once: wait
# for every program of the prefix to end.
wait_prefix() { wineserver -w; }
checks() { wine_run "$bin/installer_checks.exe" --gtest_color=no --gtest_filter="$1"; }
uninstaller_of() {  # the quiet uninstall command recorded under HKLM or HKCU
  wine_run reg query "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veilfold" /v InstallLocation 2>/dev/null \
    | tr -d '\r' | sed -n 's/.*InstallLocation[[:space:]]*REG_SZ[[:space:]]*//p'
}
uninstall() {
  local folder; folder=$(uninstaller_of "$1")
  [ -n "$folder" ] || { echo "no uninstall entry under $1"; exit 1; }
  wine_run "$folder\\uninstall.exe" /S
  wait_prefix
}

# An earlier run that stopped half-way may have left an installation behind.
remove_leftovers() {
  for hive in HKLM HKCU; do
    [ -z "$(uninstaller_of "$hive")" ] || uninstall "$hive"
  done
  wine_run reg delete 'HKCU\Software\Veilfold\InstallerTest' /f >/dev/null 2>&1 || true
}

step "building the installers"
(cd "$root" && { [ -f build/win32/CMakeCache.txt ] || cmake --preset win32 >/dev/null; } \
  && cmake --build build/win32 -j2 --target veilfold >/dev/null)
rm -rf "$work"
"$root/scripts/build-installers" "$root/build/win32/bin/veilfold.dll" "$bin/veilfold.dll" "$work" >/dev/null
installer=$(ls "$work"/veilfold-*-setup-x64.exe)

remove_leftovers
trap remove_leftovers EXIT
step "planting the user's settings, which no step may touch"
wine_run reg add 'HKCU\Software\Veilfold\InstallerTest' /v Kept /d yes /f >/dev/null

step "install for all users: /S /ALLUSERS"
wine_run "$installer" /S /ALLUSERS; wait_prefix
checks 'AllUsersInstall.*'
step "uninstall"
uninstall HKLM
checks 'Uninstalled.*'

step "install for the current user: /S"
wine_run "$installer" /S; wait_prefix
checks 'CurrentUserInstall.*'
step "uninstall"
uninstall HKCU
checks 'Uninstalled.*'
