#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Glimview as a screen reader and a keyboard user meet it.

The real program runs on an X server of the test's own, with a private D-Bus
session bus and its own accessibility bus. The screen reader's part reads the
tree through AT-SPI (pyatspi) and presses buttons through their actions; the
keyboard's part sends real X key events with xdotool. Each check looks at the
effect a user would see: the photos and clips, the status line, the windows.

Run as: dbus-run-session -- /usr/bin/python3 access_test.py RUN_DIR
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

RUN_DIR = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else "run")

# What a screen reader calls each window (X title: accessible name), in English.
NAMES = {
    "Tessaly - Norvel Electronics Inc.": "Camera controls",
    "Photos": "Photo gallery",
    "Videos": "Video gallery",
    "CamView": "Live view",
    "Image View": "Photo viewer",
}


def wait_for(condition, timeout=20.0, what="condition"):
    """Polls until condition() is true; fails the test with `what` after timeout.
    Accessibility events are delivered meanwhile."""
    from gi.repository import GLib
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        while GLib.MainContext.default().iteration(False):
            pass
        time.sleep(0.05)


class XServer:
    def __init__(self, size="1280x1024"):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-noreset", "-screen", "0", size + "x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            self.display = ":" + pipe.readline().strip()

    def env(self):
        return dict(os.environ, DISPLAY=self.display)

    def tool(self, *args):
        return subprocess.run(list(args), env=self.env(), capture_output=True, text=True, timeout=20).stdout

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


class Orca:
    """Orca itself, speaking through a speech-dispatcher of the test's own
    into libao's null driver: no sound card is needed. What it says is read
    back from its debug file."""

    def __init__(self, home, env):
        config = os.path.join(home, "speech-dispatcher")
        shutil.copytree("/etc/speech-dispatcher", config)
        conf = os.path.join(config, "speechd.conf")
        with open(conf) as text:
            settings = re.sub(r"(?m)^#?\s*AudioOutputMethod\b.*$", "", text.read())
        with open(conf, "w") as text:
            text.write(settings + '\nAudioOutputMethod "libao"\n')
        with open(os.path.join(home, ".libao"), "w") as libao:
            libao.write("default_driver=null\n")
        self.debug_file = os.path.join(home, "orca-debug.txt")
        quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.speechd = subprocess.Popen(["speech-dispatcher", "--run-single", "--timeout", "0",
                                         "--config-dir", config], env=env, **quiet)
        self.orca = subprocess.Popen(["orca", "--debug-file", self.debug_file], env=env, **quiet)
        # Orca greets the user once it listens.
        wait_for(lambda: self.said(), 60, "Orca to speak")

    def said(self, since=0):
        """What Orca has said, utterance by utterance, from the `since`th on."""
        if not os.path.exists(self.debug_file):
            return []
        with open(self.debug_file, errors="replace") as log:
            return re.findall(r"SPEECH OUTPUT: '(.*?)'", log.read())[since:]

    def hears(self, text, since, timeout=10.0):
        wait_for(lambda: any(text in line for line in self.said(since)), timeout,
                 "Orca to say %r (said: %r)" % (text, self.said(since)[-12:]))

    def close(self):
        for process in (self.orca, self.speechd):
            if process.poll() is not None:
                continue
            process.terminate()
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


