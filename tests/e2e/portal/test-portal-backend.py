#!/usr/bin/python3
"""A desktop-portal backend for Marbrel's end-to-end tests.

It implements the backend side of the GlobalShortcuts and RemoteDesktop portals that the real
xdg-desktop-portal frontend forwards calls to, records every call as one JSON line in a log file,
and answers as the test tells it through a small control interface:

  test-portal-backend.py BUS_NAME LOG_FILE [--remote-desktop-version N] [--stand-in-frontend]
                         [--type-through-mutter]

With --stand-in-frontend it is the frontend instead (BUS_NAME org.freedesktop.portal.Desktop):
the RemoteDesktop portal of interface version 2, which can persist a permission with a restore
token, for frontends older than that (xdg-desktop-portal 1.16 speaks version 1). Its Start records
whether the user would have seen the dialog: not when a token it issued earlier is brought back.

With --type-through-mutter the keys of a started session are also typed, as GNOME's backend types
them, through a remote-desktop session of Mutter (org.gnome.Mutter.RemoteDesktop on the same bus).

Control (interface org.marbrel.TestPortal at /org/marbrel/TestPortal):
  SetBindAnswer(s mode, s trigger)   "accept": the shortcuts get the trigger the program prefers, or
                                     `trigger` when it is not empty; "refuse": the user cancels
  SetStartAnswer(s mode)             "accept" or "refuse" for RemoteDesktop.Start
  Activate(s shortcut_id) -> u       the desktop delivers the shortcut (Activated, then Deactivated)
                                     on every open session that bound it; answers how many
"""
import json
import sys
import time

from gi.repository import Gio, GLib

PORTAL_PATH = "/org/freedesktop/portal/desktop"
CONTROL_PATH = "/org/marbrel/TestPortal"
RESPONSE_SUCCESS = 0
RESPONSE_CANCELLED = 1
KEYBOARD = 1

INTERFACES = """
<node>
  <interface name="org.freedesktop.impl.portal.GlobalShortcuts">
    <method name="CreateSession">
      <arg type="o" direction="in"/><arg type="o" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="u" direction="out"/><arg type="a{sv}" direction="out"/>
    </method>
    <method name="BindShortcuts">
      <arg type="o" direction="in"/><arg type="o" direction="in"/><arg type="a(sa{sv})" direction="in"/>
      <arg type="s" direction="in"/><arg type="a{sv}" direction="in"/>
      <arg type="u" direction="out"/><arg type="a{sv}" direction="out"/>
    </method>
    <method name="ListShortcuts">
      <arg type="o" direction="in"/><arg type="o" direction="in"/>
      <arg type="u" direction="out"/><arg type="a{sv}" direction="out"/>
    </method>
    <signal name="Activated"><arg type="o"/><arg type="s"/><arg type="t"/><arg type="a{sv}"/></signal>
    <signal name="Deactivated"><arg type="o"/><arg type="s"/><arg type="t"/><arg type="a{sv}"/></signal>
    <signal name="ShortcutsChanged"><arg type="o"/><arg type="a(sa{sv})"/></signal>
    <property name="version" type="u" access="read"/>
  </interface>
  <interface name="org.freedesktop.impl.portal.RemoteDesktop">
    <method name="CreateSession">
      <arg type="o" direction="in"/><arg type="o" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="u" direction="out"/><arg type="a{sv}" direction="out"/>
    </method>
    <method name="SelectDevices">
      <arg type="o" direction="in"/><arg type="o" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="u" direction="out"/><arg type="a{sv}" direction="out"/>
    </method>
    <method name="Start">
      <arg type="o" direction="in"/><arg type="o" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="a{sv}" direction="in"/>
      <arg type="u" direction="out"/><arg type="a{sv}" direction="out"/>
    </method>
    <method name="NotifyKeyboardKeysym">
      <arg type="o" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="in"/>
    </method>
    <method name="NotifyKeyboardKeycode">
      <arg type="o" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="in"/>
    </method>
    <property name="AvailableDeviceTypes" type="u" access="read"/>
    <property name="version" type="u" access="read"/>
  </interface>
</node>
"""

OBJECT_INTERFACES = """
<node>
  <interface name="org.freedesktop.impl.portal.Request">
    <method name="Close"/>
  </interface>
  <interface name="org.freedesktop.impl.portal.Session">
    <method name="Close"/>
    <signal name="Closed"/>
    <property name="version" type="u" access="read"/>
  </interface>
</node>
"""

