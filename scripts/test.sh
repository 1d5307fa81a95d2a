#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through
# ctest. With --sanitize (or in CI) it then builds and runs the tests a second
# time under AddressSanitizer and UndefinedBehaviorSanitizer. With --fuzz (or
# in CI) the file-reader fuzz harnesses are then built with clang and run a few
# seconds each, so that the clang build cannot rot unseen.
# Exits non-zero on any failure.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

usage() {
  echo "usage: scripts/test.sh [--sanitize] [--fuzz]"
  echo "Installs what is missing, builds build/ and runs every test (ctest)."
  echo "  --sanitize  then also builds build-asan/ and runs the tests again under"
  echo "              AddressSanitizer and UndefinedBehaviorSanitizer"
  echo "  --fuzz      then also builds the fuzz harnesses with clang in build-fuzz/"
  echo "              and runs each a few seconds (installs clang when missing)"
  echo "  -h, --help  prints this"
  echo "In CI (CI=true) both options are on."
}

sanitize=0
fuzz=0
for arg in "$@"; do
  case "$arg" in
    --sanitize) sanitize=1 ;;
    --fuzz) fuzz=1 ;;
    -h|--help) usage; exit 0 ;;
    *) echo "test.sh: unknown option $arg" >&2; usage >&2; exit 2 ;;
  esac
done
ci=0
[[ "${CI:-}" == true ]] && ci=1 && sanitize=1 && fuzz=1

# shellcheck source=writable.sh
. "$ROOT/scripts/writable.sh"
need_writable_build_dir build scripts/test.sh
((sanitize)) && need_writable_build_dir build-asan scripts/test.sh
((fuzz)) && need_writable_build_dir build-fuzz scripts/test.sh

deps=(--test)
((fuzz)) && deps+=(--fuzz)
bash "$ROOT/scripts/install-deps.sh" "${deps[@]}"
if ((fuzz)) && ! command -v clang++ >/dev/null; then
  echo "test.sh: --fuzz needs clang++ and the libFuzzer runtime (Debian: clang libclang-rt-14-dev)" >&2
  exit 1
fi

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen
# Qt warns when it has no runtime folder; give it a private one, removed at
# the end.
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
export XDG_RUNTIME_DIR
chmod 700 "$XDG_RUNTIME_DIR" 2>/dev/null || true

werror=OFF
((ci)) && werror=ON

start=$SECONDS
echo "== build (build/)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVIMET_WERROR=$werror
cmake --build build -j"$jobs"
echo "== tests"
status=0
(cd build && ctest --output-on-failure -j"$jobs") || status=$?
# ctest names a skipped check but keeps its reason in a log the next run
# overwrites: a real-desk check that could not run says why here.
skipped=$(grep -h "^realdesk: SKIPPED" build/Testing/Temporary/LastTest.log 2>/dev/null || true)
if [[ -n "$skipped" ]]; then
  echo "real-desk checks skipped:"
  sed 's/^realdesk: SKIPPED /  /' <<<"$skipped"
fi
((status == 0)) || exit "$status"
if ((ci)); then
  # ctest runs each test in a process of its own; one pass of each binary in
  # one process, in a random order, shows that no test leans on what another
  # left behind.
  # The GUI binary, four fifths of the time, runs as one shuffled process per
  # core, each with its share of the tests.
  echo "== each test binary in one process, shuffled"
  (cd build && ./tests/core_tests --gtest_shuffle --gtest_brief=1)
  rm -f build/gui-shard-*.log
  pids=()
  for ((i = 0; i < jobs; i++)); do
    (cd build && GTEST_TOTAL_SHARDS=$jobs GTEST_SHARD_INDEX=$i ./tests/gui_tests --gtest_shuffle --gtest_brief=1 \
      >"gui-shard-$i.log" 2>&1) &
    pids+=($!)
  done
  failed=0
  for ((i = 0; i < jobs; i++)); do
    wait "${pids[$i]}" || { failed=1; echo "gui_tests shard $i of $jobs failed:"; cat "build/gui-shard-$i.log"; }
  done
  ((failed == 0)) || exit 1
  grep -h "PASSED" build/gui-shard-*.log | awk '{n += $4} END {print "gui_tests: " n " tests passed in " NR " shuffled processes"}'
fi

if ((sanitize)); then
  echo "== sanitizer build (build-asan/)"
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVIMET_WERROR=$werror \
    -DCORVIMET_SANITIZE=ON -DCORVIMET_BENCH=OFF
  cmake --build build-asan -j"$jobs"
  echo "== tests under sanitizers"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # Qt and fontconfig keep process-lifetime allocations that leak checking
  # would report, so the GUI tests run without it; memory errors and
  # undefined behaviour still fail them. The core tests (label core) are
  # leak-checked, each in its process.
  # The real-desk checks are not registered in this build (tests/CMakeLists.txt).
  (cd build-asan && \
    ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1" \
    ctest --output-on-failure -j"$jobs" -LE core)
  (cd build-asan && \
    ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1" \
    ctest --output-on-failure -j"$jobs" -L core)
fi

if ((fuzz)); then
  echo "== fuzz harnesses, a few seconds each (build-fuzz/)"
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCORVIMET_FUZZ=ON -DCORVIMET_BENCH=OFF
  cmake --build build-fuzz -j"$jobs" --target fuzz
  for harness in build-fuzz/tests/fuzz/fuzz_*; do
    [[ -x "$harness" && -f "$harness" ]] || continue
    name=${harness##*/fuzz_}
    echo "fuzz_$name"
    "$ROOT/tests/fuzz/run.sh" build-fuzz "$name" 5 >"build-fuzz/fuzz-$name.log" 2>&1 ||
      { tail -n 40 "build-fuzz/fuzz-$name.log"; exit 1; }
  done
fi

echo "== all tests passed ($((SECONDS - start)) s)"
