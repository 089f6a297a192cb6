#!/bin/sh
# Runs every fuzz target in BUILD/fuzz for SECONDS each, JOBS at a time. Each starts from its own
# corpus (BUILD/corpus/NAME) and the sample files of its kind (fuzz_<name> from the folder of the
# same name in SAMPLES, when there is one) and fuzz/seeds/NAME, with the words of fuzz/NAME.dict
# when there is one. A target that finds a fault shows the end of its log and the run fails.
#   fuzz/run-fuzzers.sh BUILD SAMPLES SECONDS JOBS
set -u
build=$1 samples=$2 seconds=$3 jobs=$4

run_one() {
    f=$1
    name=$(basename "$f"); kind=${name#fuzz_}; corpus=$build/corpus/$name
    mkdir -p "$corpus"
    seeds=; [ -d "$samples/$kind" ] && seeds=$samples/$kind
    [ -d "$(dirname "$0")/seeds/$name" ] && seeds="$seeds $(dirname "$0")/seeds/$name"
    dict=; [ -f "$(dirname "$0")/$name.dict" ] && dict=-dict=$(dirname "$0")/$name.dict
    echo "fuzzing $name for ${seconds}s"
    # shellcheck disable=SC2086  # no seeds or words: no argument
    if ! "$f" -max_total_time="$seconds" -max_len=1100000 -print_final_stats=0 $dict "$corpus" $seeds \
            2>"$build/$name.log"; then
        echo "$name found a fault:"; tail -50 "$build/$name.log"
        return 1
    fi
}

status=0 running=0 pids=
for f in "$build"/fuzz/fuzz_*; do
    run_one "$f" &
    pids="$pids $!"; running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        for p in $pids; do wait "$p" || status=1; done
        pids= running=0
    fi
done
for p in $pids; do wait "$p" || status=1; done
exit $status
