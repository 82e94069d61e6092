#!/usr/bin/env bash
# Builds the release ZIPs, 32-bit first:
#   build/release/Quorvel-Zembrik-<version>-win32.zip and ...-win64.zip
# each holding one folder of the same name with Quorvel.exe, Zembrik.exe and
# the console program MailFileCheck.exe (stripped, version resource and icon
# kept), README.txt (the user's guide, docs/user-guide.md, with CR LF line
# ends), Test.txt (the mail file the window offers: samples/Test.txt) and
# samples/ (order.txt and the file it attaches); beside each a Windows
# Installer package of the same files, ...-win32.msi and ...-win64.msi
# (installer/Quorvel-Zembrik.wxs.in), and SHA256SUMS of them all. The same
# commit gives the same bytes, wherever and whenever it is built: the programs
# carry no link time or build path, every ZIP entry has the commit's time,
# fixed permissions and its place in name order, and each package the commit's
# time and a package code made from its contents.
# With a certificate (QZ_SIGN_PKCS12, QZ_SIGN_PASSWORD_FILE, optionally
# QZ_SIGN_TIMESTAMP_URL) the programs, once stripped and checked, and then
# the packages are signed with Authenticode; without a timestamp server the
# signature records the commit's time, so signing keeps the bytes the same.
# Last, build/release/winget/ gets a winget manifest set of the packages as
# shipped (scripts/winget-manifests.py), downloaded from QZ_RELEASE_URL.
# Checks on the way: the programs' imports, subsystem, address space and
# resources, before and after signing, and that stripping left their
# resources whole. Ends non-zero if any check or step fails, and then leaves
# no release behind; QZ_RELEASE_DIR puts the release in another folder.
set -uo pipefail
# Files named relative to where the script was started.
for variable in QZ_RELEASE_DIR QZ_SIGN_PKCS12 QZ_SIGN_PASSWORD_FILE; do
  [ -n "${!variable:-}" ] && printf -v "$variable" '%s' "$(realpath -m -- "${!variable}")"
done
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

bash scripts/setup.sh || exit 1

# The version as the programs' version resource writes it: 1.0.0 gives "1.00".
read -r major minor < <(sed -n 's/^project([^)]*VERSION \([0-9]*\)\.\([0-9]*\).*/\1 \2/p' CMakeLists.txt)
version=$(printf '%d.%02d' "$major" "$minor")

product=$(sed -n 's/^set(QZ_PRODUCT_NAME "\(.*\)")$/\1/p' CMakeLists.txt)
# PLACEHOLDER: the project has no public address yet. The signatures name it
# (osslsigncode -i) and the winget manifests download from below it until
# QZ_PROJECT_URL and QZ_RELEASE_URL say otherwise.
project_url=${QZ_PROJECT_URL:-https://quorvel-zembrik.example.invalid/}
release_url=${QZ_RELEASE_URL:-${project_url%/}/releases/$version}

release=${QZ_RELEASE_DIR:-$root/build/release}
log_dir="$root/build/release-logs"
mkdir -p "$release" "$log_dir"
# Every file in the ZIPs carries the time of the last commit, in UTC, so that
# the same sources give the same archive.
export TZ=UTC
epoch=$(git log -1 --format=%ct 2>/dev/null || date +%s)
stamp=$(date -d "@$epoch" +%Y%m%d%H%M.%S)

source scripts/program-checks.sh
status=0
problem() { echo "package: $*" >&2; status=1; }
# A step after which the release cannot go on: one line, and the end.
fatal() { problem "$*"; exit 1; }
# What a run writes into the release folder. A run starts by removing what an
# earlier one left, and a run that fails or is stopped removes what it wrote:
# no release in the folder but a whole one that passed every check.
remove_release() {
  rm -rf "$release"/stage-* "$release"/Quorvel-Zembrik-*.zip "$release"/Quorvel-Zembrik-*.msi \
    "$release"/*.signing "$release/SHA256SUMS" "$release/winget"
}
remove_release
whole=
trap '[ -n "$whole" ] || remove_release' EXIT

signing=()
if [ -n "${QZ_SIGN_PKCS12:-}" ]; then
  [ -f "$QZ_SIGN_PKCS12" ] || fatal "no certificate file $QZ_SIGN_PKCS12 (QZ_SIGN_PKCS12)"
  [ -n "${QZ_SIGN_PASSWORD_FILE:-}" ] || fatal "QZ_SIGN_PKCS12 is set, QZ_SIGN_PASSWORD_FILE (the file holding its password) is not"
  [ -f "$QZ_SIGN_PASSWORD_FILE" ] || fatal "no password file $QZ_SIGN_PASSWORD_FILE (QZ_SIGN_PASSWORD_FILE)"
  signing=(-pkcs12 "$QZ_SIGN_PKCS12" -readpass "$QZ_SIGN_PASSWORD_FILE" -h sha256 -i "$project_url")
  if [ -n "${QZ_SIGN_TIMESTAMP_URL:-}" ]; then
    signing+=(-ts "$QZ_SIGN_TIMESTAMP_URL")
    echo "package: signing with $QZ_SIGN_PKCS12, timestamped by $QZ_SIGN_TIMESTAMP_URL (no longer reproducible)"
  else
    # The time the signature records; otherwise it would be the time of the run.
    signing+=(-time "$epoch")
    echo "package: signing with $QZ_SIGN_PKCS12 at the commit's time"
    echo "package: without a timestamp server (QZ_SIGN_TIMESTAMP_URL) the signatures stop being valid when the certificate expires"
  fi
elif [ -n "${QZ_SIGN_PASSWORD_FILE:-}${QZ_SIGN_TIMESTAMP_URL:-}" ]; then
  fatal "QZ_SIGN_PASSWORD_FILE or QZ_SIGN_TIMESTAMP_URL is set, but no certificate: QZ_SIGN_PKCS12"
else
  echo "package: no certificate given (QZ_SIGN_PKCS12): the release is unsigned"
fi

# sign FILE DESCRIPTION: signs FILE in place, when there is a certificate; the
# description is the name Windows shows for it. Failing stops the release.
sign() {
  [ "${#signing[@]}" -gt 0 ] || return 0
  local file=$1 log="$log_dir/sign.log"
  rm -f "$file.signing"
  if ! timeout 300 osslsigncode sign "${signing[@]}" -n "$2" -in "$file" -out "$file.signing" >"$log" 2>&1; then
    rm -f "$file.signing"
    fatal "cannot sign ${file##*/}: $(grep -m 1 . "$log") (see $log)"
  fi
  mv -f "$file.signing" "$file"
}

