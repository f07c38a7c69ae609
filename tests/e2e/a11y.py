#!/usr/bin/python3
"""Reads a program's menus and windows over AT-SPI, as a screen reader does.

The program must run with its accessibility on (Qt: QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
on the accessibility bus of the session this runs in (at-spi-bus-launcher).

  a11y.py [--timeout S] menu APP [-- COMMAND [ARG...]]
      Prints the items of the next popup menu of the application named APP
      that opens: one line an item, in menu order, its name as read out
      ("設定(S)..." for "設定(&S)..."); "-" for a separator; " (disabled)" after
      an item that cannot be chosen. Hidden items are left out. With COMMAND,
      runs it once listening: the press that opens the menu. Toolkits that
      list their popup menus among the application's windows are read at
      once if one is open.

  a11y.py [--timeout S] window APP TITLE [--expect FILE]
      Prints the showing window of APP titled TITLE, walked as a screen reader
      walks it, one line per line of text:
          ROLE (STATE, ...): NAME
          ROLE description: DESCRIPTION   (a tooltip; what a window printed)
          ROLE content: TEXT              (what an entry or a text box holds)
      The window comes first ("alert: エラー - Orbek"), then what it holds, in
      order. STATEs are disabled, default, selected and checked; a text of
      several lines gives one line each; an empty one gives "ROLE:". Objects
      the user cannot see are left out, and so are panels, fillers, images
      and scroll bars with no name. With --expect, waits until the reading is
      FILE's content ("-": standard input).

  a11y.py [--timeout S] choose APP NAME
      Chooses the item NAME (as `menu` prints it) of APP's open popup menu.

  a11y.py [--timeout S] icon APP [NAME]
      Prints the middle of APP's last icon that shows, or of what shows named
      NAME, on the screen: "X Y" (where a tray lists its icons).

They wait up to --timeout seconds (default 10) for what they read; past it
they print the last reading, if any, say why on standard error and exit 1.
Usage errors exit 2.
"""

import argparse
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

SKIPPED = {pyatspi.ROLE_PANEL, pyatspi.ROLE_FILLER, pyatspi.ROLE_IMAGE, pyatspi.ROLE_SCROLL_BAR}
MENUS = {pyatspi.ROLE_POPUP_MENU, pyatspi.ROLE_MENU}


def states(acc):
    return acc.getState()


def app_of(acc):
    try:
        return acc.getApplication().name
    except Exception:
        return None


