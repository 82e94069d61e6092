#!/usr/bin/env bash
# A release signed with a throwaway CA and certificate, made here and removed
# again: what ships verifies and passes the static checks, a changed byte
# breaks a signature, the same certificate gives the same bytes, a wrong
# password or a missing certificate leaves no release, and a signed program
# still hands the sample to a stand-in under Wine (each architecture this
# machine runs). Needs the win32 and win64 builds; one ok: or FAIL: line per check.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
source scripts/program-checks.sh
source scripts/wine-env.sh
version=$(sed -n 's/^project([^)]*VERSION \([0-9]*\)\.\([0-9]*\).*/\1 \2/p' CMakeLists.txt | xargs printf '%d.%02d')
work=$(mktemp -d)
trap 'rm -rf "$work" build/win*/bin/standins/standin-settings.txt; wineserver -k 2>/dev/null
      [ -n "${QZ_XVFB_PID:-}" ] && kill "$QZ_XVFB_PID" 2>/dev/null' EXIT
failures=0
check() {  # check WHAT COMMAND...
  local what=$1 output
  shift
  if output=$("$@" 2>&1); then echo "ok: $what"; else echo "FAIL: $what: $(tail -n 3 <<<"$output")"; failures=$((failures + 1)); fi
}
verify() { osslsigncode verify -CAfile "$work/ca.pem" -in "$1"; }

(cd "$work" && openssl rand -hex 16 >password && echo wrong >wrong-password &&
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext &&
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Throwaway test CA" -keyout ca.key -out ca.pem &&
  openssl req -newkey rsa:2048 -nodes -subj "/CN=Throwaway test signer" -keyout signer.key -out signer.csr &&
  openssl x509 -req -days 2 -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -extfile signer.ext -out signer.pem &&
  openssl pkcs12 -export -inkey signer.key -in signer.pem -passout file:password -out signer.p12) >"$work/openssl.log" 2>&1 ||
  { echo "FAIL: no throwaway certificate: $(tail -n 3 "$work/openssl.log")"; exit 1; }

package() {  # package FOLDER [VARIABLE=VALUE...]
  local folder=$1
  shift
  env QZ_RELEASE_DIR="$folder" QZ_SIGN_PKCS12="$work/signer.p12" QZ_SIGN_PASSWORD_FILE="$work/password" \
    QZ_SIGN_TIMESTAMP_URL= QZ_RELEASE_URL=https://downloads.example.org/qz "$@" timeout 900 bash scripts/package.sh
}
check "packaging with a certificate" package "$work/a"
check "packaging again with it gives the same SHA256SUMS" eval 'package "$work/b" && cmp "$work/a/SHA256SUMS" "$work/b/SHA256SUMS"'
check "SHA256SUMS holds the signed ZIPs and MSIs" eval '(cd "$work/a" && sha256sum -c SHA256SUMS) | grep -c ": OK" | grep -qx 4'
check "the winget manifests describe the signed MSIs" python3 tests/scripts/winget_test.py "$work/a" https://downloads.example.org/qz

# What ships: the programs in the ZIPs and in the MSIs, and the MSIs.
for preset in win32 win64; do
  tools=$([ "$preset" = win32 ] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32)
  name="Quorvel-Zembrik-$version-$preset"
  python3 -m zipfile -e "$work/a/$name.zip" "$work/$preset-zip"
  msiextract -C "$work/$preset-msi" "$work/a/$name.msi" >/dev/null
  check "$name.msi verifies" verify "$work/a/$name.msi"
  for program in Quorvel Zembrik MailFileCheck; do
    for where in zip msi; do
      copy=$(find "$work/$preset-$where" -name "$program.exe")
      check "$preset $program.exe in the $where verifies and passes the static checks" eval \
        'verify "$copy" && qz_check_program "$tools-objdump" "$copy" "$program" "$version"'
    done
  done
done
shipped="$work/win64-zip/Quorvel-Zembrik-$version-win64/Zembrik.exe"
python3 -c 'import sys; data = bytearray(open(sys.argv[1], "rb").read()); data[len(data) // 2] ^= 1
open(sys.argv[2], "wb").write(data)' "$shipped" "$work/changed.exe"
check "a changed byte fails verification" eval '! verify "$work/changed.exe"'
# The signing time the signature records is the commit's.
osslsigncode extract-signature -in "$shipped" -out "$work/signature.der" >/dev/null
check "the signature is dated at the commit" eval 'openssl asn1parse -inform DER -in "$work/signature.der" |
  grep -A 3 ":signingTime" | grep -q ":$(date -u -d "@$(git log -1 --format=%ct)" +%y%m%d%H%M%SZ)\$"'

# refused PATTERN VARIABLE=VALUE...: packaging over a whole release stops with
# a line matching PATTERN and leaves no release.
refused() {
  local output folder="$work/refused-$RANDOM"
  cp -r "$work/a" "$folder"
  if output=$(package "$folder" "${@:2}" 2>&1); then echo "packaging succeeded"; return 1; fi
  grep -E "^package: .*$1" <<<"$output" || { echo "no line on it: $output"; return 1; }
  ! ls -d "$folder"/*.zip "$folder"/*.msi "$folder"/SHA256SUMS "$folder"/winget 2>/dev/null
}
check "a wrong password stops the packaging" refused "Wrong password" QZ_SIGN_PASSWORD_FILE="$work/wrong-password"
check "a missing certificate stops the packaging" refused "no certificate file $work/missing.p12" QZ_SIGN_PKCS12="$work/missing.p12"

# The signed Zembrik.exe of the ZIP hands the sample to the Outlook stand-in.
handoff() {  # handoff PRESET
  local bin="build/$1/bin" journal="$work/$1-journal.txt" samples="$work/$1-zip/Quorvel-Zembrik-$version-$1/samples"
  bash scripts/register-standins.sh "$1" >>"$work/wine.log" 2>&1 || return 1
  echo "journal=Z:${journal//\//\\}" >"$bin/standins/standin-settings.txt"
  (cd "$samples" && timeout 90 wine "$samples/../Zembrik.exe" order.txt </dev/null >>"$work/wine.log" 2>&1) &
  timeout 60 wine "$bin/qz_e2e.exe" --wait-message-window </dev/null >>"$work/wine.log" 2>&1
  timeout 60 wine "$bin/qz_e2e.exe" --close-standins </dev/null >>"$work/wine.log" 2>&1
  wait $! || { echo "Zembrik ended with $?"; return 1; }
  rm -f "$bin/standins/standin-settings.txt"
  grep -F '"Order 4711 confirmed"' "$journal"
}
if qz_wine_ready >"$work/wine.log" 2>&1; then
  for preset in $QZ_WINE_ARCHES; do check "the signed $preset Zembrik.exe hands the sample to the stand-in" handoff "$preset"; done
else
  echo "FAIL: Wine is not ready: $(tail -n 3 "$work/wine.log")"
  failures=$((failures + 1))
fi

echo "signing: $failures failed"
[ "$failures" -eq 0 ]
