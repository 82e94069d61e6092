#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix and passes on its
# output and exit code. CTest uses it as the emulator of the Windows builds.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
qz_wine_ready || exit 1
qz_wine_run "$@"