def applications(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            yield app


def menu_lines_of(item):
    """An item's line as `menu` prints it, in a list; none for a hidden one."""
    s = states(item)
    if not s.contains(pyatspi.STATE_VISIBLE):
        return []
    if item.getRole() == pyatspi.ROLE_SEPARATOR:
        return ["-"]
    off = not (s.contains(pyatspi.STATE_ENABLED) and s.contains(pyatspi.STATE_SENSITIVE))
    return [item.name + (" (disabled)" if off else "")]


def menu_lines(menu):
    lines = []
    for i in range(menu.childCount):
        item = menu.getChildAtIndex(i)
        if item is not None:
            lines.extend(menu_lines_of(item))
    return lines


def open_menu(app_name):
    """A popup menu of the application that is showing, where the toolkit lists
    it: among the application's windows, or as the one thing a window holds."""
    for app in applications(app_name):
        for i in range(app.childCount):
            child = app.getChildAtIndex(i)
            if child is None or not states(child).contains(pyatspi.STATE_SHOWING):
                continue
            if child.getRole() in MENUS:
                return child
            if child.getRole() == pyatspi.ROLE_WINDOW and child.childCount == 1:
                inner = child.getChildAtIndex(0)
                if inner is not None and inner.getRole() in MENUS:
                    return inner
    return None


def until(find, timeout):
    """What `find` finds within `timeout` seconds, or None."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            found = find()
        except Exception:  # it went while it was read: look again
            found = None
        if found is not None or time.monotonic() >= deadline:
            return found
        time.sleep(0.1)


def choose(app_name, name, timeout):
    def item():
        menu = open_menu(app_name)
        for i in range(menu.childCount if menu is not None else 0):
            child = menu.getChildAtIndex(i)
            if child is not None and menu_lines_of(child) == [name]:
                return child
        return None

    found = until(item, timeout)
    if found is None:
        print("no item %r in an open menu of %s in %g s" % (name, app_name, timeout),
              file=sys.stderr)
        return 1
    found.queryAction().doAction(0)
    return 0


def icon(app_name, name, timeout):
    def place():
        icons = []
        for app in applications(app_name):
            stack = [app]
            while stack:
                acc = stack.pop()
                wanted = acc.name == name if name else acc.getRole() == pyatspi.ROLE_ICON
                if wanted and states(acc).contains(pyatspi.STATE_SHOWING):
                    icons.append(acc)
                stack.extend(acc.getChildAtIndex(i) for i in reversed(range(acc.childCount)))
        if not icons:
            return None
        box = icons[-1].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return "%d %d" % (box.x + box.width // 2, box.y + box.height // 2)

    found = until(place, timeout)
    if found is None:
        print("no icon of %s showed in %g s" % (app_name, timeout), file=sys.stderr)
        return 1
    print(found)
    return 0


def read_menu(app_name, command, timeout):
    found = []

    def shown(event):
        try:
            if found or not event.detail1 or event.source.getRole() not in MENUS:
                return
            if app_of(event.source) != app_name:
                return
            found.append(menu_lines(event.source))
        except GLib.Error:
            return  # something that showed and went at once
        pyatspi.Registry.stop()


    def begin():
        menu = open_menu(app_name)
        if menu is not None and not command:
            found.append(menu_lines(menu))
            pyatspi.Registry.stop()
        elif command:
            subprocess.Popen(command)
        return False

    def give_up():
        pyatspi.Registry.stop()
        return False

    pyatspi.Registry.registerEventListener(shown, "object:state-changed:showing")
    GLib.idle_add(begin)
    GLib.timeout_add(int(timeout * 1000), give_up)
    pyatspi.Registry.start()
    if not found:
        print("no popup menu of %s opened in %g s" % (app_name, timeout), file=sys.stderr)
        return 1
    print("\n".join(found[0]))
    return 0


def text_of(acc):
    try:
        text = acc.queryText()
    except NotImplementedError:
        return None
    if acc.getRole() in (pyatspi.ROLE_LABEL, pyatspi.ROLE_PUSH_BUTTON):
        return None  # what it holds is its name
    return text.getText(0, -1)


def lines_of(role, value):
    return [role + (": " + line if line else ":") for line in value.split("\n")]


def walk(acc, out, top=False):
    s = states(acc)
    if not top and not s.contains(pyatspi.STATE_SHOWING):
        return
    role = acc.getRoleName()
    name, description = acc.name, acc.description
    text = text_of(acc)
    if top or name or description or text or acc.getRole() not in SKIPPED:
        marks = []
        if not (s.contains(pyatspi.STATE_ENABLED) and s.contains(pyatspi.STATE_SENSITIVE)):
            marks.append("disabled")
        if s.contains(pyatspi.STATE_IS_DEFAULT):
            marks.append("default")
        if s.contains(pyatspi.STATE_SELECTED):
            marks.append("selected")
        if s.contains(pyatspi.STATE_CHECKED):
            marks.append("checked")
        out.extend(lines_of(role + (" (%s)" % ", ".join(marks) if marks else ""), name))
        if description and description != name:
            out.extend(lines_of(role + " description", description))
        if text and text != name:
            out.extend(lines_of(role + " content", text))
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            walk(child, out)


def reading(app_name, title):
    for app in applications(app_name):
        app.clear_cache()  # what changed since the last reading is read anew
        for i in range(app.childCount):
            window = app.getChildAtIndex(i)
            if (window is not None and window.name == title
                    and states(window).contains(pyatspi.STATE_SHOWING)):
                out = []
                walk(window, out, top=True)
                return out
    return None


def read_window(app_name, title, expect, timeout):
    deadline = time.monotonic() + timeout
    last = None
    while True:
        try:
            last = reading(app_name, title)
        except Exception:  # the window went while it was read: read again
            last = None
        if last is not None and (expect is None or last == expect):
            print("\n".join(last))
            return 0
        if time.monotonic() >= deadline:
            break
        time.sleep(0.1)
    if last is None:
        print("no window %r of %s showed in %g s" % (title, app_name, timeout), file=sys.stderr)
        return 1
    print("\n".join(last))
    print("the window did not read as expected in %g s" % timeout, file=sys.stderr)
    return 1


def main(argv):
    parser = argparse.ArgumentParser(prog="a11y.py", add_help=True)
    parser.add_argument("--timeout", type=float, default=10)
    commands = parser.add_subparsers(dest="what", required=True)
    menu = commands.add_parser("menu")
    menu.add_argument("app")
    menu.add_argument("command", nargs=argparse.REMAINDER)
    window = commands.add_parser("window")
    window.add_argument("app")
    window.add_argument("title")
    window.add_argument("--expect")
    chosen = commands.add_parser("choose")
    chosen.add_argument("app")
    chosen.add_argument("name")
    shown = commands.add_parser("icon")
    shown.add_argument("app")
    shown.add_argument("name", nargs="?")
    try:
        args = parser.parse_args(argv)
    except SystemExit as exit:
        return 2 if exit.code else 0
    if args.what == "choose":
        return choose(args.app, args.name, args.timeout)
    if args.what == "icon":
        return icon(args.app, args.name, args.timeout)
    if args.what == "menu":
        command = args.command[1:] if args.command[:1] == ["--"] else args.command
        return read_menu(args.app, command, args.timeout)
    expect = None
    if args.expect is not None:
        with (sys.stdin if args.expect == "-" else open(args.expect, encoding="utf-8")) as f:
            expect = f.read().rstrip("\n").split("\n")
    return read_window(args.app, args.title, expect, args.timeout)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
