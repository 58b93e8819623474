#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""How MPRIS reads of the position fare while the sound server restarts under a playing file.

Usage: sound_restart_figures.py BUILD. Starts its own PulseAudio (a null sink) and session bus, and
the program from BUILD/bin resuming a 20-s clip at 0. It reads Position over MPRIS without a pause
throughout; the server is killed once the file plays and started again 1.5 s later. Prints the reads'
times before, while the server is away and after it is back, and when the program's sound stream
came back, counted from the server's return.
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

from gi.repository import Gio, GLib

WAIT = 30


def now():
    return time.monotonic()


def ms(seconds):
    return "%d ms" % round(seconds * 1000)


class SoundServer:
    def __init__(self, folder):
        self.folder = folder
        os.makedirs(folder, mode=0o700)
        self.socket = os.path.join(folder, "pulse", "native")
        self.process = None

    def start(self):
        environment = dict(os.environ, XDG_RUNTIME_DIR=self.folder, HOME=self.folder)
        self.process = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--system=false", "-n", "--disallow-exit",
             "--disable-shm=yes", "--load=module-null-sink sink_name=null", "--load=module-native-protocol-unix",
             "--log-target=stderr", "--log-level=error"], env=environment, stderr=subprocess.DEVNULL)
        until = now() + WAIT
        while subprocess.run(["pactl", "info"], env=self.environment(), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL).returncode != 0:
            if now() > until:
                sys.exit("PulseAudio did not start")
            time.sleep(0.02)
        return now()

    def stop(self):
        self.process.kill()
        self.process.wait()

    def environment(self):
        return dict(os.environ, PULSE_SERVER="unix:" + self.socket)

    def program_streams(self):
        out = subprocess.run(["pactl", "list", "sink-inputs"], env=self.environment(), stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True).stdout
        return out.count("Sink Input #")


class Reader(threading.Thread):
    """Reads Position over and over: (start time, seconds taken, value or None)."""

    def __init__(self, address):
        super().__init__(daemon=True)
        self.connection = Gio.DBusConnection.new_for_address_sync(
            address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
            None, None)
        self.reads = []
        self.running = True

    def read(self):
        began = now()
        try:
            answer = self.connection.call_sync(
                "org.mpris.MediaPlayer2.tarnwick", "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties",
                "Get", GLib.Variant("(ss)", ("org.mpris.MediaPlayer2.Player", "Position")), None,
                Gio.DBusCallFlags.NONE, WAIT * 1000, None)
            value = answer.unpack()[0]
        except GLib.Error:
            value = None
        return began, now() - began, value

    def run(self):
        while self.running:
            self.reads.append(self.read())
            time.sleep(0.005)


def summary(reads):
    if not reads:
        return "no reads"
    times = [took for _, took, _ in reads]
    failed = sum(value is None for _, _, value in reads)
    return "median %s, slowest %s (%d reads, %d failed)" % (
        ms(statistics.median(times)), ms(max(times)), len(times), failed)


def main():
    build = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="tarnwick-sound-restart.")
    install = os.path.join(work, "install")
    os.makedirs(os.path.join(install, "clips"))
    subprocess.run(["cp", "-r", os.path.join(build, "bin"), install], check=True)
    clip = os.path.join(install, "clips", "a1.avi")
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=20", "-f",
                    "lavfi", "-i", "sine=frequency=440:duration=20", "-c:v", "mpeg4", "-c:a", "libmp3lame", clip],
                   check=True)
    with open(os.path.join(install, "bin", "tarnwick.ini"), "w") as settings:
        settings.write("[Play]\nFile=%s\nResume=1\nPlaying=1\nPosition=0\n" % clip)
    bus_text = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                              stdout=subprocess.PIPE, text=True, check=True).stdout.split("\n")
    bus, bus_pid = bus_text[0], int(bus_text[1])
    server = SoundServer(os.path.join(work, "pulse"))
    server.start()
    player = subprocess.Popen([os.path.join(install, "bin", "tarnwick")], cwd=os.path.join(install, "clips"),
                              env=dict(server.environment(), DBUS_SESSION_BUS_ADDRESS=bus, QT_QPA_PLATFORM="xcb"),
                              stderr=subprocess.DEVNULL)
    reader = None
    try:
        reader = Reader(bus)
        until = now() + WAIT
        while now() < until:
            _, _, value = reader.read()
            if value is not None and value > 1000000 and server.program_streams() > 0:
                break
            time.sleep(0.05)
        else:
            sys.exit("the file never played with its sound")
        reader.start()
        # Spans of reading, not waits for a condition: the reads before the kill, the server's
        # absence, and the reads once it is back are what is measured.
        time.sleep(1.0)
        killed = now()
        server.stop()
        time.sleep(1.5)
        back = server.start()
        returned = None
        while now() - back < 10:
            if server.program_streams() > 0:
                returned = now() - back
                break
            time.sleep(0.02)
        time.sleep(1.0)
        reader.running = False
        reader.join()
        reads = reader.reads
        print("program: %s" % os.path.join(build, "bin", "tarnwick"))
        print("MPRIS Position reads, the server killed and started again 1.5 s later:")
        print("  before the kill:      %s" % summary([r for r in reads if r[0] + r[1] < killed]))
        print("  while it is away:     %s" % summary([r for r in reads if killed <= r[0] + r[1] and r[0] < back]))
        print("  after it is back:     %s" % summary([r for r in reads if r[0] >= back]))
        print("  slowest of all:       %s" % ms(max(took for _, took, _ in reads)))
        print("  the program's sound stream is back %s after the server" %
              (ms(returned) if returned is not None else "never within 10 s"))
        last = [value for _, _, value in reads if value is not None]
        print("  position at the end: %.2f s" % (last[-1] / 1e6 if last else -1))
    finally:
        player.send_signal(signal.SIGTERM)
        try:
            player.wait(WAIT)
        except subprocess.TimeoutExpired:
            player.kill()
        server.stop()
        os.kill(bus_pid, signal.SIGTERM)
        subprocess.run(["rm", "-rf", work])


if __name__ == "__main__":
    main()
