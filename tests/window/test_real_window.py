#!/usr/bin/env python3
"""Drives the built application in a real X session and checks the deck file after every step.

Usage: test_real_window.py TALLOWIN TALLOWIN_CLI

The test starts its own X server (Xvfb), session bus and window manager (openbox), opens tallowin on a temporary
deck through TALLOWIN_FILE_PATH and works it with real X input from xdotool: keys, drags of the card onto a pile and
onto the remove target, wheel clicks, a new task typed into its sheet, an agent request, a merge of two cards, a
candidate of the inbox accepted and one dismissed, and a setting changed. Controls are found through the
accessibility bus by the names people read. After each step it waits, by polling, until `tallowin-cli show` and
`tallowin-cli queue` report the change. Everything it started is stopped at the end, whatever happened."""

import ctypes
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WAIT_SECONDS = 90  # generous: sanitizer builds on a loaded machine start slowly
POLL_SECONDS = 0.05
STATE_ENABLED = 8  # AT-SPI's ENABLED state bit


class Failure(Exception):
    pass


def wait_for(description, probe, seconds=WAIT_SECONDS):
    """Polls probe until it returns something true, and returns that; fails after seconds."""
    deadline = time.monotonic() + seconds
    last_error = None
    while time.monotonic() < deadline:
        try:
            value = probe()
            if value:
                return value
        except (subprocess.SubprocessError, OSError, ValueError, KeyError) as error:
            last_error = error
        time.sleep(POLL_SECONDS)
    raise Failure(f"timed out waiting for {description}" + (f" (last error: {last_error})" if last_error else ""))


class Session:
    """The X server, the session bus, the window manager and the application, each in a process group of its own.
    The accessibility bus daemons that the session bus starts leave their parent; as the subreaper this process
    collects them instead of init."""

    def __init__(self, folder):
        self.folder = folder
        self.processes = []
        PR_SET_CHILD_SUBREAPER = 36
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
        self.env = dict(os.environ)
        home = os.path.join(folder, "home")
        runtime = os.path.join(folder, "runtime")
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        self.env.update({
            "HOME": home,
            "XDG_CONFIG_HOME": os.path.join(home, ".config"),
            "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(home, ".cache"),
            "XDG_RUNTIME_DIR": runtime,
        })
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SESSION_MANAGER"):
            self.env.pop(name, None)

    def start(self, arguments, **options):
        process = subprocess.Popen(arguments, env=self.env, start_new_session=True, **options)
        self.processes.append(process)
        return process

    def start_x(self):
        read_end, write_end = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1600x1000x24", "-nolisten", "tcp"],
                   pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise Failure("Xvfb did not report its display")
        self.env["DISPLAY"] = ":" + number

    def start_bus(self):
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, text=True)
        address = bus.stdout.readline().strip()
        if not address:
            raise Failure("dbus-daemon did not report its address")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for process in reversed(self.processes):
            try:
                process.wait(timeout=15)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                process.wait(timeout=15)
        # Whatever the session started and left behind, stopped and collected.
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            try:
                pid, _ = os.waitpid(-1, os.WNOHANG)
            except ChildProcessError:
                break
            if pid == 0:
                for orphan in self._orphans():
                    try:
                        os.kill(orphan, signal.SIGTERM)
                    except ProcessLookupError:
                        pass
                time.sleep(POLL_SECONDS)

    @staticmethod
    def _orphans():
        mine = os.getpid()
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    parent = int(stat.read().rsplit(")", 1)[1].split()[1])
            except (OSError, ValueError, IndexError):
                continue
            if parent == mine:
                yield int(entry)


