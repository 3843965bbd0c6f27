#!/usr/bin/env bash
# Builds the Debian package from a Release build and checks it: lintian
# finds no error, the unpacked tree holds what `cmake --install` installs,
# the desktop entry, the AppStream metainfo, the D-Bus activation file and
# the manual page are valid, and the packaged program answers --version and
# --help without a display.   usage: check_package.sh BUILD_DIR
# BUILD_DIR is used as it is when it is an optimised build without
# sanitizers; otherwise a Release build of the program alone is made in
# BUILD_DIR/package-release.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
fail() { echo "check_package: $*" >&2; exit 1; }
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$2/CMakeCache.txt"; }

# An optimised build is packaged as it is (CPack strips the program), so the
# test command needs no second build; users package a Release build.
case "$(cache_value CMAKE_BUILD_TYPE "$build")" in Release | RelWithDebInfo) optimised=1 ;; *) optimised=0 ;; esac
if [ $optimised = 1 ] && [ -z "$(cache_value ZENTIQ_SANITIZE "$build")" ]; then
  release=$build
  cmake --build "$release" >/dev/null
else
  release=$build/package-release
  # The program only: tests and benchmarks are not packaged, so neither the
  # build nor cpack's install step waits for them.
  cmake -S "$root" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTIQ_BENCH=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_CXX_COMPILER_LAUNCHER="$(cache_value CMAKE_CXX_COMPILER_LAUNCHER "$build")" \
    -DCMAKE_C_COMPILER_LAUNCHER="$(cache_value CMAKE_C_COMPILER_LAUNCHER "$build")" >/dev/null
  cmake --build "$release" --target zentiq zentiq-headless zentiq_doc_files >/dev/null
fi
version=$(cache_value CMAKE_PROJECT_VERSION "$release")
[ -n "$version" ] || fail "no project version in $release"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$release" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; }
deb=$scratch/out/zentiq_${version}_amd64.deb
[ -f "$deb" ] || fail "cpack made no $(basename "$deb"): $(ls "$scratch/out")"

# Dependencies come from dpkg-shlibdeps: Qt's libraries with versions.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libqt6dbus6 libc6; do
  grep -q "$lib (>=" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# A font for the Chinese interface and Qt's own translations are
# recommended, each one a user of the Chinese interface meets at once.
recommends=$(dpkg-deb -f "$deb" Recommends)
for alternatives in 'fonts-noto-cjk | fonts-wqy-microhei' qt6-translations-l10n; do
  grep -qF -- "$alternatives" <<<"$recommends" || fail "Recommends lacks $alternatives: $recommends"
done

# lintian: errors fail, warnings are listed.
lintian --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1 || true
if grep -q '^E:' "$scratch/lintian.log"; then
  cat "$scratch/lintian.log" >&2
  fail "lintian reports errors"
fi
grep '^W:' "$scratch/lintian.log" || true

# The package holds what `cmake --install` installs (the MIME and desktop
# databases are the package triggers' business, so the install goes to a
# DESTDIR as the package's does).
dpkg -x "$deb" "$scratch/deb"
DESTDIR=$scratch/install cmake --install "$release" --prefix /usr >/dev/null
list() { (cd "$1" && find . \( -type f -o -type l \) | sort); }
if ! diff <(list "$scratch/install") <(list "$scratch/deb") >"$scratch/diff"; then
  cat "$scratch/diff" >&2
  fail "the package and cmake --install differ (< install only, > package only)"
fi

share=$scratch/deb/usr/share
desktop-file-validate "$share/applications/zentiq.desktop" || fail "the desktop entry is not valid"
# A Chinese desktop shows its own name and comment for the program.
for key in 'Name[zh_CN]' 'Comment[zh_CN]'; do
  value=$(awk -v key="$key" 'index($0, key "=") == 1 { print substr($0, length(key) + 2) }' \
    "$share/applications/zentiq.desktop")
  LC_ALL=C.UTF-8 grep -qP '\p{Han}' <<<"$value" || fail "the desktop entry has no Chinese $key"
done
metainfo=$(ls "$share"/metainfo/*.metainfo.xml)
appstreamcli validate --no-net --pedantic "$metainfo" >"$scratch/appstream.log" 2>&1 ||
  { cat "$scratch/appstream.log" >&2; fail "$(basename "$metainfo") is not valid"; }

service=$share/dbus-1/services/Zentiq.Document.service
[ -f "$service" ] || fail "no D-Bus activation file in /usr/share/dbus-1/services"
grep -qx 'Name=Zentiq.Document' "$service" || fail "the activation file names another bus name"
grep -qx 'Exec=/usr/bin/zentiq --automation' "$service" || fail "the activation file does not start /usr/bin/zentiq"
[ -x "$scratch/deb/usr/bin/zentiq" ] || fail "no /usr/bin/zentiq"
helper=$scratch/deb/usr/libexec/zentiq/zentiq-headless
[ -x "$helper" ] || fail "no /usr/libexec/zentiq/zentiq-headless"
# The headless logger loads no window library.
if readelf -d "$helper" | grep -E 'NEEDED.*libQt6(Widgets|Gui|Charts|PrintSupport|DBus)' >&2; then
  fail "zentiq-headless needs a window library"
fi

# The packaged program answers without a display, and its manual page
# renders without a warning and names every switch that --help names.
program=$scratch/deb/usr/bin/zentiq
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --version)" = "zentiq $version" ] ||
  fail "zentiq --version does not say zentiq $version"
help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help)
# The packaged program hands --headless to its helper in /usr/libexec: a
# run without files gets the helper's usage error (2), not the
# missing-helper error (1).
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ZENTIQ_SETTINGS_DIR="$scratch/settings" \
  "$program" --headless >/dev/null 2>"$scratch/headless.log" || status=$?
[ $status = 2 ] || { cat "$scratch/headless.log" >&2; fail "zentiq --headless does not reach its helper"; }
# A wrong command line gets the usage and 2, also without a display; in
# English as asked, whatever language the user's store holds.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --bogus --lang en >/dev/null 2>"$scratch/bogus.log" || status=$?
[ $status = 2 ] && grep -q '^usage: zentiq' "$scratch/bogus.log" ||
  { cat "$scratch/bogus.log" >&2; fail "zentiq --bogus without a display ends with $status, not the usage and 2"; }
page=$share/man/man1/zentiq.1.gz
[ -f "$page" ] || fail "no compressed manual page zentiq.1.gz"
text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>"$scratch/man.log" | col -b)
[ ! -s "$scratch/man.log" ] || { cat "$scratch/man.log" >&2; fail "the manual page has troff warnings"; }
grep -q "zentiq $version" <<<"$text" || fail "the manual page does not carry version $version"
for switch in $(grep -oE -- '--[a-z][a-z-]+' <<<"$help" | sort -u); do
  grep -qF -- "$switch" <<<"$text" || fail "the manual page does not describe $switch"
done

echo "check_package: $(basename "$deb") is lint-free (warnings above, if any) and complete"
