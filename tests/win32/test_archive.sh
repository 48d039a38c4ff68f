#!/usr/bin/env bash
# The Windows archive as the update check downloads it: CPack's zip of this
# build tree, named portelan-<version>-win64.zip, holding nothing but the
# built Portelan.exe (the joiners inside it) and a German LIESMICH.txt that
# Notepad shows as it is (UTF-8 with a byte order mark, CRLF line ends).
#   bash test_archive.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd -P)
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
version=$(sed -n 's/^project(Portelan VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
zip=$T/portelan-$version-win64.zip

cpack --config "$build/CPackConfig.cmake" -G ZIP -B "$T" >"$T/cpack.log" || {
    cat "$T/cpack.log"
    echo "FAIL: cpack" >&2
    exit 1
}
python3 - "$zip" "$build/bin/Portelan.exe" "$version" <<'PY'
import sys, zipfile
archive, exe, version = sys.argv[1:]
with zipfile.ZipFile(archive) as z:
    names = sorted(z.namelist())
    assert names == ["LIESMICH.txt", "Portelan.exe"], names
    assert z.read("Portelan.exe") == open(exe, "rb").read(), "Portelan.exe differs from the build's"
    text = z.read("LIESMICH.txt")
    assert text.startswith(b"\xef\xbb\xbf"), "no byte order mark"
    assert b"\n" not in text.replace(b"\r\n", b""), "a line end without CR"
    body = text.decode("utf-8-sig")
    for word in ("Portelan " + version + " für Windows", "Portelan.exe", "_NAME.exe", "Update suchen"):
        assert word in body, word
print("OK: " + archive.rsplit("/", 1)[1] + ": " + ", ".join(names))
PY
