#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build: each for FUZZ_SECONDS (default 60), FUZZ_PARALLEL at a time
# (default 1), starting from the seeds the target writes and from its regression corpus. Prints a
# table of targets, seconds, executions and findings; exits 1 when any target found something (its
# input is under <build>/fuzz-runs/artifacts/<target>/). Every run is also added to
# <build>/fuzz-runs/totals.tsv.
#   fuzz/run.sh <fuzz build dir> [target ...]      (no target: every line of targets.def)
set -uo pipefail
build=$(cd "${1:?usage: fuzz/run.sh <fuzz build dir> [target ...]}" && pwd)
shift
src=$(cd "$(dirname "$0")" && pwd)
seconds=${FUZZ_SECONDS:-60}
parallel=${FUZZ_PARALLEL:-1}
out="$build/fuzz-runs"
mkdir -p "$out"
if [ $# -gt 0 ]; then targets=("$@"); else mapfile -t targets < "$build/fuzz/targets.txt"; fi

run_one() {
    local name=$1 bin="$build/fuzz/fuzz_$1"
    export UBSAN_OPTIONS=print_stacktrace=1
    rm -rf "$out/artifacts/$name"   # what an earlier run found is in fuzz/corpus/ once mended
    mkdir -p "$out/corpus/$name" "$out/artifacts/$name" "$out/seeds/$name"
    rm -f "$out/$name.rc"
    # The set-up's templates live until exit: only the inputs are checked for leaks.
    if ! ASAN_OPTIONS=detect_leaks=0 ASTROVANE_FUZZ_WRITE_SEEDS="$out/seeds/$name" "$bin" > "$out/$name.seeds.log" 2>&1; then
        echo 2 > "$out/$name.rc"
        return
    fi
    local dirs=("$out/corpus/$name" "$out/seeds/$name")
    [ -d "$src/corpus/$name" ] && dirs+=("$src/corpus/$name")
    # An input counts as hung after 10 s: the largest seed, a whole save of a long game (477 kB),
    # takes 0.95 s alone in the sanitizer build and more beside seven other targets, and a 1 s limit
    # made it a finding.
    "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -malloc_limit_mb=1024 -print_final_stats=1 \
        -artifact_prefix="$out/artifacts/$name/" "${dirs[@]}" > "$out/$name.log" 2>&1
    echo $? > "$out/$name.rc"
}
export -f run_one
export build out src seconds

printf '%s\n' "${targets[@]}" | xargs -P "$parallel" -I{} bash -c 'run_one {}'

failed=0
printf '%-16s %8s %12s  %s\n' target seconds executions findings
for name in "${targets[@]}"; do
    rc=$(cat "$out/$name.rc" 2>/dev/null || echo 3)
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$name.log" 2>/dev/null | tail -1)
    secs=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$out/$name.log" 2>/dev/null | tail -1)
    finding=none
    if [ "$rc" != 0 ]; then
        failed=1
        case "$rc" in
            2) finding="seed writing failed: $out/$name.seeds.log" ;;
            *) finding="$(grep -m1 -oE 'ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer)[^(]*|runtime error: .*|SUMMARY: .*' "$out/$name.log" | head -1) ($(ls "$out/artifacts/$name" | head -1))" ;;
        esac
    fi
    printf '%-16s %8s %12s  %s\n' "$name" "${secs:-?}" "${execs:-?}" "$finding"
    printf '%s\t%s\t%s\t%s\n' "$name" "${secs:-0}" "${execs:-0}" "$rc" >> "$out/totals.tsv"
done
exit $failed
