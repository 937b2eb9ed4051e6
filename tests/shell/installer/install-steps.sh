# install-steps.sh: sourced by the scripts that install Veilfold into a Wine
# prefix with the real installer (the installer test, the end-to-end tests'
# fixtures, make demo). Needs $root (the source tree) and WINEPREFIX.

wine_run() { "$root/scripts/wine-run" "$WINEPREFIX" "$@"; }
# The uninstaller hands over to a copy of itself and returns at once: wait
# for every program of the prefix to end.
wait_prefix() { wineserver -w; }

# build_installers DLL64 OUT: both installers into OUT, the 32-bit module
# built from $root/build/win32 when needed; prints the 64-bit installer.
build_installers() {
  (cd "$root" && { [ -f build/win32/CMakeCache.txt ] || cmake --preset win32 >/dev/null; } \
    && cmake --build build/win32 -j2 --target veilfold >/dev/null)
  rm -rf "$2"
  "$root/scripts/build-installers" "$root/build/win32/bin/veilfold.dll" "$1" "$2" >/dev/null
  ls "$2"/veilfold-*-setup-x64.exe
}

uninstaller_of() {  # the folder of the installation recorded under HKLM or HKCU
  wine_run reg query "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veilfold" /v InstallLocation 2>/dev/null \
    | tr -d '\r' | sed -n 's/.*InstallLocation[[:space:]]*REG_SZ[[:space:]]*//p'
}

uninstall() {  # uninstall HKLM|HKCU: runs that installation's uninstaller silently
  local folder; folder=$(uninstaller_of "$1")
  [ -n "$folder" ] || { echo "no uninstall entry under $1"; return 1; }
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

delete_user_settings() { wine_run reg delete 'HKCU\Software\Veilfold' /f >/dev/null 2>&1 || true; }
