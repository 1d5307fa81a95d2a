#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Corvimet need.
# Idempotent: when everything is present it does not touch apt at all.
set -euo pipefail

usage() {
  echo "usage: scripts/install-deps.sh [--test] [--fuzz]"
  echo "Installs the Debian 12 packages that building and testing need; with --test"
  echo "also the X server, window manager, input tool and Python of the real-desk"
  echo "tests; with --fuzz also clang, the libFuzzer runtime and llvm-symbolizer for"
  echo "the fuzz harnesses."
}

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-liberation2
  libpulse-dev
)
# llvm-14 holds llvm-symbolizer, without which a fuzz crash's stack is bare
# addresses.
FUZZ_PACKAGES=(clang libclang-rt-14-dev llvm-14)
# The real-desk tests run the program under an X server with a window
# manager; starting the program needs none of them.
TEST_PACKAGES=(xvfb openbox xdotool python3)

for arg in "$@"; do
  case "$arg" in
    --test) PACKAGES+=("${TEST_PACKAGES[@]}") ;;
    --fuzz) PACKAGES+=("${FUZZ_PACKAGES[@]}") ;;
    -h|--help) usage; exit 0 ;;
    *) echo "install-deps: unknown option $arg" >&2; usage >&2; exit 2 ;;
  esac
done

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [[ "$status" == installed ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null; then
    SUDO=(sudo)
  else
    echo "install-deps: need root (or sudo) to install: ${missing[*]}" >&2
    echo "install-deps: run it once as root: su -c '$0${*:+ $*}'" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update
"${SUDO[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