CONTROL_INTERFACE = """
<node>
  <interface name="org.marbrel.TestPortal">
    <method name="SetBindAnswer"><arg type="s" direction="in"/><arg type="s" direction="in"/></method>
    <method name="SetStartAnswer"><arg type="s" direction="in"/></method>
    <method name="Activate"><arg type="s" direction="in"/><arg type="u" direction="out"/></method>
  </interface>
</node>
"""


class Backend:
    def __init__(self, connection, log_path, remote_desktop_version, register=True, mutter=False):
        self.connection = connection
        self.mutter = mutter
        # Mutter's remote-desktop session that types the keys, made at the first Start
        self.mutter_session = None
        self.log = open(log_path, "a", buffering=1)
        self.remote_desktop_version = remote_desktop_version
        self.bind_mode = "accept"
        self.bind_trigger = ""
        self.start_mode = "accept"
        self.tokens = 0
        # session handle -> {"kind", "shortcuts", "registration"}
        self.sessions = {}
        self.objects = Gio.DBusNodeInfo.new_for_xml(OBJECT_INTERFACES)
        control = Gio.DBusNodeInfo.new_for_xml(CONTROL_INTERFACE)
        connection.register_object(CONTROL_PATH, control.interfaces[0], self.on_control, None, None)
        if not register:
            return
        portal = Gio.DBusNodeInfo.new_for_xml(INTERFACES)
        for interface in portal.interfaces:
            connection.register_object(PORTAL_PATH, interface, self.on_call, self.on_property, None)

    def record(self, method, **arguments):
        self.log.write(json.dumps({"method": method, "arguments": arguments}) + "\n")

    # Request and session objects

    def export_request(self, handle):
        info = self.objects.lookup_interface("org.freedesktop.impl.portal.Request")
        registration = []

        def on_close(connection, sender, path, interface, method, parameters, invocation):
            self.record("Request.Close", handle=path)
            connection.unregister_object(registration[0])
            invocation.return_value(None)

        registration.append(self.connection.register_object(handle, info, on_close, None, None))
        return registration[0]

    def export_session(self, session_handle, kind):
        info = self.objects.lookup_interface("org.freedesktop.impl.portal.Session")

        def on_close(connection, sender, path, interface, method, parameters, invocation):
            session = self.sessions.pop(path, None)
            self.record("Session.Close", session_handle=path, kind=kind)
            if session:
                connection.unregister_object(session["registration"])
            invocation.return_value(None)

        def on_property(connection, sender, path, interface, name):
            return GLib.Variant("u", 1)

        registration = self.connection.register_object(session_handle, info, on_close, on_property, None)
        self.sessions[session_handle] = {"kind": kind, "shortcuts": [], "registration": registration}

    def finish_request(self, request):
        # The call is answered at once: its request object is no longer needed.
        self.connection.unregister_object(request)

    # The portal interfaces

    def on_property(self, connection, sender, path, interface, name):
        if interface.endswith("RemoteDesktop"):
            if name == "AvailableDeviceTypes":
                return GLib.Variant("u", 7)
            return GLib.Variant("u", self.remote_desktop_version)
        return GLib.Variant("u", 1)

    def on_call(self, connection, sender, path, interface, method, parameters, invocation):
        kind = interface.rsplit(".", 1)[1]
        arguments = parameters.unpack()
        name = kind + "." + method
        if method in ("NotifyKeyboardKeysym", "NotifyKeyboardKeycode"):
            session_handle, options, code, state = arguments
            started = self.sessions.get(session_handle, {}).get("started", False)
            self.record(name, session_handle=session_handle, code=code, state=state, started=started)
            if started and self.mutter_session:
                self.call_mutter(self.mutter_session, "RemoteDesktop.Session", method,
                                 GLib.Variant("(ub)", (code, state == 1)))
            invocation.return_value(None)
            return
        handle = arguments[0]
        request = self.export_request(handle)
        response, results = getattr(self, kind + "_" + method)(name, *arguments)
        self.finish_request(request)
        invocation.return_value(GLib.Variant("(ua{sv})", (response, results)))

    def GlobalShortcuts_CreateSession(self, name, handle, session_handle, app_id, options):
        self.record(name, session_handle=session_handle, app_id=app_id, options=options)
        self.export_session(session_handle, "GlobalShortcuts")
        return RESPONSE_SUCCESS, {"session_handle": GLib.Variant("o", session_handle)}

    def GlobalShortcuts_BindShortcuts(self, name, handle, session_handle, shortcuts, parent_window, options):
        self.record(name, session_handle=session_handle, shortcuts=shortcuts, parent_window=parent_window)
        if self.bind_mode == "refuse":
            return RESPONSE_CANCELLED, {}
        bound = []
        for shortcut_id, properties in shortcuts:
            trigger = self.bind_trigger or properties.get("preferred_trigger", "")
            bound.append((shortcut_id, {
                "description": GLib.Variant("s", properties.get("description", "")),
                "trigger_description": GLib.Variant("s", trigger),
            }))
        if session_handle in self.sessions:
            self.sessions[session_handle]["shortcuts"] = [shortcut_id for shortcut_id, _ in shortcuts]
        return RESPONSE_SUCCESS, {"shortcuts": GLib.Variant("a(sa{sv})", bound)}

    def GlobalShortcuts_ListShortcuts(self, name, handle, session_handle):
        self.record(name, session_handle=session_handle)
        return RESPONSE_SUCCESS, {"shortcuts": GLib.Variant("a(sa{sv})", [])}

    def RemoteDesktop_CreateSession(self, name, handle, session_handle, app_id, options):
        self.record(name, session_handle=session_handle, app_id=app_id, options=options)
        self.export_session(session_handle, "RemoteDesktop")
        return RESPONSE_SUCCESS, {"session_handle": GLib.Variant("o", session_handle)}

    def RemoteDesktop_SelectDevices(self, name, handle, session_handle, app_id, options):
        self.record(name, session_handle=session_handle, app_id=app_id, options=options)
        return RESPONSE_SUCCESS, {}

    def RemoteDesktop_Start(self, name, handle, session_handle, app_id, parent_window, options):
        self.record(name, session_handle=session_handle, app_id=app_id, parent_window=parent_window,
                    options=options)
        if self.start_mode == "refuse":
            return RESPONSE_CANCELLED, {}
        if session_handle in self.sessions:
            self.sessions[session_handle]["started"] = True
        if self.mutter and not self.mutter_session:
            self.mutter_session = self.call_mutter("/org/gnome/Mutter/RemoteDesktop", "RemoteDesktop", "CreateSession",
                                                  None, "(o)")[0]
            self.call_mutter(self.mutter_session, "RemoteDesktop.Session", "Start")
        results = {"devices": GLib.Variant("u", KEYBOARD)}
        if self.remote_desktop_version >= 2:
            self.tokens += 1
            results["restore_token"] = GLib.Variant("s", "test-token-%d" % self.tokens)
            results["persist_mode"] = GLib.Variant("u", 2)
        return RESPONSE_SUCCESS, results

    def call_mutter(self, path, interface, method, arguments=None, reply="()"):
        return self.connection.call_sync("org.gnome.Mutter.RemoteDesktop", path, "org.gnome.Mutter." + interface,
                                         method, arguments, GLib.VariantType(reply), Gio.DBusCallFlags.NONE, 10000,
                                         None).unpack()

    # Control

    def on_control(self, connection, sender, path, interface, method, parameters, invocation):
        arguments = parameters.unpack()
        if method == "SetBindAnswer":
            self.bind_mode, self.bind_trigger = arguments
            invocation.return_value(None)
        elif method == "SetStartAnswer":
            self.start_mode = arguments[0]
            invocation.return_value(None)
        elif method == "Activate":
            invocation.return_value(GLib.Variant("(u)", (self.activate(arguments[0]),)))

    def activate(self, shortcut_id):
        delivered = 0
        now = int(time.monotonic() * 1000)
        for session_handle, session in list(self.sessions.items()):
            if session["kind"] != "GlobalShortcuts" or shortcut_id not in session["shortcuts"]:
                continue
            for signal in ("Activated", "Deactivated"):
                self.connection.emit_signal(None, PORTAL_PATH, "org.freedesktop.impl.portal.GlobalShortcuts", signal,
                                            GLib.Variant("(osta{sv})", (session_handle, shortcut_id, now, {})))
            delivered += 1
        self.record("Control.Activate", shortcut_id=shortcut_id, delivered=delivered)
        return delivered


