#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
packages=(cmake ninja-build g++ binutils locales zlib1g-dev libgtest-dev googletest util-linux coreutils diffutils gzip
  libcurl4-openssl-dev libssl-dev openssl qt6-base-dev python3 cksfv par2 libcli11-dev
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 xvfb xauth
  qt6-translations-l10n lintian desktop-file-utils appstream man-db dpkg-dev
  clang libclang-rt-14-dev "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
