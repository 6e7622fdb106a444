#!/bin/bash
# Shows the backend at work as CUPS drives it.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$ROOT/build" -j"$(nproc)" --target jex >/dev/null
JEX=$ROOT/build/apps/cups-jex/jex

echo "== discovery: jex"
"$JEX"
echo "== wrong argument count: jex 1 2 3"
"$JEX" 1 2 3 || echo "(exit status $?)"
echo "== a job whose run fails: jex 42 alice title 1 '' /nonexistent"
DEVICE_URI="jex:/PDF/1000@agent" "$JEX" 42 alice title 1 '' /nonexistent ||
  echo "(exit status $?)"
