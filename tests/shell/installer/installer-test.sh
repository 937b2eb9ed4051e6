#!/usr/bin/env bash
# installer-test.sh ROOT BUILD win64|win32
# The installer for the test prefix's Windows (x64 for win64, x86 for win32),
# installed and removed silently, first for all users (/ALLUSERS), then for the
# current user; the tree's installer_checks.exe checks the machine after each
# step. The installers are built into BUILD/installer-test. (Wine runs every
# program as an administrator, who gets an all-users install by default.)
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
  delete_user_settings
}

step "building the installers"
installer=$(build_installers "$work")

remove_leftovers
trap remove_leftovers EXIT
step "planting the user's settings, which no step may touch, and a retained key"
plant_user_settings

step "install for all users: /S /ALLUSERS"
wine_run "$installer" /S /ALLUSERS; wait_prefix
checks 'AllUsersInstall.*'
step "uninstall"
uninstall HKLM
checks 'Uninstalled.*'

step "install for the current user: /S /CURRENTUSER"
wine_run "$installer" /S /CURRENTUSER; wait_prefix
checks 'CurrentUserInstall.*'
plant_user_settings
step "uninstall"
uninstall HKCU
checks 'Uninstalled.*'
