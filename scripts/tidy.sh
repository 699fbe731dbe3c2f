#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the project's own
# sources, compiled as a build folder's compile_commands.json says, and fails
# when it finds anything. Every finding is printed once (a header's findings
# come from each file that includes it), then a count per check.
#   bash scripts/tidy.sh [--since COMMIT] [BUILD_DIR]
# BUILD_DIR defaults to build (configure it first). With --since, only the
# sources changed since COMMIT (committed or not) are checked, and those
# that include a changed header.
# TVX_JOBS sets the parallelism (default 2), CLANG_TIDY the program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
since=
if [ "${1:-}" = --since ]; then
  [ $# -ge 2 ] || { echo "tidy.sh: --since needs a commit" >&2; exit 2; }
  since=$2
  shift 2
fi
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

# includes_of FILE...: a pattern for an #include of any of the files, by
# name, with or without its folder.
includes_of() {
  local names
  names=$(printf '%s\n' "$@" | sed -E 's|.*/||; s|[.]|[.]|g' | paste -sd'|')
  echo "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]([^\">]*/)?($names)[\">]"
}

# affected: of the sources, those changed since $since, and those that
# include a changed header directly or through other headers of ours.
affected() {
  local -a changed headers more
  mapfile -t changed < <({
    git diff --name-only --diff-filter=d "$since" -- '*.cpp' '*.h'
    git ls-files --others --exclude-standard -- '*.cpp' '*.h'
  } | sed "s|^|$root/|")
  mapfile -t headers < <(printf '%s\n' "${changed[@]}" | grep '[.]h$' || true)
  while [ ${#headers[@]} -gt 0 ]; do
    mapfile -t more < <(git ls-files -z '*.h' | sed -z "s|^|$root/|" |
      xargs -0 grep -lE "$(includes_of "${headers[@]}")" |
      grep -vxF -f <(printf '%s\n' "${headers[@]}") || true)
    [ ${#more[@]} -gt 0 ] || break
    headers+=("${more[@]}")
  done
  {
    printf '%s\n' "${sources[@]}" | grep -xF -f <(printf '%s\n' "${changed[@]}") || true
    if [ ${#headers[@]} -gt 0 ]; then
      printf '%s\0' "${sources[@]}" | xargs -0 grep -lE "$(includes_of "${headers[@]}")" || true
    fi
  } | sort -u
}

if [ -n "$since" ]; then
  git rev-parse --verify -q "$since^{commit}" >/dev/null ||
    { echo "tidy.sh: $since is not a commit" >&2; exit 2; }
  mapfile -t sources < <(affected)
  if [ ${#sources[@]} -eq 0 ]; then
    echo "clang-tidy: no sources changed since $since"
    exit 0
  fi
fi

# Headers of our own folders, not the ones the build generates.
filter="^$root/(app|bench|config|device|dfulib|package|platform|res|tests|tools|versions|wizard)/"
log=$(mktemp)
commands=$(mktemp)
trap 'rm -f "$log" "$commands"' EXIT

# Almost all of a file's time goes into matching the checks against the
# declarations of the Qt, GoogleTest and standard headers it includes, which
# clang-tidy cannot skip, so a file costs seconds however small it is. A
# file's findings are therefore kept, keyed by what the compiler sees of it
# (its preprocessed text, with every header) and by the checks and the
# clang-tidy that made them: only what changed since an earlier run is
# checked again. TVX_TIDY_CACHE moves the store (beside ccache's by default,
# so CI keeps it the same way); TVX_TIDY_CACHE=off checks everything.
cache=${TVX_TIDY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tvx-tidy}
[ "$cache" = off ] || mkdir -p "$cache"
# One line per source: the file, its folder and its compile command, from
# the first entry as clang-tidy -p also takes it.
jq -r 'map(select(.command != null)) | unique_by(.file) | .[] |
  [.file, .directory, .command] | @tsv' "$build/compile_commands.json" >"$commands"
setup=$( { "$tidy" --version; cat .clang-tidy; echo "${filter#"^$root/"}"; } | sha256sum | cut -d' ' -f1)

# tidy_one FILE: the file's findings, from the store when it has them.
tidy_one() {
  local file=$1 dir command key out
  if [ "$cache" != off ]; then
    IFS=$'\t' read -r _ dir command < <(awk -F'\t' -v f="$file" '$1 == f { print; exit }' "$commands")
    # The compile command without its output, preprocessing only; paths are
    # kept out of the key so that a checkout elsewhere finds the same one.
    command=$(sed -E 's/ -o [^ ]+//; s/ -c / /' <<<"$command")
    key=$( { echo "$setup ${file#"$root"/} $command"; (cd "$dir" && eval "$command -E -P -o -" 2>/dev/null)
      } | sed "s|$root/||g" | sha256sum | cut -d' ' -f1)
    if [ -f "$cache/$key" ]; then
      sed "s|@ROOT@|$root/|g" "$cache/$key"
      return 0
    fi
  fi
  # Findings are warnings, so a failure is a file that did not compile: it
  # is printed, never kept.
  if out=$("$tidy" -p "$build" --quiet --header-filter="$filter" "$file" 2>/dev/null) &&
     [ "$cache" != off ]; then
    sed "s|$root/|@ROOT@|g" <<<"$out" >"$cache/$key.$$" && mv "$cache/$key.$$" "$cache/$key"
  fi
  printf '%s\n' "$out"
}
export -f tidy_one
export tidy build filter cache commands setup root

echo "clang-tidy over ${#sources[@]} files, $jobs at a time (store: $cache)"
printf '%s\0' "${sources[@]}" |
  xargs -0 -n1 -P"$jobs" bash -c 'tidy_one "$1"' tidy_one >"$log" || true

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
