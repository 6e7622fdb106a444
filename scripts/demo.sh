#!/bin/bash
# A whole print job, as CUPS would run it, on an embedded default.
#
# Builds the backend, starts the session agent as an unprivileged account
# (nobody), makes a sample 3-page raster job through the CUPS imaging
# library and a small PDF, runs the backend on each with the environment and
# arguments CUPS gives it, and shows what the agent delivered: PNG pages and
# a PDF for the raster job, the PDF itself for the other. Run as root (the backend
# switches to the receiving user, as it does under CUPS); otherwise only the
# discovery and failure cases are shown.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

PACKAGES=(cmake make g++ libgtest-dev zlib1g-dev libcupsimage2 libcupsimage2-dev libpng-dev)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$p")
done
if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages; run as root: apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null ||
    { apt-get update >/dev/null &&
      DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null; }
fi

echo "== building"
cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$ROOT/build" -j"$(nproc)" --target jex jex-agent jex-sample-raster >/dev/null
BIN=$ROOT/build/apps/cups-jex
JEX=$BIN/jex

echo
echo "== discovery: jex"
"$JEX"
echo
echo "== wrong argument count: jex 1 2 3"
"$JEX" 1 2 3 || echo "(exit status $?)"
echo
echo "== a job whose data file is missing"
DEVICE_URI="jex:/PDF/65534@demo" "$JEX" 41 alice title 1 '' /nonexistent ||
  echo "(exit status $?)"

if [ "$(id -u)" -ne 0 ]; then
  echo
  echo "(run as root to see whole jobs delivered to a session agent)"
  exit 0
fi

AGENT_UID=$(id -u nobody)
AGENT_GID=$(id -g nobody)
WORK=$(mktemp -d /tmp/jex-demo-XXXXXX)
AGENT_PID=
cleanup() {
  [ -n "$AGENT_PID" ] && kill "$AGENT_PID" 2>/dev/null || true
  # The agent owns the delivered files; this demo's agent does nothing with
  # them, so remove them here.
  rm -rf "$WORK" /tmp/jex-101* /tmp/jex-102*
}
trap cleanup EXIT
chown "$AGENT_UID:$AGENT_GID" "$WORK"

echo
echo "== sample job data"
"$BIN/jex-sample-raster" --pages 3 --size 620x877 --dpi 75 --paper a4 > "$WORK/sample.ras"
cat > "$WORK/sample.pdf" <<'PDF'
%PDF-1.4
1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj
2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj
3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R
  /Resources << /Font << /F1 5 0 R >> >> >> endobj
4 0 obj << /Length 44 >> stream
BT /F1 24 Tf 72 760 Td (Hello from jex) Tj ET
endstream endobj
5 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj
trailer << /Root 1 0 R >>
%%EOF
PDF
ls -l "$WORK/sample.ras" "$WORK/sample.pdf"

echo
echo "== session agent of uid $AGENT_UID (nobody)"
setpriv --reuid="$AGENT_UID" --regid="$AGENT_GID" --clear-groups \
  "$ROOT/build/apps/jex-agent/jex-agent" Name=demo OutputDir="$WORK/out" > "$WORK/agent.out" 2>&1 &
AGENT_PID=$!
for _ in $(seq 50); do grep -q 'Listening' "$WORK/agent.out" 2>/dev/null && break; sleep 0.1; done
cat "$WORK/agent.out"

export PRINTER=demo-queue
echo
echo "== raster job from standard input: DEVICE_URI=jex:/ZRLE/$AGENT_UID@demo jex 101 alice 'Demo raster' 1 ''"
DEVICE_URI="jex:/ZRLE/$AGENT_UID@demo" "$JEX" 101 alice "Demo raster" 1 "" < "$WORK/sample.ras"
echo "(exit status $?)"

echo
echo "== PDF job from a file: DEVICE_URI=jex:/PDF/$AGENT_UID@demo jex 102 alice 'Demo PDF' 1 '' sample.pdf"
DEVICE_URI="jex:/PDF/$AGENT_UID@demo" "$JEX" 102 alice "Demo PDF" 1 "" "$WORK/sample.pdf"
echo "(exit status $?)"

sleep 3
kill "$AGENT_PID" && wait "$AGENT_PID" || true
AGENT_PID=
echo
echo "== what the agent logged"
cat "$WORK/agent.out"
echo
echo "== what it delivered"
ls -lR "$WORK/out" 2>/dev/null || echo "(nothing)"
