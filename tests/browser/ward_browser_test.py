#!/usr/bin/python3
"""The ward view in a real browser: headless chromium driven by selenium against a real station
(`vudoda station --http`) on loopback with eight simulated beds (`vudoda simulate --realtime
--connect`). Bounded in time; it stops everything it started.

  ward_browser_test.py --vudoda BIN --layout BIN --out DIR [--chromium BIN --chromedriver BIN]
  ward_browser_test.py --measure [--beds 64] --vudoda BIN --out DIR
  ward_browser_test.py --demo --vudoda BIN --out DIR

Checks: the login (a wrong password refused, a page without a session sent to the login); the
ward's eight tiles with the patients their monitors announced and changing numbers; the strip's
geometry against the PDF strip's (StripLayout, printed by strip_layout_json) and a known FHR
sample at its place on the canvas; a bed whose monitor is killed shown as a communication failure
in the alarm colour, sounded, listed and acknowledged with who did it, in the event log too; the
station stopped for 3 s and started again: the stream lost at once, caught up by itself, still
logged in, and no hole where the station had the data; two browsers correcting one patient; no
console errors (CSP); with 64 beds, every tile's trace. Writes screenshots of the ward and of a
bed to --out. With --measure: --beds beds, the delay from a sample's instant to the canvas, the
frame rate while scrolling, and the browser's CPU. With --demo: no checks, only the screenshots
of the ward and of a bed (for `make demo`).
"""

import argparse
import contextlib
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import traceback

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
except ImportError:
    webdriver = None

PX_PER_CM = 96 / 2.54
CLOCK_ROW_CM = 0.6  # the clock row above the heart-rate grid, as on the paper (6 mm)
USER = "midwife"
FAILURES = []
PASSED = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    (PASSED if condition else FAILURES).append(what)
    return condition


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def answers(port):
    """Whether something listens on loopback port `port`."""
    with socket.create_connection(("127.0.0.1", port), timeout=1):
        return True


