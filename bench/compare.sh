#!/usr/bin/env bash
# Times vandrel-bench against aria2c -x8 -s8 and curl on files that a loopback
# nginx serves from tmpfs, each downloading into tmpfs, in alternating runs;
# prints the median wall time, CPU time and peak RSS of each side by side.
#  - full speed: 1 GiB; vandrel-bench with its factory eight sections and with
#    one (--set MaxSectionCountPerDownload=1), aria2c -x8 -s8 and curl;
#  - throttled: 256 MiB at 4 MiB/s per connection (nginx limit_rate 4m), where
#    segmented downloading shows; vandrel-bench and aria2c -x8 -s8.
#
#   bench/compare.sh [RUNS]            RUNS per tool and case, default 5
#
# VANDREL_BENCH names a vandrel-bench to use; otherwise scripts/setup.sh builds it
# in build/. VANDREL_RUN_TIMEOUT bounds every run (seconds, default 300).
set -euo pipefail

runs=${1:-5}
run_timeout=${VANDREL_RUN_TIMEOUT:-300}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [RUNS]" >&2; exit 2; }

readonly file_mib=1024
readonly throttled_mib=256
readonly throttled_rate=4m
# A script killed outright leaves its nginx behind for this long at most.
readonly nginx_limit_s=$((runs * 6 * run_timeout + 600))
readonly start_attempts=5
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Only loopback traffic: no tool may go through a proxy from the environment.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY

as_root() { if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi; }

install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

work="" mounted="" nginx_pid=""
cleanup() {
  if [[ -n $nginx_pid ]]; then
    kill -TERM "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
  fi
  if [[ -n $mounted ]]; then
    as_root umount "$mounted" || true
    rmdir "$mounted" || true
  elif [[ -n $work ]]; then
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mib_available() { awk '/^MemAvailable:/ { print int($2 / 1024) }' /proc/meminfo; }

# A folder in tmpfs: under /dev/shm when that is tmpfs, else a tmpfs of our own.
make_work_dir() {
  local need_mib=$((2 * file_mib + throttled_mib + 256))
  if (($(mib_available) < need_mib + 512)); then
    echo "need about $((need_mib + 512)) MiB of free memory, $(mib_available) MiB available" >&2
    exit 1
  fi
  if [[ $(stat -f -c %T /dev/shm 2>/dev/null) == tmpfs ]] &&
     (($(df -m --output=avail /dev/shm | tail -1) >= need_mib)); then
    work=$(mktemp -d /dev/shm/vandrel-compare.XXXXXX)
  else
    work=$(mktemp -d /tmp/vandrel-compare.XXXXXX)
    as_root mount -t tmpfs -o "size=${need_mib}m,mode=0700" tmpfs "$work"
    mounted=$work
  fi
  mkdir -p "$work/www/slow" "$work/out" "$work/times" "$work/nginx/temp"
}

make_source_files() {
  # Random bytes, so that comparing each result with the source means something.
  dd if=/dev/urandom of="$work/www/file.bin" bs=1M count="$file_mib" status=none
  dd if=/dev/urandom of="$work/www/slow/file.bin" bs=1M count="$throttled_mib" status=none
}

write_nginx_config() {
  local port=$1 user=""
  [[ $(id -u) -eq 0 ]] && user="user root;" # a 0700 root would give 403 to nginx's default user
  cat > "$work/nginx/nginx.conf" <<EOF
$user
daemon off;
worker_processes 4;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 256; }
http {
    access_log off;
    sendfile on;
    client_body_temp_path $work/nginx/temp/body;
    proxy_temp_path $work/nginx/temp/proxy;
    fastcgi_temp_path $work/nginx/temp/fastcgi;
    uwsgi_temp_path $work/nginx/temp/uwsgi;
    scgi_temp_path $work/nginx/temp/scgi;
    default_type application/octet-stream;
    server {
        listen 127.0.0.1:$port;
        root $work/www;
        location /slow/ { limit_rate $throttled_rate; }
    }
}
EOF
}

# Tries random ports until nginx answers on one; sets url.
start_nginx() {
  local attempt port wait
  for ((attempt = 0; attempt < start_attempts; attempt++)); do
    port=$((20000 + RANDOM % 12000)) # below the ephemeral ports that connections take
    write_nginx_config "$port"
    timeout "$nginx_limit_s" /usr/sbin/nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" \
      -e "$work/nginx/error.log" > "$work/nginx/output.log" 2>&1 &
    nginx_pid=$!
    for ((wait = 0; wait < 50; wait++)); do
      if curl -q -sf -o /dev/null -r 0-0 "http://127.0.0.1:$port/file.bin"; then
        base_url="http://127.0.0.1:$port"
        return
      fi
      kill -0 "$nginx_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -TERM "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
    nginx_pid=""
  done
  echo "nginx did not start:" >&2
  cat "$work/nginx/output.log" "$work/nginx/error.log" >&2
  exit 1
}

