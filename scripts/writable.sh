# Sourced by run.sh and test.sh. A build folder that a run as root (with
# sudo) made cannot be written by the user's own runs, where CMake says no
# more than "Permission denied": stop first and say what to do.
need_writable_build_dir() {
  local dir=$1 script=$2
  [[ -e "$dir" ]] || return 0
  local blocked
  blocked=$(find "$dir" ! -writable -print -quit 2>/dev/null || true)
  [[ -w "$dir" && -z "$blocked" ]] && return 0
  local me
  me=$(id -un)
  echo "$script: you ($me) cannot write the build folder $dir:" >&2
  echo "  an earlier run was probably started as root (with sudo). Give it back to yourself with" >&2
  echo "    sudo chown -R \"$me\": \"$dir\"" >&2
  echo "  (or remove it: sudo rm -rf \"$dir\"), then run $script as yourself, without sudo:" >&2
  echo "  it calls sudo itself when it must install packages." >&2
  exit 1
}