FRONTEND_INTERFACES = """
<node>
  <interface name="org.freedesktop.portal.RemoteDesktop">
    <method name="CreateSession"><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
    <method name="SelectDevices">
      <arg type="o" direction="in"/><arg type="a{sv}" direction="in"/><arg type="o" direction="out"/>
    </method>
    <method name="Start">
      <arg type="o" direction="in"/><arg type="s" direction="in"/><arg type="a{sv}" direction="in"/>
      <arg type="o" direction="out"/>
    </method>
    <method name="NotifyKeyboardKeysym">
      <arg type="o" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="in"/>
    </method>
    <property name="AvailableDeviceTypes" type="u" access="read"/>
    <property name="version" type="u" access="read"/>
  </interface>
  <interface name="org.freedesktop.portal.Session">
    <method name="Close"/>
    <signal name="Closed"/>
    <property name="version" type="u" access="read"/>
  </interface>
</node>
"""


class StandInFrontend(Backend):
    """The frontend's RemoteDesktop, version 2: requests answer through Response signals."""

    def __init__(self, connection, log_path):
        super().__init__(connection, log_path, 2, register=False)
        self.info = Gio.DBusNodeInfo.new_for_xml(FRONTEND_INTERFACES)
        connection.register_object(PORTAL_PATH, self.info.lookup_interface("org.freedesktop.portal.RemoteDesktop"),
                                   self.on_frontend_call, self.on_property, None)
        self.valid_tokens = set()

    @staticmethod
    def sender_part(sender):
        return sender.lstrip(":").replace(".", "_")

    def respond(self, sender, handle, response, results):
        def emit():
            self.connection.emit_signal(sender, handle, "org.freedesktop.portal.Request", "Response",
                                        GLib.Variant("(ua{sv})", (response, results)))
            return False
        GLib.idle_add(emit)

    def on_frontend_call(self, connection, sender, path, interface, method, parameters, invocation):
        arguments = parameters.unpack()
        name = "RemoteDesktop." + method
        if method == "NotifyKeyboardKeysym":
            session_handle, options, code, state = arguments
            session = self.sessions.get(session_handle, {})
            self.record(name, session_handle=session_handle, code=code, state=state,
                        started=session.get("started", False))
            invocation.return_value(None)
            return
        options = arguments[-1]
        handle = "/org/freedesktop/portal/desktop/request/%s/%s" % (self.sender_part(sender),
                                                                     options.get("handle_token", "t"))
        invocation.return_value(GLib.Variant("(o)", (handle,)))
        if method == "CreateSession":
            session_handle = "/org/freedesktop/portal/desktop/session/%s/%s" % (
                self.sender_part(sender), options.get("session_handle_token", "s"))
            self.record(name, session_handle=session_handle, options=options)
            info = self.info.lookup_interface("org.freedesktop.portal.Session")

            def on_close(connection, sender, path, interface, method, parameters, invocation):
                session = self.sessions.pop(path, None)
                self.record("Session.Close", session_handle=path, kind="RemoteDesktop")
                if session:
                    connection.unregister_object(session["registration"])
                invocation.return_value(None)

            registration = connection.register_object(session_handle, info, on_close, self.on_property, None)
            self.sessions[session_handle] = {"kind": "RemoteDesktop", "registration": registration, "options": {}}
            self.respond(sender, handle, RESPONSE_SUCCESS, {"session_handle": GLib.Variant("o", session_handle)})
        elif method == "SelectDevices":
            session_handle = arguments[0]
            self.record(name, session_handle=session_handle, options=options)
            if session_handle in self.sessions:
                self.sessions[session_handle]["options"] = options
            self.respond(sender, handle, RESPONSE_SUCCESS, {})
        elif method == "Start":
            session_handle = arguments[0]
            session = self.sessions.get(session_handle, {"options": {}})
            chosen = session["options"]
            token = chosen.get("restore_token")
            dialog = token not in self.valid_tokens
            self.valid_tokens.discard(token)
            self.record(name, session_handle=session_handle, options=options, dialog=dialog)
            if dialog and self.start_mode == "refuse":
                self.respond(sender, handle, RESPONSE_CANCELLED, {})
                return
            session["started"] = True
            results = {"devices": GLib.Variant("u", chosen.get("types", KEYBOARD))}
            if chosen.get("persist_mode", 0):
                self.tokens += 1
                new_token = "stand-in-token-%d" % self.tokens
                self.valid_tokens.add(new_token)
                results["restore_token"] = GLib.Variant("s", new_token)
                results["persist_mode"] = GLib.Variant("u", chosen["persist_mode"])
            self.respond(sender, handle, RESPONSE_SUCCESS, results)


def main():
    if len(sys.argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    bus_name, log_path = sys.argv[1], sys.argv[2]
    version = 1
    if "--remote-desktop-version" in sys.argv:
        version = int(sys.argv[sys.argv.index("--remote-desktop-version") + 1])
    connection = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    if "--stand-in-frontend" in sys.argv:
        backend = StandInFrontend(connection, log_path)
    else:
        backend = Backend(connection, log_path, version, mutter="--type-through-mutter" in sys.argv)
    reply = connection.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                 "RequestName", GLib.Variant("(su)", (bus_name, 4)), GLib.VariantType("(u)"),
                                 Gio.DBusCallFlags.NONE, -1, None)
    if reply.unpack()[0] != 1:
        sys.stderr.write("cannot own %s\n" % bus_name)
        return 1
    backend.record("ready", name=bus_name)
    GLib.MainLoop().run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
