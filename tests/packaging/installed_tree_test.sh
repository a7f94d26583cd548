#!/usr/bin/env bash
# Installs the build under /usr of a fresh folder, as the package lays it
# out, and checks it as a desktop reads it: the menu entry and the AppStream
# metadata pass Debian's validators and point at files that are there, the
# icon is there at every size, and the program, started from there with no
# build tree in reach, finds its icon and Qt's Chinese texts.
# usage: installed_tree_test.sh BUILD_DIR PROJECT_VERSION
set -euo pipefail
build=$1 version=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in desktop-file-validate appstreamcli file; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps test installs it)"; exit 77; }
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
share=$root/usr/share

desktop=$share/applications/quelvane.desktop
metainfo=$(echo "$share"/metainfo/*.metainfo.xml)
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
# validate-tree also reads the desktop entry the metadata launches.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli rejects the installed tree"

key() { sed -n "s/^$1=//p" "$desktop"; }
[ -x "$root/usr/bin/$(key Exec)" ] || fail "Exec=$(key Exec) is not an installed program"
grep -q "<launchable type=\"desktop-id\">quelvane.desktop</launchable>" "$metainfo" ||
  fail "the metadata does not launch quelvane.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metadata has no release $version"
grep -q "<icon type=\"stock\">$(key Icon)</icon>" "$metainfo" || fail "the metadata's icon is not Icon=$(key Icon)"

theme=$share/icons/hicolor
[ -f "$theme/scalable/apps/$(key Icon).svg" ] || fail "no scalable icon named $(key Icon)"
for size in 16 32 48 64 128 256; do
  png=$theme/${size}x$size/apps/$(key Icon).png
  [[ "$(file "$png")" == *"PNG image data, $size x $size,"* ]] || fail "$png is not a $size × $size PNG"
done

# The theme is shared: it has sizes this program brings no icon for.
mkdir -p "$theme/22x22/apps" "$theme/24x24/apps"
cd "$root"
report=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/quelvane" --self-check) ||
  fail "the installed program's self-check failed: $report"
echo "$report"
[ "$(grep -c "^icon: $theme/" <<<"$report")" -eq 6 ] || fail "the installed program did not find its six icon files"
