#!/usr/bin/env bash
# The full export against the local draw-list site on loopback, beside its I/O floor.
#
#   bench/harvest_full.sh [FIRST_DAY] [LAST_DAY]     (defaults: 2010-09-03 and 2026-12-12)
#
# 1. curl fetches the same day URLs one after another over one connection into /dev/null;
# 2. kl8-export harvests the same days into an empty record file (wall time, CPU, peak RSS);
# 3. a 100-day export into an empty file, for the peak memory beside the full one.
# Needs build/ (scripts/build) and GNU time (/usr/bin/time, package "time").
set -euo pipefail
cd "$(dirname "$0")/.."
first=${1:-2010-09-03}
last=${2:-2026-12-12}
today=${KL8_BENCH_TODAY:-2026-12-11}
work=$(mktemp -d)
trap 'kill "$site_pid" 2>/dev/null; wait "$site_pid" 2>/dev/null; rm -rf "$work"' EXIT

build/kl8-drawsite --port 0 --today "$today" >"$work/site.out" &
site_pid=$!
for _ in $(seq 100); do grep -q '^listening on ' "$work/site.out" && break; sleep 0.1; done
address=$(sed -n 's/^listening on //p' "$work/site.out" | head -n 1)

python3 - "$first" "$last" "$address" >"$work/curl.cfg" <<'PY'
import datetime, sys
d = datetime.date.fromisoformat(sys.argv[1]); end = datetime.date.fromisoformat(sys.argv[2])
while d <= end:
    print(f'url = "http://{sys.argv[3]}/lottery/draw/list/543?d={d.year}/{d.month}/{d.day}"')
    print('output = "/dev/null"')
    d += datetime.timedelta(days=1)
PY
days=$(grep -c '^url' "$work/curl.cfg")
echo "days: $days  site: $address"

/usr/bin/time -f "curl floor: wall %e s, user %U s, sys %S s, max RSS %M KB" \
    curl -s -K "$work/curl.cfg"

run_export() {  # label, first, last
    rm -f "$work/record.txt"
    /usr/bin/time -f "$1: wall %e s, user %U s, sys %S s, max RSS %M KB" \
        build/kl8-export --from "$2" --to "$3" --site "$address" --out "$work/record.txt" \
        2>"$work/export.err" >"$work/export.out" || true
    grep -v '^[0-9]*/[0-9]* days' "$work/export.err" | tail -n 1
    cat "$work/export.out"
    echo "record file: $(stat -c %s "$work/record.txt") bytes, $(wc -l <"$work/record.txt") lines"
}
run_export "kl8-export full" "$first" "$last"
run_export "kl8-export 100 days" "$first" "$(date -d "$first + 99 days" +%F)"
