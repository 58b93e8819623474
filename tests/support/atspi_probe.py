#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Reads or works the running player through AT-SPI, as assistive technologies do.

Usage:
  atspi_probe.py tree APPLICATION TIMEOUT   one line per object: depth, role, name, text, states, extents
  atspi_probe.py press APPLICATION NAME     runs the default action of the first object so named
Lines look like "  role|name|text|selected,checked|x,y,w,h" with screen coordinates.
"""
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

warnings.simplefilter("ignore", DeprecationWarning)

STATES = {
    Atspi.StateType.SELECTED: "selected",
    Atspi.StateType.CHECKED: "checked",
    Atspi.StateType.PRESSED: "pressed",
    Atspi.StateType.SHOWING: "showing",
}


def find_application(name, deadline):
    while time.monotonic() < deadline:
        desktop = Atspi.get_desktop(0)
        for index in range(desktop.get_child_count()):
            application = desktop.get_child_at_index(index)
            if application is not None and application.get_name() == name:
                return application
        time.sleep(0.2)
    return None


def describe(node):
    role = node.get_role_name()
    name = node.get_name() or ""
    text = ""
    iface = node.get_text_iface()
    if iface is not None:
        text = iface.get_text(0, iface.get_character_count()).replace("\n", "\\n")
    states = node.get_state_set()
    marks = ",".join(word for state, word in STATES.items() if states.contains(state))
    extents = ""
    component = node.get_component_iface()
    if component is not None:
        box = component.get_extents(Atspi.CoordType.SCREEN)
        extents = "%d,%d,%d,%d" % (box.x, box.y, box.width, box.height)
    return "%s|%s|%s|%s|%s" % (role, name, text, marks, extents)


def walk(node, depth, out):
    try:
        out.append("  " * depth + describe(node))
        for index in range(node.get_child_count()):
            walk(node.get_child_at_index(index), depth + 1, out)
    except gi.repository.GLib.Error as error:
        out.append("%s(error: %s)" % ("  " * depth, error))


def find(node, name):
    try:
        if (node.get_name() or "") == name:
            return node
        for index in range(node.get_child_count()):
            found = find(node.get_child_at_index(index), name)
            if found is not None:
                return found
    except gi.repository.GLib.Error:
        pass
    return None


def main():
    command, application_name = sys.argv[1], sys.argv[2]
    timeout = float(sys.argv[3]) if command == "tree" else 20.0
    application = find_application(application_name, time.monotonic() + timeout)
    if application is None:
        print("application %s not found" % application_name, file=sys.stderr)
        return 1
    if command == "tree":
        lines = []
        walk(application, 0, lines)
        print("\n".join(lines))
        return 0
    if command == "press":
        node = find(application, sys.argv[3])
        if node is None or node.get_action_iface() is None:
            print("no object %s to press" % sys.argv[3], file=sys.stderr)
            return 1
        node.get_action_iface().do_action(0)
        return 0
    return 2


if __name__ == "__main__":
    sys.exit(main())
