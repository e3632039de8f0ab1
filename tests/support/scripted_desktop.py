#!/usr/bin/env python3
"""A StatusNotifierItem watcher and host and a notification service on a test's private session bus.

serve JOURNAL: owns both services, writing what the program does to JOURNAL. menu: prints the item's dbusmenu
labels. click LABEL: clicks that menu item. activate N GAP: activates the item N times, GAP ms apart.
invoke-default: clicks the notification last shown.
"""

import sys
import time

from gi.repository import Gio, GLib

WATCHER = "org.kde.StatusNotifierWatcher"
WATCHER_PATH = "/StatusNotifierWatcher"
NOTIFICATIONS = "org.freedesktop.Notifications"
NOTIFICATIONS_PATH = "/org/freedesktop/Notifications"
CONTROL = "org.quillonv.ScriptedDesktop"

INTERFACES = Gio.DBusNodeInfo.new_for_xml(f"""
<node>
  <interface name="{WATCHER}">
    <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  </interface>
  <interface name="{NOTIFICATIONS}">
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{{sv}}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
    <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
  </interface>
  <interface name="{CONTROL}">
    <method name="InvokeDefault"/>
  </interface>
</node>""")


class Desktop:
    def __init__(self, bus, journal):
        self.bus = bus
        self.journal = open(journal, "a", encoding="utf-8")
        self.items = []
        self.next_id = 1
        self.last_id = 0

    def write(self, line):
        self.journal.write(line + "\n")
        self.journal.flush()

    def call(self, connection, sender, path, interface, method, parameters, invocation):
        reply = None
        if method == "RegisterStatusNotifierItem":
            service = parameters.unpack()[0]
            service = sender if service.startswith("/") else service  # an item may send its path
            self.items.append(service)
            self.bus.signal_subscribe(service, "org.kde.StatusNotifierItem", "NewIcon", None, None,
                                      Gio.DBusSignalFlags.NONE, lambda *_: self.write("new-icon"))
            self.write("registered " + service)
        elif method == "GetCapabilities":
            reply = GLib.Variant("(as)", (["actions", "body", "body-markup"],))
        elif method == "Notify":
            app, replaces, icon, summary, body, actions, hints, timeout = parameters.unpack()
            shown = replaces or self.next_id
            self.next_id += 0 if replaces else 1
            self.last_id = shown
            image = hints.get("image-data")
            self.write(f"notify id={shown} replaces={replaces} summary={summary} body={body.replace(chr(10), '|')} "
                       f"category={hints.get('category')} desktop-entry={hints.get('desktop-entry')} "
                       f"image={image[0] if image else 0}x{image[1] if image else 0} actions={','.join(actions)}")
            reply = GLib.Variant("(u)", (shown,))
        elif method == "CloseNotification":
            closed = parameters.unpack()[0]
            self.write(f"close {closed}")
            self.bus.emit_signal(None, NOTIFICATIONS_PATH, NOTIFICATIONS, "NotificationClosed",
                                 GLib.Variant("(uu)", (closed, 3)))
        elif method == "InvokeDefault":
            self.bus.emit_signal(None, NOTIFICATIONS_PATH, NOTIFICATIONS, "ActionInvoked",
                                 GLib.Variant("(us)", (self.last_id, "default")))
        invocation.return_value(reply)

    def property(self, connection, sender, path, interface, name):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", self.items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", True)}[name]


def serve(bus, journal):
    desktop = Desktop(bus, journal)
    for path, interfaces in ((WATCHER_PATH, [WATCHER]), (NOTIFICATIONS_PATH, [NOTIFICATIONS, CONTROL])):
        for name in interfaces:
            bus.register_object(path, INTERFACES.lookup_interface(name), desktop.call, desktop.property, None)
    for name in (WATCHER, NOTIFICATIONS):
        bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                      GLib.Variant("(su)", (name, 4)), None, Gio.DBusCallFlags.NONE, -1, None)
    desktop.write("ready")
    GLib.MainLoop().run()


def call(bus, service, path, interface, method, parameters=None):
    return bus.call_sync(service, path, interface, method, parameters, None, Gio.DBusCallFlags.NONE, 5000, None)


def item(bus):
    items = call(bus, WATCHER, WATCHER_PATH, "org.freedesktop.DBus.Properties", "Get",
                 GLib.Variant("(ss)", (WATCHER, "RegisteredStatusNotifierItems"))).unpack()[0]
    return items[-1]


def menu_entries(bus):
    service = item(bus)
    menu = call(bus, service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", "Menu"))).unpack()[0]
    layout = call(bus, service, menu, "com.canonical.dbusmenu", "GetLayout",
                  GLib.Variant("(iias)", (0, -1, []))).unpack()[1]
    return service, menu, [(child[0], child[1].get("label", "")) for child in layout[2]]


def main(command, *arguments):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    if command == "serve":
        serve(bus, arguments[0])
    elif command == "menu":
        print("\n".join(label for _, label in menu_entries(bus)[2]))
    elif command == "click":
        service, menu, entries = menu_entries(bus)
        chosen = next(number for number, label in entries if label == arguments[0])
        call(bus, service, menu, "com.canonical.dbusmenu", "Event",
             GLib.Variant("(isvu)", (chosen, "clicked", GLib.Variant("i", 0), 0)))
    elif command == "activate":
        service = item(bus)
        for index in range(int(arguments[0])):
            if index:
                time.sleep(int(arguments[1]) / 1000)
            call(bus, service, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate",
                 GLib.Variant("(ii)", (0, 0)))
    elif command == "invoke-default":
        call(bus, NOTIFICATIONS, NOTIFICATIONS_PATH, CONTROL, "InvokeDefault")


if __name__ == "__main__":
    main(*sys.argv[1:])
