#!/usr/bin/python3
"""Waits until the program of process PID shows each NAME in a folder tree of its window, read
through the accessibility bus (AT-SPI) as a screen reader reads it; a node reads as its folder's
name, or the name and its item count in parentheses. Prints what the trees show; exit status 0
when every name is there within the time allowed, 1 otherwise.

    folders_shown.py PID SECONDS NAME...
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


def descendants(node):
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield child
            yield from descendants(child)


def program(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def shown_folders(app):
    names = []
    for node in descendants(app):
        if node.get_role() in (Atspi.Role.TREE, Atspi.Role.TREE_TABLE):
            names += [cell.get_name() for cell in descendants(node)
                      if cell.get_role() in (Atspi.Role.TABLE_CELL, Atspi.Role.TREE_ITEM)]
    return names


def shows(names, folder):
    return any(name == folder or name.startswith(folder + " (") for name in names)


def main():
    pid, seconds, wanted = int(sys.argv[1]), float(sys.argv[2]), sys.argv[3:]
    deadline = time.monotonic() + seconds
    app, names = None, []
    while True:
        try:
            app = program(pid)
            names = shown_folders(app) if app is not None else []
        except GLib.Error:
            names = []  # the window changed while it was read: read it again
        if all(shows(names, folder) for folder in wanted):
            print("folders shown:", names)
            return 0
        if time.monotonic() > deadline:
            break
        time.sleep(0.5)
    if app is None:
        print(f"process {pid} is not on the accessibility bus")
    print("folders shown:", names)
    print("missing:", [folder for folder in wanted if not shows(names, folder)])
    return 1


if __name__ == "__main__":
    sys.exit(main())
