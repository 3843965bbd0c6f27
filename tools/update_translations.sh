#!/usr/bin/env bash
# Brings src/resources/translations/zentiq_en.ts up to date with the texts in
# src/ (code and Designer forms): new texts arrive unfinished, texts no longer
# in the sources are dropped, existing translations are kept. Translate the
# unfinished ones (Qt Linguist or an editor) before committing; the test
# translations_complete fails while any is left.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
ts=${1:-$root/src/resources/translations/zentiq_en.ts}
"$lupdate" -silent -no-obsolete -locations none -source-language zh_CN -target-language en \
  -extensions cpp,h,ui "$root/src" -ts "$ts"
