#!/usr/bin/env python3
"""orvex-web as its readers use it: the real program, started here on a
dictionary made by orvex-db, read in headless Chromium driven by Selenium.
Typing answers at once, permalinks, the keyboard alone, a browser without
JavaScript, and no script from the hostile texts ever runs. It also starts
the program as an operator does (help, mistakes, TLS, stopping) and saves
the screenshots of docs/web/ (light, dark, a phone 360 pixels wide).

    browser_test.py ORVEX_WEB ORVEX_DB SCREENSHOT_FOLDER
"""
import json
import os
import re
import signal
import sqlite3
import ssl
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

from selenium import webdriver
from selenium.common.exceptions import NoAlertPresentException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

WEB, DB_TOOL, SHOTS = sys.argv[1:4]
del sys.argv[1:4]

WORDS = [
    ("CPU", "Central Processing Unit"),
    ("CPUS", "Central Processing Units"),
    ("CPA", "Certified Public Accountant"),
    ("RAM", "Random Access Memory - a ram, the animal"),
    ("ROM", "Read-Only Memory"),
    ("10-10 EZ", "Application for health benefits"),
    ("NATO", "North Atlantic Treaty Organization"),
    ("ATO", "Authority To Operate - Air Tasking Order - Australian Taxation Office"),
]

# Each would change the title or raise the flag if it ever ran.
HOSTILE = [
    "<script>document.title='pwned'</script>",
    "\"><img src=x onerror=\"document.title='pwned'\">",
    "<svg onload=\"document.title='pwned'\"></svg>",
    "</bdi></li></ol><script>window.pwned=1</script>",
    "javascript:document.title='pwned'",
    "nul\x00inside \x1b[31m tab\there",
    "\u05e9\u05dc\u05d5\u05dd \u202eevil\u202c",
    "it's \"quoted\" &amp; &lt;b&gt;",
]


def run(*arguments):
    return subprocess.run([DB_TOOL, *arguments], check=True, capture_output=True, text=True)


class WebProgram:
    """orvex-web started on a free port; stopped with SIGTERM."""

    def __init__(self, *arguments):
        # The access log into a file: a pipe nobody reads would fill and hold the program up.
        self.log = tempfile.TemporaryFile(mode="w+", encoding="utf-8")
        self.process = subprocess.Popen([WEB, *arguments], stdout=self.log, stderr=subprocess.PIPE, text=True)
        line = self.process.stderr.readline()
        found = re.search(r" at (https?://\S+/)$", line.strip())
        if not found:
            self.process.kill()
            raise AssertionError("orvex-web did not start: " + line + self.process.stderr.read())
        self.url = found.group(1)

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        _, err = self.process.communicate(timeout=10)
        self.log.seek(0)
        out = self.log.read()
        self.log.close()
        return self.process.returncode, out, err


def chromium(javascript=True, width=1000, height=900):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    profile = tempfile.mkdtemp(prefix="orvex-chromium-")
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-dev-shm-usage",
                     "--user-data-dir=" + profile, f"--window-size={width},{height}", "--lang=en-US"):
        options.add_argument(argument)
    if not javascript:
        options.add_experimental_option("prefs", {"profile.managed_default_content_settings.javascript": 2})
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.orvex_profile = profile
    return driver


def close(driver):
    driver.quit()
    subprocess.run(["rm", "-rf", driver.orvex_profile], check=False)


class Dictionary:
    def __init__(self):
        self.folder = tempfile.TemporaryDirectory(prefix="orvex-web-")  # goes with the object
        self.path = os.path.join(self.folder.name, "nym2.fdb")
        run("create", self.path)
        words = os.path.join(self.folder.name, "words.tsv")
        with open(words, "w", encoding="utf-8") as file:
            file.writelines(f"{acronym}\t{definition}\n" for acronym, definition in WORDS)
        run("import", words, "--into", self.path)
        # Stored as another tool might: control characters, NUL and all.
        with sqlite3.connect(self.path) as db:
            for number, text in enumerate(HOSTILE):
                db.execute("INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?, ?, 1)",
                           (f"H{number}", text))
            db.execute("INSERT INTO Acronyms (Acronym, Definition, Active) VALUES (?, ?, 1)",
                       ("<SCRIPT>WINDOW.PWNED=1</SCRIPT>", "an acronym that is markup"))


