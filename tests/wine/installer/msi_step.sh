#!/usr/bin/env bash
# One step in the life of the installer package under Wine, in a prefix made
# for it (build/msi-PRESET/prefix), for CTest:
#   msi_step.sh install|handoff|upgrade|uninstall PRESET PACKAGE WXS BIN
# install: a fresh prefix, PACKAGE installed silently, then again, which must
#   change nothing. handoff: the installed programs hand the installed sample
#   to the stand-in mail clients of BIN. upgrade: a later version, built from
#   WXS and the installed files, takes the place of the first. uninstall:
#   nothing of either is left. Skipped (77) without PACKAGE: scripts/package.sh
#   writes it.
set -u
step=$1 preset=$2 package=$3 wxs=$4 bin=$5
[ -f "$package" ] || { echo "msi_step: no $package: run scripts/package.sh first"; exit 77; }
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/wine-env.sh"
work="$QZ_ROOT/build/msi-$preset"
export WINEPREFIX="$work/prefix"
# Wine would copy the shortcuts into the desktop's menus outside the prefix.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
product="Quorvel and Zembrik"
program_files="$WINEPREFIX/drive_c/Program Files"
[ "$preset" = win32 ] && program_files+=" (x86)"
folder="$program_files/$product"
# What the package installs into it.
files=(Quorvel.exe Zembrik.exe MailFileCheck.exe README.txt Test.txt samples/order.txt samples/order-confirmation.pdf)
later_code="{A54AC8D8-261D-4900-80E2-B60B0350033D}"
status=0
fail() { echo "msi_step $step: $*"; status=1; }

# msiexec SWITCH PACKAGE: runs it silently, its log in the work folder.
msiexec() { wine msiexec "$1" "Z:${2//\//\\}" /qn /l*v "Z:${work//\//\\}\\$step.log" </dev/null >>"$work/wine.log" 2>&1; }
# The Uninstall keys that list the product, from the registry as saved.
uninstall_keys() {
  wineserver -w
  awk -v entry="\"DisplayName\"=\"$product\"" '/^\[/ { key = $1 } $0 == entry && key ~ /Uninstall/ { print key }' \
    "$WINEPREFIX/system.reg"
}
# The product's folders in Start menus. Windows puts the shortcuts of a
# package for all users into their Start menu, Wine into the user's.
menus() { find "$WINEPREFIX/drive_c" -path "*/Start Menu/Programs/$product"; }
# What is installed: folders, files and their contents, Uninstall keys.
installed() {
  find "$WINEPREFIX/drive_c" \( -path "$folder*" -o -path "*/Start Menu/Programs/$product*" \) -exec md5sum {} + 2>&1 | sort
  uninstall_keys
}

case $step in
  install)
    rm -rf "$work" && mkdir -p "$work" && qz_start_display && qz_make_prefix >"$work/wine.log" || exit 1
    msiexec /i "$package" || fail "msiexec /i ended with $?"
    for file in "${files[@]}"; do
      [ -f "$folder/$file" ] || fail "$folder/$file is missing"
    done
    menu=$(menus)
    for shortcut in Quorvel Zembrik; do [ -f "$menu/$shortcut.lnk" ] || fail "no shortcut $shortcut.lnk in: $menu"; done
    [ "$(uninstall_keys | wc -l)" -eq 1 ] || fail "not one Uninstall key: $(uninstall_keys)"
    before=$(installed)
    msiexec /i "$package" || fail "installing again ended with $?"
    [ "$(installed)" = "$before" ] || fail "installing again changed: $(diff <(echo "$before") <(installed))"
    ;;
  handoff)
    qz_start_display || exit 1
    for server in NotesStandin OutlookStandin; do
      timeout 60 wine "$bin/standins/$server.exe" /RegServer </dev/null >>"$work/wine.log" 2>&1 || fail "$server /RegServer"
    done
    # The sample's attachment is named relative to it.
    cd "$folder/samples" || exit 1
    for program in Zembrik Quorvel; do
      timeout 90 wine "$folder/$program.exe" order.txt </dev/null >>"$work/wine.log" 2>&1 &
      timeout 60 wine "$bin/qz_e2e.exe" --wait-message-window </dev/null >>"$work/wine.log" 2>&1 ||
        fail "no stand-in shows a message from the installed $program"
      timeout 60 wine "$bin/qz_e2e.exe" --close-standins </dev/null >>"$work/wine.log" 2>&1 || fail "stand-ins did not close"
      wait $! || fail "the installed $program ended with $?"
    done
    timeout 60 wine "$folder/MailFileCheck.exe" order.txt </dev/null >>"$work/wine.log" 2>&1 ||
      fail "the installed MailFileCheck.exe ended with $? on the installed sample"
    ;;
  upgrade)
    # The same package but for its product code and the next major version.
    major=$(sed -n 's/.* Version="\([0-9]*\)\..*/\1/p' "$wxs")
    sed -e "s/<Product Id=\"[^\"]*\"/<Product Id=\"$later_code\"/" -e "s/ Version=\"[^\"]*\"/ Version=\"$((major + 1)).0.0\"/" \
      "$wxs" >"$work/later.wxs"
    rm -rf "$work/payload" && cp -r "$folder" "$work/payload" || exit 1
    (cd "$work/payload" && wixl -a "$([ "$preset" = win32 ] && echo x86 || echo x64)" -o ../later.msi ../later.wxs) \
      >>"$work/wine.log" 2>&1 || { fail "wixl could not build the later version"; exit 1; }
    msiexec /i "$work/later.msi" || fail "msiexec /i of the later version ended with $?"
    keys=$(uninstall_keys)
    [[ "$keys" == *"$later_code]" && $(wc -l <<<"$keys") -eq 1 ]] || fail "not just the later version listed: $keys"
    [ "$(find "$folder" -type f | wc -l)" -eq "${#files[@]}" ] || fail "not the ${#files[@]} files: $(find "$folder" -type f)"
    ;;
  uninstall)
    msiexec /x "$work/later.msi" || fail "msiexec /x ended with $?"
    [ ! -e "$folder" ] || fail "left behind: $(find "$folder")"
    [ -z "$(menus)" ] || fail "left behind: $(menus)"
    wineserver -w
    ! grep -q "$product" "$WINEPREFIX"/*.reg || fail "left in the registry: $(grep -h "$product" "$WINEPREFIX"/*.reg)"
    ;;
esac
wineserver -k </dev/null >/dev/null 2>&1
[ "$status" -eq 0 ] && echo "msi_step $step: passed"
exit $status
