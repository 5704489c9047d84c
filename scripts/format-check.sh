#!/bin/sh
# Checks (or with --fix, applies) the checked-in .clang-format on every tracked C++ file.
set -eu
cd "$(dirname -- "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    # shellcheck disable=SC2086
    clang-format -i $files
    exit 0
fi
# shellcheck disable=SC2086
if ! clang-format --dry-run --Werror $files; then
    echo "format-check: run 'make format' to apply .clang-format" >&2
    exit 1
fi