class Accessibility:
    """Reads the application's accessible tree over the accessibility bus with gdbus."""

    def __init__(self, env):
        self.env = env
        self.address = None

    def _gdbus(self, *arguments):
        out = subprocess.run(["gdbus", "call", *arguments], env=self.env, capture_output=True, text=True,
                             timeout=20)
        if out.returncode != 0:
            raise ValueError(out.stderr.strip())
        return out.stdout.strip()

    def connect(self):
        reply = self._gdbus("--session", "--dest", "org.a11y.Bus", "--object-path", "/org/a11y/bus", "--method",
                            "org.a11y.Bus.GetAddress")
        self.address = re.match(r"\('(.*)',\)", reply).group(1)
        return True

    def _call(self, dest, path, method, *arguments):
        return self._gdbus("--address", self.address, "--dest", dest, "--object-path", path, "--method", method,
                           *arguments)

    def children(self, dest, path):
        reply = self._call(dest, path, "org.a11y.atspi.Accessible.GetChildren")
        return re.findall(r"\('([^']*)', (?:objectpath )?'([^']*)'\)", reply)

    def name(self, dest, path):
        reply = self._call(dest, path, "org.freedesktop.DBus.Properties.Get", "org.a11y.atspi.Accessible", "Name")
        return re.match(r"\(<'(.*)'>,\)", reply).group(1) if reply.startswith("(<'") else ""

    def extents(self, dest, path):
        reply = self._call(dest, path, "org.a11y.atspi.Component.GetExtents", "0")
        match = re.search(r"\((-?\d+), (-?\d+), (-?\d+), (-?\d+)\)", reply)
        return tuple(int(value) for value in match.groups()) if match else (0, 0, 0, 0)

    def enabled(self, node):
        reply = self._call(node[0], node[1], "org.a11y.atspi.Accessible.GetState")
        first = int(re.search(r"\[(?:uint32 )?(\d+)", reply).group(1))
        return bool(first & (1 << STATE_ENABLED))

    def shown_names(self):
        """Every name of the shown tree, for a failure's message."""
        names = []

        def visit(dest, path, depth):
            box = self.extents(dest, path)
            if depth > 14 or (depth >= 2 and (box[2] == 0 or box[3] == 0)):
                return
            name = self.name(dest, path)
            if name:
                names.append(name)
            for child in self.children(dest, path):
                visit(*child, depth + 1)

        for dest, path in self.children("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"):
            visit(dest, path, 0)
        return names

    def find(self, wanted):
        """The shown controls with the given names: {name: (dest, path, extents)}. Hidden subtrees are skipped,
        menus are not opened."""
        found = {}

        def visit(dest, path, depth, in_menu):
            if depth > 14 or len(found) == len(wanted):
                return
            name = self.name(dest, path)
            box = self.extents(dest, path)
            if name in wanted and name not in found and (in_menu or (box[2] > 0 and box[3] > 0)):
                found[name] = (dest, path, box)
            # Below the window an invisible part shows nothing, except a closed menu, whose items are still there.
            if depth >= 2 and (box[2] == 0 or box[3] == 0) and not in_menu:
                return
            for child_dest, child_path in self.children(dest, path):
                visit(child_dest, child_path, depth + 1, in_menu or name in ("File", "Edit", "Task"))

        for dest, path in self.children("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"):
            visit(dest, path, 0, False)
        return found


class Deck:
    def __init__(self, cli, path, env):
        self.cli = cli
        self.path = path
        self.env = dict(env, TALLOWIN_FILE_PATH=path)

    def run(self, *arguments):
        out = subprocess.run([self.cli, *arguments], env=self.env, capture_output=True, text=True, timeout=60)
        if out.returncode != 0:
            raise ValueError(out.stderr.strip())
        return out.stdout

    def cards(self):
        return {card["title"]: card for card in self.all_cards()}

    def all_cards(self):
        return json.loads(self.run("show"))["tasks"]

    def queue(self):
        return [line.split("\t")[2] for line in self.run("queue").splitlines() if line]

    def pending(self):
        return [candidate["title"] for candidate in json.loads(self.run("show"))["pendingCandidates"]]

    def suggest(self, titles):
        """Puts suggested tasks into the inbox, as a discovery scan leaves them, while nothing else writes."""
        with open(self.path) as file:
            text = file.read()
        begin = text.index("{", text.index("<!-- TALLOWIN_DATA_BEGIN -->"))
        end = text.rindex("}", 0, text.index("<!-- TALLOWIN_DATA_END -->")) + 1
        deck = json.loads(text[begin:end])
        for number, title in enumerate(titles, 1):
            deck["pendingCandidates"].append({
                "id": f"candidate-{number}", "person": "Ada", "title": title, "context": "Seen in a thread",
                "kind": "open", "classificationReason": "Asked for a follow-up",
                "discoveredAt": "2026-03-14T09:00:00.000Z",
                "source": {"label": "#general", "url": f"https://example.slack.com/archives/C02/p{number}"}})
        with open(self.path, "w") as file:
            file.write(text[:begin] + json.dumps(deck, indent=2, sort_keys=True, ensure_ascii=False) + text[end:])
        self.run("check")


def centre(box):
    x, y, width, height = box
    return x + width // 2, y + height // 2


