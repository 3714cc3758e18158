#!/usr/bin/python3
"""Drives the window as a screen-reader user would: only through the
accessibility bus (AT-SPI) and accessible actions, never the pointer or the
keyboard. It starts its own X server, session bus and accessibility registry,
runs `korvex --simulate --wire-log`, and checks the bytes that went out:

  1. Caps Lock remapped to Escape (top layer, from the function panel),
  2. F3 of the Fn layer set to a media key (custom function dialog),
  3. a light effect picked from the effect list.

Usage: atspi_walk.py KORVEX_BINARY
Exit status 0 when every step did what it should, 77 when a tool is missing
(ctest reports the test as skipped), 1 otherwise.
"""

import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

SKIP = 77
TIMEOUT = 20.0

# Key table layout: a header command 04 11 (top) / 04 27 (Fn) is followed by
# ten 64-byte reports of 4-byte entries, one per key, by key index.
TOP_TABLE, FN_TABLE, LIGHT_MODE = 0x11, 0x27, 0x13
CAPS_LOCK_INDEX, F3_INDEX = 55, 4
ESCAPE_USAGE = 0x29
MUTE_CONSUMER_USAGE = 0xE2


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


def start(argv, env, **kw):
    return subprocess.Popen(argv, env=env, start_new_session=True, **kw)


def stop(proc):
    if proc and proc.poll() is None:
        try:
            os.killpg(proc.pid, signal.SIGTERM)
            proc.wait(5)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            proc.wait()


def launch_x(env):
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
        env=env, pass_fds=(write_fd,), start_new_session=True,
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as pipe:
        display = pipe.readline().strip()
    if not display:
        stop(proc)
        fail("Xvfb did not start")
    # Listening once a client can connect to its socket (not only once the
    # socket file is there: under load the window could come first and find
    # no server).
    path = "/tmp/.X11-unix/X" + display
    deadline = time.monotonic() + 30
    while True:
        if proc.poll() is not None:
            fail("Xvfb ended before it listened")
        probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            probe.connect(path)
            break
        except OSError:
            if time.monotonic() > deadline:
                stop(proc)
                fail("Xvfb did not listen on " + path)
            time.sleep(0.05)
        finally:
            probe.close()
    return proc, ":" + display


