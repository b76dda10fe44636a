#!/usr/bin/python3
"""Reads the running program's window through the accessibility bus, as a screen reader would.

Usage: a11y.py dump | a11y.py text NAME | a11y.py rows [NAME] | a11y.py state NAME STATE
  text NAME   the text of the field whose accessible name is NAME ("Note", "Description", "Category") or the
              caption of the label, button or check box called NAME
  rows [NAME] the rows of the list called NAME (the note list "Notes" when not given), one per line, cells
              separated by tabs
  boxes       the texts of the labels of the shown dialogs and message boxes, one a line
  press NAME  presses the button called NAME (a message box's "OK")
  state       prints yes or no: whether the control called NAME has STATE (visible, enabled, checked, focused)
  progress QUESTION LABEL [--cancel] [--shot FILE]
              presses OK in the message box that asks QUESTION, then waits for the progress window that says
              LABEL and the count of the files to do, and prints its caption (that of the window under its Cancel)
              and the texts of its labels, one a line; --shot FILE takes a picture of the program's windows then, --cancel
              clicks the window's Cancel at once. Without --cancel a message box that comes first (the work ended
              before its window was seen) prints nothing.
"""
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib


def app():
    for candidate in pyatspi.Registry.getDesktop(0):
        if candidate is not None and candidate.name == "Scribbet":
            return candidate
    sys.exit("the program is not on the accessibility bus")


def walk(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def text_of(acc):
    try:
        t = acc.queryText()
        return t.getText(0, -1)
    except NotImplementedError:
        return acc.name


FIELD_ROLES = ("text", "combo box", "tree", "table")


def find(name):
    window = app()
    # The category box is announced by its current text; it is the window's one combo box.
    if name == "Category":
        return next(a for a in walk(window) if a.getRoleName() == "combo box")
    fields = [a for a in walk(window) if a.name == name]
    if not fields:
        sys.exit(f"no control named {name!r}")
    # A field wins over a label of the same name ("Note"), and a shown control over a hidden one.
    fields.sort(key=lambda a: (a.getRoleName() not in FIELD_ROLES, not a.getState().contains(pyatspi.STATE_SHOWING)))
    return fields[0]


def field_text(acc):
    if acc.getRoleName() == "combo box":
        for child in walk(acc):
            if child.getRoleName() == "text":
                return text_of(child)
    return text_of(acc)


def rows(name="Notes"):
    tree = find(name)
    table = tree.queryTable()
    for r in range(table.nRows):
        print("\t".join(text_of(table.getAccessibleAt(r, c)) for c in range(table.nColumns)))


STATES = {
    "visible": pyatspi.STATE_SHOWING,
    "enabled": pyatspi.STATE_ENABLED,
    "checked": pyatspi.STATE_CHECKED,
    "focused": pyatspi.STATE_FOCUSED,
}


def shown(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


# The program's shown dialogs and message boxes: the main window is left out, its many controls would make every
# look slow, and the progress window must be seen within a fraction of a second of its coming.
def shown_boxes(window):
    for i in range(window.childCount):
        top = window.getChildAtIndex(i)
        if top is not None and top.getRoleName() in ("dialog", "alert") and shown(top):
            yield top


# Each shown box: its role, its controls and the texts of its labels. A box that goes while it is read (a message box
# answered, the progress window at the work's end) is left out.
def read_boxes(window):
    try:
        boxes = list(shown_boxes(window))
    except GLib.GError:
        return
    for box in boxes:
        try:
            nodes = list(walk(box))
            yield box.getRoleName(), nodes, [text_of(a) for a in nodes if a.getRoleName() == "label"]
        except GLib.GError:
            continue


def button(nodes, name):
    return next(a for a in nodes if a.getRoleName() == "push button" and a.name == name)


# Moves the pointer to the middle of a control; returns the caption of the window under it, as the desktop shows it.
def point_at(acc):
    x, y, width, height = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    where = subprocess.run(
        ["xdotool", "mousemove", str(x + width // 2), str(y + height // 2), "getmouselocation", "--shell"],
        check=True, capture_output=True, text=True).stdout
    window = re.search(r"^WINDOW=(\d+)$", where, re.M).group(1)
    return subprocess.run(["xdotool", "getwindowname", window], capture_output=True, text=True).stdout.rstrip("\n")


# A picture of the part of the screen that the program's shown windows cover.
def picture(window, path):
    boxes = []
    for i in range(window.childCount):
        top = window.getChildAtIndex(i)
        if top is not None and shown(top):
            boxes.append(top.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
    left, top = min(b.x for b in boxes), min(b.y for b in boxes)
    right, bottom = max(b.x + b.width for b in boxes), max(b.y + b.height for b in boxes)
    area = f"{right - left}x{bottom - top}+{left}+{top}"
    subprocess.run(["import", "-window", "root", "-crop", area, "+repage", path], check=True)


def progress(question, label, cancel, shot):
    window = app()
    deadline = time.monotonic() + 10
    ok = None
    while ok is None:
        for _, nodes, texts in read_boxes(window):
            if question in texts:
                ok = button(nodes, "OK")
        if ok is None:
            if time.monotonic() > deadline:
                sys.exit(f"no message box asking: {question}")
            time.sleep(0.05)
    ok.queryAction().doAction(0)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        for role, nodes, texts in read_boxes(window):
            # Once the work has counted its files: until then the window shows "0 of 0 files".
            if label in texts and any(re.fullmatch(r"\d+ of [1-9]\d* files", t) for t in texts):
                try:
                    caption = point_at(button(nodes, "Cancel"))
                except GLib.GError:
                    continue  # the window went meanwhile
                if shot:
                    picture(window, shot)
                # A click as a person makes it, at once: an accessibility action presses a button a tenth of a
                # second later.
                if cancel:
                    subprocess.run(["xdotool", "click", "1"], check=True)
                print("\n".join([caption] + texts))
                return
            if question not in texts and role == "alert":
                if cancel:
                    sys.exit(f"a message box came instead of the progress window: {texts}")
                return
        time.sleep(0.01)
    sys.exit(f"no progress window saying: {label}")


def main():
    command = sys.argv[1]
    if command == "dump":
        for acc in walk(app()):
            print(f"{acc.getRoleName()}\t{acc.name}\t{text_of(acc)!r}")
    elif command == "text":
        print(field_text(find(sys.argv[2])))
    elif command == "rows":
        rows(*sys.argv[2:3])
    elif command == "press":
        button = find(sys.argv[2])
        action = button.queryAction()
        action.doAction(0)
    elif command == "state":
        print("yes" if find(sys.argv[2]).getState().contains(STATES[sys.argv[3]]) else "no")
    elif command == "boxes":
        for _, _, texts in read_boxes(app()):
            print("\n".join(texts))
    elif command == "progress":
        options = sys.argv[4:]
        shot = options[options.index("--shot") + 1] if "--shot" in options else None
        progress(sys.argv[2], sys.argv[3], "--cancel" in options, shot)


main()
