#!/bin/bash
# Times the program's start, the load of a downloads list of ROWS rows and its
# exit on SIGTERM, offscreen in a temporary home, RUNS times, and checks each
# time that the list saved at exit is byte for byte the list that was loaded.
# Prints each run's wall time in seconds and their median.
set -euo pipefail

rows=${1:-10000}
runs=${2:-5}
build=${VANDREL_BUILD:-build}
program="$build/vandrel"
listbench="$build/bench/vandrel-listbench"
sigterm_mask=$((1 << 14)) # bit 15 - 1 of /proc/PID/status SigCgt

# Waits until the program handles SIGTERM itself: before that the signal would
# end it without an exit, and without the save.
wait_for_handler() {
    local pid=$1 caught
    while kill -0 "$pid" 2>/dev/null; do
        caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
        if [ -n "$caught" ] && (( 0x$caught & sigterm_mask )); then
            return 0
        fi
        sleep 0.002
    done
    return 1
}

run_once() {
    local root list pid start end
    root=$(mktemp -d)
    trap 'rm -rf "$root"' RETURN
    for d in home config data cache runtime; do
        mkdir -p "$root/$d" && chmod 700 "$root/$d"
    done
    mkdir -p "$root/data/Vandrel"
    list="$root/data/Vandrel/DefaultDownloadList.vrl"
    "$listbench" "$rows" "$list"
    cp "$list" "$root/loaded.vrl"
    start=$(date +%s.%N)
    env -i PATH="$PATH" HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
        XDG_CACHE_HOME="$root/cache" XDG_RUNTIME_DIR="$root/runtime" QT_QPA_PLATFORM=offscreen \
        "$program" 2>"$root/stderr" &
    pid=$!
    wait_for_handler "$pid"
    kill -TERM "$pid"
    wait "$pid"
    end=$(date +%s.%N)
    if ! cmp -s "$list" "$root/loaded.vrl"; then
        cat "$root/stderr" >&2
        echo "list-start-exit: the saved list differs from the loaded one" >&2
        return 1
    fi
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}

times=()
for _ in $(seq "$runs"); do
    times+=("$(run_once)")
    echo "${times[-1]}"
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "median %.3f s over %d runs\n", t[int((NR + 1) / 2)], NR }'
