#!/usr/bin/env bash
# Builds the Debian package into a fresh folder and checks its fields and
# that it holds the program and its desktop files, and nothing else: no
# headless driver, render tool, test or benchmark.
# usage: package_test.sh BUILD_DIR PROJECT_VERSION CPACK
set -euo pipefail
build=$1 version=$2 cpack=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in dpkg-deb dpkg-shlibdeps file; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps test installs it)"; exit 77; }
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=$out/quelvane_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$out")"

dpkg-deb --info "$deb"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = quelvane ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Maintainer)" = "The Quelvane developers" ] || fail "Maintainer: $(field Maintainer)"
[ "$(field Section)" = text ] || fail "Section: $(field Section)"
# Computed from the program by dpkg-shlibdeps: the Qt it links, with versions.
grep -Eq '(^|, )libqt6widgets6 \(>= [^)]+\)' <<<"$(field Depends)" || fail "Depends: $(field Depends)"
grep -q 'fonts-noto-cjk | fonts-wqy-microhei' <<<"$(field Recommends)" || fail "Recommends: $(field Recommends)"
[ -n "$(field Description)" ] || fail "no Description"

files=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
expected=$(sort <<'LIST'
./usr/bin/quelvane
./usr/share/applications/quelvane.desktop
./usr/share/doc/quelvane/copyright
./usr/share/icons/hicolor/128x128/apps/quelvane.png
./usr/share/icons/hicolor/16x16/apps/quelvane.png
./usr/share/icons/hicolor/256x256/apps/quelvane.png
./usr/share/icons/hicolor/32x32/apps/quelvane.png
./usr/share/icons/hicolor/48x48/apps/quelvane.png
./usr/share/icons/hicolor/64x64/apps/quelvane.png
./usr/share/icons/hicolor/scalable/apps/quelvane.svg
./usr/share/metainfo/local.quelvane.Quelvane.metainfo.xml
LIST
)
[ "$files" = "$expected" ] || fail "the package holds other files than expected:
$(diff <(echo "$expected") <(echo "$files"))"
# Installed without debugging symbols.
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/quelvane >"$out/quelvane"
[[ "$(file "$out/quelvane")" == *", stripped"* ]] || fail "usr/bin/quelvane is not stripped"
