#!/usr/bin/env bash
# Formats the tree's C++ files with .clang-format (Debian's clang-format 14),
# or with --check lists every file it would change and fails.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find board eval search protocol tests fuzz main.cpp -name '*.cpp' -o -name '*.h' | sort)
fi
if [ "${1:-}" = "--check" ]; then
    if ! clang-format --dry-run -Werror "${files[@]}" 2>/tmp/quillon-format.$$; then
        grep -o '^[^:]*:[0-9]*' /tmp/quillon-format.$$ | sort -u | head -n 40 >&2
        rm -f /tmp/quillon-format.$$
        echo "format-check: files above differ from .clang-format; make format fixes them" >&2
        exit 1
    fi
    rm -f /tmp/quillon-format.$$
    echo "format-check: ${#files[@]} files follow .clang-format"
else
    clang-format -i "${files[@]}"
fi
