#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Times the program beside a network share that sleeps or is gone, for a note; not a test.

Run it through share_figures.sh, which gives it a display, a sound server and a mount namespace of
its own. Every figure is in milliseconds, counted from the program's exec, from the share's waking
or from the SIGTERM, and a screen reader's read is one whole read of the window's accessible tree
by atspi_probe.py, as the end-to-end tests read it.
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TITLE = "Tarnwick 1.06"
WAIT = 30.0  # seconds before a figure is given up as never


def now():
    return time.monotonic()


def ms(seconds):
    return "%d ms" % round(seconds * 1000)


class Share:
    """network_share.py on a folder of two clips, asleep or awake as told."""

    def __init__(self, folder, clip):
        self.files = os.path.join(folder, "files")
        self.mount_point = os.path.join(folder, "nas")
        self.control = os.path.join(folder, "control")
        self.asked = os.path.join(folder, "asked")
        os.makedirs(self.files)
        os.makedirs(self.mount_point)
        for name in ("nas1.avi", "nas2.avi"):
            subprocess.run(["cp", clip, os.path.join(self.files, name)], check=True)
        self.server = subprocess.Popen(["/usr/bin/python3", os.path.join(HERE, "network_share.py"), self.files,
                                        self.mount_point, self.control, self.asked])
        until = now() + WAIT
        while " %s " % self.mount_point not in open("/proc/self/mountinfo").read():
            if now() > until or self.server.poll() is not None:
                sys.exit("the share did not mount")
            time.sleep(0.01)

    def tell(self, line):
        with open(self.control + ".next", "w") as control:
            control.write(line + "\n")
        os.rename(self.control + ".next", self.control)

    def sleep(self, seconds=None, what=""):
        """Until woken, or for the seconds given; the moment it wakes, if known. `what` "opens-"
        holds only opens, the look-ups answering."""
        if seconds is None:
            self.tell(what + "asleep")
            return None
        wakes = now() + seconds
        self.tell("%sasleep-until %f" % (what, wakes))
        return wakes

    def wake(self):
        self.tell("awake")
        return now()

    def was_asked(self):
        return os.path.exists(self.asked) and os.path.getsize(self.asked) > 0

    def close(self):
        self.wake()
        self.server.kill()
        self.server.wait()
        subprocess.run(["fusermount3", "-u", self.mount_point], stderr=subprocess.DEVNULL)


class Player:
    """A copy of the program whose settings file sits beside it, started in a local clips folder."""

    def __init__(self, install, bus, settings):
        self.install = install
        self.bus = bus
        self.settings = os.path.join(install, "bin", "tarnwick.ini")
        if os.path.exists(self.settings):
            os.remove(self.settings)
        if settings:
            with open(self.settings, "w") as out:
                out.write("[Play]\n" + settings)
        environment = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                           QT_QPA_PLATFORM="xcb")
        self.started = now()
        self.process = subprocess.Popen([os.path.join(install, "bin", "tarnwick")], env=environment,
                                        cwd=os.path.join(install, "clips"), stderr=subprocess.DEVNULL)

    def window_shown(self):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % TITLE.replace(".", r"\.")],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return bool(found.stdout.strip())

    def read(self):
        """One screen reader's read: its time and the objects, or None when it failed."""
        began = now()
        out = subprocess.run(["/usr/bin/python3", os.path.join(HERE, "atspi_probe.py"), "tree", "tarnwick", "30"],
                             env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus), stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True)
        lines = [line.strip().split("|") for line in out.stdout.splitlines()]
        ready = any(fields[:2] == ["text", "再生位置"] for fields in lines)
        return now() - began, (lines if ready else None)

    def wait_window(self):
        """Seconds from the exec to the mapped window, or None."""
        while now() - self.started < WAIT:
            if self.window_shown():
                return now() - self.started
            time.sleep(0.01)
        return None

    def wait_read(self, condition=lambda lines: True):
        """The end of the first read that succeeds and meets the condition, or None."""
        until = now() + WAIT
        while now() < until:
            _, lines = self.read()
            if lines is not None and condition(lines):
                return now()
        return None

    def reads(self, count, until=float("inf")):
        """The times of up to `count` reads started before `until`, and how many of them failed."""
        times, failed = [], 0
        while len(times) < count and now() < until:
            took, lines = self.read()
            times.append(took)
            failed += lines is None
        return times, failed

    def end(self, share):
        """SIGTERM; then, once the share has answered, the exit status."""
        self.process.send_signal(signal.SIGTERM)
        share.wake()
        try:
            return status_text(self.process.wait(WAIT))
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return "none: killed after %d s" % WAIT


