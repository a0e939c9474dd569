"""A small desktop for Quillmere on a virtual display.

DesktopStack starts Xvfb, a private D-Bus session bus, one tray host (xfce4-panel, which shows
StatusNotifierItems, or trayer, an XEmbed tray), the dunst notification daemon, a stand-in file
manager that records ShowItems calls, and the program itself on a temporary home. Every process
it starts is ended by its pid when the `with` block is left, also when a step fails.

Waits are on conditions (D-Bus names and properties, X windows, files), polled; a step that fails
raises StepFailed naming the step, after a screenshot of the screen and the logs were kept in the
artifacts folder.
"""

import contextlib
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import dbus

HERE = os.path.dirname(os.path.abspath(__file__))
SCREEN = "1024x768x24"
# Both tray hosts run as one bar along the top of the screen, this tall.
PANEL_HEIGHT = 32
SNI_WATCHER = "org.kde.StatusNotifierWatcher"
SNI_ITEM = "org.kde.StatusNotifierItem"
NOTIFICATIONS = "org.freedesktop.Notifications"
ACCESSIBILITY_BUS = "org.a11y.Bus"
ATSPI_ACCESSIBLE = "org.a11y.atspi.Accessible"
ATSPI_COMPONENT = "org.a11y.atspi.Component"
ATSPI_REGISTRY_ROOT = ("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
ATSPI_STATE_CHECKED = 4
ATSPI_STATE_SHOWING = 25
FILE_MANAGER = "org.freedesktop.FileManager1"
# The warning colour of the tray gauge (for light and for dark panels).
WARNING_COLOURS = [(0xFF, 0xCC, 0x00), (0xFF, 0xD6, 0x0A)]

# Where xfce4-panel finds its layout: one panel along the top holding the tray plugin, which
# registers the StatusNotifierWatcher and shows the items.
PANEL_LAYOUT = """<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="{panel_height}"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
"""

# A session bus that starts nothing by itself: every service on it is one of ours.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

# dunst runs this for every notification it shows: one JSON line per notification.
# Notifications stay until they are acted on, as for a person who looks at them later.
DUNST_CONFIG = """[global]
    font = Monospace 9
[record]
    summary = "*"
    script = {script}
    timeout = 0
"""

TRAY_HOSTS = ("sni", "xembed", "gnome")

# GNOME Shell's settings, read through GSettings' key file back end (the private bus starts no
# dconf service): the AppIndicator extension, which hosts StatusNotifierItems in the top bar,
# switched on.
GNOME_SETTINGS = """[org/gnome/shell]
disable-user-extensions=false
enabled-extensions=['ubuntu-appindicators@ubuntu.com']
welcome-dialog-last-shown-version='999'
"""


class StepFailed(Exception):
    pass


class StackUnavailable(Exception):
    """The display stack itself could not start (a missing program, no Xvfb)."""


def _slug(text):
    return re.sub(r"[^a-z0-9]+", "-", text.lower()).strip("-")[:60]


class DesktopStack:
    def __init__(self, artifacts, tray_host="sni", screen=SCREEN):
        if tray_host not in TRAY_HOSTS:
            raise ValueError("tray host must be one of %s" % ", ".join(TRAY_HOSTS))
        self.artifacts = os.path.abspath(artifacts)
        self.tray_host = tray_host
        self.screen = screen  # WIDTHxHEIGHTxDEPTH
        self.root = None
        self.home = None
        self.display = None
        self.bus_address = None
        self.system_bus_address = None
        self.program = None
        self.program_runs = 0
        self._bus = None
        self._accessibility_bus = None
        self._processes = []  # (name, Popen), in start order
        self._logs = {}

    # --- Life cycle ------------------------------------------------------------------------

    def __enter__(self):
        os.makedirs(self.artifacts, exist_ok=True)
        self.root = tempfile.mkdtemp(prefix="quillmere-e2e-")
        self.home = os.path.join(self.root, "home")
        for folder in (".config", ".local/share", ".local/state", ".cache"):
            os.makedirs(os.path.join(self.home, folder), exist_ok=True)
        os.makedirs(self.runtime_dir, mode=0o700)
        return self

    def __exit__(self, kind, value, traceback):
        self.end_all()
        if self.root:
            shutil.rmtree(self.root, ignore_errors=True)
        return False

    @property
    def screen_size(self):
        """(width, height) of the display."""
        width, height = (int(n) for n in self.screen.split("x")[:2])
        return width, height

    @property
    def runtime_dir(self):
        return os.path.join(self.root, "run")

    def environment(self, **extra):
        """The session's environment: the private home, display and bus."""
        env = {
            key: value
            for key, value in os.environ.items()
            if not key.startswith(("XDG_", "DBUS_", "QT_", "WAYLAND_", "GTK_", "SESSION_MANAGER"))
        }
        env.update(
            HOME=self.home,
            XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
            XDG_DATA_HOME=os.path.join(self.home, ".local/share"),
            XDG_STATE_HOME=os.path.join(self.home, ".local/state"),
            XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
            XDG_RUNTIME_DIR=self.runtime_dir,
            TZ="UTC",
            LANG="C.UTF-8",
            LC_ALL="C.UTF-8",
            NO_AT_BRIDGE="1",
            GIO_USE_VFS="local",
        )
        if self.display:
            env["DISPLAY"] = self.display
        if self.bus_address:
            env["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        if self.system_bus_address:
            env["DBUS_SYSTEM_BUS_ADDRESS"] = self.system_bus_address
        env.update(extra)
        return env

    def start_process(self, name, argv, env=None, **popen):
        log_path = os.path.join(self.artifacts, name + ".log")
        log = open(log_path, "ab")
        try:
            process = subprocess.Popen(
                argv,
                env=env if env is not None else self.environment(),
                stdin=subprocess.DEVNULL,
                stdout=popen.pop("stdout", log),
                stderr=log,
                cwd=self.root,
                **popen,
            )
        except OSError as error:
            log.close()
            raise StepFailed("cannot start %s: %s" % (argv[0], error)) from error
        self._processes.append((name, process))
        self._logs[process.pid] = log
        return process

    def end_process(self, process, timeout=10):
        """Ends one process that this stack started, by its pid: SIGTERM, then SIGKILL."""
        if process.poll() is None:
            with contextlib.suppress(ProcessLookupError):
                os.kill(process.pid, signal.SIGTERM)
            try:
                process.wait(timeout)
            except subprocess.TimeoutExpired:
                with contextlib.suppress(ProcessLookupError):
                    os.kill(process.pid, signal.SIGKILL)
                process.wait()
        log = self._logs.pop(process.pid, None)
        if log:
            log.close()
        self._processes = [(n, p) for n, p in self._processes if p is not process]

    def end_all(self):
        self._bus = None
        self._accessibility_bus = None
        for _, process in reversed(list(self._processes)):
            self.end_process(process)

    # --- Waiting and steps -----------------------------------------------------------------

    def wait_until(self, what, condition, timeout=30.0):
        """Polls `condition` until it returns a true value, which is returned; else fails."""
        deadline = time.monotonic() + timeout
        last_error = None
        while True:
            try:
                value = condition()
                if value:
                    return value
                last_error = None
            except (dbus.DBusException, OSError, ValueError, subprocess.SubprocessError) as error:
                last_error = error
            if time.monotonic() > deadline:
                detail = " (last error: %s)" % last_error if last_error else ""
                raise StepFailed("timed out after %.0f s waiting for %s%s" % (timeout, what, detail))
            self._check_alive()
            time.sleep(0.1)

    def _check_alive(self):
        for name, process in self._processes:
            if process.poll() is not None:
                raise StepFailed("%s (pid %d) exited with %s" % (name, process.pid, process.returncode))

    @contextlib.contextmanager
    def step(self, name):
        """Runs one named step; a failure keeps a screenshot and the logs and names the step."""
        print("step: " + name, flush=True)
        try:
            yield
        except StackUnavailable:
            raise
        except Exception as error:
            shot = "failed-" + _slug(name)
            with contextlib.suppress(Exception):
                self.screenshot(shot)
            self.keep_program_files()
            raise StepFailed(
                "step '%s' failed: %s\n  screenshot and logs kept in %s" % (name, error, self.artifacts)
            ) from error

    # --- The display stack -----------------------------------------------------------------

    def required_programs(self):
        host = {"sni": ["xfce4-panel"], "xembed": ["trayer"], "gnome": ["gnome-shell", "gjs"]}[
            self.tray_host]
        return ["Xvfb", "dbus-daemon", "dunst", "dunstctl", "xwininfo", "xdotool", "import",
                _service_program("org.a11y.Bus")] + host

    def start_display(self):
        missing = [p for p in self.required_programs() if shutil.which(p) is None]
        if missing:
            raise StackUnavailable("not installed: %s (`make deps` installs them)"
                                   % ", ".join(missing))
        read_end, write_end = os.pipe()
        self.start_process(
            "xvfb",
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen, "-nolisten",
             "tcp"],
            pass_fds=(write_end,),
        )
        os.close(write_end)
        number = _read_line(read_end, timeout=20)
        os.close(read_end)
        if not number:
            raise StackUnavailable("Xvfb did not start (see %s/xvfb.log)" % self.artifacts)
        self.display = ":" + number

    def start_bus(self):
        self.bus_address = self._start_private_bus("dbus-daemon", "session")

    def _start_private_bus(self, name, kind):
        """A private bus of `kind` (session or system) listening in a folder of its own; its
        address."""
        folder = os.path.join(self.root, name)
        os.makedirs(folder, exist_ok=True)
        config = os.path.join(folder, "bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG.format(folder=folder).replace(
                "<type>session</type>", "<type>%s</type>" % kind))
        process = self.start_process(
            name,
            ["dbus-daemon", "--config-file=" + config, "--nofork", "--print-address=1"],
            stdout=subprocess.PIPE,
        )
        address = _read_line(process.stdout.fileno(), timeout=20)
        if not address:
            raise StackUnavailable("dbus-daemon did not start")
        return address

    def bus(self):
        if self._bus is None:
            self._bus = dbus.bus.BusConnection(self.bus_address)
        return self._bus

    def has_name(self, name):
        return bool(self.bus().name_has_owner(name))

    def start_tray_host(self):
        if self.tray_host == "sni":
            self._start_xfce_panel()
        elif self.tray_host == "gnome":
            self._start_gnome_shell()
        else:
            self._start_trayer()

    def _start_gnome_shell(self):
        """GNOME Shell on X11 with the AppIndicator extension: its top bar hosts the items and
        draws their labels. The shell asks the system bus for a few services; a second private
        bus stands in for it. The shell also shows notifications itself."""
        if not os.path.isdir("/usr/share/gnome-shell/extensions/ubuntu-appindicators@ubuntu.com"):
            raise StackUnavailable("the AppIndicator extension of GNOME Shell is not installed")
        self.system_bus_address = self._start_private_bus("system-bus", "system")
        settings = os.path.join(self.home, ".config/glib-2.0/settings")
        os.makedirs(settings, exist_ok=True)
        with open(os.path.join(settings, "keyfile"), "w") as f:
            f.write(GNOME_SETTINGS)
        self.start_process("gnome-shell", ["gnome-shell", "--x11", "--replace", "--sm-disable"],
                           env=self.environment(XDG_CURRENT_DESKTOP="GNOME", GSETTINGS_BACKEND="keyfile",
                                                XDG_SESSION_TYPE="x11"))
        self.wait_until("the StatusNotifierWatcher", lambda: self.has_name(SNI_WATCHER))
        self.wait_until("GNOME Shell on the bus", lambda: self.has_name("org.gnome.Shell"))
        # The shell's notification service, which it has the session bus start (this bus
        # starts nothing by itself): it owns org.freedesktop.Notifications for the shell.
        self.start_process("gnome-shell-notifications",
                           ["gjs", "/usr/share/gnome-shell/org.gnome.Shell.Notifications"],
                           env=self.environment(XDG_CURRENT_DESKTOP="GNOME"))
        self.wait_until("the shell's notification service", lambda: self.has_name(NOTIFICATIONS))
        self.leave_overview()

    def leave_overview(self):
        """Takes GNOME Shell out of its overview: the top bar is what these sessions are about.
        The shell enters the overview once more when its start-up animation runs, so it has to
        stay out for a while."""
        shell = self.bus().get_object("org.gnome.Shell", "/org/gnome/Shell")

        def active():
            return bool(shell.Get("org.gnome.Shell", "OverviewActive",
                                  dbus_interface=dbus.PROPERTIES_IFACE))

        def left_for_good():
            for _ in range(8):
                if active():
                    shell.Set("org.gnome.Shell", "OverviewActive", False,
                              dbus_interface=dbus.PROPERTIES_IFACE)
                    return False
                time.sleep(0.25)
            return True

        self.wait_until("the shell out of its overview", left_for_good)

    def _start_xfce_panel(self):
        channel = os.path.join(self.home, ".config/xfce4/xfconf/xfce-perchannel-xml")
        os.makedirs(channel, exist_ok=True)
        with open(os.path.join(channel, "xfce4-panel.xml"), "w") as f:
            f.write(PANEL_LAYOUT.format(panel_height=PANEL_HEIGHT))
        # The settings daemon is started here (the private bus activates nothing).
        self.start_process("xfconfd", [_service_program("org.xfce.Xfconf")])
        self.wait_until("the xfconf settings service", lambda: self.has_name("org.xfce.Xfconf"))
        self.start_process("xfce4-panel", ["xfce4-panel", "--disable-wm-check"])
        self.wait_until("the StatusNotifierWatcher", lambda: self.has_name(SNI_WATCHER))

    def _start_trayer(self):
        self.start_process(
            "trayer",
            ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
             "--height", str(PANEL_HEIGHT), "--SetDockType", "true", "--transparent", "false"],
        )
        self.wait_until("the trayer panel window", lambda: self.find_windows("trayer"))

    def start_notifications(self):
        script = os.path.join(HERE, "record_notification.py")
        config_dir = os.path.join(self.home, ".config/dunst")
        os.makedirs(config_dir, exist_ok=True)
        with open(os.path.join(config_dir, "dunstrc"), "w") as f:
            f.write(DUNST_CONFIG.format(script=script))
        env = self.environment(QUILLMERE_NOTIFICATION_LOG=self.notification_log)
        self.start_process("dunst", ["dunst"], env=env)
        self.wait_until("dunst on the bus", lambda: self.has_name(NOTIFICATIONS))

    def start_file_manager(self):
        """The stand-in org.freedesktop.FileManager1; its calls go to file_manager_calls()."""
        self.start_process(
            "file-manager",
            [sys.executable, os.path.join(HERE, "file_manager_stub.py"), self.file_manager_log],
        )
        self.wait_until("the stand-in file manager on the bus", lambda: self.has_name(FILE_MANAGER))

    def start_accessibility(self):
        """The accessibility bus, through which assistive technologies (and this stack) find the
        program's widgets: their names, roles and places on screen."""
        launcher = _service_program(ACCESSIBILITY_BUS)
        self.start_process("at-spi-bus-launcher", [launcher, "--launch-immediately", "--a11y=1"])
        self.wait_until("the accessibility bus", lambda: self.has_name(ACCESSIBILITY_BUS))

    def start_desktop(self):
        """The whole stack but the program, in the order a session starts it."""
        self.start_display()
        self.start_bus()
        self.start_accessibility()
        if self.tray_host != "gnome":  # the shell shows notifications itself
            self.start_notifications()
        self.start_file_manager()
        self.start_tray_host()

    # --- The program -----------------------------------------------------------------------

    @property
    def data_dir(self):
        return os.path.join(self.home, ".local/share/Quillmere")

    @property
    def state_dir(self):
        return os.path.join(self.home, ".local/state/Quillmere")

    def program_log(self):
        """The program's log file, as far as it is written."""
        path = os.path.join(self.state_dir, "Quillmere.log")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()

    @property
    def notification_log(self):
        return os.path.join(self.root, "notifications.jsonl")

    @property
    def file_manager_log(self):
        return os.path.join(self.root, "file-manager.jsonl")

    def start_program(self, program):
        self.program_runs += 1
        self.program = self.start_process(
            "quillmere-run%d" % self.program_runs,
            [program],
            env=self.environment(QT_QPA_PLATFORM="xcb"),
        )
        return self.program

    def end_program(self):
        if self.program is not None:
            self.end_process(self.program)
            self.program = None

    def keep_program_files(self):
        """Copies the program's log and record files into the artifacts folder."""
        kept = os.path.join(self.artifacts, "program-files")
        os.makedirs(kept, exist_ok=True)
        for folder in (self.data_dir, self.state_dir):
            if not os.path.isdir(folder):
                continue
            for name in os.listdir(folder):
                path = os.path.join(folder, name)
                if os.path.isfile(path):
                    shutil.copy(path, kept)

    def settings(self):
        with open(os.path.join(self.data_dir, "settings.json")) as f:
            return json.load(f)

    def snapshot_dates(self):
        with open(os.path.join(self.data_dir, "snapshots.json")) as f:
            return [record["date"] for record in json.load(f)]

    # --- The tray item ---------------------------------------------------------------------

    def sni_item(self, pid):
        """(service, path) of the item registered with the watcher by process `pid`, or None."""
        watcher = self.bus().get_object(SNI_WATCHER, "/StatusNotifierWatcher")
        items = watcher.Get(SNI_WATCHER, "RegisteredStatusNotifierItems",
                            dbus_interface=dbus.PROPERTIES_IFACE)
        bus_object = self.bus().get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
        for item in items:
            # "service/path" (xfce4-panel, KDE) or "service@/path" (GNOME's AppIndicator).
            entry = str(item).replace("@/", "/", 1)
            service, _, path = entry.partition("/")
            path = "/" + path if path else "/StatusNotifierItem"
            owner_pid = bus_object.GetConnectionUnixProcessID(
                service, dbus_interface="org.freedesktop.DBus")
            if int(owner_pid) == pid:
                return service, path
        return None

    def sni_property(self, item, name):
        service, path = item
        return self.bus().get_object(service, path).Get(
            SNI_ITEM, name, dbus_interface=dbus.PROPERTIES_IFACE)

    def sni_activate(self, item, x=0, y=0):
        """Activates the item as a StatusNotifierItem host does on a left click."""
        service, path = item
        self.bus().get_object(service, path).Activate(
            dbus.Int32(x), dbus.Int32(y), dbus_interface=SNI_ITEM)

    def windows(self):
        """Every X window as (id, name, classes, depth, ancestors' ids), from xwininfo."""
        out = subprocess.run(
            ["xwininfo", "-root", "-tree"], env=self.environment(), capture_output=True,
            text=True, timeout=20, check=True).stdout
        found = []
        stack = []  # (indent, id)
        for line in out.splitlines():
            match = re.match(r"^(\s+)(0x[0-9a-f]+) (.*)$", line)
            if not match:
                continue
            indent, window, rest = len(match.group(1)), match.group(2), match.group(3)
            while stack and stack[-1][0] >= indent:
                stack.pop()
            name = re.match(r'^"(.*?)":', rest)
            class_list = re.search(r"\(([^)]*)\)", rest)
            classes = re.findall(r'"([^"]*)"', class_list.group(1)) if class_list else []
            found.append({
                "id": window,
                "name": name.group(1) if name else "",
                "classes": [c.lower() for c in classes],
                "ancestors": [w for _, w in stack],
            })
            stack.append((indent, window))
        return found

    def find_windows(self, wm_class):
        return [w for w in self.windows() if wm_class.lower() in w["classes"]]

    def xembed_icon(self, pid=None):
        """The program's icon window embedded in trayer's panel, or None."""
        windows = self.windows()
        tray_panels = {w["id"] for w in windows if "trayer" in w["classes"]}
        for window in windows:
            if "quillmere" in window["classes"] and tray_panels & set(window["ancestors"]):
                return window["id"]
        return None

    def window_pixels(self, window):
        """The window's pixels as bytes of (R, G, B) triples."""
        return subprocess.run(
            ["import", "-window", window, "-depth", "8", "rgb:-"], env=self.environment(),
            capture_output=True, timeout=20, check=True).stdout

    def colour_position(self, colours, x, y, width, height, tolerance=24):
        """The screen position of the first pixel near one of `colours` in the given part of
        the screen, row by row, or None."""
        pixels = subprocess.run(
            ["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width, height, x, y),
             "-depth", "8", "rgb:-"], env=self.environment(), capture_output=True, timeout=20,
            check=True).stdout
        for i in range(0, len(pixels) - 2, 3):
            if has_colour(pixels[i:i + 3], colours, tolerance=tolerance):
                return x + (i // 3) % width, y + (i // 3) // width
        return None

    def foreground_position(self, x, y, width, height, difference=96):
        """The screen position of the first pixel, row by row, that stands out from the
        background of the given part of the screen (the colour of its last pixel), or None."""
        pixels = subprocess.run(
            ["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width, height, x, y),
             "-depth", "8", "rgb:-"], env=self.environment(), capture_output=True, timeout=20,
            check=True).stdout
        if len(pixels) < 3:
            return None
        background = pixels[-3:]
        for i in range(0, len(pixels) - 2, 3):
            if sum(abs(pixels[i + c] - background[c]) for c in range(3)) >= difference:
                return x + (i // 3) % width, y + (i // 3) // width
        return None

    def window_geometry(self, window):
        out = subprocess.run(["xwininfo", "-id", window], env=self.environment(),
                             capture_output=True, text=True, timeout=20, check=True).stdout
        value = {key: int(re.search(pattern, out).group(1)) for key, pattern in (
            ("x", r"Absolute upper-left X:\s+(-?\d+)"), ("y", r"Absolute upper-left Y:\s+(-?\d+)"),
            ("width", r"Width:\s+(\d+)"), ("height", r"Height:\s+(\d+)"))}
        value["viewable"] = "IsViewable" in out
        # Popups (menus, panels) place themselves; no window manager frames them.
        value["override_redirect"] = "Override Redirect State: yes" in out
        return value

    def window_shown(self, window):
        """Whether the window exists and is viewable (a closed one may be gone altogether)."""
        try:
            return self.window_geometry(window)["viewable"]
        except subprocess.CalledProcessError:
            return False

    def program_windows(self):
        """The program's top-level windows on screen: each window of windows() with its
        geometry."""
        shown = []
        for window in self.windows():
            if window["ancestors"] or "quillmere" not in window["classes"]:
                continue
            geometry = self.window_geometry(window["id"])
            if geometry["viewable"]:
                shown.append(dict(window, **geometry))
        return shown

    def move_pointer(self, x, y):
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)],
                       env=self.environment(), timeout=20, check=True)

    def click_at(self, x, y, button=1):
        """A click as a person makes it (xdotool moves the pointer there and clicks)."""
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", str(button)],
                       env=self.environment(), timeout=20, check=True)

    def double_click_at(self, x, y):
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y),
                        "click", "--repeat", "2", "--delay", "80", "1"],
                       env=self.environment(), timeout=20, check=True)

    def click_window(self, window, button=1):
        geometry = self.window_geometry(window)
        self.click_at(geometry["x"] + geometry["width"] // 2,
                      geometry["y"] + geometry["height"] // 2, button)

    def focus_window(self, window):
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=self.environment(),
                       timeout=20, check=True)

    def press_keys(self, *keys):
        """Keys as a person types them, to the window that has the keyboard (xdotool names)."""
        subprocess.run(["xdotool", "key", *keys], env=self.environment(), timeout=20, check=True)

    # --- The program's widgets, as assistive technologies see them -------------------------

    def accessibility_bus(self):
        if self._accessibility_bus is None:
            address = self.bus().get_object(ACCESSIBILITY_BUS, "/org/a11y/bus").GetAddress(
                dbus_interface=ACCESSIBILITY_BUS)
            self._accessibility_bus = dbus.bus.BusConnection(str(address))
        return self._accessibility_bus

    def widgets(self, pid):
        """Every widget on screen of process `pid`: {"name", "role", "checked", "x", "y",
        "width", "height"} in screen coordinates, each window followed by what it holds."""
        bus = self.accessibility_bus()
        daemon = bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
        registry = bus.get_object(*ATSPI_REGISTRY_ROOT)
        found = []
        for service, path in registry.GetChildren(dbus_interface=ATSPI_ACCESSIBLE):
            if int(daemon.GetConnectionUnixProcessID(
                    service, dbus_interface="org.freedesktop.DBus")) == pid:
                self._collect_widgets(bus, service, path, found)
        return found

    def _collect_widgets(self, bus, service, path, found):
        node = bus.get_object(service, path)
        try:
            children = node.GetChildren(dbus_interface=ATSPI_ACCESSIBLE)
        except dbus.DBusException:
            return  # gone while it was read: a widget that was just deleted
        for child_service, child_path in children:
            child = bus.get_object(child_service, child_path)
            try:
                states = child.GetState(dbus_interface=ATSPI_ACCESSIBLE)
            except dbus.DBusException:
                continue
            if not states[0] & (1 << ATSPI_STATE_SHOWING):
                continue
            x, y, width, height = child.GetExtents(dbus.UInt32(0), dbus_interface=ATSPI_COMPONENT)
            name = child.Get(ATSPI_ACCESSIBLE, "Name", dbus_interface=dbus.PROPERTIES_IFACE)
            found.append({
                "name": str(name),
                "role": str(child.GetRoleName(dbus_interface=ATSPI_ACCESSIBLE)),
                "checked": bool(states[0] & (1 << ATSPI_STATE_CHECKED)),
                "x": int(x), "y": int(y), "width": int(width), "height": int(height),
            })
            self._collect_widgets(bus, child_service, child_path, found)

    def click_widget(self, widget):
        self.click_at(widget["x"] + widget["width"] // 2, widget["y"] + widget["height"] // 2)

    # --- Notifications ---------------------------------------------------------------------

    def dunstctl(self, *arguments):
        return subprocess.run(["dunstctl", *arguments], env=self.environment(), capture_output=True,
                              text=True, timeout=20, check=True).stdout.strip()

    def notification_count(self):
        """Every notification dunst received: shown, waiting and in its history."""
        return sum(int(self.dunstctl("count", what)) for what in ("displayed", "waiting", "history"))

    def expect_no_more_notifications(self, expected, seconds=2.0):
        """Watches dunst for `seconds` after a decision the program made: an absence can only be
        seen over a while. Fails at once when the count goes past `expected`."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            count = self.notification_count()
            if count > expected:
                raise StepFailed("dunst received %d notifications, expected %d: %r"
                                 % (count, expected, self.notifications()))
            time.sleep(0.1)

    def notifications(self):
        """The notifications dunst showed, each {"app", "summary", "body"}."""
        if not os.path.exists(self.notification_log):
            return []
        with open(self.notification_log) as f:
            return [json.loads(line) for line in f if line.strip()]

    def invoke_notification_default_action(self):
        """Invokes the default action of the newest notification on screen and closes it, as
        dunst's middle click does."""
        self.dunstctl("action", "0")
        self.dunstctl("close")

    # --- The stand-in file manager ---------------------------------------------------------

    def file_manager_calls(self):
        """Every call the program made, each {"method": ..., "uris": [...], "startup": ...}."""
        if not os.path.exists(self.file_manager_log):
            return []
        with open(self.file_manager_log) as f:
            return [json.loads(line) for line in f if line.strip()]

    # --- Screenshots -----------------------------------------------------------------------

    def screenshot(self, name):
        path = os.path.join(self.artifacts, name + ".png")
        subprocess.run(["import", "-window", "root", path], env=self.environment(),
                       capture_output=True, timeout=30, check=True)
        return path


def _read_line(fd, timeout):
    """One line from a pipe, waiting at most `timeout` seconds for it."""
    data = b""
    deadline = time.monotonic() + timeout
    while not data.endswith(b"\n"):
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            return None
        ready, _, _ = select.select([fd], [], [], remaining)
        if not ready:
            return None
        chunk = os.read(fd, 256)
        if not chunk:
            return None
        data += chunk
    return data.decode().strip()


def _service_program(name):
    """The program of a D-Bus service (xfconfd, the accessibility bus launcher), which lives in
    a folder outside PATH; the service file names it."""
    service = "/usr/share/dbus-1/services/%s.service" % name
    try:
        with open(service) as f:
            for line in f:
                if line.startswith("Exec="):
                    return line[len("Exec="):].strip()
    except OSError:
        pass
    raise StackUnavailable("%s is not installed (%s is missing)" % (name, service))


def has_colour(pixels, colours, channels=3, offset=0, tolerance=24):
    """True when some pixel of `pixels` is near one of `colours` (RGB)."""
    for i in range(offset, len(pixels) - 2, channels):
        r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
        for cr, cg, cb in colours:
            if abs(r - cr) <= tolerance and abs(g - cg) <= tolerance and abs(b - cb) <= tolerance:
                return True
    return False


def e2e_main(doc, what, run, add_arguments=None, screen=SCREEN):
    """The command line every end-to-end script shares: --host, --program, --artifacts (and
    whatever add_arguments(parser) adds). Calls run(stack, program, arguments) on a fresh stack
    (a display of `screen`, or of screen(arguments) when it is a function) and returns the exit
    status: 0 passed, 1 a step failed (named), 77 the stack cannot start."""
    import argparse
    import shutil
    import time
    parser = argparse.ArgumentParser(description=doc.splitlines()[0])
    parser.add_argument("--host", choices=TRAY_HOSTS, required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--artifacts", required=True)
    if add_arguments:
        add_arguments(parser)
    arguments = parser.parse_args()
    shutil.rmtree(arguments.artifacts, ignore_errors=True)

    started = time.monotonic()
    label = "%s, %s tray host" % (what, arguments.host) if what else \
        "%s tray host" % arguments.host
    try:
        size = screen(arguments) if callable(screen) else screen
        with DesktopStack(arguments.artifacts, arguments.host, size) as stack:
            run(stack, os.path.abspath(arguments.program), arguments)
    except StackUnavailable as error:
        print("SKIPPED: the display stack cannot start here: %s" % error, flush=True)
        return 77
    except StepFailed as error:
        print("E2E FAILED (%s): %s" % (label, error), flush=True)
        return 1
    print("E2E passed (%s) in %.1f s; screenshots in %s"
          % (label, time.monotonic() - started, arguments.artifacts), flush=True)
    return 0
