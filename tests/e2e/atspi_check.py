#!/usr/bin/python3
# Reads the running application through AT-SPI as a screen reader does and
# fails on any showing control without a name: on the Devices page after a
# search, a controller's channel grid and the Settings list. Everything is
# found and pressed by its accessible name.
import subprocess
import sys
import time

import pyatspi

R = pyatspi
CONTROLS = {R.ROLE_PUSH_BUTTON, R.ROLE_TOGGLE_BUTTON, R.ROLE_CHECK_BOX, R.ROLE_PAGE_TAB,
            R.ROLE_SPIN_BUTTON, R.ROLE_TEXT, R.ROLE_ENTRY, R.ROLE_COMBO_BOX, R.ROLE_LIST_ITEM,
            R.ROLE_SLIDER, R.ROLE_DIALOG}


def wait_for(what, probe, tries=300):
    for _ in range(tries):
        try:
            found = probe()
        except Exception:  # a node went away while it was read
            found = None
        if found:
            return found
        time.sleep(0.3)
    return what and sys.exit("FAIL: timed out waiting for " + what)


def showing(node):
    node.clearCache()
    pending = [node]
    while pending:
        node = pending.pop()
        if node is not None and node.getState().contains(R.STATE_SHOWING):
            yield node
            pending.extend(node)


def find(test, role=R.ROLE_PUSH_BUTTON):
    return next((n for n in showing(app) if n.getRole() == role and test(n.name)), None)


def press(node):
    """The press action, or a click where AT-SPI puts the node."""
    actions = node.queryAction()
    names = [actions.getName(i).lower() for i in range(actions.nActions)]
    if "press" in names:
        return actions.doAction(names.index("press"))
    box = node.queryComponent().getExtents(R.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)


def open_page(target, where, arrived, role=R.ROLE_PUSH_BUTTON):
    """Presses the target, found again should a grid rebuild it, until the
    page is there; then every showing control must have a name."""
    for _ in range(5):
        try:
            press(wait_for("the way to " + where, lambda: find(target, role)))
        except Exception:
            pass
        if wait_for(None, arrived, 100):
            time.sleep(1)  # the page transition ends
            controls = [n for n in showing(app) if n.getRole() in CONTROLS]
            unnamed = [n.getRoleName() for n in controls if not n.name.strip()]
            print("%s: %d controls, unnamed: %s" % (where, len(controls), unnamed))
            return unnamed and sys.exit("FAIL: controls without a name on " + where)
    sys.exit("FAIL: could not open " + where)


desktop = R.Registry.getDesktop(0)
app = wait_for("the application on the bus", lambda: desktop.clearCache() or next(
    (a for a in desktop if a is not None and a.name == "NorvaleoDimmer"), None))
press(wait_for("the add button", lambda: find(lambda n: n == "Добавить")))
connected = lambda name: name.endswith(", подключено")
open_page(lambda n: n == "Поиск устройств", "the Devices page",
          lambda: find(lambda n: True, R.ROLE_DIALOG) is None
          and len([n for n in showing(app) if connected(n.name)]) == 2, R.ROLE_LIST_ITEM)
open_page(connected, "a channel grid", lambda: find(lambda n: n == "Яркость", R.ROLE_SLIDER))
press(find(lambda n: n == "Назад"))
wait_for("the Devices page", lambda: find(lambda n: n == "Добавить"))
open_page(lambda n: n == "Настройки", "the Settings list",
          lambda: find(lambda n: n == "Добавить") is None, R.ROLE_PAGE_TAB)
print("PASS")
