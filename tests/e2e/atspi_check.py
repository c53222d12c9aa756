#!/usr/bin/python3
"""Reads the running application through AT-SPI, as a screen reader does:
searches from the add menu, then on the Devices page, a controller's channel
grid, the Settings list and a controller's settings menu fails on every
showing control that has no name. Controls are found and pressed by their
accessible names only."""
import subprocess
import sys
import time

import pyatspi

# The roles a user can press, focus or change.
CONTROL_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_SLIDER, pyatspi.ROLE_LINK,
    pyatspi.ROLE_DIALOG,
}


def fail(message):
    print("FAIL: " + message)
    app = application()
    if app is not None:
        print("--- showing accessible tree")
        for node in walk(app):
            print("    %s '%s'" % (node.getRoleName(), node.name))
    sys.exit(1)


def wait_for(what, probe, seconds=30):
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
    for app in desktop:
        if app is not None and app.name == "NorvaleoDimmer":
            return app
    return None


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def walk(node):
    """Every showing node below `node`, with `node`; the client's cache of
    states and children is dropped first."""
    if node.getRole() == pyatspi.ROLE_APPLICATION:
        node.clearCache()
    yield from walk_showing(node)


def walk_showing(node):
    try:
        if not showing(node) and node.getRole() != pyatspi.ROLE_APPLICATION:
            return
    except Exception:
        return
    yield node
    for child in node:
        if child is not None:
            yield from walk_showing(child)


def find(app, role, name_test):
    for node in walk(app):
        if node.getRole() == role and name_test(node.name):
            return node
    return None


def activate(node):
    """Presses the node through its action, or clicks its middle."""
    actions = node.queryAction()
    for i in range(actions.nActions):
        if actions.getName(i).lower() == "press":
            actions.doAction(i)
            return
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)


def one_page(app):
    """True once the page stack shows only its top page (no transition runs)."""
    for node in walk(app):
        if node.getRole() == pyatspi.ROLE_LAYERED_PANE:
            pages = [child for child in node if child is not None and showing(child)]
            return len(pages) == 1
    return False


def check_names(app, where):
    wait_for("the page stack to settle on " + where, lambda: one_page(app))
    controls = [n for n in walk(app) if n.getRole() in CONTROL_ROLES]
    unnamed = [n.getRoleName() for n in controls if not n.name.strip()]
    named = ["%s '%s'" % (n.getRoleName(), n.name) for n in controls if n.name.strip()]
    print("%s: %d controls, %d without a name" % (where, len(controls), len(unnamed)))
    for line in named:
        print("    " + line)
    if unnamed:
        fail("%s: showing controls without a name: %s" % (where, ", ".join(unnamed)))
    return controls


def main():
    app = wait_for("the application on the accessibility bus", application, 90)
    is_named = lambda wanted: (lambda name: name == wanted)

    add = wait_for("the add button", lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, is_named("Добавить")))
    activate(add)
    wait_for("the add menu as a dialog", lambda: find(app, pyatspi.ROLE_DIALOG, is_named("Добавить")))
    search = wait_for("the search entry", lambda: find(app, pyatspi.ROLE_LIST_ITEM, is_named("Поиск устройств")))
    activate(search)
    wait_for("the waiting box as a dialog",
             lambda: find(app, pyatspi.ROLE_DIALOG, is_named("Поиск устройств")))
    connected = lambda name: name.endswith(", подключено")
    wait_for("two connected controller cards",
             lambda: len([n for n in walk(app) if n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                          and connected(n.name)]) >= 2, 60)
    # The search ends and its waiting box closes.
    wait_for("the end of the search",
             lambda: find(app, pyatspi.ROLE_DIALOG, lambda name: True) is None, 60)
    check_names(app, "Devices page")

    activate(find(app, pyatspi.ROLE_PUSH_BUTTON, connected))
    wait_for("channel cards", lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, lambda name: " %" in name))
    controls = check_names(app, "channel grid")
    if not any(n.getRole() == pyatspi.ROLE_SLIDER for n in controls):
        fail("channel grid: no level slider")

    activate(find(app, pyatspi.ROLE_PUSH_BUTTON, is_named("Назад")))
    wait_for("the Devices page", lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, is_named("Добавить")))
    settings_tab = [n for n in walk(app) if n.getRole() == pyatspi.ROLE_PAGE_TAB and n.name == "Настройки"]
    if not settings_tab:
        fail("no tab named Настройки")
    activate(settings_tab[0])
    wait_for("the Devices page to leave",
             lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, is_named("Добавить")) is None)
    first_row = wait_for("the Settings list",
                         lambda: find(app, pyatspi.ROLE_PUSH_BUTTON,
                                      lambda name: name.startswith("Гостиная") or name.startswith("Кухня")))
    check_names(app, "Settings list")

    activate(first_row)
    wait_for("the settings menu", lambda: find(app, pyatspi.ROLE_PUSH_BUTTON, is_named("Информация")))
    check_names(app, "settings menu")

    # Settings pages with every kind of editor.
    for entry, editor_role in (("Параметры RS485", pyatspi.ROLE_SPIN_BUTTON),
                               ("Настройки wifi", pyatspi.ROLE_CHECK_BOX),
                               ("Параметры входов", pyatspi.ROLE_CHECK_BOX)):
        activate(find(app, pyatspi.ROLE_PUSH_BUTTON, is_named(entry)))
        wait_for(entry, lambda: find(app, pyatspi.ROLE_PAGE_TAB, is_named(entry)))
        controls = check_names(app, entry)
        if not any(n.getRole() == editor_role for n in controls):
            fail("%s: no %s" % (entry, pyatspi.Atspi.Role(editor_role).value_nick))
        activate(find(app, pyatspi.ROLE_PUSH_BUTTON, is_named("Назад")))
        wait_for("the settings menu", lambda: find(app, pyatspi.ROLE_PAGE_TAB, is_named(entry)) is None)
    print("PASS")


main()