def launch_bus(env):
    proc = start(["dbus-daemon", "--session", "--nofork", "--print-address"], env,
                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    address = proc.stdout.readline().strip()
    if not address:
        stop(proc)
        fail("the session bus did not start")
    return proc, address


# --- the accessible tree ------------------------------------------------------

APP = []  # the application's node, for the dump on failure


def dump(node, depth=0, out=None):
    out = [] if out is None else out
    for child in children(node):
        if child is None or not showing(child):
            continue
        out.append("%s%s %r" % ("  " * depth, child.getRoleName(), child.name))
        if depth < 12:
            dump(child, depth + 1, out)
    return out


def wait_for(what, find, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = find()
        if found is not None:
            return found
        time.sleep(0.1)
    if APP:
        print("\n".join(dump(APP[0])[:400]))
    fail("not found: " + what)


def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:  # a node that went away while we looked
        return []


def showing(node):
    import pyatspi
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def find(root, name=None, role=None, below=True):
    """The first showing node under `root` with that name and role."""
    stack = [root]
    while stack:
        node = stack.pop(0)
        if node is None:
            continue
        try:
            if ((name is None or node.name == name)
                    and (role is None or node.getRole() == role) and node is not root):
                if showing(node):
                    return node
        except Exception:
            continue
        if below:
            stack.extend(children(node))
    return None


def do(node, *names):
    """Runs the node's first action among `names` (compared without case)."""
    action = node.queryAction()
    wanted = [n.lower() for n in names]
    for i in range(action.nActions):
        if action.getName(i).lower() in wanted:
            action.doAction(i)
            time.sleep(0.3)
            return
    fail("%r has none of the actions %s (has %s)" % (
        node.name, names, [action.getName(i) for i in range(action.nActions)]))


# --- the wire log -------------------------------------------------------------

def sets(log_path):
    with open(log_path) as f:
        return [bytes.fromhex(line.split()[1]) for line in f if line.startswith("set ")]


def last_table(reports, command):
    """The concatenated data of the last key table sent with `command`."""
    found = None
    for i, r in enumerate(reports):
        if r[0] == 0x04 and r[1] == command and i + 10 < len(reports):
            found = b"".join(reports[i + 1:i + 11])
    return found


def wait_for_table(log_path, command, index, entry):
    def check():
        table = last_table(sets(log_path), command)
        if table and table[4 * index:4 * index + 4] == bytes(entry):
            return table
        return None
    table = wait_for("key table 0x%02x with %s at key %d" % (command, entry, index), check)
    return table


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    korvex = os.path.abspath(sys.argv[1])
    for tool in ("Xvfb", "dbus-daemon"):
        if not shutil.which(tool):
            print("skipped: %s is not installed" % tool)
            return SKIP
    launcher = "/usr/libexec/at-spi-bus-launcher"
    if not os.path.exists(launcher):
        print("skipped: at-spi2-core is not installed")
        return SKIP
    try:
        import gi  # noqa: F401  (pyatspi needs it)
        import pyatspi  # noqa: F401
    except ImportError:
        print("skipped: python3-pyatspi is not installed")
        return SKIP

    procs = []
    home = tempfile.mkdtemp(prefix="korvex-atspi-")
    try:
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("DBUS_", "AT_SPI", "XDG_", "DISPLAY", "WAYLAND"))}
        env.update(HOME=home, XDG_DATA_HOME=home + "/data", XDG_CONFIG_HOME=home + "/config",
                   XDG_RUNTIME_DIR=home + "/run", XDG_CACHE_HOME=home + "/cache")
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
        xvfb, display = launch_x(env)
        procs.append(xvfb)
        env["DISPLAY"] = display
        bus, address = launch_bus(env)
        procs.append(bus)
        env["DBUS_SESSION_BUS_ADDRESS"] = address
        procs.append(start([launcher, "--launch-immediately"], env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

        wire_log = os.path.join(home, "wire.log")
        app_env = dict(env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                       QT_ACCESSIBILITY="1", ASAN_OPTIONS="detect_leaks=0")
        def launch_app():
            proc = start([korvex, "--simulate", "--wire-log", wire_log], app_env,
                         stdout=subprocess.DEVNULL)
            procs.append(proc)
            return proc
        app_proc = [launch_app()]

        # pyatspi finds the accessibility bus through the session bus.
        os.environ.update(DBUS_SESSION_BUS_ADDRESS=address, DISPLAY=display)
        import pyatspi

        starts = [1]

        def app():
            desktop = pyatspi.Registry.getDesktop(0)
            for a in children(desktop):
                if a is not None and a.name == "korvex":
                    return a
            # A window that ended before it showed (once, under load, it
            # found no X server) is started again, twice at the most.
            if app_proc[0].poll() is not None and starts[0] < 3:
                print("korvex ended before it showed (exit %d); starting it again"
                      % app_proc[0].returncode)
                starts[0] += 1
                app_proc[0] = launch_app()
            return None

        korvex_app = wait_for("the korvex application on the accessibility bus", app)
        APP.append(korvex_app)
        wait_for("the first start-up upload",
                 lambda: sets(wire_log) or None if os.path.exists(wire_log) else None)

        # The home view's keyboard picture opens the pages; it is the one
        # button beside those of the title bar.
        title_buttons = {"Home", "Minimize", "Close", "主页", "最小化", "关闭", "首頁", "關閉"}

        def picture():
            for node in iter_showing(korvex_app):
                if node.getRole() == pyatspi.ROLE_PUSH_BUTTON and node.name \
                        and node.name not in title_buttons:
                    return node
            return None

        do(wait_for("the keyboard picture", picture), "press")
        wait_for("the pages", lambda: find(korvex_app, "Custom keys", pyatspi.ROLE_PUSH_BUTTON)
                 or find(korvex_app, "自定义按键", pyatspi.ROLE_PUSH_BUTTON))
        # A settings file without a language choice may start in Chinese:
        # the settings page's language box switches to English.
        if not find(korvex_app, "Custom keys", pyatspi.ROLE_PUSH_BUTTON):
            do(find(korvex_app, "设置", pyatspi.ROLE_PUSH_BUTTON), "press")
            language = wait_for("the language box",
                                lambda: find(korvex_app, "语言", pyatspi.ROLE_COMBO_BOX))
            do(wait_for("English in the language box", lambda: find(language, "English")),
               "press")
            wait_for("the window in English",
                     lambda: find(korvex_app, "Custom keys", pyatspi.ROLE_PUSH_BUTTON))

        # 1. Caps Lock to Escape: the key, then the panel's Escape tile.
        do(find(korvex_app, "Custom keys", pyatspi.ROLE_PUSH_BUTTON), "press")
        keyboard = wait_for("the keyboard", lambda: find(korvex_app, "Keyboard"))
        panel = wait_for("the function panel", lambda: find(korvex_app, "Function panel"))
        do(wait_for("Caps Lock", lambda: find(keyboard, "Caps Lock")), "press")
        do(wait_for("the Escape tile", lambda: find(panel, "Esc")), "press")
        wait_for_table(wire_log, TOP_TABLE, CAPS_LOCK_INDEX, [0x02, 0x00, ESCAPE_USAGE, 0x00])
        print("ok: Caps Lock sends Escape", flush=True)

        # 2. F3 of the Fn layer to Mute, through the custom function dialog.
        do(wait_for("the Fn layer button",
                    lambda: find(korvex_app, "Fn Layer", pyatspi.ROLE_PUSH_BUTTON)), "press")
        do(wait_for("F3", lambda: find(keyboard, "F3")), "press")
        do(wait_for("the menu's Custom Function",
                    lambda: find(korvex_app, "Custom Function", pyatspi.ROLE_MENU_ITEM)), "press")
        dialog = wait_for("the dialog named by what it edits",
                          lambda: find(korvex_app, "Custom function: F3, Fn layer"))
        kind = wait_for("the function type box",
                        lambda: find(dialog, "Function Type", pyatspi.ROLE_COMBO_BOX))
        do(wait_for("Multimedia", lambda: find(kind, "Multimedia")), "press")
        function = wait_for("the function box",
                            lambda: find(dialog, "Function", pyatspi.ROLE_COMBO_BOX))
        do(wait_for("Mute", lambda: find(function, "Mute")), "press")
        do(wait_for("Save", lambda: find(dialog, "Save", pyatspi.ROLE_PUSH_BUTTON)), "press")
        wait_for_table(wire_log, FN_TABLE, F3_INDEX, [0x03, MUTE_CONSUMER_USAGE, 0x00, 0x00])
        print("ok: Fn+F3 sends Mute", flush=True)

        # 3. An effect from the list: a light mode upload follows.
        do(wait_for("the light page button",
                    lambda: find(korvex_app, "Light effects", pyatspi.ROLE_PUSH_BUTTON)),
           "press")
        before = len(sets(wire_log))
        do(wait_for("the Breath effect", lambda: find(korvex_app, "Breath")), "press")

        def light_sent():
            reports = sets(wire_log)[before:]
            for r in reports:
                if r[0] == 0x04 and r[1] == LIGHT_MODE:
                    return True
            return None
        wait_for("a light mode upload", light_sent)
        print("ok: the Breath effect was sent", flush=True)
        return 0
    finally:
        for proc in reversed(procs):
            stop(proc)
        shutil.rmtree(home, ignore_errors=True)


def iter_showing(root):
    stack = [root]
    while stack:
        node = stack.pop(0)
        for child in children(node):
            if child is not None and showing(child):
                yield child
                stack.append(child)


if __name__ == "__main__":
    sys.exit(main())
