#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the sample database.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh
exec ./build/vospan build/sample/sample.sqlite
