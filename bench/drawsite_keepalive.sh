#!/bin/sh
# Sequential keep-alive GETs of full draw-list pages from kl8-drawsite: one curl process, one
# connection, N URLs. Prints requests per second for the same day (cache hits) and for N
# distinct days (every page generated: more days than the page cache holds).
#   bench/drawsite_keepalive.sh [path/to/kl8-drawsite] [N]
set -eu
site=${1:-build/kl8-drawsite}
n=${2:-500}
dir=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$dir"' EXIT INT TERM

"$site" --port 0 --today 2024-12-31 > "$dir/out" &
pid=$!
while ! grep -q listening "$dir/out" 2>/dev/null; do sleep 0.05; done
hp=$(sed -n 's/^listening on //p' "$dir/out")

: > "$dir/same.cfg"
: > "$dir/distinct.cfg"
i=0
while [ "$i" -lt "$n" ]; do
    echo "url = \"http://$hp/lottery/draw/list/543?d=2020/6/15\"" >> "$dir/same.cfg"
    echo "output = \"/dev/null\"" >> "$dir/same.cfg"
    day=$(date -d "2012-01-01 + $i days" +%Y/%-m/%-d)
    echo "url = \"http://$hp/lottery/draw/list/543?d=$day\"" >> "$dir/distinct.cfg"
    echo "output = \"/dev/null\"" >> "$dir/distinct.cfg"
    i=$((i + 1))
done

size=$(curl -s -o /dev/null -w '%{size_download}' "http://$hp/lottery/draw/list/543?d=2020/6/15")
echo "page size: $size bytes"
for kind in same distinct; do
    start=$(date +%s.%N)
    conns=$(curl -s -K "$dir/$kind.cfg" -w '%{num_connects}\n' | awk '{s += $1} END {print s}')
    end=$(date +%s.%N)
    awk -v k="$kind" -v n="$n" -v c="$conns" -v s="$start" -v e="$end" 'BEGIN {
        printf "%s: %d requests on %d connection(s) in %.3f s: %.0f requests/s\n", k, n, c, e - s, n / (e - s)
    }'
done