class ProgramSession(unittest.TestCase):
    """The program on an X server and accessibility bus of the test's own."""
    LANGUAGE = "en_US.UTF-8"
    WITH_ORCA = False

    @classmethod
    def setUpClass(cls):
        try:
            cls.start()
        except BaseException:
            cls.print_program_log()
            cls.tearDownClass()
            raise

    @classmethod
    def start(cls):
        cls.home = tempfile.mkdtemp(prefix="glimview-access-")
        cls.x = XServer()
        # The accessibility bus of this session, as a desktop starts it.
        cls.a11y_bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                        env=cls.x.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        import pyatspi  # after the bus exists: the module connects when imported
        cls.pyatspi = pyatspi
        run = os.path.join(cls.home, "run")
        os.makedirs(os.path.join(run, "Temp"))
        os.symlink(os.path.join(RUN_DIR, "Languages"), os.path.join(run, "Languages"))
        runtime = os.path.join(cls.home, "runtime")
        os.makedirs(runtime, mode=0o700)
        cls.temp = os.path.join(run, "Temp")
        env = cls.x.env()
        env.update({
            "HOME": cls.home,
            "XDG_CONFIG_HOME": os.path.join(cls.home, "config"),
            "XDG_DATA_HOME": os.path.join(cls.home, "data"),
            "XDG_STATE_HOME": os.path.join(cls.home, "state"),
            "XDG_RUNTIME_DIR": runtime,
            "LC_ALL": cls.LANGUAGE,
            "VIDCORE_TEST_DEVICES": "1",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "GLIMVIEW_SHM_SUFFIX": "_access%d" % os.getpid(),
        })
        env.pop("QT_QPA_PLATFORM", None)
        # What the program says goes to a file, shown when it does not come up.
        cls.log = os.path.join(cls.home, "program.log")
        with open(cls.log, "wb") as log:
            cls.program = subprocess.Popen([os.path.join(RUN_DIR, "glimview")], cwd=run, env=env,
                                           stdout=log, stderr=subprocess.STDOUT)
        cls.app = wait_for(cls.find_application, 30, "Glimview on the accessibility bus")
        if not cls.WITH_ORCA:
            return
        # The camera is ready when its buttons show.
        wait_for(lambda: cls.find_showing(cls.main_window(), "push button", "Take a snapshot"), 30,
                 "the snapshot button")
        orca_env = cls.x.env()
        orca_env.update({key: env[key] for key in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                                    "XDG_STATE_HOME", "XDG_RUNTIME_DIR")})
        cls.orca = Orca(cls.home, orca_env)

    @classmethod
    def print_program_log(cls):
        log = getattr(cls, "log", None)
        if log and os.path.exists(log):
            with open(log, errors="replace") as text:
                sys.stderr.write("--- the program's output:\n" + text.read()[-4000:] + "\n---\n")

    @classmethod
    def tearDownClass(cls):
        program = getattr(cls, "program", None)
        if program is not None and program.poll() is None:
            # A signal ends it as its close button does, with nothing left over.
            program.send_signal(signal.SIGTERM)
            try:
                program.wait(30)
            except subprocess.TimeoutExpired:
                program.kill()
                program.wait()
        # Anything but 0 is a failure: a hang, a crash, or a sanitizer's report.
        failed_end = program is not None and program.returncode != 0
        if failed_end:
            cls.print_program_log()
        if getattr(cls, "orca", None) is not None:
            cls.orca.close()
        if getattr(cls, "a11y_bus", None) is not None:
            cls.a11y_bus.terminate()
            cls.a11y_bus.wait()
        if getattr(cls, "x", None) is not None:
            cls.x.close()
        if getattr(cls, "home", None):
            shutil.rmtree(cls.home, ignore_errors=True)
        if failed_end:
            raise AssertionError("the program ended with %d" % program.returncode)

    # ---- the tree ---------------------------------------------------------

    @classmethod
    def find_application(cls):
        desktop = cls.pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "Glimview" and app.childCount > 0:
                return app
        return None

    @classmethod
    def windows(cls):
        return [cls.app.getChildAtIndex(i) for i in range(cls.app.childCount)]

    @classmethod
    def window(cls, title):
        """The window of this X title, found by its accessible name."""
        names = (NAMES.get(title, title), "Live view, full screen") if title == "CamView" else (NAMES.get(title, title),)
        for w in cls.windows():
            if w is not None and w.name in names:
                return w
        return None

    @classmethod
    def main_window(cls):
        return cls.window("Tessaly - Norvel Electronics Inc.")

    @classmethod
    def descendants(cls, node):
        found = []
        if node is None:
            return found
        for i in range(node.childCount):
            child = node.getChildAtIndex(i)
            if child is None:
                continue
            found.append(child)
            found.extend(cls.descendants(child))
        return found

    @classmethod
    def find(cls, node, role, name):
        for d in cls.descendants(node):
            if d.getRoleName() == role and d.name == name:
                return d
        return None

    @classmethod
    def find_showing(cls, node, role, name):
        found = cls.find(node, role, name)
        return found if found is not None and found.getState().contains(cls.pyatspi.STATE_SHOWING) else None

    def showing(self, node):
        return node.getState().contains(self.pyatspi.STATE_SHOWING)

    def status(self):
        labels = [d for d in self.descendants(self.main_window()) if d.getRoleName() == "notification"
                  and self.showing(d)]
        return [label.name for label in labels]

    def press(self, button):
        action = button.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        self.assertEqual(names, ["Press"])
        action.doAction(0)

    def items(self, gallery):
        return [d for d in self.descendants(self.window(gallery)) if d.getRoleName() == "list item"]

    def current_item(self, gallery):
        for item in self.items(gallery):
            if item.getState().contains(self.pyatspi.STATE_SELECTED):
                return item.name
        return None

    # ---- keys -------------------------------------------------------------

    def x_window(self, title):
        # xdotool's search ends with nothing found when any window in the tree
        # goes away while it walks it (BadWindow), as the full-screen window
        # does on leaving full screen: an empty answer is asked again.
        pattern = "^" + title.replace(".", "\\.") + "$"
        ids = wait_for(lambda: self.x.tool("xdotool", "search", "--name", pattern).split(), 5,
                       "an X window titled " + title)
        return ids[0]

    def key(self, title, *keys):
        """Focuses the window as a click on it would, then presses the keys."""
        window = self.x_window(title)
        self.x.tool("xdotool", "windowfocus", "--sync", window)
        wait_for(lambda: self.window_active(title), 10, title + " active")
        self.x.tool("xdotool", "key", "--clearmodifiers", *keys)

    def window_active(self, title):
        w = self.window(title)
        return w is not None and w.getState().contains(self.pyatspi.STATE_ACTIVE)

    def geometry(self, title):
        info = self.x.tool("xwininfo", "-id", self.x_window(title))
        values = {}
        for line in info.splitlines():
            if ":" in line:
                label, _, value = line.strip().partition(":")
                values[label] = value.strip()
        return int(values["Width"]), int(values["Height"])