class Driver:
    def __init__(self, session, accessibility, deck):
        self.session = session
        self.a11y = accessibility
        self.deck = deck
        self.window = None
        self.known = {}

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self.session.env, check=True, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def controls(self, *names):
        """The shown controls of these names, looked up once: a control stays where it is (the card is one control
        whose name is the title of the card in front), so later calls only read where it is now."""
        missing = [name for name in names if name not in self.known]
        if missing:
            try:
                self.known.update(wait_for(f"the controls {missing}", lambda: self._all(missing)))
            except Failure as failure:
                raise Failure(f"{failure}; shown: {self.a11y.shown_names()}") from None
        return {name: self.known[name][:2] + (self.a11y.extents(*self.known[name][:2]),) for name in names}

    def _all(self, names):
        found = self.a11y.find(set(names))
        return found if len(found) == len(names) else None

    def wait_idle(self):
        """Until the store takes actions again: "Next task" is enabled only then (and while a card is in front)."""
        item = self.controls("Next task")["Next task"]
        wait_for("the window to take actions", lambda: self.a11y.enabled(item))

    def focus(self):
        self.xdotool("windowactivate", "--sync", self.window)

    def key(self, keys):
        self.focus()
        self.xdotool("key", "--clearmodifiers", keys)

    def drag(self, start, end):
        self.focus()
        self.xdotool("mousemove", "--sync", str(start[0]), str(start[1]))
        self.xdotool("mousedown", "1")
        steps = 16
        for step in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * step // steps
            y = start[1] + (end[1] - start[1]) * step // steps
            self.xdotool("mousemove", "--sync", str(x), str(y))
        self.xdotool("mouseup", "1")

    def click(self, name):
        """A left click in the middle of the shown control of that name, looked up anew: sheets come and go."""
        self.known.pop(name, None)
        box = self.controls(name)[name][2]
        self.focus_pointer(centre(box))
        self.xdotool("click", "1")

    def focus_pointer(self, point):
        self.xdotool("mousemove", "--sync", str(point[0]), str(point[1]))

    def expect(self, description, probe):
        wait_for(description, probe)
        self.wait_idle()
        print("ok:", description, flush=True)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: test_real_window.py TALLOWIN TALLOWIN_CLI")
    tallowin, cli = sys.argv[1:]
    for tool in ("Xvfb", "openbox", "xdotool", "dbus-daemon", "gdbus"):
        if not shutil.which(tool):
            sys.exit(f"{tool} is missing; run scripts/install-deps.sh")

    with tempfile.TemporaryDirectory(prefix="tallowin-window-") as folder:
        session = Session(folder)
        try:
            run(session, folder, tallowin, cli)
        finally:
            session.stop()
    print("real window: all steps passed")


