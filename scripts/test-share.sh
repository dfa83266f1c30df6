#!/usr/bin/env bash
# Prints the non-blank lines of program code (vexaLogging3/, tools/) and of tests (tests/), and
# the tests' share of the code: the figure the project keeps at a third or less.
# Program code is every source language the program is written in (C++, the share page's
# HTML/JavaScript/CSS, Python, shell, CMake). Tests are every file under tests/, whatever its
# language, data included, so nothing a test needs escapes the count.
set -euo pipefail
cd "$(dirname "$0")/.."

nonblank() { xargs -0 -r cat | grep -cv '^[[:space:]]*$' || true; }

code_files() {
    find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' \
        -o -name '*.h.in' -o -name '*.html' -o -name '*.js' -o -name '*.css' -o -name '*.py' \
        -o -name '*.sh' -o -name 'CMakeLists.txt' -o -name '*.cmake' \) -print0
}
test_files() { find "$@" -type f ! -name '*.pyc' ! -path '*/__pycache__/*' -print0; }

code=$(code_files vexaLogging3 tools | nonblank)
tests=$(test_files tests | nonblank)
echo "program code: ${code} non-blank lines (vexaLogging3/, tools/; C++, HTML/JS/CSS, Python, shell, CMake)"
echo "tests:        ${tests} non-blank lines (every file under tests/)"
awk -v t="$tests" -v c="$code" 'BEGIN { if (c > 0) printf "test share:   %.1f %% of the code\n", 100 * t / c }'
for dir in tests/*/; do
    printf '  %-16s %6s\n' "$dir" "$(test_files "$dir" | nonblank)"
done
printf '  %-16s %6s\n' "tests/ (top)" "$(find tests -maxdepth 1 -type f -print0 | nonblank)"
