#!/usr/bin/env bash
# installer-test.sh ROOT BUILD win64|win32
# The installer for the test prefix's Windows (x64 for win64, x86 for win32),
# installed and removed silently, first for all users (/ALLUSERS), then for the
# current user; the tree's installer_checks.exe checks the machine after each
# step. The installers are built into BUILD/installer-test.
set -euo pipefail
root=$1; build=$2
export WINEPREFIX=$build/wineprefix VF_WINEARCH=$3
work=$build/installer-test
bin=$build/bin

step() { echo "== $*"; }
# shellcheck source=install-steps.sh
source "$root/tests/shell/installer/install-steps.sh"
checks() { wine_run "$bin/installer_checks.exe" --gtest_color=no --gtest_filter="$1"; }

remove_leftovers() {
  remove_installations
  wine_reg delete 'HKCU\Software\Veilfold\InstallerTest' /f >/dev/null 2>&1 || true
}

step "building the installers"
installer=$(build_installers "$work")

remove_leftovers
trap remove_leftovers EXIT
step "planting the user's settings, which no step may touch"
wine_reg add 'HKCU\Software\Veilfold\InstallerTest' /v Kept /d yes /f >/dev/null

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
