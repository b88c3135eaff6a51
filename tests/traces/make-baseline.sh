#!/usr/bin/env bash
# Writes the traces of every key script here with the given build folder's trace programs:
#   tests/traces/make-baseline.sh BUILD_DIR OUT_DIR [FRAMES]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$1"; out="$2"; frames="${3:-700}"
mkdir -p "$out"
for keys in "$here"/*.keys; do
  name="$(basename "$keys" .keys)"
  for b in simd scalar; do
    "$build/tools/fluid_trace_$b" --frames "$frames" --every 50 --keys "$keys" > "$out/$name.$b.trace" &
  done
  wait
done
