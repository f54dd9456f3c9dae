#!/usr/bin/env bash
# Times LoadText against `iconv -f UTF-8 -t GB18030` on the same 50 MB UTF-8 file, in one sitting.
#   bench/compare_iconv.sh [BUILD_DIR]   (kc_bench must be built there)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
bench="$build/bench/kc_bench"
[ -x "$bench" ] || { echo "no $bench: build the kc_bench target first" >&2; exit 1; }
file=$(mktemp --suffix=.txt)
trap 'rm -f "$file"' EXIT

# An article-like mix: Chinese (three-byte sequences), full-width punctuation, ASCII and line breaks.
paragraph='<p>中文标题，Kestrune Courier 测试文章。网店后台发布的文章正文，含有数字 2024 和链接。</p>'
count=$((50 * 1024 * 1024 / ($(printf "%s" "$paragraph" | wc -c) + 2)))
LC_ALL=C awk -v p="$paragraph" -v n="$count" 'BEGIN { for (i = 0; i < n; i++) printf "%s\r\n", p }' >"$file"
echo "file: $(stat -c %s "$file") bytes"
cat "$file" >/dev/null # into the page cache for both contenders

# Wall and CPU time (user + system) of each run, in milliseconds; the median of each is compared.
walls=()
cpus=()
TIMEFORMAT='%R %U %S'
for _ in 1 2 3 4 5; do
  read -r real user sys < <({ time iconv -f UTF-8 -t GB18030 "$file" >/dev/null; } 2>&1)
  walls+=("$(awk -v r="$real" 'BEGIN { printf "%d", r * 1000 }')")
  cpus+=("$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%d", (u + s) * 1000 }')")
done
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }
echo "iconv -f UTF-8 -t GB18030, 5 runs: wall ms ${walls[*]} (median $(median "${walls[@]}")),"\
  "CPU ms ${cpus[*]} (median $(median "${cpus[@]}"))"

KC_BENCH_UTF8_FILE="$file" "$bench" --benchmark_filter='^BM_LoadTextFile$' --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true
