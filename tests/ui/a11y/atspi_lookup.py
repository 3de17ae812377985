"""Looks an acronym up in the running program through AT-SPI alone."""
import sys
import time

import pyatspi

ENTRY = "aa"
EXPECTED = "Alcoholics Anonymous; Automobile Association; American Airlines"
TEXT_ROLES = (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)


def find(node, wanted, depth=0):
    if node is None or depth > 30:
        return None
    try:
        if wanted(node):
            return node
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:  # a node that went away while we looked
        return None
    for child in children:
        found = find(child, wanted, depth + 1)
        if found is not None:
            return found
    return None


def wait_for(what, look, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = look()
        if found:
            return found
        time.sleep(0.2)
    sys.exit("FAIL: no " + what)


def named(role_set, name):
    return lambda node: node.getRole() in role_set and node.name == name


def main():
    desktop = pyatspi.Registry.getDesktop(0)
    app = wait_for("program on the accessibility bus",
                   lambda: find(desktop, lambda n: n.getRole() == pyatspi.ROLE_APPLICATION
                                and n.name == "orvex"))
    box = wait_for("text box named Acronym", lambda: find(app, named(TEXT_ROLES, "Acronym")))
    find_button = find(app, named((pyatspi.ROLE_PUSH_BUTTON,), "Find"))
    definition = find(app, named(TEXT_ROLES, "Definition"))
    if find_button is None or definition is None:
        sys.exit("FAIL: no Find button or Definition box")

    # Typed through the box's own text interface, as dictation does.
    box.queryComponent().grabFocus()
    box.queryEditableText().insertText(0, ENTRY, len(ENTRY))
    typed = box.queryText().getText(0, -1)
    if typed != ENTRY:
        sys.exit("FAIL: the box holds %r after typing %r" % (typed, ENTRY))

    actions = find_button.queryAction()
    names = [actions.getName(i).lower() for i in range(actions.nActions)]
    actions.doAction(names.index("press") if "press" in names else 0)

    shown = wait_for("definition", lambda: definition.queryText().getText(0, -1), 10)
    print("read back: %r" % shown)
    if shown != EXPECTED:
        sys.exit("FAIL: expected %r" % EXPECTED)
    print("ok")


main()
