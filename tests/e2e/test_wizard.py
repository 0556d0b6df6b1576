#!/usr/bin/env python3
"""The wizard as a user meets it: the real installer's window under Xvfb and Wine, driven by the
pointer and by the keyboard, photographed with ImageMagick.

    test_wizard.py <lifecycle installer> <with-script installer> <wintool> <pictures folder>
"""
import contextlib
import os
import shutil
import subprocess
import sys
import time
import unittest

from winetest import Prefix, lines_of, wait_until

INSTALLER = None
WITH_SCRIPT = None   # a product whose main application's folder the user may choose
WINTOOL = None       # runs a registered uninstall command inside Wine as Windows runs it
PICTURES = None

KEY = "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{a3c95e10f27b4d6890e1c4b7d2f5a08e}"
VST3 = "C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3"
AAX = "C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins\\Tarrow Audio - Ondra.aaxplugin"
USER = os.environ.get("USER", "root")
STATE_FILE = f"C:\\users\\{USER}\\AppData\\Roaming\\Tarrow Audio\\Ondra Installer\\AppProperties.properties"
TITLE = 30   # the drawn title bar above the page


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()



def read(path):
    with open(path, errors="replace") as f:
        return f.read()


class Window:
    """The installer's window on the virtual screen."""

    def __init__(self, name="Ondra Installer", seconds=60):
        self.name = name
        # Wine makes a window again when it takes its final style (the drawn title bar, a
        # dialog's frame), and for a moment none may show: the window is the one still shown, the
        # same, a second later.
        self.id = None
        wait_until(self.settled, seconds)

    def settled(self):
        if not (self.find() and self.geometry()[2:] != (0, 0)):
            return False
        first = self.id
        time.sleep(1.0)
        return self.find() and self.id == first and self.geometry()[2:] != (0, 0)

    def find(self):
        ids = xdotool("search", "--onlyvisible", "--name", self.name).split()
        self.id = ids[-1] if ids else None
        return self.id is not None

    def geometry(self):
        out = xdotool("getwindowgeometry", "--shell", self.id) if self.id else ""
        values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        if not all(name in values for name in ("X", "Y", "WIDTH", "HEIGHT")):
            return 0, 0, 0, 0   # gone meanwhile
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def scale(self):
        """How much smaller than its own 495 x 660 the window is shown: 1 where the screen has
        room for it."""
        height = self.geometry()[3]
        return height / 660 if height and height < 660 else 1.0

    def point(self, x, y):
        """Moves the pointer to a point of the page (below the title bar), or of the title bar
        for a negative y."""
        left, top, _, _ = self.geometry()
        scale = self.scale()
        xdotool("mousemove", str(left + round(x * scale)), str(top + round((TITLE + y) * scale)))
        time.sleep(0.3)

    def click(self, x, y):
        self.point(x, y)
        xdotool("mousedown", "1")
        time.sleep(0.1)
        xdotool("mouseup", "1")
        time.sleep(0.4)

    def keys(self, *names):
        # Typed as a user types (XTEST), into the window that has the input focus: Wine ignores
        # key events sent to a window directly.
        for name in names:
            xdotool("key", name)
            time.sleep(0.3)

    def settled_photo(self, name, seconds=15):
        """A photograph once two in a row are the same: the window has painted what it will."""
        previous = None
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            path = self.photo(name)
            data = pixels(path, (0, 0) + self.geometry()[2:])
            if data == previous:
                return path
            previous = data
            time.sleep(0.3)
        return path

    def photo(self, name):
        path = os.path.join(PICTURES, name + ".png")
        os.makedirs(PICTURES, exist_ok=True)
        subprocess.run(["import", "-window", self.id, path], check=True)
        return path


def pixels(path, box):
    """The RGB bytes of a box (x, y, w, h) of a picture."""
    x, y, w, h = box
    return subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "rgb:-"],
                          capture_output=True, check=True).stdout


