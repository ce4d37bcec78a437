// Debian's chromium, headless, driven by puppeteer-core (no browser of its own is downloaded).
import puppeteer from "puppeteer-core";
import { execFileSync } from "node:child_process";

export function chromiumPath() {
  const name = process.env.DUSK_CHROMIUM || "chromium";
  return execFileSync("sh", ["-c", `command -v "${name}"`], { encoding: "utf8" }).trim();
}

// A browser and one page at the given size; the page's errors fail the caller through `errors`.
export async function openPage(url, { width = 1600, height = 1000 } = {}) {
  const browser = await puppeteer.launch({
    executablePath: chromiumPath(),
    headless: true,
    // Root in CI has no user namespace for the sandbox; /dev/shm may be small in containers.
    args: ["--no-sandbox", "--disable-dev-shm-usage", `--window-size=${width},${height}`],
    defaultViewport: { width, height },
    protocolTimeout: 240000,
  });
  const page = await browser.newPage();
  const errors = [];
  page.on("pageerror", (e) => errors.push(String(e)));
  // A refused edit (409) is the browser's console line, not the page's fault; every other
  // failed load (a page file refused or missing) is.
  page.on("console", (m) => { if (m.type() === "error" && !/status of 409/.test(m.text())) errors.push(m.text()); });
  page.setDefaultTimeout(120000);
  await page.goto(url, { waitUntil: "load" });
  return { browser, page, errors };
}

// Waits until the page has its lanes from the show and a state over the WebSocket.
export async function waitForEditor(page) {
  await page.waitForSelector('#status[data-state="running"]');
  await page.waitForFunction(() => window.duskEditor && window.duskEditor.laneNames().length > 0 && window.duskEditor.state.row !== null);
}