def shown(text):
    """What a page shows of stored text: control characters as their pictures."""
    return "".join(chr(0x2400 + ord(c)) if ord(c) < 0x20 and c not in "\t\n\r" else c for c in text)


class InABrowser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dictionary = Dictionary()
        cls.web = WebProgram("--db", cls.dictionary.path, "--listen", "127.0.0.1:0")
        cls.driver = chromium()

    @classmethod
    def tearDownClass(cls):
        close(cls.driver)
        code, out, _ = cls.web.stop()
        cls.dictionary.folder.cleanup()
        assert code == 0, code
        # One access-log line for each request the browser made.
        assert re.search(r'"GET /api/v1/lookup\?acronym=[^"]*" 200 ', out), out[:2000]

    def wait_for(self, condition, what, timeout=10):
        try:
            return WebDriverWait(self.driver, timeout).until(lambda driver: condition(driver))
        except Exception as error:  # the page, for the failure message
            raise AssertionError(f"{what}; the page shows:\n{self.driver.find_element(By.TAG_NAME, 'body').text}") \
                from error

    def live(self):
        return self.driver.find_element(By.ID, "live").text

    def type_into_box(self, text):
        box = self.driver.find_element(By.ID, "acronym")
        box.clear()
        for letter in text:
            box.send_keys(letter)
            time.sleep(0.05)
        return box

    def test_typing_answers_with_the_entry_the_acronyms_starting_with_it_and_suggestions(self):
        self.driver.get(self.web.url)
        self.type_into_box("cp")
        self.wait_for(lambda d: "Starting with CP" in self.live(), "no acronyms starting with CP")
        listed = [link.text for link in self.driver.find_elements(By.CSS_SELECTOR, "#live ul.acronyms a")]
        self.assertEqual(listed[:3], ["CPA", "CPU", "CPUS"])
        self.driver.find_element(By.ID, "acronym").send_keys("u")
        self.wait_for(lambda d: "Central Processing Unit" in self.live(), "no entry for CPU")
        self.assertIn("Also starting with CPU", self.live())
        self.driver.find_element(By.ID, "acronym").send_keys("x")
        self.wait_for(lambda d: "No definition found for CPUX" in self.live(), "no miss for CPUX")
        self.assertIn("Did you mean", self.live())
        self.assertEqual(self.driver.find_elements(By.CSS_SELECTOR, "#live .suggestions a")[0].text, "CPU")
        # The same letters, punctuation and spaces aside.
        self.type_into_box("1010ez")
        self.wait_for(lambda d: "10-10 EZ" in self.live(), "no suggestion 10-10 EZ for 1010EZ")

    def test_a_permalink_shows_the_entry_with_its_meanings_as_a_list(self):
        self.driver.get(self.web.url)
        self.type_into_box("ato")
        link = self.wait_for(lambda d: d.find_element(By.LINK_TEXT, "Link to this entry"), "no permalink")
        link.click()
        self.wait_for(lambda d: d.current_url.endswith("/a/ATO"), "the permalink was not followed")
        meanings = [item.text for item in self.driver.find_elements(By.CSS_SELECTOR, "main ol.meanings li")]
        self.assertEqual(meanings, ["Authority To Operate", "Air Tasking Order", "Australian Taxation Office"])
        self.assertEqual(self.driver.title, "ATO \u2013 Orvex")

    def test_the_keyboard_alone_finds_an_acronym_and_browses_by_letter(self):
        self.driver.get(self.web.url)
        actions = webdriver.ActionChains(self.driver)
        for _ in range(5):
            actions.send_keys(Keys.TAB).perform()
            if self.driver.switch_to.active_element.get_attribute("id") == "acronym":
                break
        self.assertEqual(self.driver.switch_to.active_element.get_attribute("id"), "acronym")
        actions.send_keys("rom").perform()
        actions.send_keys(Keys.ENTER).perform()
        self.wait_for(lambda d: d.current_url.endswith("/a/ROM"), "Enter did not find ROM")
        self.assertIn("Read-Only Memory", self.driver.find_element(By.ID, "main").text)
        # On to the letter R of the browsing list, and into it.
        for _ in range(60):
            actions.send_keys(Keys.TAB).perform()
            if self.driver.switch_to.active_element.text == "R":
                break
        self.assertEqual(self.driver.switch_to.active_element.text, "R")
        actions.send_keys(Keys.ENTER).perform()
        self.wait_for(lambda d: "prefix=R" in d.current_url, "Enter did not browse R")
        self.assertIn("RAM", self.driver.find_element(By.ID, "main").text)
        # The focus shows where it is.
        actions.send_keys(Keys.TAB).perform()
        outline = self.driver.execute_script(
            "return getComputedStyle(document.activeElement).outlineStyle")
        self.assertEqual(outline, "solid")

    def test_inputs_are_labelled_and_the_page_has_its_landmarks(self):
        self.driver.get(self.web.url + "a/RAM")
        unlabelled = self.driver.execute_script(
            "return [...document.querySelectorAll('input')].filter(i => i.labels.length === 0).map(i => i.id)")
        self.assertEqual(unlabelled, [])
        for selector in ("html[lang]", "header", "main", "nav[aria-label]", "form[role=search]", "#live[aria-live]"):
            self.assertTrue(self.driver.find_elements(By.CSS_SELECTOR, selector), selector)

    def test_no_script_from_the_hostile_texts_runs_and_each_is_shown_as_text(self):
        pages = [f"a/H{number}" for number in range(len(HOSTILE))]
        pages += ["search?q=" + urllib.request.quote("<script>"), "browse?prefix=%3C",
                  "a/" + urllib.request.quote("<script>window.pwned=1</script>")]
        for page in pages:
            self.driver.get(self.web.url + page)
            self.assertNotEqual(self.driver.title, "pwned", page)
            self.assertIsNone(self.driver.execute_script("return window.pwned"), page)
            with self.assertRaises(NoAlertPresentException):
                self.driver.switch_to.alert.text
        for number, text in enumerate(HOSTILE):
            self.driver.get(self.web.url + f"a/H{number}")
            meaning = self.driver.find_element(By.CSS_SELECTOR, "main p.meaning bdi")
            self.assertEqual(meaning.get_attribute("textContent"), shown(text), number)
        # Typed into the box, the hostile acronym goes through the script's path.
        self.driver.get(self.web.url)
        self.type_into_box("<script>window.pwned=1</script>")
        self.wait_for(lambda d: "an acronym that is markup" in self.live(), "the markup acronym was not found")
        self.assertIsNone(self.driver.execute_script("return window.pwned"))
        # Nothing was even tried: the policy never had to stop a script.
        refused = [entry["message"] for entry in self.driver.get_log("browser")
                   if "Content Security Policy" in entry["message"]]
        self.assertEqual(refused, [])

    def test_screenshots_light_dark_and_a_phone_360_pixels_wide(self):
        os.makedirs(SHOTS, exist_ok=True)
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                    {"width": 900, "height": 640, "deviceScaleFactor": 1, "mobile": False})
        for scheme in ("light", "dark"):
            self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia",
                                        {"features": [{"name": "prefers-color-scheme", "value": scheme}]})
            self.driver.get(self.web.url)
            self.type_into_box("cpu")
            self.wait_for(lambda d: "Also starting with CPU" in self.live(), "no answer to screenshot")
            background = self.driver.execute_script("return getComputedStyle(document.body).backgroundColor")
            self.assertEqual(background, "rgb(236, 236, 236)" if scheme == "light" else "rgb(32, 33, 36)")
            self.driver.save_screenshot(os.path.join(SHOTS, f"web-{scheme}.png"))
        self.driver.execute_cdp_cmd("Emulation.setEmulatedMedia",
                                    {"features": [{"name": "prefers-color-scheme", "value": "light"}]})
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                    {"width": 360, "height": 740, "deviceScaleFactor": 2, "mobile": True})
        self.driver.get(self.web.url + "a/ATO")
        # Readable without scrolling sideways.
        self.assertLessEqual(self.driver.execute_script("return document.documentElement.scrollWidth"), 360)
        self.driver.save_screenshot(os.path.join(SHOTS, "web-phone.png"))
        self.driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