def wait_for(what, predicate, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            value = predicate()
            if value:
                return value
        except Exception:  # the page may be between states
            pass
        time.sleep(0.1)
    return None


class Station:
    """A real station on loopback (`vudoda station --http`) in a scratch folder, with a made-up
    user and `beds` simulated monitors (`vudoda simulate --realtime --connect`), the monitor of
    seed N at bed N. It can be stopped and started again, as a station restarted on the ward, and
    one bed's monitor can be killed."""

    def __init__(self, args, beds, workdir):
        self.args, self.beds, self.workdir = args, beds, workdir
        self.password = "made-up-" + str(os.getpid())
        self.port, self.beds_port = free_port(), free_port()
        self.data = os.path.join(workdir, "Data")
        self.config = os.path.join(workdir, "Maternis.ini")
        self.station = None
        self.monitors = {}
        os.makedirs(self.data)
        self.tool("config", "set", "Data Path", self.data, "--file", self.config)
        self.tool("db", "init", "sqlite:" + os.path.join(self.data, "vudoda.db"))
        self.tool("db", "add-user", "--database", "sqlite:" + os.path.join(self.data, "vudoda.db"), "--id", USER,
                  "--name", "Made-up Midwife", "--password", self.password)

    def tool(self, *arguments):
        subprocess.run([self.args.vudoda, *arguments], check=True, stdout=subprocess.DEVNULL, timeout=60)

    def start_tool(self, *arguments):
        with open(os.path.join(self.workdir, "tools.log"), "a") as log:
            return subprocess.Popen([self.args.vudoda, *arguments], stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=log)

    def start(self):
        """Starts the station and, once its web side answers, each bed's monitor in turn."""
        self.station = self.start_tool("station", "--config", self.config, "--listen", f"127.0.0.1:{self.beds_port}",
                                       "--beds", str(self.beds), "--http", f"127.0.0.1:{self.port}")
        if not wait_for("station", lambda: answers(self.port), 20):
            raise RuntimeError("the station did not start (see tools.log)")
        for bed in range(1, self.beds + 1):
            self.start_monitor(bed)

    def start_monitor(self, bed):
        admitted = f"bed {bed}: patient SIM-0000-{bed:04d}"
        before = self.events().count(admitted)
        self.monitors[bed] = self.start_tool("simulate", "--seed", str(bed), "--seconds", "3600", "--realtime",
                                             "--connect", f"127.0.0.1:{self.beds_port}")
        if not wait_for("admission", lambda: self.events().count(admitted) > before, 10):
            raise RuntimeError(f"the monitor of bed {bed} was not admitted at bed {bed}")

    def url(self, path=""):
        return f"http://127.0.0.1:{self.port}{path}"

    def kill_monitor(self, bed):
        self.monitors.pop(bed).kill()

    def stop(self):
        """Stops the station as its operator does (SIGTERM: every study closed) and the monitors."""
        for monitor in self.monitors.values():
            monitor.kill()
            monitor.wait(10)
        self.monitors = {}
        if self.station and self.station.poll() is None:
            self.station.send_signal(signal.SIGTERM)
            self.station.wait(20)
        self.station = None

    def events(self):
        """The station's event log: its events and its audit trail."""
        try:
            with open(os.path.join(self.data, "station.events"), encoding="utf-8", errors="replace") as log:
                return log.read()
        except FileNotFoundError:
            return ""

    def known_fhr(self, page, bed, from_ms, to_ms):
        """The FHR1 the station recorded over the span, by instant."""
        return page.trace(bed, from_ms, to_ms)


class Page:
    """One browser on the ward page."""

    def __init__(self, args, ward, name):
        self.ward = ward
        options = webdriver.ChromeOptions()
        options.binary_location = args.chromium
        self.profile = tempfile.mkdtemp(prefix="vudoda-chromium-")
        for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--window-size=1920,1080", "--force-device-scale-factor=1", "--autoplay-policy=no-user-gesture-required",
                     f"--user-data-dir={self.profile}"]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service(args.chromedriver), options=options)
        self.driver.set_script_timeout(30)
        self.name = name

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def js_async(self, script, *args):
        return self.driver.execute_async_script(script, *args)

    def login(self, user, password):
        d = self.driver
        d.get(self.ward.url("/login"))
        d.find_element(By.ID, "user").send_keys(user)
        d.find_element(By.ID, "password").send_keys(password + Keys.ENTER)

    def dataset(self, name):
        return self.js(f"return document.body.dataset.{name} || ''")

    def trace(self, bed, from_ms, to_ms, channel="FHR1"):
        """The station's samples of `channel` at bed `bed` over the span, by instant."""
        answer = self.js_async(
            "const done = arguments[arguments.length - 1];"
            "fetch(`/api/beds/${arguments[0]}/trace?from=${arguments[1]}&to=${arguments[2]}`)"
            ".then(r => r.json()).then(done, e => done({error: String(e)}));", bed, int(from_ms), int(to_ms))
        values = answer.get("values", {}).get(channel, [])
        return {answer["startMs"] + 250 * i: v for i, v in enumerate(values) if v is not None}

    def acknowledge_others(self, bed):
        """Acknowledges, as the desk's user, every alarm that is on and unacknowledged at a bed
        other than `bed`. True when done."""
        return self.js_async("""const done = arguments[arguments.length - 1];
            (async () => {
              const token = (await (await fetch('/api/session')).json()).token;
              const alarms = (await (await fetch('/api/alarms')).json()).alarms;
              for (const a of alarms) {
                if (a.bed === arguments[0] || a.clearedMs !== null || a.acknowledgedBy) continue;
                await fetch(`/api/alarms/${a.id}/acknowledge`, {method: 'POST', body: '{}',
                  headers: {'X-CSRF-Token': token, 'Content-Type': 'application/json'}});
              }
              return true;
            })().then(done, e => done(false));""", bed)

    def tiles(self):
        return self.js("""return [...document.querySelectorAll('.tile')].map(t => ({
            bed: Number(t.dataset.bed), cls: t.className,
            name: t.querySelector('.tile-name').textContent, id: t.querySelector('.tile-id').textContent,
            fhr1: t.querySelector('.fhr1').textContent, state: t.querySelector('.tile-state').textContent,
            borderColor: getComputedStyle(t).borderTopColor,
            footColor: getComputedStyle(t.querySelector('.tile-foot')).backgroundColor}))""")

    def console_errors(self):
        """The page's own errors: scripts and refused content (a CSP violation is one). A request
        answered with an error status (a refused login, a conflict) is the page's business."""
        return [entry for entry in self.driver.get_log("browser")
                if entry["level"] == "SEVERE" and entry.get("source") != "network"]

    def pixel(self, x, y):
        return self.js("""const c = document.getElementById('strip');
            return [...c.getContext('2d').getImageData(arguments[0], arguments[1], 1, 1).data];""", x, y)

    def column(self, x, y0, y1):
        return self.js("""const c = document.getElementById('strip');
            const d = c.getContext('2d').getImageData(arguments[0], arguments[1], 1, arguments[2] - arguments[1]).data;
            const out = []; for (let i = 0; i < d.length; i += 4) out.push([d[i], d[i+1], d[i+2]]); return out;""",
                       x, y0, y1)

    def screenshot(self, path):
        self.driver.save_screenshot(path)
        print(f"     screenshot {path}")


