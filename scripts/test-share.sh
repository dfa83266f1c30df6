#!/usr/bin/env bash
# Prints the non-blank lines of program code (vexaLogging3/, tools/) and of tests (tests/),
# C++ sources and headers only, and the tests' share of the code. Informational: the project
# keeps tests at about a quarter to a third of the code.
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
    find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' \) \
        -print0 | xargs -0 -r cat | grep -cv '^[[:space:]]*$' || true
}

code=$(count vexaLogging3 tools)
tests=$(count tests)
echo "program code: ${code} non-blank lines (vexaLogging3/, tools/)"
echo "tests:        ${tests} non-blank lines (tests/)"
awk -v t="$tests" -v c="$code" 'BEGIN { if (c > 0) printf "test share:   %.1f %% of the code\n", 100 * t / c }'
for dir in tests/*/; do
    printf '  %-16s %6s\n' "$dir" "$(count "$dir")"
done
