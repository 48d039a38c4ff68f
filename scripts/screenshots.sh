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
# user-interface language from the locale's name (it need not be installed).
LC_ALL=de_DE.UTF-8 PORTELAN_SCREENSHOT_DIR="Z:${shots//\//\\}\\" tests/win32/wine-run.sh \
  build/windows/bin/portelan_win32_tests.exe --gtest_filter=Screenshots.* >"$shots/log" 2>&1 ||
  { cat "$shots/log"; exit 1; }
LC_ALL=en_US.UTF-8 PORTELAN_SCREENSHOT_DIR="Z:${shots//\//\\}\\" tests/win32/wine-run.sh \
  build/windows/bin/portelan_win32_tests.exe --gtest_filter=Screenshots.* >"$shots/en-log" 2>&1 ||
  { cat "$shots/en-log"; exit 1; }
PORTELAN_SCREENSHOT_DIR="Z:${shots//\//\\}\\" tests/win32/wine-run.sh build/windows/bin/portelan_win32_joiner_tests.exe \
  --gtest_filter=JoinerScreenshots.* >"$shots/joiner-log" 2>&1 || { cat "$shots/joiner-log"; exit 1; }
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
