#!/bin/sh
# Builds ZelvaroFeed and starts it: the Windows program under Wine, or with
# --console the Linux console program (any further arguments go to it).
set -e
here=$(pwd)
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
if [ "$1" = "--console" ]; then
    shift
    # Everything the build says goes to stderr: stdout belongs to the program
    # (`./scripts/run.sh --console dump cal.dat --json > out.json`).
    {
        sh scripts/deps.sh
        cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DZF_BENCH=ON -DZF_TESTS=OFF \
            >/dev/null
        cmake --build build/release -j"$jobs" --target zelvarofeed
    } >&2
    # Paths on the command line are meant from where the script was started.
    cd "$here"
    exec "$root/build/release/src/console/zelvarofeed" "$@"
fi
sh scripts/deps.sh
cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/windows -j"$jobs"
exe=build/windows/src/win/ZelvaroFeed.exe
if [ ! -f "$exe" ]; then
    echo "The Windows program is not built yet. Built so far:"
    ls build/windows/tests/*.exe 2>/dev/null || true
    exit 0
fi
export WINEPREFIX="$(pwd)/build/windows/wineprefix-run"
if [ -z "$DISPLAY" ]; then
    echo "No DISPLAY: starting ZelvaroFeed on a virtual Xvfb display."
    exec xvfb-run -a cmake/wine-run.sh "$exe"
fi
exec cmake/wine-run.sh "$exe"
