"""Looks an acronym up in the running program through AT-SPI alone, then opens
every other window the same way and checks that a screen reader finds a name
for each of their controls and texts."""
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

    press(find_button)

    shown = wait_for("definition", lambda: definition.queryText().getText(0, -1), 10)
    print("read back: %r" % shown)
    if shown != EXPECTED:
        sys.exit("FAIL: expected %r" % EXPECTED)

    # Add for a stored acronym opens the dialog; the Help menu's entries the
    # information windows.
    press(find(app, named((pyatspi.ROLE_PUSH_BUTTON,), "Add")))
    for entry in ("Contact Us", "About"):
        press(find(app, named((pyatspi.ROLE_MENU_ITEM,), entry)))
    unnamed = []
    for title in ("Orvex", "Definition Exists", "About Orvex", "Contact Us"):
        window = wait_for("window " + title,
                          lambda: find(app, named((pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG,
                                                   pyatspi.ROLE_WINDOW), title)))
        count = check_names(window, title, unnamed)
        print("%s: %d controls and texts, all named" % (title, count) if not unnamed else title)
    if unnamed:
        sys.exit("FAIL: nameless: " + ", ".join(unnamed))
    print("ok")


def press(node):
    if node is None:
        sys.exit("FAIL: nothing to press")
    actions = node.queryAction()
    names = [actions.getName(i).lower() for i in range(actions.nActions)]
    actions.doAction(names.index("press") if "press" in names else 0)


NAMED_ROLES = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
               pyatspi.ROLE_LABEL, pyatspi.ROLE_LINK, pyatspi.ROLE_IMAGE,
               pyatspi.ROLE_MENU, pyatspi.ROLE_MENU_ITEM)


def check_names(node, where, unnamed, depth=0):
    """Every control that takes the focus and every text has a name."""
    count = 0
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None or depth > 30:
            continue
        states = child.getState()
        # Hidden parts are skipped; entries of a menu not dropped down are not.
        showing = states.contains(pyatspi.STATE_SHOWING)
        if not showing and child.getRole() != pyatspi.ROLE_MENU_ITEM:
            continue
        if child.getRole() in NAMED_ROLES or states.contains(pyatspi.STATE_FOCUSABLE):
            count += 1
            if not child.name.strip():
                unnamed.append("%s: a %s" % (where, child.getRoleName()))
        count += check_names(child, where, unnamed, depth + 1)
    return count


main()
