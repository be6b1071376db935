#!/usr/bin/env bash
# Builds the fuzz targets (the RTF reader, the settings-file parser) with
# clang in their own build folder and runs each on its seed corpus for a
# bounded time; any finding fails the script and leaves its input in the
# build folder (crash-*, leak-*, timeout-*).
# The runs are seeded and capped by a number of inputs, so CI makes much the
# same run as one checked here (addresses still vary, so not byte for byte);
# FUZZ_SEED=0 explores afresh, FUZZ_RUNS=-1 has no cap. FUZZ_TARGETS picks
# the targets to run (default: both).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-90}
seed=${FUZZ_SEED:-20261210}
runs=${FUZZ_RUNS:-300000}
targets=${FUZZ_TARGETS:-rtf_reader_fuzz settings_file_fuzz}

cmake -S fuzz -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ >/dev/null
# shellcheck disable=SC2086
cmake --build "$build_dir" -j "${FUZZ_JOBS:-$(nproc)}" --target $targets

# New inputs go to a scratch folder; the seeds in the tree stay as they are.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for target in $targets; do
  case "$target" in
    rtf_reader_fuzz)    dict=fuzz/rtf.dict;      corpus=tests/data/rtf/corpus; max_len=65536 ;;
    settings_file_fuzz) dict=fuzz/settings.dict; corpus=fuzz/corpus/settings; max_len=16384 ;;
    *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
  esac
  work="$scratch/$target"
  mkdir -p "$work"
  echo "== $target"
  QT_QPA_PLATFORM=offscreen QT_HASH_SEED=0 "$build_dir/$target" \
    -seed="$seed" -runs="$runs" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -dict="$dict" -artifact_prefix="$build_dir/" -print_final_stats=1 \
    "$work" "$corpus"
done
