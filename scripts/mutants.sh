#!/usr/bin/env bash
# The mutation check: plants each fault of tests/mutants/faults.txt, one at a
# time, in a copy of the tree (BUILD/mutants/tree, never the working tree),
# rebuilds only the test programs the fault names and runs their tests on
# SQLite in both dialects (the pg.* and desktop.* runs execute the same money
# code, so they are left out to keep a fault to a minute or two).
#
#   scripts/mutants.sh check   (make mutants) every fault the kill list marks
#                              killed must still be killed; a fault stops at
#                              its first failing test, the recorded killers
#                              run first. Survivors are printed.
#   scripts/mutants.sh record  runs every fault's tests to the end and writes
#                              tests/mutants/kill-list.txt with all killers.
#
# MUTANTS_ONLY=REGEX limits the run to the faults whose id matches.
set -euo pipefail

mode=${1:-check}
case "$mode" in check | record) ;; *) echo "usage: $0 check|record" >&2; exit 2 ;; esac

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
work="$build/mutants"
tree="$work/tree"
faults="$root/tests/mutants/faults.txt"
kills="$root/tests/mutants/kill-list.txt"
only=${MUTANTS_ONLY:-}
jobs=${JOBS:-2}

planted=""
restore() {
    # Back to the file as the tree has it, with a fresh time so that the
    # next build compiles it again (ccache makes that cheap).
    if [ -n "$planted" ]; then
        cp "$root/$planted" "$tree/$planted"
        planted=""
    fi
}
trap 'restore' EXIT
trap 'restore; exit 130' INT TERM

# The copy follows the working tree: only files that differ are copied, so
# the copy's build stays up to date cheaply.
sync_tree() {
    mkdir -p "$tree"
    (cd "$root" && git ls-files -co --exclude-standard) | while IFS= read -r f; do
        [ -f "$root/$f" ] || continue
        [ "$f" = CMakeLists.txt ] && continue
        if ! cmp -s "$root/$f" "$tree/$f"; then
            mkdir -p "$(dirname "$tree/$f")"
            cp "$root/$f" "$tree/$f"
        fi
    done
}

# The copy's top-level CMakeLists.txt compiles every file a fault names
# alone, outside the unity units: planting a fault then recompiles one file,
# not the seven it would share a unit with.
write_top_level() {
    local wanted="$work/CMakeLists.txt"
    {
        cat "$root/CMakeLists.txt"
        echo
        echo "# Added by scripts/mutants.sh in its copy of the tree."
        awk -F'\t' '!/^#/ && NF >= 6 { print $2 }' "$faults" | sort -u | while IFS= read -r f; do
            dir=$(dirname "$f")
            while [ ! -f "$root/$dir/CMakeLists.txt" ]; do dir=$(dirname "$dir"); done
            echo "set_source_files_properties(\${CMAKE_SOURCE_DIR}/$f DIRECTORY $dir PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)"
        done
    } >"$wanted"
    cmp -s "$wanted" "$tree/CMakeLists.txt" || cp "$wanted" "$tree/CMakeLists.txt"
}

configure() {
    if [ ! -f "$tree/build/build.ninja" ]; then
        local launcher=()
        if command -v ccache >/dev/null; then
            launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
        fi
        cmake -S "$tree" -B "$tree/build" -G Ninja "${launcher[@]}" >"$work/configure.log"
    fi
}

# Puts `replacement` for the one occurrence of `text` in `file` of the copy.
plant() {
    local file=$1 text=$2 replacement=$3
    planted=$file
    FIND="$text" REPL="$replacement" perl -0777 -i -pe '
        BEGIN { ($f, $r) = ($ENV{FIND}, $ENV{REPL}); s/\\n/\n/g for $f, $r; }
        my $n = () = /\Q$f\E/g;
        die "the fault text occurs $n times\n" unless $n == 1;
        s/\Q$f\E/$r/;' "$tree/$file"
}

regex_quote() { sed 's/[][\.*^$+?(){}|/]/\\&/g'; }

# The ctest regex of every test of the programs named (comma-separated).
suites_of() {
    local names=() t bin
    IFS=, read -ra targets <<<"$1"
    for t in "${targets[@]}"; do
        bin=$(find "$tree/build/tests" -name "$t" -type f -perm -u+x | head -n1)
        [ -n "$bin" ] || { echo "no test program $t" >&2; return 1; }
        while IFS= read -r line; do
            case "$line" in " "* | "") ;; *) names+=("$(printf '%s' "${line%%.*}" | regex_quote)") ;; esac
        done < <("$bin" --gtest_list_tests)
    done
    local IFS='|'
    echo "^(${names[*]})\\."
}

