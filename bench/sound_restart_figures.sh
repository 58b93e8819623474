#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Prints how MPRIS reads of the position fare, and when the sound comes back, while the sound server
# restarts under a file that plays: bench/sound_restart_figures.sh [BUILD] (default build/).
# The script runs a sound server of its own, which it kills and starts again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
source "$root/scripts/test-servers.sh"
start_test_servers
trap stop_test_servers EXIT
/usr/bin/python3 "$root/bench/sound_restart_figures.py" "$build"
