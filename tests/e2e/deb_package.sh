#!/usr/bin/env bash
# Builds the Debian package with CPack, installs it with dpkg, runs the installed tessaly-cli on
# an installed example, finds the manual page, and removes the package again. It changes the
# machine's packages, so it needs root (CI runs as root) and is skipped otherwise, as it is in
# a sanitizer build, whose programs are the plain build's again.
# Arguments: tessaly binary (its folder's parent is the build folder), tessaly-cli binary,
# examples folder, artefacts folder.
set -u
if [ "$(id -u)" != 0 ]; then
    echo "SKIP: installing a package needs root"
    exit 77
fi
build=$(cd "$(dirname "$1")/.." && pwd)
if grep -q '^TESSALY_SANITIZE:BOOL=ON$' "$build/CMakeCache.txt" 2>/dev/null; then
    echo "SKIP: a sanitizer build is not packaged"
    exit 77
fi
artefacts=${4:-/tmp/tessaly-artefacts}/deb_package
mkdir -p "$artefacts"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
scratch=$(mktemp -d)
trap 'dpkg -r tessaly > /dev/null 2>&1; rm -rf "$scratch"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$scratch" > "$artefacts/cpack.txt" 2>&1 \
    || { fail "cpack: $(tail -n 5 "$artefacts/cpack.txt")"; exit 1; }
deb=$(ls "$scratch"/tessaly_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { fail "cpack made no tessaly_*.deb"; exit 1; }
description=$(dpkg-deb -f "$deb" Description)
[[ "$description" != *";"* ]] || fail "the description shows list separators: $description"
[[ "$description" == *"tessaly-cli reads,"* ]] || fail "the description lacks its text: $description"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends" > "$artefacts/depends.txt"
# Debian's library packages, as dpkg-shlibdeps names them, and the Qt platform plugins.
for package in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6 qt6-qpa-plugins; do
    [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] \
        || fail "Depends lacks $package: $depends"
done

dpkg -i "$deb" > "$artefacts/dpkg-install.txt" 2>&1 \
    || { fail "dpkg -i: $(tail -n 5 "$artefacts/dpkg-install.txt")"; exit 1; }
/usr/bin/tessaly-cli --version > "$artefacts/version.txt" || fail "installed tessaly-cli --version fails"
/usr/bin/tessaly-cli info /usr/share/doc/tessaly/examples/water.xyz > "$artefacts/info.txt" \
    || fail "installed tessaly-cli info on the installed water example fails"
grep -q '^frames: [1-9]' "$artefacts/info.txt" || fail "info reads no frames: $(cat "$artefacts/info.txt")"
[ "$(man -w tessaly 2>/dev/null)" = /usr/share/man/man1/tessaly.1.gz ] \
    || fail "man -w tessaly: $(man -w tessaly 2>&1)"

dpkg -r tessaly > "$artefacts/dpkg-remove.txt" 2>&1 || fail "dpkg -r: $(tail -n 3 "$artefacts/dpkg-remove.txt")"
for file in /usr/bin/tessaly /usr/bin/tessaly-cli /usr/share/man/man1/tessaly.1.gz; do
    [ -e "$file" ] && fail "$file is still there after dpkg -r"
done

[ "$failures" = 0 ] || exit 1
echo "PASS: the package builds, installs, runs and is removed ($depends)"
