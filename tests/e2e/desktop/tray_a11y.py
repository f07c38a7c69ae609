"""What a screen reader reads of a tray and the menu it shows, over AT-SPI.

    tray_a11y.py icon APP          the middle of APP's last tray icon: "X Y"
    tray_a11y.py menu APP          the open menu's items, one a line: the
                                   name, "-" for a separator, " (disabled)"
                                   after one that cannot be chosen
    tray_a11y.py choose APP NAME   chooses the open menu's item NAME

Each waits up to ten seconds for what it looks for, and fails after that.
"""

import sys
import time

import pyatspi


def app_named(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            return app
    return None


def walk(accessible):
    yield accessible
    for i in range(accessible.childCount):
        child = accessible.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def showing(accessible):
    return accessible.getState().contains(pyatspi.STATE_SHOWING)


def open_menu(app):
    for accessible in walk(app):
        if accessible.getRole() == pyatspi.ROLE_MENU and showing(accessible):
            return accessible
    return None


def items(menu):
    for i in range(menu.childCount):
        item = menu.getChildAtIndex(i)
        if item is not None and showing(item):
            yield item


def label(item):
    if item.getRole() == pyatspi.ROLE_SEPARATOR:
        return "-"
    enabled = item.getState().contains(pyatspi.STATE_ENABLED)
    return item.name + ("" if enabled else " (disabled)")


def icon(app):
    icons = [a for a in walk(app) if a.getRole() == pyatspi.ROLE_ICON and showing(a)]
    if not icons:
        return None
    box = icons[-1].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return f"{box.x + box.width // 2} {box.y + box.height // 2}"


def until(find):
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        app = app_named(sys.argv[2])
        found = find(app) if app is not None else None
        if found:
            return found
        time.sleep(0.2)
    sys.exit(f"tray_a11y: nothing found for {' '.join(sys.argv[1:])}")


def main():
    command = sys.argv[1]
    if command == "icon":
        print(until(icon))
    elif command == "menu":
        menu = until(open_menu)
        print("\n".join(label(item) for item in items(menu)))
    elif command == "choose":
        def item_named(app):
            menu = open_menu(app)
            found = [i for i in items(menu) if i.name == sys.argv[3]] if menu else []
            return found[0] if found else None

        item = until(item_named)
        item.queryAction().doAction(0)
    else:
        sys.exit(f"tray_a11y: unknown command {command}")


if __name__ == "__main__":
    main()
