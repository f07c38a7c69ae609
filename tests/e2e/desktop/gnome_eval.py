"""Runs JavaScript in GNOME Shell (in unsafe mode) and prints the result:
a text as it is, a list one element a line, anything else as JSON.

    gnome_eval.py SCRIPT
"""

import json
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
ok, result = bus.call_sync("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval",
                           GLib.Variant("(s)", (sys.argv[1],)), GLib.VariantType("(bs)"),
                           Gio.DBusCallFlags.NONE, 10000, None).unpack()
if not ok:
    sys.exit(f"gnome_eval: {result}")
value = json.loads(result) if result else None
if isinstance(value, str):
    print(value)
elif isinstance(value, list):
    print("\n".join(str(v) for v in value))
else:
    print(json.dumps(value))
