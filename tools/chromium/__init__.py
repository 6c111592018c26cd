"""Debian's Chromium, headless and driven through its DevTools protocol by Debian's Selenium and
chromedriver, on a static site served from a folder on localhost. The designer's browser tests,
its benchmark and its screenshot share it."""

import functools
import http.server
import pathlib
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

# A profile of its own and nothing fetched but the page: no updates, sync, QUIC or first-run
# pages. The machines that run the tests have no display and may run as root.
FLAGS = ("headless=new", "no-sandbox", "disable-gpu", "disable-quic", "no-first-run",
         "disable-background-networking", "disable-component-update", "disable-sync",
         "hide-scrollbars")


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    """Serves folder from a thread on a free port; returns the server and the site's address."""
    handler = functools.partial(QuietHandler, directory=str(folder))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, f"http://127.0.0.1:{server.server_port}/"


def start(work, width, height):
    """A headless Chromium with its profile in work/profile, which saves downloads to
    work/downloads without asking; quit() ends it."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in FLAGS + (f"user-data-dir={work}/profile", f"window-size={width},{height}"):
        options.add_argument("--" + flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                           {"behavior": "allow", "downloadPath": f"{work}/downloads"})
    return driver


class PageCase(unittest.TestCase):
    """Test cases that share one served site and one browser: SITE is the folder to serve; the
    class gets server, url, work (a temporary folder), driver and downloads."""
    SITE = None

    @classmethod
    def setUpClass(cls):
        cls.server, cls.url = serve(cls.SITE)
        cls.work = tempfile.TemporaryDirectory()
        cls.driver = start(cls.work.name, 1400, 1000)
        cls.downloads = pathlib.Path(cls.work.name) / "downloads"

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.shutdown()
        cls.work.cleanup()

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def until(self, condition, what):
        """Waits up to 30 s, for a machine busy with builds, for condition() to hold."""
        for _ in range(600):
            if condition():
                return
            time.sleep(0.05)
        self.fail(f"the page never showed {what}")
