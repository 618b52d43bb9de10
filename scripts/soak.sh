#!/bin/bash
# Soak test of the lock protocol:  scripts/soak.sh MINUTES
#
# Two `zelvarofeed watch` programs (add mode, 5-second interval) sync two feeds into one
# event file while each feed is rewritten every second, and a third process acts as the
# calendar: now and then it takes the lock file (flock, then checks that it holds the file
# that is still at the path, as the program does), rewrites the event file with a loaded and
# saved copy, holds the lock a little longer and lets go of it.
#
# Each feed version v of feed X holds five entries {X000000k-...} with the Description
# "X v<v>" and one entry of its own, {X1......-<v>}. A monitor dumps the event file every
# second; an update is lost when a feed's version in the file goes back, or an entry that was
# in the file is gone. At the end the writers stop, both programs sync the last versions, and
# the event file must load and hold every entry of each feed's last version and every entry
# that was ever seen in it; nothing but the event file may be left in its folder, and nothing
# in the temporary folder. Prints cycles, lock refusals and lost updates; exit 1 when an
# update was lost, the file does not load or a stray file is left.
set -e
cd "$(dirname "$0")/.."

if [ $# -ne 1 ] || ! [ "$1" -gt 0 ] 2>/dev/null; then
    echo "usage: $0 MINUTES" >&2
    exit 2
fi
minutes=$1
command -v flock >/dev/null || { echo "flock (util-linux) is missing" >&2; exit 2; }

launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B build/soak -DCMAKE_BUILD_TYPE=Release -DZF_TESTS=OFF $launcher >/dev/null
cmake --build build/soak --target zelvarofeed -j"$(nproc)" >/dev/null
zf=$PWD/build/soak/src/console/zelvarofeed

run=$PWD/build/soak/run-$(date +%Y%m%d-%H%M%S)
events=$run/events   # the event file's folder: must hold nothing else at the end
feeds=$run/feeds
tmp=$run/tmp         # the temporary folder of every process here
logs=$run/logs
mkdir -p "$events" "$feeds" "$tmp" "$logs" "$run/config-A" "$run/config-B"
event=$events/Calendar.dat
lock=$events/Calendar.lock
export TMPDIR=$tmp
echo "soak for $minutes min in $run"

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

"$zf" -q init "$event"

# Feed X, version v, written beside and renamed into place so no reader sees half of it.
write_feed() {
    local x=$1 v=$2 k
    {
        for k in 0 1 2 3 4; do
            printf '[DateEntry %d]\nGUID={%s000000%d-0000-0000-0000-000000000000}\n' "$k" "$x" "$k"
            printf 'Description=%s v%d\nStartDate=2026 06 1%d 09 00 00\n' "$x" "$v" "$k"
            printf 'Repeat=1\nRepeatRate=1\nRepeatUnit=3\nForewarn=1\nForewarnSpan=15\n\n'
        done
        printf '[DateEntry 5]\nGUID={%s1000000-0000-0000-0000-%012d}\n' "$x" "$v"
        printf 'Description=%s v%d new\nStartDate=2026 07 01 10 00 00\nRepeat=0\n' "$x" "$v"
    } >"$feeds/$x.ini.new"
    mv "$feeds/$x.ini.new" "$feeds/$x.ini"
}

writer() {
    local x=$1 v=0
    trap 'exit 0' TERM
    while :; do
        v=$((v + 1))
        write_feed "$x" "$v"
        echo "$v" >"$logs/$x.version"
        sleep 1
    done
}

# One attempt of the calendar: 0 when it took the lock and rewrote the file, 1 when refused.
calendar_once() {
    local result=1
    exec 9>>"$lock"
    if flock -n 9 &&
        [ "$(stat -L -c %d:%i /proc/self/fd/9)" = "$(stat -c %d:%i "$lock" 2>/dev/null)" ]; then
        "$zf" -q copy "$event" "$events/.calendar-copy.dat" &&
            mv "$events/.calendar-copy.dat" "$event" || echo "calendar: rewrite failed" >&2
        sleep "0.$((RANDOM % 9 + 1))"
        rm -f "$lock"
        result=0
    fi
    exec 9>&-
    return $result
}

calendar() {
    local taken=0 refused=0
    while [ ! -e "$run/stop-calendar" ]; do
        sleep "$((RANDOM % 4 + 1)).$((RANDOM % 10))"
        if calendar_once; then taken=$((taken + 1)); else refused=$((refused + 1)); fi
    done
    echo "$taken $refused" >"$logs/calendar.counts"
}

# Version of feed X in a dump: the versions of its five entries, "min max count".
versions() {
    awk -v x="$1" '
        /^    GUID: / { guid = $2 }
        /^    Description: / {
            if (index(guid, "\"{" x "000000") == 1 && match($0, /v[0-9]+"$/)) {
                n = substr($0, RSTART + 1, RLENGTH - 2) + 0
                if (count == 0 || n < lo) lo = n
                if (count == 0 || n > hi) hi = n
                count++
            }
        }
        END { printf "%d %d %d\n", lo, hi, count }' "$2"
}

# GUIDs of the entries of their own that feed versions left in a dump, one per line.
own_entries() {
    grep -o '"{[AB]1000000-[^}]*}"' "$1" | sort -u || true
}

# Counts each loss once: a feed's version falling back (until the file has its newest again),
# and each entry that disappears.
monitor() {
    local samples=0 unreadable=0 lost=0 x lo hi count gone
    declare -A newest=([A]=0 [B]=0) behind=([A]=0 [B]=0)
    : >"$logs/seen"
    : >"$logs/gone"
    while [ ! -e "$run/stop-monitor" ]; do
        sleep 1
        if ! "$zf" -q dump "$event" >"$logs/dump" 2>>"$logs/monitor.log"; then
            unreadable=$((unreadable + 1))
            continue
        fi
        samples=$((samples + 1))
        for x in A B; do
            read -r lo hi count < <(versions "$x" "$logs/dump")
            [ "$count" -eq 0 ] && [ "${newest[$x]}" -eq 0 ] && continue
            if [ "$count" -ne 5 ] || [ "$lo" -ne "$hi" ] || [ "$lo" -lt "${newest[$x]}" ]; then
                if [ "${behind[$x]}" -eq 0 ]; then
                    echo "$(date +%T) feed $x: versions $lo..$hi in $count entries after ${newest[$x]}" \
                        >>"$logs/monitor.log"
                    lost=$((lost + 1))
                fi
                behind[$x]=1
            else
                behind[$x]=0
            fi
            [ "$lo" -gt "${newest[$x]}" ] && newest[$x]=$lo
        done
        own_entries "$logs/dump" >"$logs/now"
        comm -23 "$logs/seen" "$logs/now" | comm -23 - "$logs/gone" >"$logs/newly-gone"
        gone=$(wc -l <"$logs/newly-gone")
        if [ "$gone" -gt 0 ]; then
            echo "$(date +%T) $gone entries gone: $(head -3 "$logs/newly-gone" | tr '\n' ' ')" \
                >>"$logs/monitor.log"
            lost=$((lost + gone))
            sort -u "$logs/gone" "$logs/newly-gone" -o "$logs/gone"
        fi
        sort -u "$logs/seen" "$logs/now" -o "$logs/seen"
    done
    echo "$samples $unreadable $lost" >"$logs/monitor.counts"
}

for x in A B; do
    write_feed "$x" 0
    XDG_CONFIG_HOME=$run/config-$x "$zf" -v watch --shared "$event" --feed "$feeds/$x.ini" \
        --mode add --interval 5 >"$logs/watch-$x.log" 2>&1 &
    pids+=($!)
    writer "$x" &
    pids+=($!)
    eval "writer_$x=$!"
done
calendar &
calendar_pid=$!
pids+=($calendar_pid)
monitor &
monitor_pid=$!
pids+=($monitor_pid)

sleep $((minutes * 60))

# The end: no more feed versions, the calendar stops, both programs sync the last versions.
kill "$writer_A" "$writer_B"
wait "$writer_A" "$writer_B" 2>/dev/null || true
touch "$run/stop-calendar"
wait "$calendar_pid"
final_A=$(cat "$logs/A.version")
final_B=$(cat "$logs/B.version")
synced=no
for _ in $(seq 60); do
    sleep 1
    "$zf" -q dump "$event" >"$logs/final-dump" 2>/dev/null || continue
    if [ "$(versions A "$logs/final-dump")" = "$final_A $final_A 5" ] &&
        [ "$(versions B "$logs/final-dump")" = "$final_B $final_B 5" ]; then
        synced=yes
        break
    fi
done
touch "$run/stop-monitor"
wait "$monitor_pid"
for pid in "${pids[@]}"; do
    [ "$pid" = "$calendar_pid" ] || [ "$pid" = "$monitor_pid" ] || kill "$pid" 2>/dev/null || true
done
wait 2>/dev/null || true
trap - EXIT

# Every entry of the last versions, and every entry ever seen, is in the file, which loads.
loads=yes
"$zf" -q dump "$event" >"$logs/final-dump" 2>>"$logs/monitor.log" || loads=no
missing=0
for x in A B; do
    eval "final=\$final_$x"
    [ "$(versions "$x" "$logs/final-dump")" = "$final $final 5" ] || missing=$((missing + 5))
    grep -q "\"{${x}1000000-0000-0000-0000-$(printf %012d "$final")}\"" "$logs/final-dump" ||
        missing=$((missing + 1))
done
own_entries "$logs/final-dump" >"$logs/now"
missing=$((missing + $(comm -23 "$logs/seen" "$logs/now" | wc -l)))

strays=$( (cd "$events" && ls -A | grep -vx Calendar.dat) || true)
strays="$strays$( (cd "$tmp" && ls -A) || true)"

read -r cal_taken cal_refused <"$logs/calendar.counts"
read -r samples unreadable monitor_lost <"$logs/monitor.counts"
status_line='^[0-9-]+ [0-9:]+  '
total_refusals=$cal_refused
for x in A B; do
    log=$logs/watch-$x.log
    cycles=$(grep -cE "$status_line(Sync successful|Nothing changed, not syncing|Can't [^:]*|Sync failed|Feed file is empty)$" "$log" || true)
    ok=$(grep -cE "${status_line}Sync successful$" "$log" || true)
    refused=$(grep -cE "${status_line}Can't lock event file$" "$log" || true)
    failed=$(grep -cE "$status_line(Can't [^:]*|Sync failed)$" "$log" || true)
    total_refusals=$((total_refusals + refused))
    echo "watch $x: $cycles cycles, $ok syncs, $refused lock refusals, $((failed - refused)) other failures; last feed version $(eval echo "\$final_$x")"
done
echo "calendar: $cal_taken rewrites, $cal_refused lock refusals"
echo "lock refusals: $total_refusals"
echo "monitor: $samples samples, $unreadable unreadable"
echo "lost updates: $monitor_lost while running, $missing missing at the end (last versions synced: $synced)"
echo "event file loads: $loads"
echo "stray files: ${strays:-none}"
echo "logs: $logs"
[ "$monitor_lost" -eq 0 ] && [ "$missing" -eq 0 ] && [ "$loads" = yes ] && [ -z "$strays" ]
