#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""A network share whose server sleeps or is gone: a read-only FUSE mirror of a folder.

Usage: network_share.py FOLDER MOUNTPOINT CONTROL LOG

The mount table shows it as a Windows share (type fuse.cifs, source nas:/recordings). Every look-up
(getattr, readdir, statfs, access, open) first asks the file CONTROL, which says (replace it whole):
  awake          answer at once (so does a missing file)
  asleep         answer nothing until CONTROL says otherwise (a server that is gone)
  asleep-until T answer once CLOCK_MONOTONIC reaches T seconds (a server waking up at T)
  opens-asleep   answer every look-up at once but hold each open (the kernel still answers
                 look-ups from what it knows; the open has to reach the server)
  opens-asleep-until T  the same, until CLOCK_MONOTONIC reaches T seconds
A look-up that has to wait is logged to LOG as "operation path" when it comes in, so that a test
knows the program asked. Reads of a file already open never wait, as on a share that is awake.
"""
import errno
import os
import sys
import threading
import time

from fusepy import FUSE, FuseOSError, Operations


class Server:
    def __init__(self, control_path, log_path):
        self.control_path = control_path
        self.log = open(log_path, "a", buffering=1)
        self.lock = threading.Lock()

    def wakes_at(self, operation):
        """Monotonic seconds at which the share answers the operation; infinity while it sleeps."""
        try:
            with open(self.control_path) as control:
                words = control.read().split()
        except FileNotFoundError:
            words = []
        if words and words[0].startswith("opens-"):
            if operation != "open":
                return 0.0
            words = [words[0][len("opens-"):]] + words[1:]
        if words == ["asleep"]:
            return float("inf")
        if len(words) == 2 and words[0] == "asleep-until":
            return float(words[1])
        return 0.0

    def answer_when_awake(self, operation, path):
        # The control is read at every look-up, so that a state the test has set holds for the next
        # call it makes; a held call looks again every few milliseconds until the server wakes.
        if time.monotonic() >= self.wakes_at(operation):
            return
        with self.lock:
            self.log.write("%s %s\n" % (operation, path))
        while time.monotonic() < self.wakes_at(operation):
            time.sleep(0.005)


class Mirror(Operations):
    def __init__(self, folder, server):
        self.folder = folder
        self.server = server

    def real(self, operation, path):
        self.server.answer_when_awake(operation, path)
        return self.folder + path

    def getattr(self, path, fh=None):
        try:
            st = os.lstat(self.real("getattr", path))
        except OSError as error:
            raise FuseOSError(error.errno)
        return {key: getattr(st, key) for key in (
            "st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime", "st_mtime", "st_ctime")}

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self.real("readdir", path))

    def statfs(self, path):
        st = os.statvfs(self.real("statfs", path))
        return {key: getattr(st, key) for key in (
            "f_bsize", "f_frsize", "f_blocks", "f_bfree", "f_bavail", "f_files", "f_ffree", "f_namemax")}

    def access(self, path, mode):
        if not os.path.lexists(self.real("access", path)):
            raise FuseOSError(errno.ENOENT)
        if mode & os.W_OK:
            raise FuseOSError(errno.EROFS)

    def open(self, path, flags):
        return os.open(self.real("open", path), flags)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)

    def readlink(self, path):
        return os.readlink(self.real("readlink", path))


def main():
    folder, mount_point, control, log = sys.argv[1:5]
    server = Server(control, log)
    FUSE(Mirror(os.path.realpath(folder), server), mount_point, foreground=True, nothreads=False,
         ro=True, fsname="nas:/recordings", subtype="cifs", attr_timeout=0, entry_timeout=0)


if __name__ == "__main__":
    main()