def near(color, target, tolerance=40):
    return all(abs(a - b) <= tolerance for a, b in zip(color[:3], target))


def maternal(color):
    """A pixel of the MHR trace (#b0306a), also where the line only half covers it: purple-red,
    neither the grid's red nor the alarm band's orange."""
    r, g, b = color[:3]
    return r - g >= 30 and b - g >= 20


def hex_rgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


# ---------------------------------------------------------------- the checks

def check_login(page, ward):
    d = page.driver
    d.get(ward.url("/ward"))
    check(wait_for("login", lambda: d.current_url.endswith("/login"), 5) is not None,
          "a page reached without a session goes to the login")
    page.login(USER, "not the password")
    refused = wait_for("refusal", lambda: d.find_element(By.ID, "message").text, 5)
    check(bool(refused) and d.current_url.endswith("/login"), f"a wrong password is refused ({refused!r})")
    page.login(USER, ward.password)
    check(wait_for("ward", lambda: page.dataset("stream") == "live", 10) is not None, "logged in, the stream is live")


def check_tiles(page, beds):
    tiles = wait_for("tiles", lambda: [t for t in page.tiles() if t["fhr1"] not in ("", "--")] and page.tiles(), 10)
    check(tiles is not None and len(tiles) == beds, f"the ward shows {beds} tiles")
    ids = {t["bed"]: t["id"] for t in tiles or []}
    check(ids == {n: f"SIM-0000-{n:04d}" for n in range(1, beds + 1)},
          f"each tile names the patient its monitor announced ({list(ids.items())[:3]}...)")
    check(all("Testpatient" in t["name"] for t in tiles or []), "the tiles show the announced names")
    before = {t["bed"]: t["fhr1"] for t in tiles or []}
    time.sleep(5)
    after = {t["bed"]: t["fhr1"] for t in page.tiles()}
    changed = sum(1 for bed in before if before[bed] != after.get(bed))
    check(changed >= beds // 2, f"the numbers change ({changed} of {beds} tiles in 5 s)")


def check_geometry(page, layout_program):
    for speed, scale in [(1, 20), (2, 30), (3, 30), (3, 20)]:
        pdf = json.loads(subprocess.check_output([layout_program, str(speed), str(scale)]))
        screen = page.js_async("""const done = arguments[arguments.length - 1];
            import('/strip-layout.js').then(m => {
              const L = m.stripLayout(arguments[0], arguments[1]);
              done({lowestBpm: L.lowestBpm, highestBpm: L.highestBpm, minuteWidth: L.minuteWidth,
                minorSeconds: L.minorSeconds, majorSeconds: L.majorSeconds,
                heartRateHeight: L.heartRateBottom - L.heartRateTop, eventHeight: L.eventBottom - L.eventTop,
                contractionHeight: L.contractionBottom - L.contractionTop,
                clockAboveGrid: L.heartRateTop - L.clockBaseline,
                heartRateLines: m.horizontalLines(L, 'heartRate').map(l => ({value: l.value, y: l.y - L.heartRateTop})),
                contractionLines: m.horizontalLines(L, 'contraction').map(l => ({value: l.value, y: l.y - L.contractionTop}))});
            }, e => done({error: String(e)}));""", speed, scale)
        mismatches = []
        for key in ["lowestBpm", "highestBpm", "minuteWidth", "minorSeconds", "majorSeconds", "heartRateHeight",
                    "eventHeight", "contractionHeight", "clockAboveGrid"]:
            if abs(pdf[key] - screen.get(key, -1e9)) > 1e-6:
                mismatches.append(f"{key} {screen.get(key)} != {pdf[key]}")
        for key in ["heartRateLines", "contractionLines"]:
            ours = [(l["value"], round(l["y"], 6)) for l in screen.get(key, [])]
            theirs = [(l["value"], round(l["y"], 6)) for l in pdf[key]]
            if ours != theirs:
                mismatches.append(f"{key} {ours[:3]} != {theirs[:3]}")
        check(not mismatches, f"the strip's geometry at {speed} cm/min, {scale} bpm/cm is the PDF strip's {mismatches}")


def strip_view(page):
    return page.js("""const c = document.getElementById('strip');
        return {left: Number(c.dataset.left), labelWidth: Number(c.dataset.labelWidth),
                pxPerMs: Number(c.dataset.pxPerMs), width: c.clientWidth, height: c.clientHeight};""")


def check_bed_strip(page, ward, layout_program, bed):
    d = page.driver
    d.find_element(By.CSS_SELECTOR, f'.tile[data-bed="{bed}"] .tile-bed').click()
    check(wait_for("bed", lambda: page.dataset("view") == "bed", 5) is not None, "a tile opens its bed")
    body = d.find_element(By.TAG_NAME, "body")
    body.send_keys("3")
    time.sleep(0.5)
    body.send_keys(Keys.ARROW_LEFT)  # a minute back: the strip stands still
    time.sleep(1.5)
    view = strip_view(page)
    pdf = json.loads(subprocess.check_output([layout_program, "3", "30"]))
    px_per_ms = pdf["minuteWidth"] * PX_PER_CM / 60000
    check(abs(view["pxPerMs"] - px_per_ms) < 1e-12, f"3 cm/min is 3 CSS cm a minute on screen ({view['pxPerMs']})")
    # Grid lines: the major rate line of 120 bpm and the contraction grid's 60.
    y120 = (CLOCK_ROW_CM + [l["y"] for l in pdf["heartRateLines"] if l["value"] == 120][0]) * PX_PER_CM
    x_blank = view["labelWidth"] + 3
    line = page.column(x_blank, int(y120) - 2, int(y120) + 3)
    check(any(near(c, hex_rgb("#e08080"), 30) for c in line), f"the 120 bpm line lies where the PDF strip has it (y {y120:.1f})")
    # A known sample: FHR1 among the last two minutes on screen, a few seconds from its right edge.
    right_ms = (view["left"] + view["width"] - view["labelWidth"]) / px_per_ms - 5000
    known = ward.known_fhr(page, bed, right_ms - 120000, right_ms)
    steady = [t for t in sorted(known) if all(known.get(t + k * 250) is not None for k in (-2, -1, 1, 2))]
    check(bool(steady), "the bed has FHR1 samples on screen")
    if not steady:
        return
    t = steady[len(steady) // 2]
    fhr = known[t]
    x = view["labelWidth"] + round(t * px_per_ms) - view["left"]
    y = (CLOCK_ROW_CM + pdf["heartRateHeight"] - (fhr - pdf["lowestBpm"]) / pdf["bpmPerCm"]) * PX_PER_CM
    window = page.column(x, int(y) - 2, int(y) + 3)
    dark = [c for c in window if max(c) < 90]
    check(bool(dark), f"FHR1 {fhr} at {time.strftime('%H:%M:%S', time.localtime(t / 1000))} is drawn at x {x}, y {y:.1f}")
    far = page.column(x, int(y) + 30, int(y) + 40)
    check(not any(max(c) < 90 for c in far), "and not 30 px lower")


def check_killed_monitor(page, ward, bed):
    """A monitor killed: the communication failure (a medium alarm: whatever it hides builds up
    unseen) in its colour within 6 s, heard, acknowledged from the tile, listed and logged."""
    d = page.driver
    d.get(ward.url("/ward#ward"))
    wait_for("live", lambda: page.dataset("stream") == "live", 10)
    page.driver.find_element(By.ID, "sound").click()
    # The simulated monitors raise alarms of their own: acknowledged, so that only this one sounds.
    page.acknowledge_others(bed)
    check(wait_for("quiet", lambda: page.dataset("sound") == "on", 5) is not None, "the sound is on, quiet")
    started = time.monotonic()
    ward.kill_monitor(bed)

    def failing():
        tile = [t for t in page.tiles() if t["bed"] == bed][0]
        return tile if "no-signal" in tile["cls"] and "alarm-medium" in tile["cls"] else None
    tile = wait_for("failure", failing, 12)
    elapsed = time.monotonic() - started
    check(tile is not None and elapsed <= 6, f"bed {bed}'s killed monitor shows within 6 s ({elapsed:.1f} s): {tile and tile['state']}")
    if tile:
        check(("LINK LOST" in tile["state"] or "NO SIGNAL" in tile["state"]) and "MEDIUM" in tile["state"],
              f"the tile says why ({tile['state']!r})")
        check(tile["footColor"] == "rgb(245, 196, 0)", f"in the medium alarm's colour ({tile['footColor']})")
    check(wait_for("sound", lambda: page.dataset("sound") == "sounding-medium", 3) is not None,
          "the medium alarm sounds")
    page.screenshot(os.path.join(ward.args.out, "ward-alarm.png"))
    d.find_element(By.CSS_SELECTOR, f'.tile[data-bed="{bed}"] .tile-ack').click()
    check(wait_for("paused", lambda: page.acknowledge_others(bed) and page.dataset("sound") == "on", 5) is not None,
          "its acknowledgement pauses the sound")
    d.find_element(By.ID, "alarms-link").click()
    row = wait_for("row", lambda: page.js(
        f"""return [...document.querySelectorAll('#alarm-rows tr')].map(r => r.textContent)
            .find(t => t.includes('Bed {bed}') && t.includes('communication failure') && t.includes('{USER}'))"""), 5)
    check(row is not None, f"the alarm list has bed {bed}'s alarm acknowledged by {USER} ({row!r})")
    acknowledged = wait_for("audit", lambda: [line for line in ward.events().splitlines()
                                              if f'audit: acknowledgement by "{USER}"' in line and
                                              f"of bed {bed}: communication failure" in line], 5)
    check(acknowledged is not None, f"the event log has the acknowledgement {acknowledged}")


def check_stream_loss(page, ward, bed):
    d = page.driver
    d.get(ward.url(f"/ward#bed/{bed}"))
    wait_for("live", lambda: page.dataset("stream") == "live", 10)
    d.find_element(By.TAG_NAME, "body").send_keys("3")
    time.sleep(3)
    had = page.trace(bed, time.time() * 1000 - 60000, time.time() * 1000, "MHR")
    stopped = time.monotonic()
    stop_ms = time.time() * 1000
    ward.stop()
    lost = wait_for("lost", lambda: page.dataset("stream") == "lost" and d.find_element(By.ID, "lost").is_displayed(), 5)
    check(lost is not None and time.monotonic() - stopped < 2.5, f"the page says at once that the stream is lost ({time.monotonic() - stopped:.1f} s)")
    page.screenshot(os.path.join(ward.args.out, "ward-stream-lost.png"))
    time.sleep(max(0.0, 3 - (time.monotonic() - stopped)))
    ward.start()
    started_ms = time.time() * 1000
    check(wait_for("back", lambda: page.dataset("stream") == "live", 15) is not None,
          "and recovers by itself, still logged in")
    time.sleep(4)
    # MHR (never absent in the simulation) must have a trace in every pixel column where the
    # station had the data: each second of the minute before it stopped that it had recorded, and
    # the seconds since its monitors are back.
    view = strip_view(page)
    holes = []
    for ms in [*sorted(had)[::4],
               *range(int(started_ms + 2000), int(time.time() * 1000 - 2000), 1000)]:
        x = view["labelWidth"] + round(ms * view["pxPerMs"]) - view["left"]
        if x < view["labelWidth"]:
            continue
        column = page.column(x, int(CLOCK_ROW_CM * PX_PER_CM), int((CLOCK_ROW_CM + 7) * PX_PER_CM))
        if not any(maternal(c) for c in column):
            holes.append(time.strftime("%H:%M:%S", time.localtime(ms / 1000)))
    check(len(had) > 40 and not holes,
          f"the strip has no hole where the station had the data ({len(had)} samples before) {holes[:5]}")
    page.screenshot(os.path.join(ward.args.out, "bed-after-reconnect.png"))


def check_conflict(args, ward, first, bed):
    second = Page(args, ward, "second")
    try:
        second.login(USER, ward.password)
        wait_for("live", lambda: second.dataset("stream") == "live", 10)
        forms = []
        for page in (first, second):
            page.driver.get(ward.url(f"/ward#bed/{bed}"))
            wait_for("bed", lambda: page.dataset("view") == "bed", 5)
            time.sleep(0.5)
            page.driver.find_element(By.ID, "edit-patient").click()
            wait_for("form", lambda: page.driver.find_element(By.ID, "patient-id").get_attribute("value"), 5)
            forms.append(page)
        for page, name in ((first, "Anna"), (second, "Berta")):
            field = page.driver.find_element(By.ID, "patient-first")
            field.clear()
            field.send_keys(name)
        first.driver.find_element(By.ID, "patient-save").click()
        check(wait_for("saved", lambda: not first.js("return document.getElementById('patient-dialog').open"), 5) is not None,
              "the first correction is saved")
        second.driver.find_element(By.ID, "patient-save").click()
        shown = wait_for("conflict", lambda: second.driver.find_element(By.ID, "patient-conflict").is_displayed() and
                         second.driver.find_element(By.ID, "patient-conflict").text, 5)
        check(shown is not None and "Anna" in shown, f"the second sees the conflict with the record as it stands ({shown!r})")
        message = second.driver.find_element(By.ID, "patient-message").text
        check("Not saved" in message, f"and is told nothing was saved ({message!r})")
        check(second.driver.find_element(By.ID, "patient-save").get_attribute("disabled") is not None,
              "and cannot overwrite it")
        errors = second.console_errors()
        check(not errors, f"the second browser logged no errors {errors[:2]}")
    finally:
        second.close()


@contextlib.contextmanager
def watched_ward(args, beds, who):
    """A station with `beds` simulated beds and a browser page `who` on it; both end afterwards,
    with the station's scratch folder."""
    os.makedirs(args.out, exist_ok=True)
    workdir = tempfile.mkdtemp(prefix="vudoda-browser-")
    ward = Station(args, beds, workdir)
    page = None
    try:
        ward.start()
        page = Page(args, ward, who)
        yield ward, page
    finally:
        if page:
            page.close()
        ward.stop()
        shutil.rmtree(workdir, ignore_errors=True)


def check_full_ward(args):
    """64 beds: every tile draws its trace (their last ten minutes together are more than the
    station queues for one browser at once)."""
    with watched_ward(args, 64, "full") as (ward, page):
        page.login(USER, ward.password)

        def traced():
            counts = page.js("""return [...document.querySelectorAll('.tile-trace')].map(c => {
                const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
                let dark = 0; for (let i = 0; i < d.length; i += 4) if (d[i] < 90 && d[i+1] < 90) ++dark;
                return dark; })""")
            return counts if len(counts) == 64 and min(counts) > 10 else None
        counts = wait_for("traces", traced, 30)
        check(counts is not None, "with 64 beds every tile draws its trace within 30 s")
        page.screenshot(os.path.join(args.out, "ward-64.png"))


def run(args):
    with watched_ward(args, 8, "first") as (ward, page):
        check_login(page, ward)
        check_tiles(page, 8)
        page.screenshot(os.path.join(args.out, "ward.png"))
        check_geometry(page, args.layout)
        check_bed_strip(page, ward, args.layout, 1)
        page.screenshot(os.path.join(args.out, "bed.png"))
        check_killed_monitor(page, ward, 3)
        check_stream_loss(page, ward, 2)
        check_conflict(args, ward, page, 4)
        errors = page.console_errors()
        check(not errors, f"the page logged no errors (a CSP violation is one) {errors[:3]}")
    check_full_ward(args)


def demo(args):
    """Logs in to a station with eight simulated beds and writes the ward's and a bed's
    screenshots once the beds have half a minute of trace."""
    with watched_ward(args, 8, "demo") as (ward, page):
        page.login(USER, ward.password)
        wait_for("tiles", lambda: page.dataset("stream") == "live" and
                 all(t["fhr1"] not in ("", "--") for t in page.tiles()), 15)
        time.sleep(25)
        page.screenshot(os.path.join(args.out, "ward-view.png"))
        page.driver.get(ward.url("/ward#bed/1"))
        wait_for("bed", lambda: page.dataset("view") == "bed" and page.dataset("stream") == "live", 10)
        time.sleep(3)
        page.screenshot(os.path.join(args.out, "ward-view-bed.png"))


def cpu_seconds(root_pid):
    """The CPU time of a process and all its descendants (the browser under its driver)."""
    children = {}
    times = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        children.setdefault(int(fields[1]), []).append(int(entry))
        times[int(entry)] = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    total, todo = 0.0, [root_pid]
    while todo:
        pid = todo.pop()
        total += times.get(pid, 0.0)
        todo += children.get(pid, [])
    return total


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))] if ordered else float("nan")


