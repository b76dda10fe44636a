#!/usr/bin/python3
"""Reads the running program's window through the accessibility bus, as a screen reader would.

Usage: a11y.py dump | a11y.py text NAME | a11y.py rows [NAME] | a11y.py state NAME STATE
  text NAME   the text of the field whose accessible name is NAME ("Note", "Description", "Category") or the
              caption of the label, button or check box called NAME
  rows [NAME] the rows of the list called NAME (the note list "Notes" when not given), one per line, cells
              separated by tabs
  press NAME  presses the button called NAME (a message box's "OK")
  state       prints yes or no: whether the control called NAME has STATE (visible, enabled, checked, focused)
"""
import sys

import pyatspi


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


main()
