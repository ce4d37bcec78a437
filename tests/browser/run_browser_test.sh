#!/usr/bin/env bash
# Runs one browser test file with node's test runner. Exit 77 (skipped) only when node or
# chromium is not installed; missing node_modules is a failure with the command that fixes it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v node >/dev/null; then
  echo "SKIP: node is not installed (scripts/install-deps --tests installs nodejs and npm)"
  exit 77
fi
if ! command -v "${DUSK_CHROMIUM:-chromium}" >/dev/null; then
  echo "SKIP: chromium is not installed (scripts/install-deps --tests installs Debian's chromium)"
  exit 77
fi
if [ ! -d "$here/node_modules/puppeteer-core" ]; then
  echo "FAIL: $here/node_modules has no puppeteer-core; run: (cd $here && PUPPETEER_SKIP_DOWNLOAD=1 npm ci)"
  exit 1
fi
# A library preloaded for the sanitizer build's dusk (the GL driver) is for dusk alone, not for
# node and chromium: the show gets it back from DUSK_PRELOAD.
export DUSK_PRELOAD=${LD_PRELOAD:-}
unset LD_PRELOAD
exec node --test --test-concurrency=1 "$1"
