#!/usr/bin/python3
# Reads the running application through AT-SPI, as a screen reader does:
# searches from the add menu, then fails on any showing control without a
# name on the Devices page, a controller's channel grid and the Settings
# list. Controls are found and pressed by their accessible names only.
import subprocess
import sys
import time

import pyatspi

CONTROL_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_SLIDER, pyatspi.ROLE_DIALOG,
}


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def wait_for(what, probe, seconds=60):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.3)
    fail("timed out waiting for " + what)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clearCache()
    return next((a for a in desktop if a is not None and a.name == "NorvaleoDimmer"), None)


def showing(app):
    """Every showing node of the application, read afresh."""
    app.clearCache()
    pending = [app]
    while pending:
        node = pending.pop()
        if node is None or not node.getState().contains(pyatspi.STATE_SHOWING):
            continue
        yield node
        pending.extend(node)


def find(app, role, test):
    return next((n for n in showing(app) if n.getRole() == role and test(n.name)), None)


def press(node):
    """Through the node's press action, or a click where AT-SPI puts it."""
    actions = node.queryAction()
    names = [actions.getName(i).lower() for i in range(actions.nActions)]
    if "press" in names:
        actions.doAction(names.index("press"))
        return
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)


def one_page(app):
    """True once the page stack shows only its top page."""
    stack = find(app, pyatspi.ROLE_LAYERED_PANE, lambda name: True)
    return stack is not None and len([p for p in stack if p is not None and p.getState().contains(
        pyatspi.STATE_SHOWING)]) == 1


def check_names(app, where):
    wait_for("the pages to settle on " + where, lambda: one_page(app))
    controls = [n for n in showing(app) if n.getRole() in CONTROL_ROLES]
    unnamed = [n.getRoleName() for n in controls if not n.name.strip()]
    print("%s: %d controls, %d without a name" % (where, len(controls), len(unnamed)))
    if unnamed:
        fail("%s: showing controls without a name: %s" % (where, ", ".join(unnamed)))


app = wait_for("the application on the accessibility bus", application, 90)
button = pyatspi.ROLE_PUSH_BUTTON
press(wait_for("the add button", lambda: find(app, button, lambda n: n == "Добавить")))
press(wait_for("the search entry",
               lambda: find(app, pyatspi.ROLE_LIST_ITEM, lambda n: n == "Поиск устройств")))
wait_for("the waiting box", lambda: find(app, pyatspi.ROLE_DIALOG, lambda n: n == "Поиск устройств"))
wait_for("the end of the search", lambda: find(app, pyatspi.ROLE_DIALOG, lambda n: True) is None)
connected = lambda name: name.endswith(", подключено")
wait_for("two controller cards", lambda: len([n for n in showing(app) if connected(n.name)]) == 2)
check_names(app, "Devices page")

press(find(app, button, connected))
wait_for("channel cards", lambda: find(app, button, lambda n: " %" in n))
check_names(app, "channel grid")
if find(app, pyatspi.ROLE_SLIDER, lambda n: n == "Яркость") is None:
    fail("channel grid: no level for screen readers")

press(find(app, button, lambda n: n == "Назад"))
wait_for("the Devices page", lambda: find(app, button, lambda n: n == "Добавить"))
press(find(app, pyatspi.ROLE_PAGE_TAB, lambda n: n == "Настройки"))
wait_for("the Settings list", lambda: find(app, button, lambda n: n == "Добавить") is None)
check_names(app, "Settings list")
print("PASS")