def row(lines, name, selected=False):
    return any(f[0] == "list item" and f[1] == name and (not selected or "selected" in f[3]) for f in lines)


def position(lines):
    return next((f[2] for f in lines if f[:2] == ["text", "再生位置"]), "")


def status_text(status):
    return "killed by signal %d" % -status if isinstance(status, int) and status < 0 else str(status)


def described(seconds):
    return ms(seconds) if seconds is not None else "never within %d s" % WAIT


def reads_text(reads, idle=None):
    times, failed = reads
    text = "median %s, slowest %s (%d reads, %d failed)" % (
        ms(statistics.median(times)), ms(max(times)), len(times), failed)
    if idle:
        text += "; %.2fx idle" % (statistics.median(times) / statistics.median(idle[0]))
    return text


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "../../build"))
    work = tempfile.mkdtemp(prefix="tarnwick-share-figures.")
    install = os.path.join(work, "install")
    os.makedirs(os.path.join(install, "clips"))
    subprocess.run(["cp", "-r", os.path.join(build, "bin"), install], check=True)
    for name in os.listdir(os.path.join(install, "bin")):
        if name.endswith(".ini"):
            os.remove(os.path.join(install, "bin", name))
    clip = os.path.join(install, "clips", "a1.avi")
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=6", "-f",
                    "lavfi", "-i", "sine=frequency=440:duration=6", "-c:v", "mpeg4", "-c:a", "libmp3lame", clip],
                   check=True)
    for name in ("a2.avi", "a3.avi"):
        subprocess.run(["cp", clip, os.path.join(install, "clips", name)], check=True)
    bus_text = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                              stdout=subprocess.PIPE, text=True, check=True).stdout.split("\n")
    bus, bus_pid = bus_text[0], int(bus_text[1])
    share = Share(os.path.join(work, "share"), clip)
    resume = "File=%s/nas2.avi\nResume=1\nPlaying=1\nPosition=20000000\n" % share.mount_point
    try:
        print("program: %s" % os.path.join(build, "bin", "tarnwick"))

        print("\nIdle: the share awake, the local folder")
        player = Player(install, bus, "")
        print("  exec to window: %s" % described(player.wait_window()))
        player.wait_read()
        idle = player.reads(5)
        print("  screen reader's read: %s" % reads_text(idle))
        print("  exit status: %s" % player.end(share))

        print("\nA dead share mounted, the local folder")
        share.sleep()
        player = Player(install, bus, "")
        print("  exec to window: %s" % described(player.wait_window()))
        ready = player.wait_read()
        print("  exec to a screen reader's first read: %s" % described(ready and ready - player.started))
        if ready:
            print("  screen reader's read: %s" % reads_text(player.reads(5), idle))
        print("  the share was asked: %s" % share.was_asked())
        print("  exit status, once the share answers: %s" % player.end(share))

        print('\n"Dir" on a share asleep 8 s')
        wakes = share.sleep(8)
        player = Player(install, bus, "Dir=%s\n" % share.mount_point)
        print("  exec to window: %s" % described(player.wait_window()))
        during = player.reads(100, until=wakes - 0.5)
        if during[0]:
            print("  screen reader's read during the sleep: %s" % reads_text(during, idle))
        listed = player.wait_read(lambda lines: row(lines, "nas1.avi") and not row(lines, "a1.avi"))
        print("  the share's rows, from its waking: %s" % described(listed and listed - wakes))
        print("  exit status: %s" % player.end(share))

        print('\nA resume ("File", "Playing"=1, "Position"=2 s) from a share asleep 8 s')
        wakes = share.sleep(8)
        player = Player(install, bus, resume)
        shown = player.wait_window()
        print("  exec to window: %s (the share wakes at %s)" % (described(shown), ms(wakes - player.started)))
        played = player.wait_read(lambda lines: row(lines, "nas2.avi", True) and position(lines) > "00:00:02.0")
        print("  plays past its place (2 s), from the waking: %s" % described(played and played - wakes))
        print("  exit status: %s" % player.end(share))

        print("\nA file on the share whose open takes 8 s, opened through MPRIS OpenUri")
        player = Player(install, bus, "")
        player.wait_read()
        open(share.asked, "w").close()
        wakes = share.sleep(8, "opens-")
        asked = now()
        subprocess.run(["gdbus", "call", "--session", "-d", "org.mpris.MediaPlayer2.tarnwick", "-o",
                        "/org/mpris/MediaPlayer2", "-m", "org.mpris.MediaPlayer2.Player.OpenUri",
                        "file://%s/nas1.avi" % share.mount_point],
                       env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus), stdout=subprocess.DEVNULL, check=True)
        print("  the call answered in %s" % ms(now() - asked))
        during = player.reads(100, until=wakes - 0.5)
        if during[0]:
            print("  screen reader's read during the open: %s" % reads_text(during, idle))
        print("  the share was asked for the open: %s" % share.was_asked())
        played = player.wait_read(lambda lines: row(lines, "nas1.avi", True) and position(lines) > "00:00:00.5")
        print("  plays (past 0.5 s), from the open's answer: %s" % described(played and played - wakes))
        print("  exit status: %s" % player.end(share))

        print('\n"Dir" and "File" on a dead share; SIGTERM once the window is read')
        share.sleep()
        player = Player(install, bus, "Dir=%s\n%s" % (share.mount_point, resume))
        shown = player.wait_window()
        print("  exec to window: %s" % described(shown))
        player.wait_read()
        print("  the share was asked: %s" % share.was_asked())
        before = open(player.settings).read()
        player.process.send_signal(signal.SIGTERM)
        term = now()
        gone = None if shown else "no window to take away"
        written = None
        while now() - term < WAIT and (gone is None or written is None):
            if gone is None and not player.window_shown():
                gone = now() - term
            if written is None and "Filter=" in open(player.settings).read():
                written = now() - term
            time.sleep(0.01)
        print("  SIGTERM to the window gone: %s" % (gone if isinstance(gone, str) else described(gone)))
        print("  SIGTERM to the settings written: %s" % described(written))
        print("  the program still runs while the share is dead: %s" % (player.process.poll() is None))
        print("  settings before:\n    " + before.strip().replace("\n", "\n    "))
        play = open(player.settings).read().split("\n[")[0]
        print("  settings then, section Play:\n    " + play.strip().replace("\n", "\n    "))
        woke = share.wake()
        try:
            status = status_text(player.process.wait(WAIT))
            print("  exit status %s, %s after the share answered" % (status, ms(now() - woke)))
            print("  settings after the exit:\n    " + open(player.settings).read().strip().replace("\n", "\n    "))
        except subprocess.TimeoutExpired:
            player.process.kill()
            player.process.wait()
            print("  no exit within %d s after the share answered; killed" % WAIT)
    finally:
        share.close()
        os.kill(bus_pid, signal.SIGTERM)
        subprocess.run(["rm", "-rf", work])


if __name__ == "__main__":
    main()
