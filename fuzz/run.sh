#!/usr/bin/env bash
# Builds the RTF reader's fuzz target with clang in its own build folder and
# runs it on the seed corpus for a bounded time; any finding fails the script
# and leaves its input in the build folder (crash-*, leak-*, timeout-*).
# The run is seeded and capped by a number of inputs, so CI makes much the
# same run as one checked here (addresses still vary, so not byte for byte);
# FUZZ_SEED=0 explores afresh, FUZZ_RUNS=-1 has no cap.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-90}
seed=${FUZZ_SEED:-20261210}
runs=${FUZZ_RUNS:-300000}

cmake -S fuzz -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build_dir" -j "${FUZZ_JOBS:-$(nproc)}" --target rtf_reader_fuzz

# New inputs go to a scratch folder; the seeds in the tree stay as they are.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

QT_QPA_PLATFORM=offscreen QT_HASH_SEED=0 "$build_dir/rtf_reader_fuzz" \
  -seed="$seed" -runs="$runs" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -dict=fuzz/rtf.dict -artifact_prefix="$build_dir/" -print_final_stats=1 \
  "$work" tests/data/rtf/corpus
