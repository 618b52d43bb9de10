#!/bin/sh
# Installs the Debian packages the build and the tests need, only when something is missing.
set -e
need=""
has() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for p in cmake g++ make libgtest-dev libgmock-dev googletest libbenchmark-dev libinih-dev \
         g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine xvfb xauth xdotool \
         x11-apps imagemagick zip clang-format python3 libcli11-dev help2man lintian nsis \
         libical-dev dpkg-dev fakeroot libcurl4-openssl-dev tzdata unicode-cldr-core \
         python3-recurring-ical-events openssl; do
    has "$p" || need="$need $p"
done
if [ -n "$need" ]; then
    echo "Installing:$need"
    SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $need
fi
