#!/bin/sh
# Checks the Debian package as a clean machine would take it:
#   check-package.sh PACKAGE.deb SCREENSHOTS
# Every library the programs link is a dependency (a machine without the build's libraries must
# get them with the package), the binaries are stripped and start, the desktop entry and the
# AppStream file pass their validators, the AppStream screenshot is one `make screenshots` makes
# (SCREENSHOTS is its folder), the man pages pass check-man-pages.sh, and the shell completion
# completes.
set -eu
PATH=$PATH:/usr/sbin:/sbin  # ldconfig
deb=$1
screenshots=$2
faults=0
fault() { echo "package: $*" >&2; faults=$((faults + 1)); }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
depends=$(dpkg-deb -f "$deb" Depends)
# The package names alone, one a line.
depended=$(echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')
has() { echo "$depended" | grep -qx "$1"; }
# A library's package is covered when Depends names it or names a package that depends on it (as
# libtag1v5 does on libtag1v5-vanilla, which holds libtag.so.1).
covered() {
  has "$1" && return 0
  for package in $depended; do
    dpkg-query -W -f='${Depends}\n' "$package" 2>/dev/null | tr ',' '\n' | sed 's/[(|:].*//; s/ //g' | grep -qx "$1" && return 0
  done
  return 1
}

case $(dpkg-deb -f "$deb" Section) in
  games | utils) ;;
  *) fault "section is '$(dpkg-deb -f "$deb" Section)', not games or utils" ;;
esac
for needed in hicolor-icon-theme libqt6svg6; do
  has "$needed" || fault "does not depend on $needed"
done

# Each library the programs name: the package that holds it must be a dependency.
for program in "$root"/usr/bin/*; do
  file -b "$program" | grep -q ', stripped' || fault "$(basename "$program") is not stripped"
  for library in $(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
    owner=
    for path in $(ldconfig -p | awk -v lib="$library" '$1 == lib { print $NF }'); do
      owner=$(dpkg -S "$path" 2>/dev/null | head -1 | cut -d: -f1) && [ -n "$owner" ] && break
      owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -1 | cut -d: -f1) && [ -n "$owner" ] && break
    done
    if [ -z "$owner" ]; then
      fault "$(basename "$program") links $library, which no installed package holds"
    elif ! covered "$owner"; then
      fault "$(basename "$program") links $library of $owner, which Depends ($depends) lacks"
    fi
  done
done

# The stripped programs still run.
"$root"/usr/bin/vorne-cli --help >/dev/null || fault "vorne-cli --help failed"
QT_QPA_PLATFORM=offscreen "$root"/usr/bin/vorne --version 2>/dev/null | grep -q '^Vorne ' || fault "vorne --version failed"

desktop=$root/usr/share/applications/vorne.desktop
report=$(desktop-file-validate "$desktop" 2>&1) || fault "desktop-file-validate failed"
[ -z "$report" ] || fault "desktop-file-validate: $report"
main=$(sed -n 's/^Categories=//p' "$desktop" | tr ';' '\n' |
  grep -cxE 'AudioVideo|Audio|Video|Development|Education|Game|Graphics|Network|Office|Science|Settings|System|Utility' || true)
[ "$main" = 1 ] || fault "the desktop entry has $main main categories, not one"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/vorne.svg" ] || fault "no icon"

set -- "$root"/usr/share/metainfo/*.metainfo.xml
[ -f "$1" ] || fault "no AppStream file"
report=$(appstreamcli validate --no-net --pedantic "$1" 2>&1) || fault "appstreamcli validate failed: $report"
echo "$report" | grep -E '^[EWI]:' && fault "appstreamcli validate is not clean"
grep -q "<launchable type=\"desktop-id\">vorne.desktop</launchable>" "$1" || fault "the AppStream file does not launch vorne.desktop"
screenshot=$(sed -n 's|.*<image>.*/\([^/]*\)</image>.*|\1|p' "$1")
file -b "$screenshots/$screenshot" 2>/dev/null | grep -q '^PNG image' || fault "the AppStream screenshot $screenshot is not among $screenshots"

for page in vorne vorne-cli; do
  [ -f "$root/usr/share/man/man1/$page.1.gz" ] || fault "no man page for $page"
done
"$(dirname "$0")/check-man-pages.sh" "$root/usr/bin/vorne-cli" "$root"/usr/share/man/man1/vorne*.1.gz || fault "the man pages"

# The completion, with the packaged vorne-cli first on the PATH: what a few half-typed lines give.
PATH=$root/usr/bin:$PATH bash -c '
  . "$1"
  faults=0
  complete_to() {
    want=$1; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _vorne_cli
    [ "${COMPREPLY[*]}" = "$want" ] || { echo "package: completing \"$*\" gives \"${COMPREPLY[*]}\", not \"$want\"" >&2; faults=1; }
  }
  complete_to "scan" vorne-cli sc
  complete_to "remove-trainer remove-trainers" vorne-cli remove-t
  complete_to "--kind --known-dumps" vorne-cli scan roms --k
  complete_to "nes n64" vorne-cli scan roms --kind n
  complete_to "--subdirs --zip --yes" vorne-cli remove-trainers roms --
  complete_to "" vorne-cli gb-checksum -
  complete_to "smd" vorne-cli convert s
  exit $faults' completion "$root/usr/share/bash-completion/completions/vorne-cli" || faults=$((faults + 1))

if [ "$faults" -ne 0 ]; then
  echo "package: $faults faults in $deb" >&2
  exit 1
fi
echo "package: $deb is whole (Depends: $depends)"
