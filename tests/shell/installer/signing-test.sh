#!/usr/bin/env bash
# signing-test.sh ROOT BUILD win64|win32
# The installers built as `make dist` builds them with a certificate: a
# throwaway self-signed code-signing certificate, made here, in a PKCS#12
# file. Every signature must verify against that certificate: both modules,
# both veilfold.exe, both installers, and the uninstaller, which exists only
# once the installer for the prefix's Windows has written it (checked in the
# test prefix).
set -euo pipefail
root=$1; build=$2
export WINEPREFIX=$build/wineprefix VF_WINEARCH=$3
work=$build/installer-signing
# shellcheck source=install-steps.sh
source "$root/tests/shell/installer/install-steps.sh"

step() { echo "== $*"; }
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >/dev/null && echo "   verified $(basename "$1")"; }

rm -rf "$work"
mkdir -p "$work"
step "a throwaway code-signing certificate"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Veilfold test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:test -out "$work/cert.p12"
echo test >"$work/password"

step "signed installers"
installer=$(VF_SIGN_PKCS12=$work/cert.p12 VF_SIGN_PASSWORD_FILE=$work/password VF_SIGN_TIMESTAMP_URL=none \
  VF_SIGN_CAFILE=$work/cert.pem build_installers "$work/dist")
for file in "$work"/dist/manual/x64/veilfold.{dll,exe} "$work"/dist/manual/x86/veilfold.{dll,exe} "$work"/dist/*.exe; do
  verify "$file"
done
# The modules inside the installers are the signed ones.
cmp -s "$work/dist/manual/x64/veilfold.dll" "$root/build/win64/bin/veilfold.dll" \
  && { echo "FAILED: the x64 module is unsigned"; exit 1; }

step "the uninstaller, as the installer writes it"
remove_installations
trap remove_installations EXIT
wine_run "$installer" /S /CURRENTUSER
wait_prefix
folder=$(wine_run winepath -u "$(uninstaller_of HKCU)" | tr -d '\r')
verify "$folder/uninstall.exe"
module=$work/dist/manual/x64/veilfold.dll
[ "$VF_WINEARCH" = win64 ] || module=$work/dist/manual/x86/veilfold.dll
cmp -s "$folder/veilfold.dll" "$module" || { echo "FAILED: the installed module is not the signed one"; exit 1; }

step "no certificate: unsigned, and said so"
said=$("$root/scripts/build-installers" "$root/build/win32/bin/veilfold.dll" "$root/build/win64/bin/veilfold.dll" \
  "$work/unsigned")
grep -q 'no code-signing certificate configured.*building unsigned' <<<"$said" || { echo "FAILED: $said"; exit 1; }
if osslsigncode verify -in "$work"/unsigned/*-x64.exe >/dev/null 2>&1; then
  echo "FAILED: an installer built without a certificate is signed"
  exit 1
fi
echo "   unsigned"
