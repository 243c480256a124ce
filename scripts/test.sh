#!/usr/bin/env bash
# Installs what is needed, builds the program twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer), warnings being errors, and runs every test in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUSKO_WERROR=ON
ctest --test-dir build --output-on-failure -j2

# Qt's own libraries hold memory until exit that LeakSanitizer would report; leaks are not
# checked here, every other error stops the run.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DTUSKO_SANITIZE=ON -DTUSKO_WERROR=ON
ctest --test-dir build-asan --output-on-failure -j2
