# install-steps.sh: sourced by the scripts that install Veilfold into a Wine
# prefix with the real installer (the installer test, the end-to-end tests'
# fixtures, make demo). Needs $root (the source tree), WINEPREFIX and
# VF_WINEARCH: win64 (64-bit Windows, the x64 installer) or win32 (32-bit
# Windows, the x86 installer).

wine_run() { "$root/scripts/wine-run" "$VF_WINEARCH" "$WINEPREFIX" "$@"; }
# The prefix's own registry view: the one its installer writes the uninstall entry to.
case $VF_WINEARCH in
win64) reg_view=/reg:64 ;;
win32) reg_view=/reg:32 ;;
*) echo "install-steps: VF_WINEARCH must be win64 or win32, not '$VF_WINEARCH'" >&2; return 2 ;;
esac
wine_reg() { wine_run reg "$@" "$reg_view"; }
# The uninstaller hands over to a copy of itself and returns at once: wait
# for every program of the prefix to end.
wait_prefix() { wineserver -w; }

# build_installers OUT [OPTIONS...]: both installers into OUT, from both
# modules and programs (each built in its own tree first, one build at a time), with the
# help address that installer_checks expects and the build-installers OPTIONS;
# prints the installer for this prefix's Windows.
build_installers() {
  local preset out=$1
  shift
  for preset in win32 win64; do
    (cd "$root" && { [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null; } \
      && flock "build/.modules.lock" cmake --build "build/$preset" -j2 --target veilfold veilfold_cli >/dev/null) \
      || return 1
  done
  rm -rf "$out"
  "$root/scripts/build-installers" --help-url https://help.invalid/veilfold "$@" \
    "$root/build/win32/bin/veilfold.dll" "$root/build/win64/bin/veilfold.dll" "$out" >/dev/null
  case $VF_WINEARCH in
  win64) ls "$out"/veilfold-*-setup-x64.exe ;;
  win32) ls "$out"/veilfold-*-setup-x86.exe ;;
  esac
}

uninstaller_of() {  # the folder of the installation recorded under HKLM or HKCU
  wine_reg query "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veilfold" /v InstallLocation 2>/dev/null \
    | tr -d '\r' | sed -n 's/.*InstallLocation[[:space:]]*REG_SZ[[:space:]]*//p'
}

uninstall() {  # uninstall HKLM|HKCU: runs that installation's uninstaller silently
  local folder; folder=$(uninstaller_of "$1")
  [ -n "$folder" ] || { echo "no uninstall entry under $1 ($reg_view)"; return 1; }
  wine_run "$folder\\uninstall.exe" /S
  wait_prefix
}

# An earlier run that stopped half-way may have left an installation behind.
remove_installations() {
  local hive
  for hive in HKLM HKCU; do
    [ -z "$(uninstaller_of "$hive")" ] || uninstall "$hive"
  done
}

# The user's settings, which the uninstaller keeps, and the retained key, which it deletes.
plant_user_settings() {
  wine_reg add 'HKCU\Software\Veilfold\InstallerTest' /v Kept /d yes /f >/dev/null
  wine_reg add 'HKCU\Software\Veilfold\Temp' /v Key /d planted /f >/dev/null
}
delete_user_settings() { wine_reg delete 'HKCU\Software\Veilfold' /f >/dev/null 2>&1 || true; }
