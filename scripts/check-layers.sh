#!/bin/bash
# Fails when a module includes a header of a module that is not below it.
# The library links in the CMake files say the same; this keeps the
# include side honest, since all modules share the base/ and libs/ roots.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A ALLOWED=(
  [base/plat]="plat"
  [base/3rdparty/Xregion]="plat Xregion"
  [base/rdr]="plat rdr"
  [base/os]="plat os"
  [base/loc]="plat rdr loc"
  [base/io]="plat rdr os io"
  [base/rfb]="plat rdr Xregion rfb"
  [libs/rfbdec]="plat rdr rfb rfbdec"
  [libs/rfbenc]="plat rdr Xregion rfb rfbenc rfbdec"
  [apps/cups-jex]="plat rdr os loc io Xregion rfb rfbenc rfbdec"
  [apps/jex-agent]="plat rdr os loc io Xregion rfb rfbenc rfbdec"
)
MODULES="plat Xregion rdr os loc io rfb rfbenc rfbdec"

bad=0
for dir in "${!ALLOWED[@]}"; do
  [ -d "$dir" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    inc=$(sed -E 's/.*#include[[:space:]]*[<"]([^/">]+)\/.*/\1/' <<<"${line#*:}")
    case " $MODULES " in *" $inc "*) ;; *) continue ;; esac
    case " ${ALLOWED[$dir]} " in
      *" $inc "*) ;;
      *) echo "layering: $file includes <$inc/...>" >&2; bad=1 ;;
    esac
  done < <(grep -rn --include='*.h' --include='*.cpp' -E '#include[[:space:]]*[<"][^/">]+/' "$dir" || true)
done
exit $bad
