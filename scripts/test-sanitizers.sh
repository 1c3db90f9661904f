#!/usr/bin/env bash
# Builds the test programs under AddressSanitizer + UndefinedBehaviorSanitizer
# and under ThreadSanitizer, each in a build folder of its own (build-asan,
# build-tsan), and runs the whole suite under each. Any finding fails the run.
#   bash scripts/test-sanitizers.sh          # both
#   bash scripts/test-sanitizers.sh tsan     # one of them
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}  # JOBS: fewer on a shared machine
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(asan tsan)

run_kind() {
  local kind=$1 flags
  case "$kind" in
    asan) flags="-fsanitize=address,undefined -fno-sanitize-recover=all" ;;
    tsan) flags="-fsanitize=thread" ;;
    *) echo "unknown sanitizer build: $kind" >&2; return 2 ;;
  esac
  local dir="build-$kind"
  echo "== $kind: building in $dir"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSNAPHARBOR_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$flags -fno-omit-frame-pointer" \
        -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
  cmake --build "$dir" -j"$jobs"
  echo "== $kind: running the suite"
  (
    cd "$dir"
    export QT_QPA_PLATFORM=offscreen
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
    export LSAN_OPTIONS="suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/sanitizers/tsan.supp"
    # Recent kernels randomise mappings more widely than ThreadSanitizer allows.
    local wrap=()
    if [ "$kind" = tsan ] && command -v setarch >/dev/null; then wrap=(setarch "$(uname -m)" -R); fi
    "${wrap[@]}" ctest --output-on-failure -j"$jobs" --timeout 600
  )
}

status=0
for kind in "${kinds[@]}"; do
  run_kind "$kind" || status=1
done
exit $status