def changed_boxes(first, second, width, height, cell=8):
    """The cells of a grid over two pictures in which they differ."""
    a = pixels(first, (0, 0, width, height))
    b = pixels(second, (0, 0, width, height))
    cells = set()
    for index in range(0, min(len(a), len(b)), 3):
        if a[index:index + 3] != b[index:index + 3]:
            pixel = index // 3
            cells.add(((pixel % width) // cell, (pixel // width) // cell))
    return cells


class Wizard(unittest.TestCase):
    def start(self, prefix):
        process, output = prefix.spawn(INSTALLER)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        window = Window()
        self.assertIsNotNone(window.id, read(output))
        return process, output, window

    def click_until(self, window, x, y, condition, attempts=3, seconds=8):
        """Clicks until the click has shown its effect: on a loaded machine a click can reach the
        window before it handles the pointer moving onto the control."""
        for _ in range(attempts):
            window.click(x, y)
            if wait_until(condition, seconds):
                return True
        return False

    def ticked(self, window, y):
        path = window.photo("window-check")
        scale = window.scale()
        r, g, b = pixels(path, (round(35 * scale), round((TITLE + y + 10) * scale), 1, 1))
        return b > 150 and r < 60   # the uninstall options are drawn at 82 % opacity

    def wait_for_exit(self, process, seconds=30):
        wait_until(lambda: process.poll() is not None, seconds)
        return process.poll()

    def assert_installed(self, prefix, aax=True):
        self.assertTrue(os.path.isdir(prefix.unix(VST3)))
        self.assertEqual(os.path.isdir(prefix.unix(AAX)), aax)
        values = prefix.reg_values(KEY)
        self.assertIsNotNone(values)
        self.assertEqual(values["DisplayVersion"], "1.0.7")
        self.assertFalse(os.path.exists(prefix.unix(STATE_FILE)), "nothing pending once the install has run")

    def test_install_by_clicks(self):
        started = time.monotonic()
        with Prefix("wizard-clicks") as prefix:
            process, output, window = self.start(prefix)
            self.assertEqual(window.geometry()[2:], (495, 660))

            # The drawn title bar: its close button changes picture under the pointer.
            window.point(200, 200)
            normal = window.settled_photo("window-welcome")
            window.point(481, -16)
            close_button = (472, 5, 18, 18)
            self.assertTrue(wait_until(lambda: pixels(window.photo("window-close-hover"), close_button)
                                       != pixels(normal, close_button), 10))
            hover = window.settled_photo("window-close-hover")
            self.assertLess(len(changed_boxes(normal, hover, 495, 660, cell=1) - {(x, y) for x in range(472, 490) for y in range(5, 23)}),
                            10, "only the close button changes")

            # INSTALL waits for "I agree".
            window.click(247, 580)
            time.sleep(1.0)
            self.assertNotIn("Installing Ondra v1.0.7", read(output))
            self.assertTrue(self.click_until(window, 35, 520, lambda: self.ticked(window, 510)), "I agree")
            self.assertTrue(self.click_until(window, 247, 580, lambda: "Installing Ondra v1.0.7" in read(output)),
                            read(output))

            # The progress page: the spinner turns, the log grows.
            first = window.photo("window-progress-1")
            time.sleep(0.15)
            second = window.photo("window-progress-2")
            cells = changed_boxes(first, second, 495, 660)
            spinner = {(x, y) for x in range(212 // 8, (212 + 71) // 8 + 1) for y in range(215 // 8, (215 + 71) // 8 + 1)}
            log = {(x, y) for x in range(55 // 8, (55 + 385) // 8 + 1) for y in range(310 // 8, (310 + 329) // 8 + 1)}
            self.assertTrue(cells & spinner, "the spinner turns")
            self.assertFalse(cells - spinner - log, "nothing but the spinner and the log changes")

            # "Done!", then Close ends the process with exit code 0.
            self.assertTrue(wait_until(lambda: "Installation finished successfully." in read(output), 60), read(output))
            time.sleep(2.5)
            done = window.photo("window-result")
            self.assertNotEqual(pixels(done, (200, 233, 95, 95)), pixels(normal, (200, 233, 95, 95)), "the check mark")
            # The user drags the window away by its title bar before closing it: the next start
            # opens it there.
            left, top, _, _ = window.geometry()
            window.point(200, -15)
            xdotool("mousedown", "1")
            for step in range(1, 11):
                xdotool("mousemove", str(left + 200 + (100 - left) * step // 10), str(top + 15 + (120 - top) * step // 10))
                time.sleep(0.05)
            xdotool("mouseup", "1")
            time.sleep(1.5)
            self.assertEqual(window.geometry()[:2], (100, 120))
            self.assertTrue(self.click_until(window, 247, 580, lambda: process.poll() is not None, seconds=15), read(output))
            self.assertEqual(self.wait_for_exit(process), 0, read(output))

            self.assert_installed(prefix)
            print(f"install by clicks: {time.monotonic() - started:.1f} s")

            position = f"C:\\users\\{USER}\\AppData\\Roaming\\Application Support\\Tarrow Audio\\Ondra Installer\\window"
            self.assertEqual(read(prefix.unix(position)).split(), ["100", "120", "495", "660"])
            process, output, window = self.start(prefix)
            self.assertEqual(window.geometry(), (100, 120, 495, 660))

    def test_install_with_the_keyboard_alone(self):
        with Prefix("wizard-keys") as prefix:
            process, output, window = self.start(prefix)
            # Without a window manager nothing hands the new window the keyboard (Wine activates
            # an unmanaged window on a click only): one click on an empty part of the page, as
            # on a window behind others; then the keys alone.
            window.click(300, 150)

            def photo():
                return window.photo("window-keyboard")

            def brightness(path, x, y):
                r, g, b = pixels(path, (x, TITLE + y, 1, 1))
                return (r + g + b) / 3

            # The focus ring of a check box row at page y, of INSTALL; the fill of a ticked box.
            def ring_at_row(y):
                path = photo()
                return max(brightness(path, 35, y + 2), brightness(path, 35, y + 3)) > 120

            def ring_at_install():
                path = photo()
                return max(brightness(path, 247, 558), brightness(path, 247, 559), brightness(path, 247, 560)) > 120

            def ticked(y):
                return self.ticked(window, y)

            def tab_until(condition, limit=8):
                # One Tab at a time, each given time to repaint, so that none goes past the target.
                for _ in range(limit):
                    window.keys("Tab")
                    if wait_until(condition, 1.5):
                        return True
                return False

            # Tab walks the page as it reads; Space leaves out the AAX bundle and ticks "I agree";
            # Enter on INSTALL installs.
            self.assertTrue(tab_until(lambda: ring_at_row(290)), "Tab reaches the AAX row")
            self.assertTrue(ticked(290))
            window.keys("space")
            self.assertTrue(wait_until(lambda: not ticked(290), 3), "Space leaves it out")
            self.assertTrue(tab_until(lambda: ring_at_row(510)), "Tab reaches I agree")
            window.keys("space")
            self.assertTrue(wait_until(lambda: ticked(510), 3), "Space ticks it")
            self.assertTrue(tab_until(lambda: ring_at_install(), 1), "the next Tab reaches INSTALL")
            shutil.copy(photo(), os.path.join(PICTURES, "window-keyboard-focus.png"))
            window.keys("Return")

            self.assertTrue(wait_until(lambda: "Installation finished successfully." in read(output), 60), read(output))
            self.assertIn("Installing Tarrow Audio - Ondra.vst3...", lines_of(read(output)))
            self.assertNotIn("Installing Tarrow Audio - Ondra.aaxplugin...", lines_of(read(output)))
            time.sleep(2.5)

            # Escape closes the window once nothing runs.
            window.find()
            window.keys("Escape")
            self.assertEqual(self.wait_for_exit(process), 0, read(output))
            self.assert_installed(prefix, aax=False)


    def test_at_150_percent(self):
        with Prefix("wizard-150") as prefix:
            # Windows' display scaling of 150 %, as Wine keeps it.
            result = prefix.wine("reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                                 "/d", "144", "/f")
            self.assertEqual(result.returncode, 0)
            process, output, window = self.start(prefix)

            _, _, width, height = window.geometry()
            self.assertIn(width, (742, 743))
            self.assertEqual(height, 990)
            path = window.photo("window-150-percent")

            # Nothing cut off: INSTALL's outline runs along its bottom edge, inside the window.
            r, g, b = pixels(path, (371, round((TITLE + 605) * 1.5), 1, 1))
            self.assertGreater(b, r + 60, (r, g, b))

            window.keys("Escape")


    def test_on_a_screen_smaller_than_the_window(self):
        with own_screen("1024x600x24"), Prefix("wizard-small") as prefix:
            process, output, window = self.start(prefix)

            # The whole window, scaled to the screen's height with its proportions, inside it.
            left, top, width, height = window.geometry()
            self.assertEqual((width, height), (450, 600))
            self.assertTrue(left >= 0 and top >= 0 and left + width <= 1024 and top + height <= 600, window.geometry())
            window.point(300, 150)
            path = window.settled_photo("window-1024x600")
            r, g, b = pixels(path, (round(247 * 600 / 660), round((TITLE + 605) * 600 / 660), 1, 1))
            self.assertGreater(b, r + 60, ("INSTALL's outline along its bottom edge", r, g, b))

            # Its controls are where they are drawn: "I agree", INSTALL, then Close.
            self.assertTrue(self.click_until(window, 35, 520, lambda: self.ticked(window, 510)), "I agree")
            self.assertTrue(self.click_until(window, 247, 580, lambda: "Installing Ondra v1.0.7" in read(output)), read(output))
            self.assertTrue(wait_until(lambda: "Installation finished successfully." in read(output), 60), read(output))
            time.sleep(2.5)
            self.assertTrue(self.click_until(window, 247, 580, lambda: process.poll() is not None, seconds=15), read(output))
            self.assertEqual(self.wait_for_exit(process), 0, read(output))
            self.assert_installed(prefix)

            # Where the window was left on a large screen, and a size shrunk by an older version:
            # it opens whole on this one.
            position = f"C:\\users\\{USER}\\AppData\\Roaming\\Application Support\\Tarrow Audio\\Ondra Installer\\window"
            for stored in ("1500 900 495 660", "700 300 495 500"):
                with open(prefix.unix(position), "w") as f:
                    f.write(stored)
                process, output, window = self.start(prefix)
                left, top, width, height = window.geometry()
                self.assertEqual((width, height), (450, 600), stored)
                self.assertTrue(left >= 0 and top >= 0 and left + width <= 1024 and top + height <= 600, (stored, window.geometry()))
                window.click(300, 150)
                window.keys("Escape")
                self.assertEqual(self.wait_for_exit(process), 0, read(output))

    def test_a_component_left_out_and_a_folder_typed_into_the_chooser(self):
        key = "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{5b0c2d7e9f1a4c3b8e6d0a1f2b3c4d5e}"
        chosen = "C:\\Studio Tools\\Ondra"
        with Prefix("wizard-folder") as prefix:
            os.makedirs(prefix.unix(chosen))
            process, output = prefix.spawn(WITH_SCRIPT)
            self.addCleanup(lambda: process.poll() is None and process.kill())
            window = Window("Ondra Suite Installer")

            # Three rows, 71 apart: the tool (mandatory, its folder may change), the presets, the VST3.
            self.assertTrue(self.click_until(window, 35, 281, lambda: not self.ticked(window, 271)), "leave out the presets")
            self.assertTrue(self.click_until(window, 445, 210,   # the tool's "..."
                                             lambda: xdotool("search", "--onlyvisible", "--name", "Select destination directory")))
            dialog = Window("Select destination directory", seconds=20)
            self.assertIsNotNone(dialog.id)
            left, top, _, _ = dialog.geometry()

            # Wine's folder dialog: the name field, the folder typed in, "Open".
            xdotool("mousemove", str(left + 514), str(top + 467), "click", "1")
            time.sleep(0.4)
            xdotool("key", "ctrl+a")
            xdotool("type", "--delay", "30", chosen)
            time.sleep(0.4)
            xdotool("mousemove", str(left + 660), str(top + 494), "click", "1")
            self.assertTrue(wait_until(lambda: not xdotool("search", "--onlyvisible", "--name", "Select destination directory"), 20))
            time.sleep(1.0)
            window.find()
            window.photo("window-folder-chosen")

            self.assertTrue(self.click_until(window, 35, 520, lambda: self.ticked(window, 510)), "I agree")
            self.assertTrue(self.click_until(window, 247, 580, lambda: "Installing Ondra Suite" in read(output)), read(output))
            self.assertTrue(wait_until(lambda: "Installation finished successfully." in read(output), 60), read(output))
            time.sleep(2.5)
            self.assertTrue(self.click_until(window, 247, 580, lambda: process.poll() is not None, seconds=15), read(output))
            self.assertEqual(self.wait_for_exit(process), 0, read(output))

            self.assertTrue(os.path.isfile(prefix.unix(chosen + "\\Ondra Tool.exe")))
            self.assertFalse(os.path.exists(prefix.unix("C:\\Program Files\\Tarrow Audio\\Ondra Suite\\Ondra Tool.exe")))
            self.assertFalse(os.path.exists(prefix.unix("C:\\ProgramData\\Tarrow Audio\\Presets\\Ondra Presets")))
            self.assertTrue(os.path.isdir(prefix.unix(VST3)))
            self.assertEqual(prefix.reg_values(key)["InstallLocation"], chosen)


    def test_a_plugin_in_use_then_retry(self):
        module = VST3 + "\\Contents\\x86_64-win\\Tarrow Audio - Ondra.vst3"
        with Prefix("wizard-in-use") as prefix:
            code, output, _ = prefix.run(INSTALLER, "--headless")
            self.assertEqual(code, 0, output)

            # A DAW left open with the plug-in loaded while the user installs again.
            host, host_output = prefix.spawn(WINTOOL, "load", module, "300")
            self.addCleanup(lambda: host.poll() is None and host.kill())
            self.assertTrue(wait_until(lambda: "loaded" in read(host_output), 60), read(host_output))

            process, output, window = self.start(prefix)
            self.assertTrue(self.click_until(window, 35, 520, lambda: self.ticked(window, 510)), "I agree")
            self.assertTrue(self.click_until(window, 247, 580, lambda: "Installing Ondra v1.0.7" in read(output)), read(output))

            # Before anything changes, the message names what is in use, with Retry and Cancel.
            alert = Window("Files in use", seconds=30)
            self.assertIsNotNone(alert.id, read(output))
            alert.settled_photo("window-files-in-use")
            self.assertIn(module + " is in use", lines_of(read(output)))
            self.assertNotIn("Installing Tarrow Audio - Ondra.vst3...", lines_of(read(output)))

            # The user quits the DAW and presses Retry (the message takes the keyboard on a click,
            # Return is Retry): the install goes on and finishes.
            host.kill()
            host.wait()
            left, top, width, height = alert.geometry()
            xdotool("mousemove", str(left + width // 2), str(top + height // 3), "click", "1")
            time.sleep(0.5)
            xdotool("key", "Return")
            self.assertTrue(wait_until(lambda: "Installation finished successfully." in read(output), 60), read(output))
            self.assertIn("Installing Tarrow Audio - Ondra.vst3...", lines_of(read(output)))
            time.sleep(2.5)
            window.find()
            self.assertTrue(self.click_until(window, 247, 580, lambda: process.poll() is not None, seconds=15), read(output))
            self.assertEqual(self.wait_for_exit(process), 0, read(output))
            self.assert_installed(prefix)

    def test_uninstall_from_the_list_of_programs(self):
        started = time.monotonic()
        uninstaller = "C:\\Program Files\\Tarrow Audio\\Ondra\\Installer.exe"
        other = "C:\\Program Files\\Common Files\\VST3\\Other Vendor.vst3\\Contents\\x86_64-win\\Other Vendor.vst3"
        presets = "C:\\ProgramData\\Tarrow Audio\\Ondra\\Ondra Presets"
        own_preset = "C:\\ProgramData\\Tarrow Audio\\Ondra\\My Sound.preset"
        with Prefix("wizard-uninstall") as prefix:
            os.makedirs(os.path.dirname(prefix.unix(other)))
            with open(prefix.unix(other), "wb") as f:
                f.write(b"MZ another vendor's plug-in")
            code, output, _ = prefix.run(INSTALLER, "--headless")
            self.assertEqual(code, 0, output)
            self.assertTrue(os.path.isdir(prefix.unix(presets)))
            with open(prefix.unix(own_preset), "wb") as f:
                f.write(b"<Preset name=\"My Sound\"/>")

            # The registered command, unchanged, as the list of installed programs starts it.
            process, output = prefix.spawn(WINTOOL, "uninstall", KEY[len("HKLM\\"):])
            self.addCleanup(lambda: process.poll() is None and process.kill())
            window = Window()
            self.assertIsNotNone(window.id, read(output))
            window.photo("window-uninstall-welcome")
            self.assertIn("Operation mode: uninstall", lines_of(read(output)))

            # The presets go only when the user asks for it: the option starts unticked.
            self.assertFalse(self.ticked(window, 418))
            self.assertTrue(self.click_until(window, 35, 428, lambda: self.ticked(window, 418)), "Factory presets")
            window.photo("window-uninstall-welcome-presets")

            self.assertTrue(self.click_until(window, 247, 580, lambda: "Starting deinstallation..." in read(output)), read(output))
            self.assertTrue(wait_until(lambda: "Deinstallation finished successfully." in read(output), 60), read(output))
            time.sleep(2.5)
            window.photo("window-uninstall-result")

            # The user reads the result page for longer than a minute: the uninstaller waits for
            # it to be closed, however long that takes, and then goes.
            time.sleep(65)
            self.assertTrue(os.path.isfile(prefix.unix(uninstaller)), "still running")
            window.find()
            self.assertTrue(self.click_until(window, 247, 580, lambda: process.poll() is not None, seconds=15), read(output))
            self.assertEqual(self.wait_for_exit(process), 0, read(output))

            for path in (VST3, AAX):
                self.assertFalse(os.path.exists(prefix.unix(path)), path)
            self.assertIsNone(prefix.reg_values(KEY))
            with open(prefix.unix(other), "rb") as f:
                self.assertEqual(f.read(), b"MZ another vendor's plug-in")
            self.assertFalse(os.path.exists(prefix.unix(presets)), "the ticked option's presets")
            with open(prefix.unix(own_preset), "rb") as f:
                self.assertEqual(f.read(), b"<Preset name=\"My Sound\"/>", "the user's own preset, beside them")

            # The self-deletion script takes the uninstaller once it has exited, and the folders
            # the installation made for it; the folder with the user's own preset stays.
            self.assertTrue(wait_until(lambda: not os.path.exists(prefix.unix(uninstaller)), 60))
            self.assertTrue(wait_until(lambda: not os.path.exists(prefix.unix("C:\\Program Files\\Tarrow Audio")), 30),
                            os.listdir(prefix.unix("C:\\Program Files")))
            self.assertEqual(os.listdir(prefix.unix("C:\\ProgramData\\Tarrow Audio\\Ondra")), ["My Sound.preset"])
            print(f"uninstall from the list of programs: {time.monotonic() - started:.1f} s")


@contextlib.contextmanager
def own_screen(size):
    """A screen of another size for what runs inside: Wine, xdotool and import all follow DISPLAY
    (a prefix takes it when it is made)."""
    before = os.environ["DISPLAY"]
    server = private_display(size)
    try:
        yield
    finally:
        os.environ["DISPLAY"] = before
        server.terminate()
        server.wait()


def private_display(size="1280x1024x24"):
    """A virtual screen of this test's own: the other tests run beside it on the shared one, and
    their windows (the unit tests' wizard among them) bear the same names."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp"],
                              pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        number = numbers.readline().strip()
    if not number:
        raise RuntimeError("Xvfb did not start")
    os.environ["DISPLAY"] = ":" + number
    return server


if __name__ == "__main__":
    INSTALLER, WITH_SCRIPT, WINTOOL, PICTURES = sys.argv[1:5]
    del sys.argv[1:5]
    display = private_display()
    try:
        outcome = unittest.main(verbosity=2, exit=False).result
    finally:
        display.terminate()
        display.wait()
    sys.exit(0 if outcome.wasSuccessful() else 1)
