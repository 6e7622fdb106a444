#!/bin/bash
# Builds the armhf target root the cross build links against and the
# emulator runs in: Debian armhf packages unpacked with dpkg -x, nothing
# installed on this machine and no change to its dpkg or apt configuration.
#
#   scripts/armhf-sysroot.sh [<sysroot dir>]     default build-armhf/sysroot
#
# A private apt configuration (lists, state and download cache under
# <sysroot dir>/../apt, or $JEX_ARMHF_APT_DIR) sees only Debian's armhf
# packages. Downloads are cached there: a rerun fetches nothing and leaves
# an unchanged sysroot alone. JEX_ARMHF_REFRESH=1 refreshes the package lists.
# Needs apt-get, dpkg-deb and the Debian archive keyring; root is not needed.
set -euo pipefail
cd "$(dirname "$0")/.."
SYSROOT=$(realpath -m "${1:-build-armhf/sysroot}")
APTDIR=$(realpath -m "${JEX_ARMHF_APT_DIR:-$SYSROOT/../apt}")
MIRROR=${JEX_DEBIAN_MIRROR:-http://deb.debian.org/debian}
SECURITY=${JEX_DEBIAN_SECURITY:-http://deb.debian.org/debian-security}
KEYRING=/usr/share/keyrings/debian-archive-keyring.gpg
CODENAME=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")

# What the target runs with: the C and C++ runtimes (the emulator's dynamic
# loader comes from libc6), zlib, the CUPS imaging library and libpng (the
# session agent). Their
# dependencies are resolved by apt.
RUNTIME=(libc6 libgcc-s1 libstdc++6 zlib1g libcupsimage2 libpng16-16)
# What the build compiles and links against: headers and static libraries.
# Taken without their dependencies, which only matter to the linker when
# linking against the shared libraries above, and those are all here.
DEVEL=(zlib1g-dev libgtest-dev libgmock-dev libcupsimage2-dev libcups2-dev libpng-dev)

mkdir -p "$APTDIR"/{lists/partial,state,cache/archives/partial,etc/sources.list.d,etc/preferences.d,devel}
touch "$APTDIR/state/status"
cat >"$APTDIR/sources.list" <<SOURCES
deb [signed-by=$KEYRING] $MIRROR $CODENAME main
deb [signed-by=$KEYRING] $MIRROR $CODENAME-updates main
deb [signed-by=$KEYRING] $SECURITY $CODENAME-security main
SOURCES
cat >"$APTDIR/apt.conf" <<CONF
Dir::State "$APTDIR/state";
Dir::State::Lists "$APTDIR/lists";
Dir::State::status "$APTDIR/state/status";
Dir::Cache "$APTDIR/cache";
Dir::Cache::pkgcache "";
Dir::Cache::srcpkgcache "";
Dir::Etc::SourceList "$APTDIR/sources.list";
Dir::Etc::SourceParts "$APTDIR/etc/sources.list.d";
Dir::Etc::Preferences "$APTDIR/etc/preferences";
Dir::Etc::PreferencesParts "$APTDIR/etc/preferences.d";
APT::Architecture "armhf";
APT::Architectures { "armhf"; };
Acquire::Languages "none";
APT::Sandbox::User "root";
CONF
export APT_CONFIG=$APTDIR/apt.conf

have_lists() { compgen -G "$APTDIR/lists/*_${CODENAME}_main_binary-armhf_Packages*" >/dev/null; }
update_lists() {
  echo "== armhf sysroot: fetching package lists"
  # A mirror caught mid-sync fails one index (seen with the security suite);
  # the others still give a consistent, if slightly older, set.
  apt-get update -qq || echo "armhf sysroot: some package lists failed; going on with the others" >&2
  have_lists || { echo "armhf sysroot: no armhf package list for $CODENAME" >&2; exit 1; }
}

# The sysroot is rebuilt only when what it is made of changed.
stamp=$(echo "$CODENAME ${RUNTIME[*]} / ${DEVEL[*]} $MIRROR $SECURITY" | sha256sum | cut -c1-16)
if [ "${JEX_ARMHF_REFRESH:-0}" != 1 ] && [ -f "$SYSROOT/.stamp" ] &&
   [ "$(cat "$SYSROOT/.stamp")" = "$stamp" ]; then
  echo "== armhf sysroot: $SYSROOT is up to date"
  exit 0
fi

# Fills the download cache (apt and the loop skip what is there already) and
# lists the .deb files in debs[].
fetch() {
  debs=()
  apt-get install -qq -y -d --no-install-recommends "${RUNTIME[@]}" >/dev/null || return 1
  local name ver arch
  while read -r name ver arch; do
    debs+=("$APTDIR/cache/archives/${name}_${ver//:/%3a}_${arch}.deb")
  done < <(apt-get install -s -y --no-install-recommends "${RUNTIME[@]}" |
           sed -n 's/^Inst \([^ ]*\) (\([^ ]*\) .*\[\([a-z0-9]\+\)\]).*/\1 \2 \3/p')
  local file
  while read -r file; do
    debs+=("$APTDIR/devel/$file")
  done < <(apt-get download --print-uris "${DEVEL[@]}" | awk '{print $2}')
  local p missing=()
  for p in "${DEVEL[@]}"; do
    compgen -G "$APTDIR/devel/${p}_*" >/dev/null || missing+=("$p")
  done
  if ((${#missing[@]})); then
    (cd "$APTDIR/devel" && apt-get download -qq "${missing[@]}") || return 1
  fi
  local d
  for d in "${debs[@]}"; do [ -f "$d" ] || return 1; done
}

if [ "${JEX_ARMHF_REFRESH:-0}" = 1 ] || ! have_lists; then update_lists; fi
fetch || { update_lists && fetch; } ||
  { echo "armhf sysroot: could not fetch the armhf packages" >&2; exit 1; }

echo "== armhf sysroot: unpacking ${#debs[@]} packages into $SYSROOT"
rm -rf "$SYSROOT"
mkdir -p "$SYSROOT"
for d in "${debs[@]}"; do
  dpkg-deb -x "$d" "$SYSROOT"
done
# Absolute links (/usr/lib/.../libz.so -> /lib/...) would point into this
# machine's own root: make them relative so that they stay inside.
while IFS= read -r -d '' l; do
  t=$(readlink "$l")
  if [[ $t == /* ]]; then
    ln -sfn "$(realpath -m --relative-to="$(dirname "$l")" "$SYSROOT$t")" "$l"
  fi
done < <(find "$SYSROOT" -type l -print0)
echo "$stamp" >"$SYSROOT/.stamp"
