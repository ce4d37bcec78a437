#!/usr/bin/env bash
# Writes the player's sampling vectors with the program given, then runs the page's own tests with
# node's test runner: its sampling against those vectors, its edits and their undo. Exit 77
# (skipped) only when node is not installed.
set -euo pipefail
vectors_program=$1
if ! command -v node >/dev/null; then
  echo "SKIP: node is not installed (scripts/install-deps --tests installs it)"
  exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$vectors_program" > "$out/vectors.json"
DUSK_SAMPLING_VECTORS="$out/vectors.json" node --test "$(dirname "$0")/sampling.test.mjs" "$(dirname "$0")/model.test.mjs"
