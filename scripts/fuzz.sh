#!/bin/sh
# Runs one fuzz target under libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer for a
# number of minutes:  scripts/fuzz.sh TARGET MINUTES [libFuzzer options...]
# Targets: event_file ini_document feed parse_storage recurrence ical_reader.
#
# Builds build/fuzz-clang (clang, -DZF_FUZZ=ON). The corpus grows in
# build/fuzz-clang/corpus/TARGET, seeded from fuzz/corpus/TARGET (never written to); findings
# go to build/fuzz-clang/findings/TARGET/, the log to build/fuzz-clang/logs/. A finding ends a
# libFuzzer run; the script starts it again on the grown corpus until the time is up, and
# prints the executions, coverage and findings of the whole campaign. Exit 1 when anything
# was found.
set -e
cd "$(dirname "$0")/.."

if [ $# -lt 2 ]; then
    echo "usage: $0 TARGET MINUTES [libFuzzer options...]" >&2
    exit 2
fi
target=$1
minutes=$2
shift 2
[ -d "fuzz/corpus/$target" ] || { echo "no target $target (see fuzz/corpus/)" >&2; exit 2; }

build=build/fuzz-clang
command -v clang++ >/dev/null || { echo "clang++ is missing (apt-get install clang libclang-rt-14-dev)" >&2; exit 2; }
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZF_FUZZ=ON \
    -DZF_TESTS=OFF $launcher >/dev/null
cmake --build "$build" --target "fuzz_$target" -j"$(nproc)" >/dev/null

# A recurrence query must answer in milliseconds; seconds mean a rule that walks too far.
timeout=10
[ "$target" = recurrence ] && timeout=3

corpus=$build/corpus/$target
findings=$build/findings/$target
mkdir -p "$corpus" "$findings" "$build/logs"
log=$build/logs/$target-$(date +%Y%m%d-%H%M%S).log
echo "fuzz_$target for $minutes min, timeout ${timeout}s; log $log"

end=$(( $(date +%s) + minutes * 60 ))
runs=0
execs=0
while :; do
    left=$(( end - $(date +%s) ))
    [ "$left" -gt 0 ] || break
    runs=$((runs + 1))
    echo "== run $runs, ${left}s left" >>"$log"
    nice -n 10 "$build/fuzz/fuzz_$target" -max_total_time="$left" -timeout="$timeout" \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "$@" \
        "$corpus" "fuzz/corpus/$target" >"$log.run" 2>&1 || true
    n=$(grep 'stat::number_of_executed_units' "$log.run" | tail -1 | awk '{print $2}')
    execs=$((execs + ${n:-0}))
    cat "$log.run" >>"$log"
    rm -f "$log.run"
done

# Slow units (libFuzzer's report of inputs over 10 s) are listed, not counted as findings.
found=$(ls "$findings" | grep -cv '^slow-unit-' || true)
slow=$(ls "$findings" | grep -c '^slow-unit-' || true)
echo "runs: $runs (each finding ends one)"
echo "executions: $execs"
grep -E '^#[0-9]+.*(DONE|cov:)' "$log" | tail -1 | sed 's/^/last status: /'
echo "corpus: $(ls "$corpus" | wc -l) inputs"
echo "findings: $found in $findings (and $slow slow units)"
grep -E 'property broken|ERROR: (libFuzzer|AddressSanitizer|UndefinedBehaviorSanitizer)|runtime error' \
    "$log" | sort | uniq -c | sed 's/^/  /' || true
[ "$found" -eq 0 ]
