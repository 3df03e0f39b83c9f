#!/usr/bin/env bash
# The libFuzzer programs of fuzz/ built with clang in a folder of their own
# and each run over its seed files (no new inputs: -runs=0), so that the
# fuzzing build keeps working. Skipped (status 77) where clang is missing.
set -u
source_dir=$1
build=$2
command -v clang++ >/dev/null && command -v clang >/dev/null || { echo "clang is missing: skipped"; exit 77; }
jobs=$(nproc 2>/dev/null || echo 2)
if ! CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DMORVEX_FUZZ=ON -DMORVEX_BUILD_GUI=OFF -DMORVEX_BUILD_TESTS=OFF -DMORVEX_BUILD_BENCH=OFF >"$build.log" 2>&1 ||
    ! cmake --build "$build" -j "$jobs" >>"$build.log" 2>&1; then
    tail -n 40 "$build.log"; echo "FAIL: the fuzzing build"; exit 1
fi
fails=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in nc_interpreter nc_check ctl mtl ttl atl ini dmf; do
    seeds=("$source_dir/samples")
    [ -d "$source_dir/fuzz/corpus/$target" ] && seeds+=("$source_dir/fuzz/corpus/$target")
    # The scratch folder comes first: libFuzzer writes what it finds there.
    mkdir -p "$scratch/$target"
    if "$build/fuzz/fuzz_$target" "$scratch/$target" "${seeds[@]}" -runs=0 >"$scratch/$target.log" 2>&1; then
        echo "ok: fuzz_$target over its seeds"
    else
        echo "FAIL: fuzz_$target"; tail -n 30 "$scratch/$target.log"; fails=$((fails + 1))
    fi
done
echo "$((8 - fails)) passed, $fails failed"
test $fails -eq 0
