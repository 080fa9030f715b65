#!/usr/bin/python3
"""A stand-in Secret Service for the test's own session bus: one keyring, locked, holding one locked item, whose
every unlock prompt is dismissed, as when the user closes the prompt without typing the keyring's password.

Usage: stand-in-secret-service.py LOG
Each prompt shown appends "prompt" to LOG, so a test can tell that it was asked. Runs until terminated."""

import signal
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = 'org.freedesktop.secrets'
BASE = '/org/freedesktop/secrets'
COLLECTION = BASE + '/collection/login'
ITEM = COLLECTION + '/1'
PROPERTIES = 'org.freedesktop.DBus.Properties'
SECRET = 'org.freedesktop.Secret'


class Exported(dbus.service.Object):
    interface = ''

    def properties(self):
        return {}

    @dbus.service.method(PROPERTIES, in_signature='ss', out_signature='v')
    def Get(self, interface, name):
        return self.properties()[name]

    @dbus.service.method(PROPERTIES, in_signature='s', out_signature='a{sv}')
    def GetAll(self, interface):
        return dbus.Dictionary(self.properties() if interface == self.interface else {}, signature='sv')


class Prompt(Exported):
    interface = SECRET + '.Prompt'

    def __init__(self, bus, path, log):
        super().__init__(bus, path)
        self.log = log

    @dbus.service.method(SECRET + '.Prompt', in_signature='s')
    def Prompt(self, window):
        with open(self.log, 'a') as log:
            log.write('prompt\n')
        GLib.idle_add(self.dismiss)

    @dbus.service.method(SECRET + '.Prompt')
    def Dismiss(self):
        GLib.idle_add(self.dismiss)

    def dismiss(self):
        self.Completed(True, dbus.Array([], signature='o'))
        return False

    @dbus.service.signal(SECRET + '.Prompt', signature='bv')
    def Completed(self, dismissed, result):
        pass


class Session(Exported):
    interface = SECRET + '.Session'

    @dbus.service.method(SECRET + '.Session')
    def Close(self):
        pass


class Item(Exported):
    interface = SECRET + '.Item'

    def properties(self):
        return {'Locked': True, 'Label': 'Tallowin sync password',
                'Attributes': dbus.Dictionary({}, signature='ss'),
                'Created': dbus.UInt64(0), 'Modified': dbus.UInt64(0)}


class Collection(Exported):
    interface = SECRET + '.Collection'

    def properties(self):
        return {'Items': dbus.Array([ITEM], signature='o'), 'Label': 'Login', 'Locked': True,
                'Created': dbus.UInt64(0), 'Modified': dbus.UInt64(0)}


class Service(Exported):
    interface = SECRET + '.Service'

    def __init__(self, bus, log):
        super().__init__(bus, BASE)
        self.bus = bus
        self.log = log
        self.prompts = 0
        self.session = Session(bus, BASE + '/session/1')
        self.collection = Collection(bus, COLLECTION)
        self.item = Item(bus, ITEM)

    def properties(self):
        return {'Collections': dbus.Array([COLLECTION], signature='o')}

    @dbus.service.method(SECRET + '.Service', in_signature='sv', out_signature='vo')
    def OpenSession(self, algorithm, parameters):
        if algorithm != 'plain':
            raise dbus.exceptions.DBusException('only plain', name='org.freedesktop.DBus.Error.NotSupported')
        return dbus.String('', variant_level=1), dbus.ObjectPath(BASE + '/session/1')

    @dbus.service.method(SECRET + '.Service', in_signature='a{ss}', out_signature='aoao')
    def SearchItems(self, attributes):
        return dbus.Array([], signature='o'), dbus.Array([ITEM], signature='o')

    @dbus.service.method(SECRET + '.Service', in_signature='s', out_signature='o')
    def ReadAlias(self, alias):
        return dbus.ObjectPath(COLLECTION if alias == 'default' else '/')

    @dbus.service.method(SECRET + '.Service', in_signature='ao', out_signature='aoo')
    def Unlock(self, objects):
        self.prompts += 1
        path = '%s/prompt/%d' % (BASE, self.prompts)
        Prompt(self.bus, path, self.log)
        return dbus.Array([], signature='o'), dbus.ObjectPath(path)

    @dbus.service.method(SECRET + '.Service', in_signature='ao', out_signature='aoo')
    def Lock(self, objects):
        return dbus.Array(objects, signature='o'), dbus.ObjectPath('/')


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    service = Service(bus, sys.argv[1])
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    # The name last: once a test sees it taken, every object answers.
    name = dbus.service.BusName(NAME, bus, do_not_queue=True)
    loop.run()
    del name, service


if __name__ == '__main__':
    main()
