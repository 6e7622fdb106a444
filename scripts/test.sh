#!/bin/bash
# Installs what is missing, builds and runs the whole test suite.
#
#   scripts/test.sh           plain build (build/), ASan+UBSan (build-asan/),
#                             then the armhf cross build run under qemu-arm
#                             (build-armhf/)
#   scripts/test.sh --quick   plain build only
#   scripts/test.sh --asan    ASan+UBSan build only
#   scripts/test.sh --armhf   armhf cross build and emulated run only
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
  --armhf) MODE=armhf ;;
  *) echo "usage: $0 [--quick|--asan|--armhf]" >&2; exit 2 ;;
esac

# Debian packages the native builds and tests need.
PACKAGES=(cmake make g++ libgtest-dev libgmock-dev libbenchmark-dev
          zlib1g-dev libcupsimage2 libcupsimage2-dev libcups2-dev libpng-dev
          clang-format)
# The tests against a private CUPS scheduler: the daemon, its clients, the
# filters that render PDF and PostScript, and the tools the tests use
# (cupsfilter, pdfinfo, pgrep, useradd).
PACKAGES+=(cups cups-daemon cups-client cups-filters ghostscript poppler-utils
           procps passwd)
# The armhf suite: cross compiler, user-mode emulator, and what
# scripts/armhf-sysroot.sh uses to fetch the target's packages.
if [ "$MODE" = all ] || [ "$MODE" = armhf ]; then
  PACKAGES+=(g++-arm-linux-gnueabihf qemu-user apt dpkg debian-archive-keyring)
fi

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
"$ROOT/scripts/check-format.sh"

TIMES=()
run_suite() {  # <build dir> <cmake args...>
  local dir=$1; shift
  local start=$SECONDS
  echo "== configure $dir"
  cmake -S "$ROOT" -B "$ROOT/$dir" "$@" >/dev/null
  echo "== build $dir"
  cmake --build "$ROOT/$dir" -j"$JOBS"
  echo "== test $dir"
  (cd "$ROOT/$dir" && ctest --output-on-failure -j"$JOBS")
  TIMES+=("$dir: $((SECONDS - start)) s")
}

if [ "$MODE" = all ] || [ "$MODE" = quick ]; then
  run_suite build -DCMAKE_BUILD_TYPE=Release
fi
if [ "$MODE" = all ] || [ "$MODE" = asan ]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  run_suite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJEX_SANITIZE=ON -DJEX_BENCH=OFF
fi
if [ "$MODE" = all ] || [ "$MODE" = armhf ]; then
  # The target's libraries (fetched once, cached under build-armhf/apt) and
  # the root the emulator runs the tests in. CMake runs every target program
  # through qemu-arm, test discovery included.
  start=$SECONDS
  "$ROOT/scripts/armhf-sysroot.sh" "$ROOT/build-armhf/sysroot"
  TIMES+=("armhf sysroot: $((SECONDS - start)) s")
  run_suite build-armhf -DCMAKE_BUILD_TYPE=Release -DJEX_BENCH=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-armhf.cmake" \
    -DJEX_ARMHF_SYSROOT="$ROOT/build-armhf/sysroot"
fi
printf '== time: %s\n' "${TIMES[@]}"
echo "== all tests passed"
