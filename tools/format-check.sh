#!/usr/bin/env bash
# tools/format-check.sh [BASE]
# Checks that the C++ lines changed since BASE follow .clang-format; untouched
# lines are left as they are. BASE defaults to the merge base with main, or to the
# previous commit when the work is main itself. Prints the fix as a diff and ends
# non-zero when a changed line would be formatted differently.
set -euo pipefail
cd "$(dirname "$0")/.."

base=${1:-}
if [ -z "$base" ]; then
  for upstream in origin/main main; do
    base=$(git merge-base HEAD "$upstream" 2>/dev/null || true)
    [ -n "$base" ] && break
  done
  if [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; then
    base=$(git rev-parse --verify -q HEAD~1 || true)
  fi
fi
if [ -z "$base" ]; then
  echo "format-check: no earlier commit to compare with"
  exit 0
fi

out=$(git clang-format --binary clang-format --extensions cpp,h --diff "$base" 2>&1 || true)
if printf '%s\n' "$out" | grep -q '^diff --git'; then
  printf '%s\n' "$out"
  echo "format-check: changed lines differ from .clang-format (to fix: git clang-format $base)"
  exit 1
fi
echo "format-check: changed lines since $(git rev-parse --short "$base") follow .clang-format"
