#!/usr/bin/env bash
# Sets up, builds and runs every test: core and command line, windows offscreen, the Windows
# command line under Wine against the Linux build, and the core tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

scripts/build.sh dev
ctest --preset dev

scripts/build.sh windows
tests/windows/run.sh build/dev/bin build/windows build/windows/wine

scripts/build.sh asan
ctest --preset asan
