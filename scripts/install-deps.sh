#!/usr/bin/env bash
# Installs, with apt-get, every package the build, the tests, the demo and the
# installers need. Idempotent: it asks apt only for what is missing, so a
# second run costs a few dpkg queries.
set -euo pipefail

PACKAGES=(
  cmake make g++ pkg-config
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  googletest libgtest-dev libbenchmark-dev libssl-dev libcli11-dev
  wine wine64 fonts-wine xvfb xauth x11-utils xdotool imagemagick
  python3 python3-pefile python3-cryptography
  nsis osslsigncode openssl clang-format
)

missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

need=$(missing "${PACKAGES[@]}")
if [ -n "$need" ]; then
  echo "install-deps: installing:" $need
  $SUDO apt-get update -qq || echo "install-deps: apt-get update reported errors; trying the install anyway"
  # shellcheck disable=SC2086
  $SUDO apt-get install -y -qq --no-install-recommends $need </dev/null
fi

# 32-bit Wine runs the 32-bit DLL for real. Debian cannot always install it
# next to the 64-bit one, and some kernels run no 32-bit programs even where it
# installs; the build and the static checks go on without it and the test run
# says so (scripts/wine32-status tells which).
state_dir="${XDG_CACHE_HOME:-$HOME/.cache}/veilfold"
mkdir -p "$state_dir"
# A refusal is remembered for a day, so that every `make test` does not pay for it.
recently_refused=$(find "$state_dir/wine32-refused" -mtime -1 2>/dev/null || true)
if [ -n "$(missing wine32:i386)" ] && [ -z "$recently_refused" ]; then
  echo "install-deps: trying 32-bit Wine (wine32:i386)"
  if { $SUDO dpkg --add-architecture i386 &&
       $SUDO apt-get update -qq &&
       $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 </dev/null; } \
       >"$state_dir/wine32.log" 2>&1; then
    echo "install-deps: 32-bit Wine installed; can it run here? $("$(dirname "$0")/wine32-status")"
  else
    echo "install-deps: apt could not install wine32:i386; 32-bit runtime tests will be skipped (see $state_dir/wine32.log)"
    tail -n 3 "$state_dir/wine32.log" > "$state_dir/wine32-refused" || true
    # Leave apt as it was, so later updates do not fetch i386 indexes for nothing.
    [ -z "$(dpkg-query -W -f='${Package}\n' '*:i386' 2>/dev/null)" ] && $SUDO dpkg --remove-architecture i386 || true
  fi
fi
exit 0
