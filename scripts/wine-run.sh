#!/usr/bin/env bash
# Runs one Windows GoogleTest program under the project's Wine prefix and
# passes on its output; ends with 0 only when the program did and at least
# one test passed (qz_wine_gtest). The CTest entries of the Windows builds run
# their test programs through it.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
qz_wine_ready || exit 1
qz_wine_gtest "$@"