declare -A label=([vandrel]="vandrel-bench" [vandrel1]="vandrel-bench, 1 sec." [aria2c]="aria2c -x8 -s8"
                  [curl]="curl")

# The command line of one run of a tool, into $work/out.
command_of() {
  local out=$work/out
  case $1 in
    vandrel) run_argv=("$bench" "$url" "$out") ;;
    vandrel1) run_argv=("$bench" --set MaxSectionCountPerDownload=1 "$url" "$out") ;;
    aria2c) run_argv=(aria2c --no-conf -q -x8 -s8 -d "$out" -o file.bin "$url") ;;
    curl) run_argv=(curl -q -sS -f -o "$out/file.bin" "$url") ;;
  esac
}

# One timed run of the case under way; appends "wall cpu rss_kib" to the tool's list.
timed_run() {
  local tool=$1 times=$work/times/last run_argv
  command_of "$tool"
  rm -rf "$work/out" && mkdir "$work/out"
  if ! /usr/bin/time -v -o "$times" timeout -k 5 "$run_timeout" "${run_argv[@]}" > "$work/stdout"; then
    echo "${label[$tool]} failed or ran out of time (${run_timeout} s):" >&2
    cat "$work/stdout" >&2
    exit 1
  fi
  if ! cmp -s "$work/out/file.bin" "$source"; then
    echo "${label[$tool]} gave a file that differs from the source" >&2
    exit 1
  fi
  awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, p, ":"); wall = 0; for (i = 1; i <= n; i++) wall = wall * 60 + p[i] }
    /User time/ { cpu += $2 }
    /System time/ { cpu += $2 }
    /Maximum resident set size/ { rss = $2 }
    END { printf "%.2f %.2f %d\n", wall, cpu, rss }' "$times" >> "$work/times/$case_name-$tool"
  printf '  %-22s %s\n' "${label[$tool]}" "$(tail -1 "$work/times/$case_name-$tool")"
}

# Median of one column (1 wall, 2 cpu, 3 rss) of a tool's list in the case under way.
median() {
  cut -d' ' -f"$2" "$work/times/$case_name-$1" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# "what: X x other's" for one column of two tools.
ratio() {
  awk -v v="$(median "$2" "$4")" -v a="$(median "$3" "$4")" -v what="$1" \
    'BEGIN { if (a > 0) printf "%s: %.2f x\n", what, v / a }'
}

# run_case NAME PATH DESCRIPTION TOOL...: alternating runs, then the medians.
run_case() {
  case_name=$1 url=$base_url$2 source=$work/www$2
  local description=$3 run i
  shift 3
  local tools=("$@")
  echo
  echo "== $case_name: $description, $runs alternating runs per tool from $url"
  echo "per run: wall s, CPU s (user + system), peak RSS KiB"
  for ((run = 0; run < runs; run++)); do
    echo "run $((run + 1))"
    for ((i = 0; i < ${#tools[@]}; i++)); do
      timed_run "${tools[(run + i) % ${#tools[@]}]}"
    done
  done
  echo
  printf '%-22s %10s %10s %14s\n' "$case_name, median of $runs" "wall s" "CPU s" "peak RSS MiB"
  for tool in "${tools[@]}"; do
    printf '%-22s %10.2f %10.2f %14.1f\n' "${label[$tool]}" "$(median "$tool" 1)" "$(median "$tool" 2)" \
      "$(awk -v k="$(median "$tool" 3)" 'BEGIN { print k / 1024 }')"
  done
}

install_missing aria2 curl nginx time
if [[ -n ${VANDREL_BENCH:-} ]]; then
  bench=$VANDREL_BENCH
else
  VANDREL_BUILD_TARGETS=vandrel-bench "$root/scripts/setup.sh"
  bench=$root/build/bench/vandrel-bench
fi
[[ -x $bench ]] || { echo "no vandrel-bench at $bench" >&2; exit 1; }

make_work_dir
make_source_files
start_nginx
echo "load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"

run_case full-speed /file.bin "$file_mib MiB" vandrel vandrel1 aria2c curl
ratio "vandrel-bench wall time, aria2c's = 1" vandrel aria2c 1
ratio "vandrel-bench CPU time, aria2c's = 1" vandrel aria2c 2
ratio "vandrel-bench wall time, one section's = 1" vandrel vandrel1 1

run_case throttled /slow/file.bin "$throttled_mib MiB at $throttled_rate per connection" vandrel aria2c
ratio "vandrel-bench wall time, aria2c's = 1" vandrel aria2c 1
echo
echo "load average after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