# Runs the tests matching `regex` (SQLite only); prints the failing ones.
failing() {
    local regex=$1 stop=$2 args=()
    [ "$stop" = stop ] && args+=(--stop-on-failure)
    rm -f "$tree/build/Testing/Temporary/LastTestsFailed.log"
    (cd "$tree/build" && ctest -R "$regex" -E '^(pg|desktop)\.' -j"$jobs" --timeout 180 "${args[@]}" \
        >"$work/ctest.log" 2>&1) || true
    if [ -f "$tree/build/Testing/Temporary/LastTestsFailed.log" ]; then
        cut -d: -f2- "$tree/build/Testing/Temporary/LastTestsFailed.log"
    fi
}

recorded() { awk -F'\t' -v id="$1" '$1 == id { print $2 "\t" $3 }' "$kills" 2>/dev/null; }

mkdir -p "$work"
echo "mutants: copying the tree to $tree"
sync_tree
write_top_level
configure
echo "mutants: building the copy"
cmake --build "$tree/build" -j"$jobs" >"$work/build.log" 2>&1 || { echo "the copy does not build: $work/build.log" >&2; exit 1; }

out="$work/kill-list.new"
[ "$mode" = record ] && : >"$out"
killed=0 survived=0 lost=0 broken=0
while IFS=$'\t' read -r id file targets text replacement what; do
    case "$id" in "" | "#"*) continue ;; esac
    [ -n "$only" ] && ! [[ "$id" =~ $only ]] && continue
    before=$(recorded "$id")
    if [ "$mode" = check ] && [ "${before%%$'\t'*}" != killed ]; then
        echo "$id survivor (recorded): $what"
        survived=$((survived + 1))
        continue
    fi
    if ! plant "$file" "$text" "$replacement" 2>"$work/plant.log"; then
        echo "$id CANNOT PLANT in $file: $(cat "$work/plant.log")"
        restore
        broken=$((broken + 1))
        [ "$mode" = record ] && printf '%s\tunplanted\t\n' "$id" >>"$out"
        continue
    fi
    IFS=, read -ra build_targets <<<"$targets"
    if ! cmake --build "$tree/build" -j"$jobs" --target "${build_targets[@]}" >"$work/fault.log" 2>&1; then
        echo "$id DOES NOT BUILD (see $work/fault.log): $what"
        restore
        broken=$((broken + 1))
        [ "$mode" = record ] && printf '%s\tunbuilt\t\n' "$id" >>"$out"
        continue
    fi
    regex=$(suites_of "$targets")
    if [ "$mode" = record ]; then
        killers=$(failing "$regex" all | tr '\n' ' ' | sed 's/ $//')
        if [ -n "$killers" ]; then
            echo "$id killed by $(wc -w <<<"$killers") test(s): $what"
            printf '%s\tkilled\t%s\n' "$id" "$killers" >>"$out"
            killed=$((killed + 1))
        else
            echo "$id SURVIVES: $what"
            printf '%s\tsurvived\t\n' "$id" >>"$out"
            survived=$((survived + 1))
        fi
    else
        # The tests that killed it before go first; any test may kill it.
        first=$(tr ' ' '\n' <<<"${before#*$'\t'}" | grep -v '^$' | head -n 20 | regex_quote | sed 's/.*/^&$/' | paste -sd'|' || true)
        by=""
        [ -n "$first" ] && by=$(failing "$first" stop | head -n1)
        [ -z "$by" ] && by=$(failing "$regex" stop | head -n1)
        if [ -n "$by" ]; then
            echo "$id killed ($by)"
            killed=$((killed + 1))
        else
            echo "$id LOST: killed before, survives now: $what"
            lost=$((lost + 1))
        fi
    fi
    restore
done <"$faults"

# Leave the copy's build as the tree is, for the next run.
cmake --build "$tree/build" -j"$jobs" >/dev/null 2>&1 || true

if [ "$mode" = record ]; then
    {
        echo "# Written by scripts/mutants.sh record: fault id, killed/survived, the tests that fail with it."
        cat "$out"
    } >"$kills"
    echo "mutants: $killed killed, $survived surviving, $broken not planted; written to tests/mutants/kill-list.txt"
else
    echo "mutants: $killed killed, $lost lost, $survived recorded survivors, $broken not planted"
    [ "$lost" -eq 0 ] && [ "$broken" -eq 0 ]
fi