def run(session, folder, tallowin, cli):
    deck_folder = os.path.join(folder, "deck")
    os.makedirs(deck_folder, mode=0o700)
    deck = Deck(cli, os.path.join(deck_folder, "Tallowin.md"), session.env)
    titles = ["Call the plumber", "Renew the passport", "Book the dentist", "Send the slides", "Water the plants",
              "Plan the offsite"]
    for title in titles:
        deck.run("add", title)
    suggestions = ["Reply to Ada about the venue", "Check the invoice from the printer"]
    deck.suggest(suggestions)

    session.start_x()
    session.start_bus()
    session.start(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    app_env = dict(session.env, TALLOWIN_FILE_PATH=deck.path, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", TALLOWIN_APPEARANCE="light", QT_FONT_DPI="96")
    log = open(os.path.join(folder, "tallowin.log"), "w")
    app = subprocess.Popen([tallowin], env=app_env, start_new_session=True, stdout=log, stderr=subprocess.STDOUT)
    session.processes.append(app)

    a11y = Accessibility(session.env)
    driver = Driver(session, a11y, deck)
    try:
        drive(driver, deck, titles, app)
        drive_sheets(driver, deck, suggestions, deck_folder)
    except Failure:
        log.flush()
        with open(os.path.join(folder, "tallowin.log")) as output:
            sys.stderr.write(output.read()[-4000:])
        raise


def drive(driver, deck, titles, app):
    def window():
        found = subprocess.run(["xdotool", "search", "--name", "^Tallowin$"], env=driver.session.env,
                               capture_output=True, text=True, timeout=30).stdout.split()
        return found[0] if found else None

    driver.window = wait_for("the window", window)
    wait_for("the accessibility bus", driver.a11y.connect)
    driver.controls(titles[0], "Remove", "Delay: Tomorrow", "Saved on this Mac")
    driver.wait_idle()
    print("ok: the first card is on screen", flush=True)

    # Keys: Ctrl+Down moves on, Ctrl+Left removes the card in front.
    driver.key("ctrl+Down")
    driver.expect("Ctrl+Down moves on to the next card", lambda: deck.queue()[0] == titles[1])
    driver.key("ctrl+Left")
    driver.expect("Ctrl+Left removes the card in front", lambda: deck.cards()[titles[1]]["state"] == "removed")

    # A drag of the card onto the Tomorrow pile, then one onto the remove target.
    found = driver.controls(titles[0], "Delay: Tomorrow", "Remove")
    driver.drag(centre(found[titles[0]][2]), centre(found["Delay: Tomorrow"][2]))
    driver.expect("a drag onto Delay: Tomorrow delays the card",
                  lambda: deck.cards()[titles[2]].get("delayTarget") == "tomorrow")
    found = driver.controls(titles[0], "Remove")
    driver.drag(centre(found[titles[0]][2]), centre(found["Remove"][2]))
    driver.expect("a drag onto Remove removes the card", lambda: deck.cards()[titles[3]]["state"] == "removed")

    # Wheel clicks over the card: one card each.
    found = driver.controls(titles[0])
    head = deck.queue()[0]
    driver.focus()
    driver.xdotool("mousemove", "--sync", *map(str, centre(found[titles[0]][2])))
    driver.xdotool("click", "5")
    driver.expect("a wheel click moves on one card", lambda: deck.queue()[0] != head)
    head = deck.queue()[0]
    driver.xdotool("click", "5")
    driver.expect("another wheel click moves on one more", lambda: deck.queue()[0] != head)

    # Undo brings the last removal back; a new task typed into its sheet lands in the deck.
    driver.key("ctrl+z")
    driver.expect("Ctrl+Z undoes the removal", lambda: deck.cards()[titles[3]]["state"] == "active")
    driver.key("ctrl+n")
    driver.controls("What needs to happen?")
    driver.xdotool("type", "--delay", "20", "Ask Priya for the budget")
    driver.xdotool("key", "Return")
    driver.expect("the new-task sheet adds the task", lambda: "Ask Priya for the budget" in deck.cards())

    if app.poll() is not None:
        raise Failure(f"tallowin exited with {app.returncode}")


def drive_sheets(driver, deck, suggestions, deck_folder):
    # An agent request for the card in front, typed into its sheet and saved with Return.
    front = deck.queue()[0]
    driver.click("Ask ChatGPT")
    driver.controls("Instruction for ChatGPT")
    driver.xdotool("type", "--delay", "20", "Draft a reply")
    driver.xdotool("key", "Return")
    driver.expect("the action sheet queues the agent request",
                  lambda: deck.cards()[front]["state"] == "action_requested"
                  and deck.cards()[front]["instruction"] == "Draft a reply")

    # A merge of the card in front with another, picked by a click in the sheet's list.
    front, other = deck.queue()[0], deck.queue()[1]
    driver.click("Merge tasks")
    driver.click(other)
    driver.click("Merge 2 tasks")
    driver.expect("the merge sheet blends two cards into one",
                  lambda: sorted(card["title"] for card in deck.all_cards() if card["state"] == "merged")
                  == sorted([front, other])
                  and [card["state"] for card in deck.all_cards() if card["title"] == front].count("active") == 1)

    # The inbox from the Decks menu: the first suggestion added, the second dismissed.
    # The menu pops up as a window of its own that the accessibility tree does not list, so its fourth item, "Inbox
    # (n)", is chosen with the keys.
    driver.click("Decks")
    for _ in range(4):
        driver.xdotool("key", "Down")
    driver.xdotool("key", "Return")
    driver.click("Add task")
    driver.expect("the inbox adds the suggested task",
                  lambda: suggestions[0] in deck.cards() and deck.pending() == suggestions[1:])
    driver.click("Dismiss")
    driver.expect("the inbox dismisses the other", lambda: deck.pending() == [])
    driver.click("Back to tasks")

    # A setting changed and saved lands in Tallowin.toml.
    settings = os.path.join(deck_folder, "Tallowin.toml")
    driver.click("Settings")
    driver.click("Find tasks automatically")
    driver.click("Save settings")
    driver.expect("the settings sheet writes Tallowin.toml",
                  lambda: os.path.exists(settings) and "enabled = false" in open(settings).read())


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        sys.exit(f"real window: {failure}")
