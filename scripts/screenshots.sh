#!/usr/bin/env bash
# Saves a picture of every window of the Windows programs (under Wine) and of
# the Linux desktop splitter into docs/ (PNG), taken from the real windows in
# a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh imagemagick
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
shots=$(mktemp -d "${TMPDIR:-/tmp}/portelan-shots.XXXXXX")
trap 'rm -rf "$shots"' EXIT
# The windows under a German Wine, and once more under an English one
# ("-en" pictures; the message boxes' buttons are Windows' own). Wine takes its
# user-interface language from the locale; built here, so that the file names'
# characters survive too, without installing it for the whole machine.
for language in de_DE en_US; do
  mkdir -p "$shots/locale"
  localedef -i $language -f UTF-8 "$shots/locale/$language.UTF-8"
  for tests in portelan_win32_tests:Screenshots portelan_win32_joiner_tests:JoinerScreenshots; do
    LOCPATH=$shots/locale LC_ALL=$language.UTF-8 PORTELAN_SCREENSHOT_DIR="Z:${shots//\//\\}\\" \
      tests/win32/wine-run.sh "build/windows/bin/${tests%%:*}.exe" --gtest_filter="${tests#*:}.*" \
      >"$shots/log" 2>&1 || { cat "$shots/log"; exit 1; }
  done
done
mkdir -p docs
for bmp in "$shots"/*.bmp; do
  /usr/bin/convert "$bmp" "docs/$(basename "${bmp%.bmp}").png"
  echo "docs/$(basename "${bmp%.bmp}").png"
done

cmake --preset linux >/dev/null
cmake --build --preset linux --target qt_screenshots_test >/dev/null
xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb PORTELAN_SCREENSHOT_DIR="$PWD/docs/" \
  build/linux/bin/qt_screenshots_test >"$shots/qt-log" 2>&1 || { cat "$shots/qt-log"; exit 1; }
ls docs/linux-*.png