def measure(args):
    """--beds (64) beds in one browser: each live batch's delay to the canvas (as the page measures
    it: from its last sample's instant, and from the station's taking its packet off the link), the
    browser's CPU on the ward view, the frame rate while a bed's strip is scrolled."""
    with watched_ward(args, args.beds, "measure") as (ward, page):
        page.login(USER, ward.password)
        wait_for("live", lambda: page.dataset("stream") == "live", 15)
        time.sleep(5)
        page.js("for (const list of ['latencies', 'arrivals', 'sinceStation']) window.wardView[list].length = 0")
        root = page.driver.service.process.pid
        cpu, started = cpu_seconds(root), time.monotonic()
        time.sleep(20)
        share = (cpu_seconds(root) - cpu) / (time.monotonic() - started)
        latencies = page.js("return window.wardView.latencies.slice()")
        arrivals = page.js("return window.wardView.arrivals.slice()")
        since_station = page.js("return window.wardView.sinceStation.slice()")
        page.screenshot(os.path.join(args.out, "ward-64.png"))
        print(f"ward view, {args.beds} beds: {len(latencies)} batches drawn; from a batch's last sample to its arrival "
              f"median {percentile(arrivals, 0.5):.0f} ms, p99 {percentile(arrivals, 0.99):.0f} ms, to the canvas "
              f"median {percentile(latencies, 0.5):.0f} ms, p99 {percentile(latencies, 0.99):.0f} ms; from the station's "
              f"taking its packet off the link to the canvas median {percentile(since_station, 0.5):.0f} ms, "
              f"p99 {percentile(since_station, 0.99):.0f} ms; "
              f"browser CPU {100 * share:.1f} % of one core (headless, all its processes)")
        page.driver.get(ward.url("/ward#bed/1"))
        wait_for("bed", lambda: page.dataset("view") == "bed" and page.dataset("stream") == "live", 10)
        time.sleep(3)
        frames = page.js_async("""const done = arguments[arguments.length - 1];
            const canvas = document.getElementById('strip');
            const before = window.wardView.frames;
            const start = performance.now();
            const step = () => {
              canvas.dispatchEvent(new WheelEvent('wheel', {deltaX: -6, cancelable: true}));
              if (performance.now() - start < 3000) requestAnimationFrame(step);
              else done((window.wardView.frames - before) / ((performance.now() - start) / 1000));
            };
            requestAnimationFrame(step);""")
        print(f"a bed's strip scrolled 6 px a frame: {frames:.0f} frames a second")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--demo", action="store_true")
    for name in ["--vudoda", "--out"]:
        parser.add_argument(name, required=True)
    parser.add_argument("--layout")
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    parser.add_argument("--chromedriver", default="/usr/bin/chromedriver")
    parser.add_argument("--measure", action="store_true")
    parser.add_argument("--beds", type=int, default=64, help="how many beds --measure watches")
    args = parser.parse_args()
    missing = [what for what, there in [("python3-selenium", webdriver is not None),
                                        ("chromium", os.access(args.chromium, os.X_OK)),
                                        ("chromium-driver", os.access(args.chromedriver, os.X_OK))] if not there]
    if missing:
        print("the browser needs " + ", ".join(missing) + " (make test and make demo install them)")
        return 0 if args.demo else 1
    if args.demo:
        demo(args)
        return 0
    if args.measure:
        measure(args)
        return 0
    signal.signal(signal.SIGALRM, lambda *_: (_ for _ in ()).throw(TimeoutError("the browser test took too long")))
    signal.alarm(360)
    try:
        run(args)
    except Exception:
        traceback.print_exc()
        FAILURES.append("the test did not run to its end")
    print(f"browser checks: {len(PASSED)} passed, {len(FAILURES)} failed")
    for failure in FAILURES:
        print("failed:", failure)
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
