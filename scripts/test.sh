#!/bin/sh
# Builds everything and runs every test: natively under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the Windows build under Wine, then the Debian package.
set -e
cd "$(dirname "$0")/.."
sh scripts/deps.sh
jobs=$(nproc)

status=0
echo "== Format (clang-format, the repository's .clang-format) =="
find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print |
    xargs clang-format --dry-run -Werror || status=1

# A compiler cache, where the machine has one, spares recompiling what did not change.
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug -DZF_SANITIZE=ON $launcher >/dev/null
cmake --build build/native -j"$jobs"

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DZF_BENCH=ON -DZF_TESTS=OFF $launcher >/dev/null
cmake --build build/release -j"$jobs"

cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake $launcher >/dev/null
cmake --build build/windows -j"$jobs"

echo "== Native tests (AddressSanitizer, UndefinedBehaviorSanitizer) =="
(cd build/native && ctest --output-on-failure -j"$jobs") || status=1
echo "== Windows tests under Wine =="
# The UI scenarios spend most of their time waiting for the program under Wine, each on its
# own display and prefix: several run beside each other and beside the unit tests.
(cd build/windows && ctest --output-on-failure -j"$((jobs * 2))") || status=1

# The Debian package from the release build: contents, lintian, install, run, remove.
echo "== Linux package (Debian, made by CPack) =="
sh tests/package/deb_test.sh build/release || status=1
exit $status