rsrc_size() { "$1" -h "$2" | awk '$2 == ".rsrc" { print $3 }'; }

for preset in win32 win64; do
  case $preset in
    win32) tools=i686-w64-mingw32 msi_arch=x86 ;;
    win64) tools=x86_64-w64-mingw32 msi_arch=x64 ;;
  esac
  name="Quorvel-Zembrik-$version-$preset"
  echo "package: $name.zip"

  if [ ! -f "build/$preset/build.ninja" ]; then
    cmake --preset "$preset" >"$log_dir/$preset-configure.log" 2>&1 ||
      { problem "$preset does not configure, see $log_dir/$preset-configure.log"; continue; }
  fi
  cmake --build --preset "$preset" -j2 --target Quorvel Zembrik MailFileCheck >"$log_dir/$preset-build.log" 2>&1 ||
    { problem "$preset does not build, see $log_dir/$preset-build.log"; continue; }

  stage="$release/stage-$preset"
  rm -rf "$stage"
  mkdir -p "$stage/$name/samples"
  for program in Quorvel Zembrik MailFileCheck; do
    built="build/$preset/bin/$program.exe"
    shipped="$stage/$name/$program.exe"
    # strip stamps the program with the time it runs unless told a time.
    SOURCE_DATE_EPOCH=$epoch "$tools-strip" -o "$shipped" "$built" || { problem "$tools-strip failed on $built"; continue; }

    checked=$(qz_check_program "$tools-objdump" "$shipped" "$program" "$version") || problem "$checked"
    sizes="$(stat -c %s "$built") bytes built, $(stat -c %s "$shipped") stripped"

    # The resources must come through the strip whole: the version resource
    # with its strings, the icon group and the manifest.
    before=$(rsrc_size "$tools-objdump" "$built")
    after=$(rsrc_size "$tools-objdump" "$shipped")
    if [ -z "$after" ] || [ "$before" != "$after" ]; then
      problem "$program.exe ($preset): resource section ${before:-missing} before the strip, ${after:-missing} after"
    fi
    # Signing is the last change to the program, and adds the certificate
    # table: the same checks once more on what ships.
    if [ "${#signing[@]}" -gt 0 ]; then
      sign "$shipped" "$program"
      checked=$(qz_check_program "$tools-objdump" "$shipped" "$program" "$version") || problem "signed: $checked"
      sizes+=", $(stat -c %s "$shipped") signed"
    fi
    echo "  $program.exe: $sizes; imports $(qz_imports "$tools-objdump" "$shipped" | tr '\n' ' ')"
  done

  sed 's/\r*$/\r/' docs/user-guide.md >"$stage/$name/README.txt"
  cp samples/order.txt samples/order-confirmation.pdf "$stage/$name/samples/"
  cp samples/Test.txt "$stage/$name/"
  find "$stage/$name" -type d -exec chmod 755 {} + -o -name '*.exe' -exec chmod 755 {} + -o -exec chmod 644 {} +
  find "$stage/$name" -exec touch -t "$stamp" {} +

  zip_file="$release/$name.zip"
  rm -f "$zip_file"
  (cd "$stage" && find "$name" | LC_ALL=C sort | zip -q -X "$zip_file" -@) || { problem "zip failed for $name"; continue; }
  echo "  $(stat -c %s "$zip_file") bytes: $zip_file"

  msi_file="$release/$name.msi"
  rm -f "$msi_file"
  (cd "$stage/$name" && wixl -a "$msi_arch" -o "$msi_file" "$root/build/$preset/installer/Quorvel-Zembrik.wxs") \
    >"$log_dir/$preset-wixl.log" 2>&1 || { problem "wixl failed for $name, see $log_dir/$preset-wixl.log"; continue; }
  python3 scripts/stamp-msi.py "$msi_file" "$epoch" || { problem "$name.msi is not reproducible"; continue; }
  # After the stamp: signing must be the last change to the package.
  sign "$msi_file" "$product $version"
  rm -rf "$stage"
  echo "  $(stat -c %s "$msi_file") bytes: $msi_file"
done

# What is downloaded; the winget manifests are not, and they name QZ_RELEASE_URL.
(cd "$release" && rm -f SHA256SUMS && sha256sum -- *.zip *.msi >SHA256SUMS) || problem "no SHA256SUMS"
cat "$release/SHA256SUMS"

# Of the packages as they ship, so after signing.
[ -n "${QZ_RELEASE_URL:-}" ] ||
  echo "package: the winget manifests download from the placeholder $release_url: set QZ_RELEASE_URL"
python3 scripts/winget-manifests.py "$release/winget" "$release_url" \
  "$release/Quorvel-Zembrik-$version-win32.msi" "$release/Quorvel-Zembrik-$version-win64.msi" ||
  problem "no winget manifests"
[ "$status" -eq 0 ] && whole=1 && echo "package: done" || echo "package: FAILED" >&2
exit $status
