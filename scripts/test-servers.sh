# SPDX-License-Identifier: GPL-2.0-or-later
# Sourced by the test scripts: starts an X server (Xvfb), a window manager (openbox) and a PulseAudio
# daemon with a null sink when the environment has none, and stops at exit only what it started.
# The window manager is there because the program's users have one: it frames, places and closes
# the window, and the window must keep its place and size under it.

TARNWICK_STARTED_XVFB=""
TARNWICK_STARTED_OPENBOX=""
TARNWICK_STARTED_PULSE=""
TARNWICK_PULSE_DIR=""

start_test_servers() {
  if [[ -z "${DISPLAY:-}" ]] || ! xdpyinfo >/dev/null 2>&1; then
    local display=99
    while [[ -e /tmp/.X${display}-lock || -e /tmp/.X11-unix/X${display} ]]; do
      display=$((display + 1))
    done
    Xvfb ":${display}" -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    TARNWICK_STARTED_XVFB=$!
    export DISPLAY=":${display}"
    for _ in $(seq 100); do
      xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
    xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start" >&2; return 1; }
  fi

  # A window manager announces itself on the root window; without one, openbox takes the display
  # (unless TARNWICK_NO_WINDOW_MANAGER asks for a bare display).
  if [[ -z "${TARNWICK_NO_WINDOW_MANAGER:-}" ]] &&
    ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    openbox --sm-disable >/dev/null 2>&1 &
    TARNWICK_STARTED_OPENBOX=$!
    for _ in $(seq 100); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
      sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
      { echo "openbox did not start" >&2; return 1; }
  fi

  if [[ -z "${PULSE_SERVER:-}" ]] || ! pactl info >/dev/null 2>&1; then
    TARNWICK_PULSE_DIR=$(mktemp -d /tmp/tarnwick-pulse.XXXXXX)
    chmod 700 "$TARNWICK_PULSE_DIR"
    XDG_RUNTIME_DIR="$TARNWICK_PULSE_DIR" HOME="$TARNWICK_PULSE_DIR" pulseaudio --daemonize=no \
      --exit-idle-time=-1 --system=false -n --disallow-exit --disable-shm=yes \
      --load="module-null-sink sink_name=null" --load=module-native-protocol-unix \
      --log-target=stderr --log-level=error >"$TARNWICK_PULSE_DIR/log" 2>&1 &
    TARNWICK_STARTED_PULSE=$!
    export PULSE_SERVER="unix:${TARNWICK_PULSE_DIR}/pulse/native"
    for _ in $(seq 100); do
      pactl info >/dev/null 2>&1 && break
      sleep 0.1
    done
    pactl info >/dev/null 2>&1 || { echo "PulseAudio did not start:" >&2; cat "$TARNWICK_PULSE_DIR/log" >&2; return 1; }
  fi
  # With no session bus named, libdbus forks a helper to look for one from whichever thread connects
  # first, and under the sanitizers that child can hang on an allocator lock another thread held. The
  # tests have no session bus either way, but now they learn it at once; a test that needs a bus
  # starts its own.
  if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]]; then
    export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/tarnwick-no-session-bus
  fi
  # Mesa and Qt want a private runtime folder; the tests get one of their own.
  if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
    export XDG_RUNTIME_DIR=$(mktemp -d /tmp/tarnwick-runtime.XXXXXX)
    chmod 700 "$XDG_RUNTIME_DIR"
  fi
}

stop_test_servers() {
  if [[ -n "$TARNWICK_STARTED_PULSE" ]]; then
    kill "$TARNWICK_STARTED_PULSE" 2>/dev/null || true
    wait "$TARNWICK_STARTED_PULSE" 2>/dev/null || true
    rm -rf "$TARNWICK_PULSE_DIR"
  fi
  if [[ -n "$TARNWICK_STARTED_OPENBOX" ]]; then
    kill "$TARNWICK_STARTED_OPENBOX" 2>/dev/null || true
    wait "$TARNWICK_STARTED_OPENBOX" 2>/dev/null || true
  fi
  if [[ -n "$TARNWICK_STARTED_XVFB" ]]; then
    kill "$TARNWICK_STARTED_XVFB" 2>/dev/null || true
    wait "$TARNWICK_STARTED_XVFB" 2>/dev/null || true
  fi
}
