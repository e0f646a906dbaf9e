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
# MUTANTS_REV=COMMIT takes the tree (and its tests) of that commit instead
# of the working tree: a kill list recorded before a change to the tests.
rev=${MUTANTS_REV:-}
source_tree=$root
jobs=${JOBS:-2}

planted=""
restore() {
    # Back to the file as the tree has it, with a fresh time so that the
    # next build compiles it again (ccache makes that cheap).
    if [ -n "$planted" ]; then
        cp "$source_tree/$planted" "$tree/$planted"
        planted=""
    fi
}
trap 'restore' EXIT
trap 'restore; exit 130' INT TERM

# The copy follows the working tree: only files that differ are copied, so
# the copy's build stays up to date cheaply.
sync_tree() {
    mkdir -p "$tree"
    if [ -n "$rev" ]; then
        source_tree="$work/rev"
        rm -rf "$source_tree" && mkdir -p "$source_tree"
        git -C "$root" archive "$rev" | tar -x -C "$source_tree"
    fi
    (cd "$source_tree" && if [ -n "$rev" ]; then find . -type f | sed 's|^\./||'; else git ls-files -co --exclude-standard; fi) |
        while IFS= read -r f; do
            [ -f "$source_tree/$f" ] || continue
            [ "$f" = CMakeLists.txt ] && continue
            if ! cmp -s "$source_tree/$f" "$tree/$f"; then
                mkdir -p "$(dirname "$tree/$f")"
                cp "$source_tree/$f" "$tree/$f"
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

# Runs the tests matching `regex` (SQLite only); prints the failing ones,
# one a line, without the parameter comment ctest adds to a name.
failing() {
    local regex=$1 stop=$2 args=()
    [ "$stop" = stop ] && args+=(--stop-on-failure)
    rm -f "$tree/build/Testing/Temporary/LastTestsFailed.log"
    (cd "$tree/build" && ctest -R "$regex" -E '^(pg|desktop)\.' -j"$jobs" --timeout 180 "${args[@]}" \
        >"$work/ctest.log" 2>&1) || true
    if [ -f "$tree/build/Testing/Temporary/LastTestsFailed.log" ]; then
        cut -d: -f2- "$tree/build/Testing/Temporary/LastTestsFailed.log" | sed 's/  # .*$//'
    fi
}

# "killed", "survived"...: what the kill list says of fault `id`.
recorded_state() { [ -f "$kills" ] || return 0; awk -F'\t' -v id="$1" '$1 == id { print $2 }' "$kills" 2>/dev/null; }
# The tests the kill list names as killing fault `id`, one a line.
recorded_killers() { [ -f "$kills" ] || return 0; awk -F'\t' -v id="$1" '$1 == id { for (i = 3; i <= NF; ++i) print $i }' "$kills" 2>/dev/null; }

mkdir -p "$work"
echo "mutants: copying the tree to $tree"
sync_tree
write_top_level
configure
# Only the test programs the faults name (and the libraries under them).
mapfile -t all_targets < <(awk -F'\t' '!/^#/ && NF >= 6 { print $3 }' "$faults" | tr ',' '\n' | sort -u)
echo "mutants: building the copy's ${all_targets[*]}"
cmake --build "$tree/build" -j"$jobs" --target "${all_targets[@]}" >"$work/build.log" 2>&1 ||
    { echo "the copy does not build: $work/build.log" >&2; exit 1; }

out="$work/kill-list.new"
kills_before="$work/kill-list.before"
if [ "$mode" = record ]; then
    : >"$out"
    if [ -f "$kills" ]; then cp "$kills" "$kills_before"; else : >"$kills_before"; fi
fi
killed=0 survived=0 lost=0 broken=0
while IFS=$'\t' read -r id file targets text replacement what; do
    case "$id" in "" | "#"*) continue ;; esac
    [ -n "$only" ] && ! [[ "$id" =~ $only ]] && continue
    if [ "$mode" = check ] && [ "$(recorded_state "$id")" != killed ]; then
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
        killers=$(failing "$regex" all | paste -sd'\t')
        if [ -n "$killers" ]; then
            echo "$id killed by $(tr '\t' '\n' <<<"$killers" | wc -l) test(s): $what"
            printf '%s\tkilled\t%s\n' "$id" "$killers" >>"$out"
            killed=$((killed + 1))
        else
            echo "$id SURVIVES: $what"
            printf '%s\tsurvived\t\n' "$id" >>"$out"
            survived=$((survived + 1))
        fi
    else
        # The tests that killed it before go first; any test may kill it.
        first=$(recorded_killers "$id" | head -n 20 | regex_quote | sed 's/.*/^&( |$)/' | paste -sd'|' || true)
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

if [ "$mode" = record ]; then
    {
        printf '# Written by scripts/mutants.sh record, tab-separated: the fault id, killed or survived, the tests it fails.\n'
        # In the order of the faults; those MUTANTS_ONLY left out keep what
        # was recorded of them.
        awk -F'\t' 'FILENAME == ARGV[1] { fresh[$1] = $0; next }
                     FILENAME == ARGV[2] { if ($0 !~ /^#/) old[$1] = $0; next }
                     /^#/ || NF < 6 { next }
                     $1 in fresh { print fresh[$1]; next }
                     $1 in old { print old[$1] }' "$out" "$kills_before" "$faults"
    } >"$kills.new" && mv "$kills.new" "$kills"
    echo "mutants: $killed killed, $survived surviving, $broken not planted; written to tests/mutants/kill-list.txt"
else
    echo "mutants: $killed killed, $lost lost, $survived recorded survivors, $broken not planted"
    [ "$lost" -eq 0 ] && [ "$broken" -eq 0 ]
fi
