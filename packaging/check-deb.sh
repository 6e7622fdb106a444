#!/bin/bash
# Builds the Debian package of a build tree and checks what it holds: every
# file with its owner and mode, the architecture, the dependencies and the
# post-install script.
#
#   packaging/check-deb.sh BUILD_DIR CUPS_SERVERBIN CUPS_DATADIR [--with-agent]
set -euo pipefail
BUILD=$1 SERVERBIN=$2 DATADIR=$3 WITH_AGENT=${4:-}
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT

cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$OUT" >"$OUT/cpack.log" 2>&1 ||
  { cat "$OUT/cpack.log"; exit 1; }
deb=$(echo "$OUT"/jex_*.deb)
[ -f "$deb" ] || { echo "no package made"; cat "$OUT/cpack.log"; exit 1; }

# "mode owner path" of each regular file, in the form dpkg-deb lists them.
expected=(
  "-rwx------ root/root .$SERVERBIN/backend/jex"
  "-rw-r--r-- root/root .$DATADIR/model/jex/jex-pdf.ppd"
  "-rw-r--r-- root/root .$DATADIR/model/jex/jex-ps.ppd"
  "-rw-r--r-- root/root .$DATADIR/model/jex/jex-zrle.ppd"
  "-rwxr-xr-x root/root ./usr/bin/jex-doctor"
  "-rwxr-xr-x root/root ./usr/bin/jex-queue"
  "-rwxr-xr-x root/root ./usr/libexec/jex/jex-probe"
)
if [ "$WITH_AGENT" = --with-agent ]; then
  expected+=(
    "-rwxr-xr-x root/root ./usr/bin/jex-agent"
    "-rwxr-xr-x root/root ./usr/bin/jex-log"
    "-rwxr-xr-x root/root ./usr/bin/jex-page"
    "-rw-r--r-- root/root ./usr/lib/systemd/user/jex-agent.service"
    "-rw-r--r-- root/root ./etc/xdg/autostart/jex-agent.desktop"
  )
fi
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $1, $2, $6}' | sort)
want=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$actual" != "$want" ]; then
  echo "package file list differs (< expected, > in $deb):"
  diff <(echo "$want") <(echo "$actual") || true
  exit 1
fi
# Every directory root's too, none writable by others.
bad=$(dpkg-deb -c "$deb" | awk '$1 ~ /^d/ && ($2 != "root/root" || $1 ~ /w.$/)')
[ -z "$bad" ] || { echo "directories of the wrong owner or mode:"; echo "$bad"; exit 1; }

arch=$(dpkg-deb -f "$deb" Architecture)
want_arch=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "\(.*\)")$/\1/p' "$BUILD/CPackConfig.cmake")
[ "$arch" = "${want_arch:-$(dpkg --print-architecture)}" ] ||
  { echo "architecture $arch, expected $want_arch"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
for d in cups-daemon libcupsimage2 zlib1g libpng16-16; do
  [[ ", $depends," == *", $d"[\ ,]* ]] || { echo "Depends lacks $d: $depends"; exit 1; }
done
dpkg-deb -e "$deb" "$OUT/control"
[ -x "$OUT/control/postinst" ] && grep -q 'jex-queue add USER' "$OUT/control/postinst" ||
  { echo "no post-install message naming jex-queue add"; exit 1; }
echo "$(basename "$deb"): $(wc -l <<<"$actual") files, $arch, Depends: $depends"
