#!/bin/sh
# Lists the C++ files of the tree (every tracked *.h and *.cpp) that clang-format would change
# under .clang-format, and fails if there is any. With --fix it rewrites them in place instead.
# Usage: cmake/check_format.sh [--fix]   (CLANG_FORMAT=<binary> picks another clang-format)
cd "$(dirname "$0")/.." || exit 2
tool=${CLANG_FORMAT:-clang-format}
if ! command -v "$tool" >/dev/null 2>&1; then
    echo "check_format: $tool not found; install clang-format (14 or later) to check the format"
    exit 2
fi
files=$(git ls-files '*.h' '*.cpp')
if [ "$1" = "--fix" ]; then
    # shellcheck disable=SC2086
    "$tool" -i --style=file $files
    exit $?
fi
status=0
for f in $files; do
    if ! "$tool" --style=file "$f" | cmp -s "$f" -; then
        echo "$f"
        status=1
    fi
done
[ $status -eq 0 ] && echo "check_format: every file is formatted"
exit $status