class WithoutJavaScript(unittest.TestCase):
    def test_the_forms_find_search_and_browse_on_their_own(self):
        dictionary = Dictionary()
        web = WebProgram("--db", dictionary.path, "--listen", "127.0.0.1:0")
        driver = chromium(javascript=False)
        try:
            driver.get(web.url)
            driver.find_element(By.ID, "acronym").send_keys("  cpu ", Keys.ENTER)
            WebDriverWait(driver, 10).until(lambda d: d.current_url.endswith("/a/CPU"))
            self.assertEqual(driver.find_element(By.CSS_SELECTOR, "main .meaning").text, "Central Processing Unit")
            self.assertEqual(driver.find_element(By.ID, "live").text, "")
            driver.find_element(By.ID, "words").send_keys("memory", Keys.ENTER)
            WebDriverWait(driver, 10).until(lambda d: "/search?q=memory" in d.current_url)
            self.assertEqual([term.text for term in driver.find_elements(By.CSS_SELECTOR, "dl.results dt")],
                             ["RAM", "ROM"])
            driver.find_element(By.LINK_TEXT, "N").click()
            WebDriverWait(driver, 10).until(lambda d: "prefix=N" in d.current_url)
            self.assertIn("NATO", driver.find_element(By.ID, "main").text)
        finally:
            close(driver)
            web.stop()
            dictionary.folder.cleanup()


