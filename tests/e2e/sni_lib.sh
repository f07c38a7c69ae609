# Helpers for a tray that hosts items over D-Bus (StatusNotifierItem): what
# the tray reads of Orbek's item and menu, on the test's own session bus.

# Orbek's item on the bus: "<bus name>/StatusNotifierItem".
sni_item() {
  dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
    string:RegisteredStatusNotifierItems 2>/dev/null | grep -o '"[^"]*/StatusNotifierItem"' |
    tr -d '"' | head -n1
}
sni_registered() { [ -n "$(sni_item)" ]; }

# A property of the item, as dbus-send prints it.
sni_property() {
  local item
  item=$(sni_item)
  dbus-send --session --print-reply --dest="${item%%/*}" "/${item#*/}" \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem "string:$1"
}

# The menu as the tray reads it over D-Bus: one line per visible item, its
# label or "-" for a separator, and "(disabled)" after one that cannot be chosen.
sni_menu() {
  local item path
  item=$(sni_item)
  path=$(sni_property Menu | awk '/object path/ {gsub(/"/, "", $NF); print $NF}')
  dbus-send --session --print-reply --dest="${item%%/*}" "$path" com.canonical.dbusmenu.GetLayout \
    int32:0 int32:-1 array:string: | awk '
      function emit() {if (item && !hidden) print (sep ? "-" : label (off ? " (disabled)" : "")); label = ""; sep = off = hidden = 0}
      /variant +struct \{/ {emit(); item = 1}
      /string "label"/ {getline; sub(/^[^"]*"/, ""); sub(/"[^"]*$/, ""); label = $0}
      /string "type"/ {getline; if ($0 ~ /"separator"/) sep = 1}
      /string "enabled"/ {getline; if ($0 ~ /false/) off = 1}
      /string "visible"/ {getline; if ($0 ~ /false/) hidden = 1}
      END {emit()}'
}
sni_menu_enabled() { ! sni_menu | grep -q disabled; }

# xfce4-panel as scripts/desktop.sh sets it up holds only the notification
# area, at its left end.
ICON_X=12 ICON_Y=16

# The icon's place in the panel is no longer one plain colour.
icon_drawn() {
  import -window root -crop 20x20+$((ICON_X - 10))+$((ICON_Y - 10)) +repage "$T/icon.png"
  [ "$(convert "$T/icon.png" -format %k info:)" -gt 4 ]
}

menus_open() { { xdotool search --onlyvisible --class "${1:?}" 2>/dev/null || true; } | wc -l; }

# Clicks a button on the icon and waits for the window of class $2 that opens.
click_icon() {
  local before
  before=$(menus_open "$2")
  sleep 0.8  # apart from the last click, as a user's clicks are
  xdotool mousemove "$ICON_X" "$ICON_Y" click "$1"
  wait_for 5 bash -c "[ \$(xdotool search --onlyvisible --class $2 2>/dev/null | wc -l) -gt $before ]" ||
    fail "no menu opened on button $1"
}
