#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A StatusNotifierItem host of the test's own, on the session bus it is given.

  sni.py watcher ITEM_FILE   serve org.kde.StatusNotifierWatcher with a host
                             registered; each item that registers is written to
                             ITEM_FILE as its bus name. Like a panel, it reads
                             the item's IconPixmap at once and again on every
                             NewIcon, printing the sizes it got, one line each
  sni.py tip SERVICE         print the item's tip (the ToolTip title)
  sni.py menu SERVICE        print the exported menu, one item a line:
                             label<TAB>enabled|disabled, or "-" for a separator
  sni.py click SERVICE LABEL send "clicked" for the item with that label
  sni.py activate SERVICE    call Activate, as a host does on a left click
"""
import sys

import dbus
import dbus.service

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
DBUSMENU = "com.canonical.dbusmenu"
PROPS = "org.freedesktop.DBus.Properties"
INTROSPECTION = """<node>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
 <interface name="org.freedesktop.DBus.Introspectable">
  <method name="Introspect"><arg type="s" direction="out"/></method>
 </interface>
</node>"""


def run_watcher(item_file):
    from dbus.mainloop.glib import DBusGMainLoop
    from gi.repository import GLib

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()

    class Watcher(dbus.service.Object):
        def __init__(self):
            super().__init__(bus, "/StatusNotifierWatcher")
            self.items = []

        def props(self):
            return {
                "IsStatusNotifierHostRegistered": dbus.Boolean(True),
                "ProtocolVersion": dbus.Int32(0),
                "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            }

        @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
        def RegisterStatusNotifierItem(self, service, sender=None):
            # An item names its bus name, or only its path on the sender's name.
            name = sender if service.startswith("/") else service
            self.items.append(name)
            with open(item_file, "a") as f:
                f.write(name + "\n")
            draw_icon(name)
            bus.add_signal_receiver(lambda: draw_icon(name), "NewIcon", ITEM, bus_name=name)

        @dbus.service.method(WATCHER, in_signature="s")
        def RegisterStatusNotifierHost(self, service):
            pass

        # Qt reads the host flag through an interface built from this text, so
        # the properties must be in it.
        @dbus.service.method("org.freedesktop.DBus.Introspectable", out_signature="s")
        def Introspect(self):
            return INTROSPECTION

        @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
        def Get(self, interface, name):
            return self.props()[name]

        @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
        def GetAll(self, interface):
            return self.props()

    def draw_icon(name):
        def got(images):
            print(" ".join(f"{int(w)}x{int(h)}" for w, h, _ in images), flush=True)

        bus.get_object(name, "/StatusNotifierItem", introspect=False).Get(
            ITEM, "IconPixmap", dbus_interface=PROPS, reply_handler=got, error_handler=lambda e: None)

    watcher = Watcher()
    name = dbus.service.BusName(WATCHER, bus)  # owned while referenced
    GLib.MainLoop().run()
    del watcher, name


def item_proxy(service):
    return dbus.SessionBus().get_object(service, "/StatusNotifierItem")


def menu_items(service):
    item = item_proxy(service)
    path = item.Get(ITEM, "Menu", dbus_interface=PROPS)
    menu = dbus.SessionBus().get_object(service, path)
    _, (_, _, children) = menu.GetLayout(0, -1, dbus.Array([], signature="s"), dbus_interface=DBUSMENU)
    rows = []
    for child in children:
        ident, props, _ = child
        if not props.get("visible", True):
            continue
        rows.append((int(ident), props))
    return menu, rows


def main():
    mode = sys.argv[1]
    if mode == "watcher":
        run_watcher(sys.argv[2])
    elif mode == "tip":
        title = item_proxy(sys.argv[2]).Get(ITEM, "ToolTip", dbus_interface=PROPS)[2]
        print(title)
    elif mode == "menu":
        _, rows = menu_items(sys.argv[2])
        for _, props in rows:
            if props.get("type") == "separator":
                print("-")
            else:
                enabled = "enabled" if props.get("enabled", True) else "disabled"
                print(f"{props.get('label', '')}\t{enabled}")
    elif mode == "click":
        menu, rows = menu_items(sys.argv[2])
        ids = [ident for ident, props in rows if props.get("label") == sys.argv[3]]
        if not ids:
            sys.exit(f"no menu item {sys.argv[3]!r}")
        menu.Event(ids[0], "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0), dbus_interface=DBUSMENU)
    elif mode == "activate":
        item_proxy(sys.argv[2]).Activate(dbus.Int32(0), dbus.Int32(0), dbus_interface=ITEM)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