class AsAnOperatorStartsIt(unittest.TestCase):
    def test_help_mistakes_and_a_port_in_use(self):
        shown_help = subprocess.run([WEB, "--help"], capture_output=True, text=True)
        self.assertEqual(shown_help.returncode, 0)
        self.assertIn("--listen ADDRESS:PORT", shown_help.stdout)
        wrong = subprocess.run([WEB, "--listen", "everywhere"], capture_output=True, text=True)
        self.assertEqual(wrong.returncode, 2)
        self.assertIn("listen takes ADDRESS:PORT", wrong.stderr)
        dictionary = Dictionary()
        first = WebProgram("--db", dictionary.path, "--listen", "127.0.0.1:0")
        try:
            taken = subprocess.run([WEB, "--db", dictionary.path, "--listen", first.url[7:-1]], capture_output=True,
                                   text=True, timeout=20)
            self.assertEqual(taken.returncode, 1)
            self.assertIn("cannot listen at 127.0.0.1", taken.stderr)
        finally:
            code, _, err = first.stop()
            dictionary.folder.cleanup()
        self.assertEqual(code, 0)
        self.assertIn("orvex-web: stopped", err)

    def test_tls_natively_with_a_certificate_and_key(self):
        folder = tempfile.TemporaryDirectory(prefix="orvex-tls-")
        key, certificate = os.path.join(folder.name, "key.pem"), os.path.join(folder.name, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                        "/CN=localhost", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out",
                        certificate], check=True, capture_output=True)
        dictionary = Dictionary()
        web = WebProgram("--db", dictionary.path, "--listen", "127.0.0.1:0", "--tls-cert", certificate,
                         "--tls-key", key)
        try:
            self.assertTrue(web.url.startswith("https://127.0.0.1:"))
            context = ssl.create_default_context(cafile=certificate)
            with urllib.request.urlopen(web.url + "api/v1/lookup?acronym=cpu", context=context) as answer:
                self.assertEqual(json.load(answer)["definition"], "Central Processing Unit")
            # Plain HTTP gets nowhere on that port.
            with self.assertRaises(OSError):
                urllib.request.urlopen(web.url.replace("https", "http") + "healthz", timeout=5)
        finally:
            web.stop()
            dictionary.folder.cleanup()
            folder.cleanup()


if __name__ == "__main__":
    unittest.main(verbosity=2)
