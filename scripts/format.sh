#!/usr/bin/env bash
# Formats the project's C and C++ sources as .clang-format says, or with
# --check only lists the files that differ from it and fails when any does.
#   bash scripts/format.sh [--check]
# CLANG_FORMAT names the program (default clang-format-14, the version the
# layout was made with: another version may lay out a few lines otherwise).
set -euo pipefail
cd "$(dirname "$0")/.."
format=${CLANG_FORMAT:-$(command -v clang-format-14 || command -v clang-format || true)}
[ -n "$format" ] || { echo "format.sh: clang-format not found" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  # One run over every file; each place that differs is one error line.
  mapfile -t differ < <("$format" --dry-run "${files[@]}" 2>&1 |
    sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
  if [ ${#differ[@]} -gt 0 ]; then
    printf 'not formatted: %s\n' "${differ[@]}"
    echo "format.sh: ${#differ[@]} files differ from .clang-format (bash scripts/format.sh formats them)"
    exit 1
  fi
  echo "format.sh: ${#files[@]} files as .clang-format says"
else
  "$format" -i "${files[@]}"
fi
