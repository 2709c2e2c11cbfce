#!/usr/bin/env bash
# Runs the fuzz programs of a build made with -DORVIA_FUZZ=ON, each for a bounded time,
# starting from a copy of its committed corpus (the committed corpus never grows).
# Usage: tests/fuzz/run.sh BUILD_DIR               every program, for its time in the table
#        tests/fuzz/run.sh BUILD_DIR TARGET [SECS] one target, for SECS or its time
# Exits non-zero when a program crashes, and tells where its crashing input was saved.
set -u

# The seconds keep the whole test command (both builds and their tests, the fuzz build and
# every target) within 15 minutes on two cores. The memory limit is libFuzzer's for the process
# and for one allocation; the Tiled importer's budgets keep any map within 512 MB.
# target       program            seconds  MB
TARGETS="
map_decode     map_decode_fuzz    15       2048
map_load       map_load_fuzz      15       2048
map_draw       map_draw_fuzz      15       2048
mar_decode     mar_fuzz           10       2048
mar_load       mar_load_fuzz      10       2048
gfx_dat        gfx_dat_fuzz       15       2048
level_source   level_source_fuzz  15       2048
tile_names     tile_names_fuzz    5        2048
controls       controls_fuzz      5        2048
tile_sheet     tile_sheet_fuzz    10       2048
map_inspect    map_inspect_fuzz   15       2048
tmx            tmx_fuzz           20       512
sound_file     sound_file_fuzz    10       2048
sound_text     sound_text_fuzz    10       2048
replay         replay_fuzz        10       2048
"
DEFAULT_SECONDS=10
DEFAULT_RSS_LIMIT_MB=2048
# No input of any reader takes a second; one that takes this long is a hang to report.
HANG_SECONDS=10

usage() {
    echo "usage: $0 BUILD_DIR [TARGET [SECONDS]]" >&2
    exit 2
}

if [ $# -lt 1 ] || [ $# -gt 3 ] || [ ! -d "$1" ]; then
    usage
fi
build=$(cd "$1" && pwd)
only_target=${2:-}
only_seconds=${3:-}
if [ -n "$only_seconds" ] && ! [[ "$only_seconds" =~ ^[0-9]+$ ]]; then
    usage
fi
here=$(cd "$(dirname "$0")" && pwd)
programs="$build/tests/fuzz"
work="$build/fuzz-work"

# Target name, seconds and memory limit for a program: from the table, else its name less
# "_fuzz" and the defaults.
target_of() {
    local program=$1 line
    line=$(echo "$TARGETS" | awk -v p="$program" '$2 == p { print $1, $3, $4 }')
    if [ -n "$line" ]; then
        echo "$line"
    else
        echo "${program%_fuzz} $DEFAULT_SECONDS $DEFAULT_RSS_LIMIT_MB"
    fi
}

# The program of a target: from the table, else the target's name and "_fuzz".
program_of() {
    local target=$1 program
    program=$(echo "$TARGETS" | awk -v t="$target" '$1 == t { print $2 }')
    echo "${program:-${target}_fuzz}"
}

run_one() {
    local path=$1 program target seconds rss_mb corpus artifacts status
    program=$(basename "$path")
    read -r target seconds rss_mb < <(target_of "$program")
    seconds=${only_seconds:-$seconds}
    corpus="$work/$target/corpus"
    artifacts="$work/$target/artifacts"
    rm -rf "$corpus"
    mkdir -p "$corpus" "$artifacts"
    if [ -d "$here/corpus/$target" ]; then
        cp "$here/corpus/$target/." "$corpus/" -r
    fi
    local seeds=("$corpus")
    if [ -d "$here/regressions/$target" ]; then
        seeds+=("$here/regressions/$target")
    fi
    # Seeds kept where they are made and used: the game's text of sounds, the playthroughs.
    case $target in
        sound_text) seeds+=("$here/../../data/sounds") ;;
        replay) seeds+=("$here/../replays") ;;
    esac
    echo "== $target: $program for ${seconds}s within ${rss_mb} MB from $(ls "$corpus" | wc -l) seed(s)"
    "$path" -max_total_time="$seconds" -rss_limit_mb="$rss_mb" -timeout="$HANG_SECONDS" \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "${seeds[@]}" \
        > "$work/$target/log.txt" 2>&1
    status=$?
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/$target/log.txt"
    grep -E '^#[0-9]+.*DONE' "$work/$target/log.txt" | tail -1
    if [ $status -ne 0 ]; then
        echo "!! $target failed (exit $status); log: $work/$target/log.txt"
        grep -E 'ERROR:|SUMMARY:|Test unit written to' "$work/$target/log.txt"
        echo "!! crashing input(s), to add to tests/fuzz/regressions/$target/:"
        ls -t "$artifacts"/* 2>/dev/null | head -5
        return 1
    fi
    return 0
}

if [ -n "$only_target" ]; then
    path="$programs/$(program_of "$only_target")"
    if [ ! -x "$path" ]; then
        echo "no fuzz program for $only_target in $programs" >&2
        exit 2
    fi
    run_one "$path"
    exit $?
fi

found=0
failed=0
for path in "$programs"/*_fuzz; do
    [ -x "$path" ] || continue
    found=$((found + 1))
    run_one "$path" || failed=$((failed + 1))
done
if [ $found -eq 0 ]; then
    echo "no fuzz programs in $programs (configure with -DORVIA_FUZZ=ON, CXX=clang++)" >&2
    exit 2
fi
echo "fuzzed $found target(s), $failed failed"
[ $failed -eq 0 ]
