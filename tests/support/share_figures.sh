#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Prints how the program built in BUILD (default build/) meets a network share that sleeps or is
# gone: tests/support/share_figures.sh [BUILD]. The share is mounted in a mount namespace of the
# script's own, so no other program on the machine can be caught by it.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
source "$root/scripts/test-servers.sh"
start_test_servers
trap stop_test_servers EXIT
unshare -m --propagation private /usr/bin/python3 "$root/tests/support/share_figures.py" "$build"
