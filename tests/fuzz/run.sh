#!/bin/sh
# Runs one harness for a while on a working copy of its seed corpus:
#   tests/fuzz/run.sh BUILD_DIR NAME SECONDS [extra libFuzzer flags]
set -eu
usage() {
  echo "usage: tests/fuzz/run.sh BUILD_DIR NAME SECONDS [extra libFuzzer flags]"
  echo "  e.g. tests/fuzz/run.sh build-fuzz native 60"
}
case "${1:-}" in
  -h|--help) usage; exit 0 ;;
esac
if [ $# -lt 3 ]; then
  usage >&2
  exit 2
fi
build=$1 name=$2 seconds=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
work=$build/fuzz-work/$name
mkdir -p "$work/corpus" "$work/findings"
cp -n "$here/corpus/$name/"* "$work/corpus/" 2>/dev/null || true
exec nice -n 10 "$build/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -malloc_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/findings/" "$@" "$work/corpus"
