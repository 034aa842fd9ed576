#!/usr/bin/env bash
# Sets up, builds and starts scope from its program folder.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
cd "$here/build/bin"
exec ./scope "$@"
