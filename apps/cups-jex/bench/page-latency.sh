#!/bin/bash
# What the backend adds to the time between "print" and the page.
#
# Makes its own corpus with CUPS's filters (cupsfilter: pdftopdf, then
# gstoraster to 8-bit RGB raster) from three generated sample documents: a
# page of dense text, a photograph stand-in (smooth colour fields with fine
# grain, stored as a JPEG-compressed PDF image) and a nearly blank page,
# each on A4 at 300 and 600 dpi. Per page it prints:
#   1 thr, N thr  the page conversion (jex-page-bench: the backend's raster
#                 code, page files included) with EncoderThreads 1 and with
#                 its default N, and their ratio;
#   |cat, |jex    (raster filter | cat) and (raster filter | jex-page-bench)
#                 with the default, and their ratio;
#   MB 1, MB N    peak resident memory of the conversion;
#   size          page data with N threads against 1 thread.
# Times are wall seconds, the best of RUNS runs (default 5); measure on an
# otherwise idle machine (the load average is printed).
#
#   apps/cups-jex/bench/page-latency.sh [BUILD_DIR]     (default: build)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
BUILD=${1:-$ROOT/build}
RUNS=${RUNS:-5}

for tool in cupsfilter gs /usr/bin/time; do
  command -v "$tool" >/dev/null ||
    { echo "page-latency: $tool is missing (packages cups-filters, ghostscript, time)" >&2; exit 1; }
done
[ -d "$BUILD" ] || cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --target jex-page-bench >/dev/null
BENCH=$BUILD/apps/cups-jex/jex-page-bench
WORK=$(mktemp -d /tmp/jex-latency-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

cat > text.ps <<'EOF'
%!PS
/Times-Roman findfont 10 scalefont setfont
0 1 68 { 11.5 mul 800 exch sub 50 exch moveto
  (Pack my box with five dozen liquor jugs; the quick brown fox jumps over the lazy dog 0123456789.) show
} for
showpage
EOF
cat > blank.ps <<'EOF'
%!PS
/Helvetica findfont 9 scalefont setfont
50 800 moveto (Page 1 of 1) show
showpage
EOF
cat > photo.ps <<'EOF'
%!PS
/W 1654 def /H 2339 def
/tab [ 0 1 255 { 360 mul 256 div sin 1 add 100 mul cvi } for ] def
/seed 12345 def
/rnd { /seed seed 75 mul 74 add 65537 mod def seed } bind def
/row W 3 mul string def
/y 0 def
/doRow {
  0 1 W 1 sub { /x exch def
    /n rnd 40 mod def
    row x 3 mul tab x 5 idiv y 7 idiv add 255 and get n add 255 min put
    row x 3 mul 1 add tab x 11 idiv y 3 idiv sub 64 add 255 and get n 2 idiv add 20 add 255 min put
    row x 3 mul 2 add tab x y add 13 idiv x y sub abs 17 idiv add 255 and get n add 10 add 255 min put
  } for
  /y y 1 add def row
} bind def
595 842 scale
W H 8 [W 0 0 H neg 0 H] /doRow load false 3 colorimage
showpage
EOF
for doc in text photo blank; do
  gs -q -dSAFER -sDEVICE=pdfwrite -sPAPERSIZE=a4 -o $doc.pdf $doc.ps
done

filter() { # document dpi
  cupsfilter -m application/vnd.cups-raster -o PageSize=A4 -o ColorModel=RGB \
    -o Resolution="$2dpi" "$1" 2>/dev/null
}
export -f filter

# best COMMAND: the least wall time of RUNS runs of a bash command line, in
# milliseconds' resolution (a page can take less than 0.1 s).
best() {
  local TIMEFORMAT=%3R
  for _ in $(seq "$RUNS"); do
    { time bash -c "$1" >/dev/null 2>&1; } 2>&1
  done | sort -n | head -1
}
peak() { # threads raster: peak resident memory in MB
  /usr/bin/time -f %M -o m "$BENCH" "$1" < "$2" >/dev/null
  awk '{ printf "%.1f", $1 / 1024 }' m
}
bytes() { "$BENCH" "$1" < "$2" | awk '{ print $3 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

N=$(nproc); [ "$N" -gt 4 ] && N=4
echo "$(nproc) cores online, default EncoderThreads $N, best of $RUNS runs, load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-10s %11s %6s %6s %5s %6s %6s %5s %5s %5s %6s\n' \
  page pixels "1 thr" "N thr" N/1 "|cat" "|jex" jex/c "MB 1" "MB N" size
for doc in text photo blank; do
  for dpi in 300 600; do
    filter $doc.pdf $dpi > page.ras
    dims=$(od -An -j 376 -N 8 -t u4 --endian=big page.ras | awk '{ print $1 "x" $2 }')
    t1=$(best "'$BENCH' 1 < page.ras")
    tn=$(best "'$BENCH' < page.ras")
    tcat=$(best "filter $doc.pdf $dpi | cat")
    tjex=$(best "filter $doc.pdf $dpi | '$BENCH'")
    growth=$(awk -v a="$(bytes "$N" page.ras)" -v b="$(bytes 1 page.ras)" \
      'BEGIN { printf "%+.2f%%", (a - b) * 100 / b }')
    printf '%-10s %11s %6s %6s %5s %6s %6s %5s %5s %5s %6s\n' \
      "$doc $dpi" "$dims" "$t1" "$tn" "$(ratio "$tn" "$t1")" "$tcat" "$tjex" \
      "$(ratio "$tjex" "$tcat")" "$(peak 1 page.ras)" "$(peak "$N" page.ras)" "$growth"
  done
done
