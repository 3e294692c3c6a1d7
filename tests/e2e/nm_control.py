# SPDX-License-Identifier: GPL-3.0-or-later
"""Plays the part of nmcli and of NetworkManager's restarts against the
python-dbusmock NetworkManager on the bus in DBUS_SYSTEM_BUS_ADDRESS.

  nm_control.py ready              exit 0 when NetworkManager is on the bus
  nm_control.py up ID ADDRESS      a PPPoE profile ID, active with ADDRESS
  nm_control.py down               deactivate every active connection
  nm_control.py dialable ID ADDRESS
                                   a PPPoE profile ID; activating it takes a
                                   second and a half and hands out ADDRESS
"""
import os
import sys

import dbus

NM = 'org.freedesktop.NetworkManager'
MOCK = 'org.freedesktop.DBus.Mock'
PROPS = 'org.freedesktop.DBus.Properties'
ACTIVE = 'org.freedesktop.NetworkManager.Connection.Active'
IP4 = 'org.freedesktop.NetworkManager.IP4Config'

bus = dbus.bus.BusConnection(os.environ['DBUS_SYSTEM_BUS_ADDRESS'])
command = sys.argv[1]

if command == 'ready':
    sys.exit(0 if bus.name_has_owner(NM) else 1)

mock = dbus.Interface(bus.get_object(NM, '/org/freedesktop'), MOCK)
manager = bus.get_object(NM, '/org/freedesktop/NetworkManager')

if command == 'up':
    name, address = sys.argv[2], sys.argv[3]
    settings = dbus.Interface(bus.get_object(NM, '/org/freedesktop/NetworkManager/Settings'),
                              'org.freedesktop.NetworkManager.Settings')
    profile = settings.AddConnection({'connection': {'id': name, 'type': 'pppoe'},
                                      'pppoe': {'username': 'ann'}})
    devices = dbus.Interface(manager, NM).GetDevices()
    device = devices[0] if devices else mock.AddEthernetDevice('pppdev', 'ppp0', 30)
    ip4 = '/org/freedesktop/NetworkManager/IP4Config/%d' % (len(settings.ListConnections()))
    mock.AddObject(ip4, IP4, {'AddressData': dbus.Array(
        [dbus.Dictionary({'address': address, 'prefix': dbus.UInt32(32)}, signature='sv')],
        signature='a{sv}')}, dbus.Array([], signature='(ssss)'))
    active = mock.AddActiveConnection([device], profile, '/', name.replace(' ', ''), dbus.UInt32(2))
    connection = bus.get_object(NM, active)
    dbus.Interface(connection, MOCK).AddProperty(ACTIVE, 'Ip4Config', dbus.ObjectPath('/'))
    dbus.Interface(connection, PROPS).Set(ACTIVE, 'Ip4Config', dbus.ObjectPath(ip4))
elif command == 'dialable':
    name, address = sys.argv[2], sys.argv[3]
    settings = dbus.Interface(bus.get_object(NM, '/org/freedesktop/NetworkManager/Settings'),
                              'org.freedesktop.NetworkManager.Settings')
    settings.AddConnection({'connection': {'id': name, 'type': 'pppoe'}, 'pppoe': {'username': 'ann'}})
    if not dbus.Interface(manager, NM).GetDevices():
        mock.AddEthernetDevice('pppdev', 'ppp0', 30)
    # The template's activation is done at once and hands out no address.
    code = """
self.dials = getattr(self, 'dials', 0) + 1
ip4 = '/org/freedesktop/NetworkManager/IP4Config/Dial%d' % self.dials
self.AddObject(ip4, 'org.freedesktop.NetworkManager.IP4Config', {'AddressData': dbus.Array(
    [dbus.Dictionary({'address': ADDRESS, 'prefix': dbus.UInt32(32)}, signature='sv')], signature='a{sv}')}, [])
path = self.AddActiveConnection(self.GetDevices(), args[0], '/', 'Dial%d' % self.dials, dbus.UInt32(1))
active = objects[path]
active.AddProperty('org.freedesktop.NetworkManager.Connection.Active', 'Ip4Config', dbus.ObjectPath(ip4))
def activated(active=active):
    active.Set('org.freedesktop.NetworkManager.Connection.Active', 'State', dbus.UInt32(2))
    active.EmitSignal('org.freedesktop.NetworkManager.Connection.Active', 'StateChanged', 'uu',
                      [dbus.UInt32(2), dbus.UInt32(1)])
    return False
from gi.repository import GLib
GLib.timeout_add(1500, activated)
ret = dbus.ObjectPath(path)
""".replace('ADDRESS', repr(address))
    dbus.Interface(manager, MOCK).AddMethod(NM, 'ActivateConnection', 'ooo', 'o', code)
elif command == 'down':
    for active in dbus.Interface(manager, PROPS).Get(NM, 'ActiveConnections'):
        dbus.Interface(manager, NM).DeactivateConnection(active)
else:
    sys.exit('unknown command ' + command)
