#!/usr/bin/env bash
# The sun's position against astronomy-engine, run by node from the copy
# scripts/setup.sh installs here with npm.
# Usage: solar_position_test.sh PROBE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
command -v node >/dev/null || { echo "node is missing: run scripts/setup.sh" >&2; exit 1; }
[ -e "$here/node_modules/astronomy-engine/package.json" ] \
  || { echo "astronomy-engine is missing from $here/node_modules: run scripts/setup.sh" >&2; exit 1; }
node "$here/compare.js" "$1"
