#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts Corvimet, on
# the demo recording when the project ships one. Arguments pass through to
# the program (a recording to open instead, for example).
set -euo pipefail

case "${1:-}" in
  -h|--help)
    echo "usage: scripts/run.sh [RECORDING ...]"
    echo "Builds Corvimet (build/) and starts it on the demo recording, or on the files given."
    echo "Needs a display; for a headless start set QT_QPA_PLATFORM=offscreen."
    exit 0 ;;
esac

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
# shellcheck source=writable.sh
. "$ROOT/scripts/writable.sh"
need_writable_build_dir build scripts/run.sh

bash "$ROOT/scripts/install-deps.sh"

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs" --target corvimet

args=("$@")
if ((${#args[@]} == 0)) && [[ -d resources/demo ]]; then
  demo=$(find resources/demo -maxdepth 1 -type f ! -name '*.md' ! -name '.*' | sort | head -n 1)
  [[ -n "$demo" ]] && args=("$demo")
fi
exec ./build/corvimet "${args[@]}"
