#!/bin/bash
# Installs what is missing, builds and runs the whole test suite.
#
#   scripts/test.sh           plain build (build/), then ASan+UBSan (build-asan/)
#   scripts/test.sh --quick   plain build only
#   scripts/test.sh --asan    ASan+UBSan build only
#
# Exits 0 only when every build succeeded and every test passed.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=${JOBS:-$(nproc)}

MODE=all
case "${1:-}" in
  "") ;;
  --quick) MODE=quick ;;
  --asan) MODE=asan ;;
  *) echo "usage: $0 [--quick|--asan]" >&2; exit 2 ;;
esac

# Debian packages the native builds and tests need.
PACKAGES=(cmake make g++ libgtest-dev libgmock-dev libbenchmark-dev
          zlib1g-dev libcupsimage2 libcupsimage2-dev)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages; run as root:" >&2
    echo "  apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "== installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y --no-install-recommends "${missing[@]}" ||
    { apt-get update && apt-get install -y --no-install-recommends "${missing[@]}"; }
fi

"$ROOT/scripts/check-layers.sh"

run_suite() {  # <build dir> <cmake args...>
  local dir=$1; shift
  echo "== configure $dir"
  cmake -S "$ROOT" -B "$ROOT/$dir" "$@" >/dev/null
  echo "== build $dir"
  cmake --build "$ROOT/$dir" -j"$JOBS"
  echo "== test $dir"
  (cd "$ROOT/$dir" && ctest --output-on-failure -j"$JOBS")
}

if [ "$MODE" != asan ]; then
  run_suite build -DCMAKE_BUILD_TYPE=Release
fi
if [ "$MODE" != quick ]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  run_suite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJEX_SANITIZE=ON -DJEX_BENCH=OFF
fi
echo "== all tests passed"
