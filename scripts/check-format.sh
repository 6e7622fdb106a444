#!/bin/bash
# Checks that the C++ files changed since the code style was set (the last
# commit that touched .clang-format), committed or not, are formatted.
# Prints the offending files and exits 1; silent when all is well.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! git rev-parse --git-dir >/dev/null 2>&1; then
  exit 0  # not a checkout: nothing to compare with
fi
base=$(git log -1 --format=%H -- .clang-format)
[ -n "$base" ] || exit 0

bad=()
while IFS= read -r f; do
  case "$f" in
    base/3rdparty/*) continue ;;
    *.cpp|*.h) ;;
    *) continue ;;
  esac
  [ -f "$f" ] || continue
  if ! clang-format --style=file --dry-run -Werror "$f" >/dev/null 2>&1; then
    bad+=("$f")
  fi
done < <( (git diff --name-only "$base"; git ls-files --others --exclude-standard) | sort -u)

if ((${#bad[@]})); then
  echo "not formatted (run: clang-format -i ${bad[*]}):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
