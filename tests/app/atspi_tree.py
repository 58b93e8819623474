#!/usr/bin/python3
"""Prints the accessible tree of one application as assistive technologies see it over AT-SPI.

Usage: atspi_tree.py APPLICATION-NAME TIMEOUT-SECONDS
One line per object: indentation, role name, "|", accessible name, and for objects with text
their text after a second "|". Waits until the application shows up on the desktop.
"""
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

# get_text_iface is the one call that works on every libatspi 2.x; its deprecation is only noise.
warnings.simplefilter("ignore", DeprecationWarning)


def find_application(name, deadline):
    while time.monotonic() < deadline:
        desktop = Atspi.get_desktop(0)
        for index in range(desktop.get_child_count()):
            application = desktop.get_child_at_index(index)
            if application is not None and application.get_name() == name:
                return application
        time.sleep(0.2)
    return None


def walk(node, depth, out):
    try:
        role = node.get_role_name()
        name = node.get_name() or ""
        line = "%s%s|%s" % ("  " * depth, role, name)
        text = node.get_text_iface()
        if text is not None:
            line += "|" + text.get_text(0, text.get_character_count()).replace("\n", "\\n")
        out.append(line)
        for index in range(node.get_child_count()):
            walk(node.get_child_at_index(index), depth + 1, out)
    except gi.repository.GLib.Error as error:
        out.append("%s(error: %s)" % ("  " * depth, error))


def main():
    name, timeout = sys.argv[1], float(sys.argv[2])
    application = find_application(name, time.monotonic() + timeout)
    if application is None:
        print("application %s not found" % name, file=sys.stderr)
        return 1
    lines = []
    walk(application, 0, lines)
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
