#!/usr/bin/env bash
# Builds with the address and undefined-behaviour sanitizers into ./build-asan
# and runs every test there, offscreen.  A sanitizer report fails the run: the
# build stops at the first undefined behaviour (-fno-sanitize-recover), the
# options below make the address sanitizer stop at its first report too, and
# every report, also one from a child process a test starts, is written to
# build-asan/sanitizer-logs, which must be empty at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOSPAN_SANITIZE=ON -DVOSPAN_WERROR=ON \
      -DVOSPAN_BUILD_BENCH=OFF "$@" >/dev/null
cmake --build build-asan -j"$(nproc)"
logs="$PWD/build-asan/sanitizer-logs"
rm -rf "$logs" && mkdir -p "$logs"
supp="$PWD/scripts/sanitizer"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:log_path=$logs/asan:exitcode=86"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$logs/ubsan:exitcode=86"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
status=0
(cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)") || status=$?
if compgen -G "$logs/*" >/dev/null; then
  echo "Sanitizer reports:" >&2
  for f in "$logs"/*; do echo "== $f" >&2; cat "$f" >&2; done
  status=1
fi
exit $status
