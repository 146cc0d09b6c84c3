#!/bin/bash
# Times the program's start, the load of a downloads list of ROWS rows and its
# exit on SIGTERM, offscreen in a temporary home, RUNS times, and checks each
# time that the list saved at exit is byte for byte the list that was loaded.
# Prints each run's wall time and the program's processor time in seconds, and
# the median wall time.
set -euo pipefail

rows=${1:-10000}
runs=${2:-5}
build=${VANDREL_BUILD:-build}
program="$build/vandrel"
listbench="$build/bench/vandrel-listbench"
sigterm_mask=$((1 << 14)) # bit 15 - 1 of /proc/PID/status SigCgt

# Waits until the program handles SIGTERM itself: before that the signal would
# end it without an exit, and without the save. Polls without starting a
# process, whose processor time would count as the program's.
wait_for_handler() {
    local pid=$1 key value pause
    exec {pause}<> <(:)
    while kill -0 "$pid" 2>/dev/null; do
        while read -r key value _; do
            if [ "$key" = "SigCgt:" ] && (( 0x$value & sigterm_mask )); then
                exec {pause}>&-
                return 0
            fi
        done < "/proc/$pid/status"
        read -rt 0.002 -u "$pause" _ || true
    done
    exec {pause}>&-
    return 1
}

# The processor time of the waited-for children so far, from the builtin's
# second line ("XmY.YYYs XmY.YYYs"). Called without a subshell.
children_cpu() {
    awk 'NR == 2 { s = 0; for (i = 1; i <= 2; i++) { split($i, p, "m"); s += p[1] * 60 + p[2] } printf "%.3f\n", s }' "$1"
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
    times > "$root/cpu-before"
    start=$(date +%s.%N)
    env -i PATH="$PATH" HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
        XDG_CACHE_HOME="$root/cache" XDG_RUNTIME_DIR="$root/runtime" QT_QPA_PLATFORM=offscreen \
        "$program" 2>"$root/stderr" &
    pid=$!
    wait_for_handler "$pid"
    kill -TERM "$pid"
    wait "$pid"
    end=$(date +%s.%N)
    times > "$root/cpu-after"
    if ! cmp -s "$list" "$root/loaded.vrl"; then
        cat "$root/stderr" >&2
        echo "list-start-exit: the saved list differs from the loaded one" >&2
        return 1
    fi
    awk -v a="$start" -v b="$end" -v c0="$(children_cpu "$root/cpu-before")" -v c1="$(children_cpu "$root/cpu-after")" \
        'BEGIN { printf "%.3f s wall, %.3f s cpu\n", b - a, c1 - c0 }'
}

walls=()
for _ in $(seq "$runs"); do
    walls+=("$(run_once)")
    echo "${walls[-1]}"
done
printf '%s\n' "${walls[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "median %.3f s wall over %d runs\n", t[int((NR + 1) / 2)], NR }'
