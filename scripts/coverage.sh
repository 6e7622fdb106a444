#!/bin/bash
# Line and branch coverage of the product code, per module.
#
#   scripts/coverage.sh    builds build-coverage/ with gcov instrumentation,
#                          runs every test and prints one row per module
#
# Test, fuzz and benchmark sources are not counted: the figure is how much
# of the shipped code the suite runs. Needs gcovr (installed when root).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=${JOBS:-$(nproc)}
DIR=build-coverage

if ! command -v gcovr >/dev/null; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "gcovr is missing; run as root: apt-get install -y gcovr" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends gcovr
fi

# No compiler launcher: a cache rewrites the source paths the notes files
# record, and gcovr then cannot find the sources.
cmake -S "$ROOT" -B "$ROOT/$DIR" -DCMAKE_BUILD_TYPE=Debug -DJEX_COVERAGE=ON \
  -DJEX_BENCH=OFF -DCMAKE_CXX_COMPILER_LAUNCHER= -DCMAKE_C_COMPILER_LAUNCHER= \
  >/dev/null
cmake --build "$ROOT/$DIR" -j"$JOBS"
find "$ROOT/$DIR" -name '*.gcda' -delete
# Process tests run the backend and the agent as test accounts, which set
# their own umask: a counts file one of them creates is closed to the
# others, whose counts are then lost. Empty files made in advance keep
# their mode, and are treated as new.
find "$ROOT/$DIR" -name '*.gcno' | while read -r n; do
  : >"${n%.gcno}.gcda"
done
chmod -R a+rwX "$ROOT/$DIR"
(umask 000; cd "$ROOT/$DIR" && ctest -j"$JOBS" --output-on-failure) || true
find "$ROOT/$DIR" -name '*.gcda' -empty -delete

summary=$ROOT/$DIR/coverage.json
gcovr -r "$ROOT" --object-directory "$ROOT/$DIR" \
  -e '.*/tests/.*' -e '.*/bench/.*' -e 'fuzz/.*' -e "$DIR/.*" \
  --exclude-unreachable-branches --exclude-throw-branches \
  --json-summary "$summary" >/dev/null

python3 - "$summary" <<'PY'
import json, sys
files = json.load(open(sys.argv[1]))["files"]
mods = {}
for f in files:
    parts = f["filename"].split("/")
    # base/plat/..., libs/rfbenc/..., apps/cups-jex/..., base/3rdparty/Xregion/...
    key = "/".join(parts[:3] if parts[1] == "3rdparty" else parts[:2])
    m = mods.setdefault(key, [0, 0, 0, 0])
    m[0] += f["line_covered"]; m[1] += f["line_total"]
    m[2] += f["branch_covered"]; m[3] += f["branch_total"]
pct = lambda a, b: 100.0 * a / b if b else 100.0
print(f"{'module':<24}{'lines':>16}{'line %':>9}{'branches':>16}{'branch %':>10}")
tot = [0, 0, 0, 0]
for k in sorted(mods):
    m = mods[k]
    tot = [a + b for a, b in zip(tot, m)]
    print(f"{k:<24}{m[0]:>7}/{m[1]:<8}{pct(m[0], m[1]):>8.1f}%"
          f"{m[2]:>7}/{m[3]:<8}{pct(m[2], m[3]):>9.1f}%")
print(f"{'total':<24}{tot[0]:>7}/{tot[1]:<8}{pct(tot[0], tot[1]):>8.1f}%"
      f"{tot[2]:>7}/{tot[3]:<8}{pct(tot[2], tot[3]):>9.1f}%")
PY
