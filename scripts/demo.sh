#!/bin/bash
# jex at work under a real CUPS scheduler, without touching the system's.
#
# Builds jex, starts a private CUPS scheduler (scripts/private-cupsd.sh)
# with only the jex backend, makes a demo user with a jex queue
# (jex-queue), starts that user's session agent, prints a two-page PDF
# with lp and shows what arrived in the user's Printouts folder: the PNG
# pages with their sizes and the PDF. Everything is removed at the end.
# Run as root on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

if [ "$(id -u)" -ne 0 ]; then
  echo "demo: run as root (it starts a CUPS scheduler and makes a demo user)" >&2
  exit 1
fi
PACKAGES=(cmake make g++ libgtest-dev zlib1g-dev libcupsimage2 libcupsimage2-dev
          libcups2-dev libpng-dev cups-daemon cups-client cups-filters ghostscript
          poppler-utils procps)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$p")
done
if ((${#missing[@]})); then
  echo "== installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null ||
    { apt-get update >/dev/null &&
      apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null; }
fi

echo "== building"
cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$ROOT/build" -j"$(nproc)" --target jex jex-agent jex-page jex-probe >/dev/null
B=$ROOT/build
export PATH=$B/apps/jex-admin:$PATH
export JEX_PPD_DIR=$ROOT/packaging/ppd JEX_PROBE=$B/apps/jex-admin/jex-probe

DIR=$(mktemp -d /tmp/jex-demo-XXXXXX)
USER_NAME=jexdemo
AGENT_PID=
cleanup() {
  [ -z "$AGENT_PID" ] || kill "$AGENT_PID" 2>/dev/null || true
  "$ROOT/scripts/private-cupsd.sh" stop "$DIR"
  if [ -n "${DEMO_UID:-}" ]; then
    userdel "$USER_NAME" 2>/dev/null || true
    rm -rf "/tmp/.jex-$DEMO_UID"
  fi
  rm -rf "$DIR"
}
trap cleanup EXIT

echo
echo "== a private CUPS scheduler in $DIR"
export "$("$ROOT/scripts/private-cupsd.sh" start "$DIR" "$B/apps/cups-jex/jex")"
export JEX_BACKEND=$DIR/bin/backend/jex
echo "CUPS_SERVER=$CUPS_SERVER"
lpinfo -v

echo
echo "== demo user $USER_NAME and a queue for it: jex-queue add $USER_NAME"
id "$USER_NAME" >/dev/null 2>&1 && { echo "demo: user $USER_NAME exists already" >&2; exit 1; }
useradd -m -d "$DIR/home" -s /bin/false "$USER_NAME"
DEMO_UID=$(id -u "$USER_NAME")
jex-queue add "$USER_NAME"
jex-queue list

echo
echo "== $USER_NAME's session agent"
OUT=$DIR/home/Printouts
setpriv --reuid="$USER_NAME" --regid="$(id -g "$USER_NAME")" --init-groups \
  env HOME="$DIR/home" LANG=C "$B/apps/jex-agent/jex-agent" "OutputDir=$OUT" \
  >"$DIR/agent.log" 2>&1 &
AGENT_PID=$!
for _ in $(seq 50); do [ -S "/tmp/.jex-$DEMO_UID/print.agent" ] && break; sleep 0.1; done
ls -l "/tmp/.jex-$DEMO_UID"

echo
echo "== jex-doctor $USER_NAME"
jex-doctor "$USER_NAME" || true

echo
echo "== a two-page PDF, printed with lp"
cat >"$DIR/sample.ps" <<'PS'
%!PS
/Helvetica findfont 36 scalefont setfont
1 1 2 {
  /n exch def
  0.2 0.4 0.8 setrgbcolor 72 500 450 200 rectfill
  0 setgray 72 760 moveto (Hello from jex, page ) show n 2 string cvs show
  showpage
} for
PS
gs -q -dSAFER -sDEVICE=pdfwrite -sPAPERSIZE=a4 -o "$DIR/sample.pdf" "$DIR/sample.ps"
chmod 644 "$DIR/sample.pdf"
setpriv --reuid="$USER_NAME" --regid="$(id -g "$USER_NAME")" --init-groups \
  lp -d "jex-$USER_NAME" -t "Demo PDF" "$DIR/sample.pdf"
# The agent logs each job once it is delivered whole.
for _ in $(seq 300); do
  grep -qE 'delivered to|could not be delivered' "$DIR/agent.log" && break
  sleep 0.2
done
lpstat -W completed -o "jex-$USER_NAME"

echo
echo "== what arrived in $OUT"
find "$OUT" -type f | sort | while read -r f; do
  case "$f" in
    *.png)
      # Width and height are the IHDR chunk's first two words.
      read -r w h < <(od -An -tu1 -j16 -N8 "$f" |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
      echo "${f#"$OUT"/}: PNG, $w x $h pixels, $(stat -c %s "$f") bytes" ;;
    *.pdf)
      echo "${f#"$OUT"/}: PDF, $(pdfinfo "$f" | sed -n 's/^Pages: *//p') pages of" \
        "$(pdfinfo "$f" | sed -n 's/^Page size: *//p'), $(stat -c %s "$f") bytes" ;;
    *) echo "${f#"$OUT"/}" ;;
  esac
done
echo
echo "== the agent's log (the doctor's probe, run as root, was refused)"
cat "$DIR/agent.log"
