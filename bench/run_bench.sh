#!/usr/bin/env bash
# Whole-run benchmarks of the update-run engine: the 50-site x 20-article independent run beside a plain
# libcurl loop making the same exchanges, then the peak memory of `kestrune-courier run` over many sites
# (the sandbox shop in a process of its own, so that only the run is measured).
#   bench/run_bench.sh [BUILD_DIR] [SITE_COUNTS...]     (default: build, 250 500 1000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
counts=("$@")
[ "${#counts[@]}" -eq 0 ] && counts=(250 500 1000)
courier="$build/src/app/kestrune-courier"
bench="$build/bench/kc_run_bench"

work=$(mktemp -d)
shop_pid=""
cleanup() {
    if [ -n "$shop_pid" ]; then
        kill "$shop_pid" 2>/dev/null || true
        wait "$shop_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Starts the sandbox shop in a process of its own and sets port.
start_shop() {
    "$courier" demo-shop >"$work/shop.out" 2>&1 &
    shop_pid=$!
    for _ in $(seq 100); do
        grep -q "Admin:" "$work/shop.out" 2>/dev/null && break
        sleep 0.05
    done
    port=$(sed -n 's|.*Shop: *http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$work/shop.out")
}
stop_shop() {
    kill "$shop_pid"
    wait "$shop_pid" 2>/dev/null || true
    shop_pid=""
}

"$bench" compare --sites 50 --articles 20 --concurrency 10 --trials 3
echo
start_shop
"$bench" compare --sites 50 --articles 20 --concurrency 10 --trials 3 --domain "127.0.0.1:$port"
stop_shop

echo
echo "peak memory of 'kestrune-courier run' (2 articles per site, 10 sites at once, access method 2):"
for n in "${counts[@]}"; do
    start_shop
    home="$work/home-$n"
    "$bench" make-home --home "$home" --domain "127.0.0.1:$port" --sites "$n" --articles 2 --concurrency 10
    start=$(date +%s.%N)
    /usr/bin/time -f "%M" -o "$work/rss" "$courier" run --home "$home" --quiet
    end=$(date +%s.%N)
    published=$(cat "$home"/文章地址/* 2>/dev/null | grep -c . || true)
    printf "  %5d sites: peak RSS %7d KB, %5d articles published, %.2f s\n" "$n" "$(cat "$work/rss")" \
        "$published" "$(echo "$end - $start" | bc)"
    stop_shop
done
