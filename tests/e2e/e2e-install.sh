#!/usr/bin/env bash
# e2e-install.sh install|uninstall ROOT BUILD win64|win32
# The end-to-end tests' fixture in the test prefix BUILD/wineprefix, with the
# installer for that prefix's Windows (x64 for win64, x86 for win32):
#   install    builds the installers and installs for all users, silently
#              (/S /ALLUSERS): Wine's COM finds classes only in the machine's
#              registry, not in the user's own classes;
#   uninstall  removes it silently and checks that nothing of ours is left but
#              the user's settings (HKCU\Software\Veilfold), which it then deletes:
#              in the test prefix they belong to the tests.
set -euo pipefail
action=$1; root=$2; build=$3
export WINEPREFIX=$build/wineprefix VF_WINEARCH=$4
bin=$build/bin
# shellcheck source=../shell/installer/install-steps.sh
source "$root/tests/shell/installer/install-steps.sh"
checks() { wine_run "$bin/installer_checks.exe" --gtest_color=no --gtest_filter="$1"; }

case $action in
install)
  installer=$(build_installers "$build/e2e-installers")
  remove_installations
  delete_user_settings
  echo "== $(basename "$installer") /S /ALLUSERS"
  wine_run "$installer" /S /ALLUSERS
  wait_prefix
  checks 'AllUsersInstall.*'
  ;;
uninstall)
  plant_user_settings
  echo "== uninstall"
  uninstall HKLM
  checks 'Uninstalled.*'
  delete_user_settings
  ;;
*)
  echo "usage: e2e-install.sh install|uninstall ROOT BUILD win64|win32" >&2
  exit 2
  ;;
esac
