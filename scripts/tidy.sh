#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the project's own
# sources, compiled as a build folder's compile_commands.json says, and fails
# when it finds anything. Every finding is printed once (a header's findings
# come from each file that includes it), then a count per check.
#   bash scripts/tidy.sh [BUILD_DIR]    (default: build; configure it first)
# TVX_JOBS sets the parallelism (default 2), CLANG_TIDY the program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build}
jobs=${TVX_JOBS:-2}
tidy=${CLANG_TIDY:-$(command -v clang-tidy-14 || command -v clang-tidy || true)}
[ -n "$tidy" ] || { echo "tidy.sh: clang-tidy not found" >&2; exit 2; }
[ -f "$build/compile_commands.json" ] || {
  echo "tidy.sh: no $build/compile_commands.json; configure the build first" >&2
  exit 2
}

# Our sources only: not what the build generates (moc, resources), nor the
# C files (the checks are C++ ones).
build_abs=$(cd "$build" && pwd)
mapfile -t sources < <(jq -r '.[].file' "$build/compile_commands.json" |
  grep "^$root/" | grep -v "^$build_abs/" | grep -v '\.c$' | sort -u)
[ ${#sources[@]} -gt 0 ] || { echo "tidy.sh: no sources in $build" >&2; exit 2; }

# Headers of our own folders, not the ones the build generates.
filter="^$root/(app|bench|device|dfulib|package|platform|res|tests|tools|wizard)/"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "clang-tidy over ${#sources[@]} files, $jobs at a time"
printf '%s\0' "${sources[@]}" |
  xargs -0 -n1 -P"$jobs" "$tidy" -p "$build" --quiet --header-filter="$filter" >"$log" 2>/dev/null || true

# A finding is "path:line:col: warning: text [check]" and the lines after it
# up to the next one; each is kept once. The public headers of the C
# interface are C, which the C++ checks do not apply to.
findings=$(awk -v root="$root/" '
  /^\/.*:[0-9]+:[0-9]+: (warning|error): / {
    keep = !($0 in seen) && index($0, root "dfulib/include/") != 1; seen[$0] = 1
    if (keep) { sub(root, ""); print }
    next
  }
  keep && !/^[0-9]+ warnings? (and [0-9]+ errors? )?generated/ { print }
' "$log")
if [ -z "$findings" ]; then
  echo "clang-tidy: no findings"
  exit 0
fi
echo "$findings"
echo "==== findings per check"
echo "$findings" | grep -oE '^[^ ].*: (warning|error): .*\[[a-z0-9.,-]+\]$' |
  sed -E 's/.*\[([a-z0-9.,-]+)\]$/\1/' | sort | uniq -c | sort -rn
exit 1