class GermanWindowNamesTest(ProgramSession):
    LANGUAGE = "de_DE.UTF-8"

    def test_windows_are_frames_named_in_the_users_language(self):
        expected = {("Kamerasteuerung", "frame"), ("Fotogalerie", "frame"), ("Videogalerie", "frame"),
                    ("Livebild", "frame")}
        wait_for(lambda: expected <= {(w.name, w.getRoleName()) for w in self.windows() if w is not None}, 30,
                 "the German window names")
        names = {d.name for w in self.windows() if w is not None for d in self.descendants(w)
                 if d.getRoleName() == "list"}
        self.assertEqual(names, {"Fotos", "Videos"})
        # A button's name is its hint alone; the tooltip adds the key.
        buttons = {d.name for w in self.windows() if w is not None for d in self.descendants(w)
                   if d.getRoleName() == "push button"}
        self.assertIn("Foto aufnehmen", buttons)


class GlimviewAccessTest(ProgramSession):
    WITH_ORCA = True

    # ---- the tests --------------------------------------------------------

    def test_1_every_shown_button_is_a_named_push_button(self):
        main = self.main_window()
        self.assertIsNotNone(main)
        names = {}
        for title in ("Tessaly - Norvel Electronics Inc.", "Photos", "Videos"):
            window = self.window(title)
            self.assertIsNotNone(window, title)
            buttons = [d for d in self.descendants(window) if d.getRoleName() == "push button"]
            for b in buttons:
                self.assertEqual(b.queryAction().nActions, 1)
                self.assertEqual(b.queryAction().getName(0), "Press")
            names[title] = sorted(b.name for b in buttons if self.showing(b))
        self.assertEqual(names["Tessaly - Norvel Electronics Inc."],
                         sorted(["Minimize", "Close", "Take a snapshot", "Start or stop recording",
                                 "Show or hide the photo gallery", "Show or hide the video gallery",
                                 "Camera settings", "Picture size"]))
        self.assertEqual(names["Photos"], sorted(["Close", "Scroll left", "Scroll right", "Save photo",
                                                  "View photo", "Delete photo"]))
        self.assertEqual(names["Videos"], sorted(["Close", "Scroll left", "Scroll right", "Save video",
                                                  "Play video", "Delete video"]))
        # The gallery toggles are checked while their gallery shows; the strips are lists.
        for toggle_name, title in (("Show or hide the photo gallery", "Photos"),
                                   ("Show or hide the video gallery", "Videos")):
            toggle = self.find(main, "push button", toggle_name)
            self.assertEqual(toggle.getState().contains(self.pyatspi.STATE_CHECKED),
                             self.showing(self.window(title)), title)
        for title in ("Photos", "Videos"):
            self.assertEqual(len([d for d in self.descendants(self.window(title)) if d.getRoleName() == "list"]), 1)
        # The live picture is a graphic named by its camera.
        live = [d for d in self.descendants(self.window("CamView"))
                if d.getRoleName() == "image" and d.name]
        self.assertEqual([d.name for d in live], ["Vidcore Test Camera"])
        # The status line is a notification that reads the camera's state.
        self.assertIn("Camera ready", self.status())
        # The windows are frames named in the user's language; so are the
        # strips' lists. No recording runs: the record button is not checked.
        for title, name in NAMES.items():
            if title != "Image View":
                self.assertEqual((self.window(title).name, self.window(title).getRoleName()), (name, "frame"))
        self.assertEqual([d.name for d in self.descendants(self.window("Photos")) if d.getRoleName() == "list"],
                         ["Photos"])
        self.assertEqual([d.name for d in self.descendants(self.window("Videos")) if d.getRoleName() == "list"],
                         ["Videos"])
        record = self.find(main, "push button", "Start or stop recording")
        self.assertFalse(record.getState().contains(self.pyatspi.STATE_CHECKED))

    def test_2_a_reader_takes_a_photo_and_hears_it(self):
        main = self.main_window()
        before = len(self.items("Photos"))
        # What a screen reader is told: the status line's new text.
        heard = []
        listener = lambda event: heard.append(event.source.name)
        self.pyatspi.Registry.registerEventListener(listener, "object:property-change:accessible-name")
        said = len(self.orca.said())
        self.press(self.find(main, "push button", "Take a snapshot"))
        wait_for(lambda: len(self.items("Photos")) == before + 1, 20, "a new photo")
        n = before + 1
        self.assertIn("Photos: %d" % n, wait_for(lambda: [s for s in self.status() if s == "Photos: %d" % n]))
        wait_for(lambda: "Photos: %d" % n in heard, 5, "the new status announced")
        self.orca.hears("Photos: %d" % n, said)
        self.pyatspi.Registry.deregisterEventListener(listener, "object:property-change:accessible-name")
        self.assertEqual(self.current_item("Photos"), "Photo %d of %d" % (n, n))
        toggle = self.find(main, "push button", "Show or hide the photo gallery")
        wait_for(lambda: toggle.getState().contains(self.pyatspi.STATE_CHECKED), 5, "the latched toggle")

    def test_2b_a_reader_hears_the_self_timer_count_down(self):
        main_title = "Tessaly - Norvel Electronics Inc."
        main = self.main_window()
        before = len(self.items("Photos"))
        heard = []
        listener = lambda event: heard.append(event.source.name)
        self.pyatspi.Registry.registerEventListener(listener, "object:property-change:accessible-name")
        said = len(self.orca.said())
        # T: from Off to 3 seconds.
        self.key(main_title, "t")
        self.press(self.find(main, "push button", "Take a snapshot"))
        n = before + 1
        wait_for(lambda: len(self.items("Photos")) == n, 20, "the timed photo")
        wait_for(lambda: "Photos: %d" % n in heard, 5, "the new status announced")
        self.pyatspi.Registry.deregisterEventListener(listener, "object:property-change:accessible-name")
        for number in ("3", "2", "1"):
            self.orca.hears("Self-timer: " + number, said)
        # Each number once, in order (a name change may be reported twice).
        counted = [name for i, name in enumerate(heard) if name.startswith("Self-timer: ") and name not in heard[:i]]
        self.assertEqual(counted, ["Self-timer: 3", "Self-timer: 2", "Self-timer: 1"])
        self.assertLess(heard.index("Self-timer: 1"), heard.index("Photos: %d" % n))
        # T twice: 10 seconds, then Off again for the tests that follow.
        self.key(main_title, "t")
        self.key(main_title, "t")
        start = len(self.items("Photos"))
        self.key(main_title, "space")
        wait_for(lambda: len(self.items("Photos")) == start + 1, 20, "a photo at once with the timer off")

    def test_3_keys_take_photos_move_the_focus_view_and_delete(self):
        main_title = "Tessaly - Norvel Electronics Inc."
        # What Orca says is heard above. It leaves now: while it listens to
        # every key, a file dialog's keys can stall in the accessibility
        # bus for the rest of the session (Orca 43 with Qt 6.4).
        self.orca.close()
        start = len(self.items("Photos"))
        self.key(main_title, "space")
        wait_for(lambda: len(self.items("Photos")) == start + 1, 20, "a photo from Space")
        # The snapshot leaves the gallery the active window, as a click does.
        self.key("Photos", "space")
        wait_for(lambda: len(self.items("Photos")) == start + 2, 20, "a photo from Space in the gallery")
        n = start + 2
        self.key("Photos", "Home")
        wait_for(lambda: self.current_item("Photos") == "Photo 1 of %d" % n, 5, "Home")
        self.key("Photos", "Right")
        wait_for(lambda: self.current_item("Photos") == "Photo 2 of %d" % n, 5, "Right")
        self.key("Photos", "End")
        wait_for(lambda: self.current_item("Photos") == "Photo %d of %d" % (n, n), 5, "End")
        self.key("Photos", "Left")
        wait_for(lambda: self.current_item("Photos") == "Photo %d of %d" % (n - 1, n), 5, "Left")
        # Return views the photo in a named dialog that has the keys at
        # once: Esc closes it, and the gallery has them back.
        self.key("Photos", "Return")
        viewer = wait_for(lambda: self.window("Image View"), 10, "the image viewer")
        self.assertIn(viewer.getRoleName(), ("frame", "dialog"))
        self.assertEqual([d.name for d in self.descendants(viewer) if d.getRoleName() in ("image", "label")
                          and d.name], ["Photo"])
        wait_for(lambda: self.window_active("Image View"), 10, "the viewer focused")
        self.x.tool("xdotool", "key", "--clearmodifiers", "Escape")
        wait_for(lambda: self.window("Image View") is None, 10, "the viewer closed")
        wait_for(lambda: self.window_active("Photos"), 10, "the gallery focused again")
        # Ctrl+S saves the focused photo: the dialog offers the suggested name.
        self.key("Photos", "ctrl+s")
        dialog = wait_for(lambda: [w for w in self.windows() if w.getRoleName() == "dialog" and self.showing(w)],
                          10, "save dialog")
        self.x.tool("xdotool", "key", "--clearmodifiers", "Return")
        pictures = os.path.join(self.home, "Pictures")
        saved = wait_for(lambda: [f for f in (os.listdir(pictures) if os.path.isdir(pictures) else [])
                                  if f.endswith(".jpg")], 10, "the saved photo")
        identify = subprocess.run(["identify", "-format", "%m %w %h", os.path.join(pictures, saved[0])],
                                  capture_output=True, text=True)
        self.assertEqual(identify.stdout, "JPEG 640 480")
        del dialog
        # Delete takes the focused photo away.
        self.key("Photos", "Delete")
        wait_for(lambda: len(self.items("Photos")) == n - 1, 10, "a deleted photo")
        wait_for(lambda: "Photos: %d" % (n - 1) in self.status(), 5, "the count after Delete")

    def test_2c_keys_record_a_clip_and_a_reader_hears_it(self):
        main_title = "Tessaly - Norvel Electronics Inc."
        clips = lambda: [f for f in os.listdir(self.temp) if f.startswith("GLV_temp_")]
        before = len(self.items("Videos"))
        record = self.find(self.main_window(), "push button", "Start or stop recording")
        said = len(self.orca.said())
        self.key(main_title, "r")
        wait_for(lambda: "Recording..." in self.status(), 20, "the recording status")
        self.orca.hears("Recording", said)
        wait_for(lambda: record.getState().contains(self.pyatspi.STATE_CHECKED), 5, "the record button checked")
        wait_for(lambda: any(os.path.getsize(os.path.join(self.temp, f)) > 20000 for f in clips()), 30,
                 "a growing clip")
        # Space does nothing while recording: its button is disabled then.
        photos = len(self.items("Photos"))
        self.key(main_title, "space")
        said = len(self.orca.said())
        self.key(main_title, "r")
        wait_for(lambda: "Videos: %d" % (before + 1) in self.status(), 20, "the recording stopped")
        self.orca.hears("Videos: %d" % (before + 1), said)
        self.assertFalse(record.getState().contains(self.pyatspi.STATE_CHECKED))
        self.assertEqual(len(self.items("Photos")), photos)
        self.assertEqual(len(self.items("Videos")), before + 1)
        # The video gallery's own keys: Return plays, Delete deletes.
        self.key("Videos", "Delete")
        wait_for(lambda: len(self.items("Videos")) == before, 10, "a deleted clip")

    def test_5_f11_and_esc_enter_and_leave_full_screen(self):
        main_title = "Tessaly - Norvel Electronics Inc."
        windowed = self.geometry("CamView")
        self.key(main_title, "F11")
        wait_for(lambda: self.geometry("CamView") == (1280, 1024), 10, "the live view full screen")
        self.assertEqual(self.window("CamView").name, "Live view, full screen")
        # Esc in any Glimview window while full screen is on; the keys go
        # back to the window full screen began in.
        self.key("Photos", "Escape")
        wait_for(lambda: self.geometry("CamView") == windowed, 10, "the live view back")
        wait_for(lambda: self.window_active(main_title), 10, "the panel focused again")
        self.assertEqual(self.window("CamView").name, "Live view")
        self.key("CamView", "F11")
        wait_for(lambda: self.geometry("CamView") == (1280, 1024), 10, "full screen from the live view")
        self.key("CamView", "F11")
        wait_for(lambda: self.geometry("CamView") == windowed, 10, "F11 leaves full screen")

    def test_5b_keys_for_the_galleries_the_settings_and_the_menu(self):
        main_title = "Tessaly - Norvel Electronics Inc."
        main = self.main_window()
        for key, title, name in (("p", "Photos", "Show or hide the photo gallery"),
                                 ("v", "Videos", "Show or hide the video gallery")):
            toggle = self.find(main, "push button", name)
            shown = self.showing(self.window(title))
            for _ in range(2):
                self.key(main_title, key)
                shown = not shown
                wait_for(lambda: self.showing(self.window(title)) == shown, 10, "%s toggled by %s" % (title, key))
                self.assertEqual(toggle.getState().contains(self.pyatspi.STATE_CHECKED), shown)
        # C opens the camera settings, which take the keys. Return closes
        # them and keeps a value the user changed.
        def settings():
            return [w for w in self.windows() if w.getRoleName() == "dialog" and self.showing(w)
                    and any(d.getRoleName() == "slider" for d in self.descendants(w))]
        self.key("CamView", "c")
        [dialog] = wait_for(settings, 10, "the camera settings")
        wait_for(lambda: dialog.getState().contains(self.pyatspi.STATE_ACTIVE), 10, "the settings focused")
        slider = [d for d in self.descendants(dialog) if d.getRoleName() == "slider"][0]
        value = slider.queryValue()
        changed = value.minimumValue + (value.maximumValue - value.minimumValue) // 3
        self.assertNotEqual(value.currentValue, changed)
        value.currentValue = changed
        wait_for(lambda: slider.queryValue().currentValue == changed, 5, "the changed value")
        self.x.tool("xdotool", "key", "--clearmodifiers", "Return")
        wait_for(lambda: not settings(), 10, "the settings closed by Return")
        wait_for(lambda: self.window_active("CamView"), 10, "the live view focused again")
        self.key("CamView", "c")
        [dialog] = wait_for(settings, 10, "the camera settings again")
        slider = [d for d in self.descendants(dialog) if d.getRoleName() == "slider"][0]
        self.assertEqual(slider.queryValue().currentValue, changed)
        self.x.tool("xdotool", "key", "--clearmodifiers", "Escape")
        wait_for(lambda: not settings(), 10, "the settings closed by Esc")
        # Shift+F10 and the Menu key open the main menu, also right after it
        # closed. A menu is in no window's tree: its items are seen as they
        # take the focus.
        focused = []
        listener = lambda event: focused.append((event.source.getRoleName(), event.source.name)) \
            if event.detail1 else None
        self.pyatspi.Registry.registerEventListener(listener, "object:state-changed:focused")
        try:
            for title, keys in ((main_title, "shift+F10"), (main_title, "shift+F10"), ("CamView", "Menu"),
                                ("Photos", "Menu")):
                del focused[:]
                self.key(title, keys)
                self.x.tool("xdotool", "key", "--clearmodifiers", "Down")
                wait_for(lambda: any(role == "menu item" for role, _ in focused), 10,
                         "the main menu from %s in %s" % (keys, title))
                self.x.tool("xdotool", "key", "--clearmodifiers", "Escape")
                wait_for(lambda: self.window_active(title), 10, title + " active after the menu")
        finally:
            self.pyatspi.Registry.deregisterEventListener(listener, "object:state-changed:focused")

    def test_6_ctrl_w_closes_a_gallery_then_glimview(self):
        main_title = "Tessaly - Norvel Electronics Inc."
        self.key("Videos", "ctrl+w")
        toggle = self.find(self.main_window(), "push button", "Show or hide the video gallery")
        wait_for(lambda: not toggle.getState().contains(self.pyatspi.STATE_CHECKED), 5, "the gallery closed")
        # The keys are with Glimview still: the window used before, or the panel.
        wait_for(lambda: any(self.window_active(t) for t in ("CamView", main_title, "Photos")), 10,
                 "a Glimview window focused")
        # The photos are unsaved: Ctrl+W asks, as the close button does.
        self.key(main_title, "ctrl+w")
        box = wait_for(lambda: [w for w in self.windows() if w.getRoleName() in ("dialog", "alert")
                                and self.showing(w)], 10, "the close question")
        buttons = [d for d in self.descendants(box[0]) if d.getRoleName() == "push button"]
        self.assertEqual(sorted(b.name.replace("&", "") for b in buttons), ["Cancel", "Discard", "Save all"])
        [discard] = [b for b in buttons if b.name.replace("&", "") == "Discard"]
        discard.queryAction().doAction(0)
        self.assertEqual(self.program.wait(15), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
