#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks that it makes Zentiq a
# desktop program: the binary, a valid desktop entry that opens documents
# and workspaces, icons, and MIME types that the shared MIME database
# resolves for .zqd, .zqw and .mod.   usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "check_install: $*" >&2; exit 1; }
share=$prefix/share
[ -x "$prefix/bin/zentiq" ] || fail "bin/zentiq is not installed"
[ -x "$prefix/libexec/zentiq/zentiq-headless" ] || fail "libexec/zentiq/zentiq-headless is not installed"
# The installed program finds its headless helper: a run without files gets
# the helper's usage error (2), not the missing-helper error (1).
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ZENTIQ_SETTINGS_DIR="$prefix/settings" \
  "$prefix/bin/zentiq" --headless >/dev/null 2>"$prefix/headless.log" || status=$?
[ $status = 2 ] || { cat "$prefix/headless.log" >&2; fail "zentiq --headless does not reach libexec/zentiq/zentiq-headless"; }
desktop=$share/applications/zentiq.desktop
[ -f "$desktop" ] || fail "the desktop entry is not installed"
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
grep -q '^Exec=zentiq %F$' "$desktop" || fail "the desktop entry does not pass the files on"
for type in application/x-zentiq-document application/x-zentiq-workspace; do
  grep -q "^MimeType=.*$type;" "$desktop" || fail "the desktop entry does not open $type"
done
for icon in apps/zentiq mimetypes/application-x-zentiq-document mimetypes/application-x-zentiq-workspace \
            mimetypes/application-x-zentiq-values; do
  [ -f "$share/icons/hicolor/scalable/$icon.svg" ] || fail "icon $icon is not installed"
done
[ -f "$share/mime/packages/zentiq.xml" ] || fail "the MIME types are not installed"
# The session bus finds the installed program for automation clients.
grep -qx "Exec=$prefix/bin/zentiq --automation" "$share/dbus-1/services/Zentiq.Document.service" ||
  fail "the D-Bus activation file does not start $prefix/bin/zentiq"
# The install step refreshed the database of the prefix: the globs resolve.
globs=$share/mime/globs2
[ -f "$globs" ] || fail "update-mime-database did not run at install"
for pair in zqd:application/x-zentiq-document zqw:application/x-zentiq-workspace mod:application/x-zentiq-values; do
  grep -q ":${pair#*:}:\*\.${pair%%:*}$" "$globs" || fail "*.${pair%%:*} does not resolve to ${pair#*:}"
done
echo "check_install: program, headless helper, desktop entry, icons and MIME types are in place"
