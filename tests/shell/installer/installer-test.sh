#!/usr/bin/env bash
# installer-test.sh ROOT BUILD win64|win32
# The installer for the test prefix's Windows (x64 for win64, x86 for win32),
# installed and removed silently, first for all users (/ALLUSERS), then for the
# current user, with and without the command line on PATH (/PATH); the tree's
# installer_checks.exe checks the machine after each step. The installers are
# built into BUILD/installer-test. (Wine runs every program as an
# administrator, who gets an all-users install by default.)
set -euo pipefail
root=$1; build=$2
export WINEPREFIX=$build/wineprefix VF_WINEARCH=$3
work=$build/installer-test
bin=$build/bin

step() { echo "== $*"; }
# shellcheck source=install-steps.sh
source "$root/tests/shell/installer/install-steps.sh"
checks() { wine_run "$bin/installer_checks.exe" --gtest_color=no --gtest_filter="$1"; }
fail() { echo "FAILED: $*"; exit 1; }

# The user's PATH, which the test prefix does not have until a step plants one.
user_path() { wine_reg query 'HKCU\Environment' /v Path 2>/dev/null | tr -d '\r' | sed -n 's/.*Path[[:space:]]*REG_[A-Z_]*[[:space:]]*//p'; }
plant_user_path() { wine_reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$1" /f >/dev/null; }
# Entries of its own, which no step may change, and one too long for the installer to edit.
own_path='C:\Tools;%USERPROFILE%\bin'
long_path="$own_path;C:\\$(printf 'x%.0s' {1..1100})"

remove_leftovers() {
  remove_installations
  delete_user_settings
  wine_reg delete 'HKCU\Environment' /v Path /f >/dev/null 2>&1 || true
}

step "building the installers"
installer=$(build_installers "$work")

remove_leftovers
trap remove_leftovers EXIT
step "planting the user's settings, which no step may touch, and a retained key"
plant_user_settings

plant_user_path "$own_path"

step "install for all users, on the machine's PATH: /S /ALLUSERS /PATH"
wine_run "$installer" /S /ALLUSERS /PATH; wait_prefix
checks 'AllUsersInstall.*:PathEntry.OnTheMachinesPathForAllUsers'
step "uninstall"
uninstall HKLM
checks 'Uninstalled.*'

step "install for the current user: /S /CURRENTUSER"
wine_run "$installer" /S /CURRENTUSER; wait_prefix
checks 'CurrentUserInstall.*:PathEntry.None'
step "the same again, on the user's PATH: /S /CURRENTUSER /PATH"
wine_run "$installer" /S /CURRENTUSER /PATH; wait_prefix
checks 'CurrentUserInstall.*:PathEntry.OnTheUsersPathForTheCurrentUser'
plant_user_settings
step "uninstall"
uninstall HKCU
checks 'Uninstalled.*'
[ "$(user_path)" = "$own_path" ] || fail "the user's PATH is $(user_path), not $own_path"

step "a PATH too long for the installer to edit is left exactly as it was"
plant_user_path "$long_path"
wine_run "$installer" /S /CURRENTUSER /PATH; wait_prefix
checks 'CurrentUserInstall.*'
[ "$(user_path)" = "$long_path" ] || fail "the installer changed a PATH too long for it"
uninstall HKCU
checks 'Uninstalled.*'
[ "$(user_path)" = "$long_path" ] || fail "the uninstaller changed a PATH too long for it"
