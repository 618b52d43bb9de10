#!/bin/sh
# The Debian package as a user gets it: made by CPack, its contents listed and checked,
# lintian without errors, installed with apt-get, the installed program run on a temporary
# folder (version, manual page, bash completion, systemd unit, init, sync, watch without
# paths), and removed again. Needs root (or sudo) for apt-get.
# Usage: tests/package/deb_test.sh [BUILD_FOLDER]   (default build/package)
set -eu
cd "$(dirname "$0")/../.."
build=${1:-build/package}
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo

fail() {
    echo "deb_test: FAILED: $*" >&2
    exit 1
}

echo "== Debian package: build ($build) =="
# An install prefix other than /usr: the package installs under /usr all the same.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZF_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr/local >/dev/null
cmake --build "$build" -j"$(nproc)" --target zelvarofeed zelvarofeed_docs >/dev/null
rm -f "$build"/zelvarofeed_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^project(ZelvaroFeed VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb="$build/zelvarofeed_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb"

echo "== Debian package: contents =="
dpkg-deb -c "$deb"
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/zelvarofeed ./usr/share/man/man1/zelvarofeed.1.gz \
    ./usr/share/bash-completion/completions/zelvarofeed \
    ./usr/lib/systemd/user/zelvarofeed.service ./usr/share/doc/zelvarofeed/copyright \
    ./usr/share/doc/zelvarofeed/changelog.gz; do
    echo "$contents" | grep -q " $path\$" || fail "$path missing from the package"
done
echo "$contents" | grep -q "^-rwxr-xr-x root/root .* ./usr/bin/zelvarofeed$" ||
    fail "the program is not root-owned 0755"

echo "== Debian package: lintian =="
lintian_out=$(lintian "$deb" 2>&1 | grep -v "running with root privileges" || true)
echo "${lintian_out:-(no tags)}"
echo "$lintian_out" | grep -q "^E:" && fail "lintian reports errors"

echo "== Debian package: install =="
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "./$deb" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq zelvarofeed >/dev/null 2>&1 || true' EXIT

program=$(command -v zelvarofeed) || fail "zelvarofeed is not on the PATH"
[ "$program" = /usr/bin/zelvarofeed ] || fail "zelvarofeed found at $program"
[ "$(zelvarofeed --version)" = "zelvarofeed $version" ] || fail "--version"
# The checks that need man-db, systemd or bash-completion run where those are installed
# (a fresh container may lack them); the installed files are checked everywhere.
zcat /usr/share/man/man1/zelvarofeed.1.gz | grep -q "the event file is locked" ||
    fail "the manual page lacks the exit codes"
if command -v man >/dev/null; then
    MANWIDTH=80 man zelvarofeed 2>/dev/null | grep -q "75 *the event file is locked" ||
        fail "man zelvarofeed does not show the page"
else
    echo "(man-db not installed: man zelvarofeed not tried)"
fi
if command -v systemd-analyze >/dev/null; then
    # Verified as a system unit: a test machine has no user manager to ask, and the unit's
    # syntax, its command and its manual page are checked the same way.
    verify=$(systemd-analyze verify /usr/lib/systemd/user/zelvarofeed.service 2>&1) ||
        fail "systemd-analyze verify: $verify"
    [ -z "$verify" ] || fail "systemd-analyze verify: $verify"
else
    echo "(systemd not installed: the unit not verified)"
fi
grep -q "^ExecStart=/usr/bin/zelvarofeed watch$" /usr/lib/systemd/user/zelvarofeed.service ||
    fail "the unit does not run /usr/bin/zelvarofeed watch"
grep -q "^RestartPreventExitStatus=.*78" /usr/lib/systemd/user/zelvarofeed.service ||
    fail "the unit restarts on exit code 78"
if [ -f /usr/share/bash-completion/bash_completion ]; then
    completion=$(bash -c '. /usr/share/bash-completion/bash_completion
        . /usr/share/bash-completion/completions/zelvarofeed
        COMP_WORDS=(zelvarofeed sync --mode ""); COMP_CWORD=3
        COMP_LINE="zelvarofeed sync --mode "; COMP_POINT=${#COMP_LINE}
        _zelvarofeed; echo "${COMPREPLY[*]}"')
    [ "$completion" = "add replace" ] || fail "bash completion of --mode gave '$completion'"
else
    echo "(bash-completion not installed: completion not tried)"
fi

echo "== Debian package: run the installed program =="
work=$(mktemp -d)
trap 'rm -rf "$work"; DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq zelvarofeed >/dev/null 2>&1 || true' EXIT
cd "$work"
zelvarofeed init cal.dat
[ "$(od -An -tx1 cal.dat | tr -d ' \n')" = "64000000000000000000000000000000" ] ||
    fail "init did not write the 16-byte empty event file"
printf '[DateEntry 0]\nGUID={00000000-0000-0000-0000-00000000000A}\nDescription=a\n' >feed.ini
out=$(zelvarofeed sync --shared cal.dat --feed feed.ini)
echo "$out"
[ "$out" = "Sync successful: 1 added, 0 updated, 0 unchanged, 0 removed; 1 entry" ] || fail "sync: $out"
zelvarofeed dump --json cal.dat | python3 -m json.tool >/dev/null || fail "dump --json"
status=0
XDG_CONFIG_HOME="$work" zelvarofeed watch 2>err.txt || status=$?
[ "$status" = 78 ] || fail "watch without paths exited with $status"
grep -q "zelvarofeed watch --shared EVENTFILE --feed FEEDFILE" err.txt ||
    fail "watch without paths does not say how to set them"
cd - >/dev/null

echo "== Debian package: remove =="
DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq zelvarofeed >/dev/null
[ ! -e /usr/bin/zelvarofeed ] || fail "/usr/bin/zelvarofeed is still there"
[ ! -e /usr/lib/systemd/user/zelvarofeed.service ] || fail "the unit is still there"
echo "== Debian package: all checks passed =="
