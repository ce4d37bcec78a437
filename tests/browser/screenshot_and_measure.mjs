// By hand, under a display (xvfb-run -a -s "-screen 0 1920x1080x24" node screenshot_and_measure.mjs):
// the page with the real production for docs/editor.png, and its figures: frames a second with
// every group open, the time from the end of a drag to the show's changed value (the show at its
// automatic render scale), and the size of the page's code.
import fs from "node:fs";
import path from "node:path";
import { Show } from "./support/show.mjs";
import { openPage, waitForEditor } from "./support/browser.mjs";
import { zoomTo, keyPoint, drag, rulerPoint } from "./support/page_actions.mjs";

const top = path.resolve(path.dirname(new URL(import.meta.url).pathname), "../..");
const show = await Show.start({ fromRow: 1380, renderScale: null });
const { browser, page, errors } = await openPage(show.url, { width: 1600, height: 1000 });
try {
  await waitForEditor(page);
  // The show times its first frames before it settles on a scale: measure after that.
  const scale = await show.waitForOutput(/Render scale [^\n]*/, 180000);
  console.log(`show: ${scale[0]}`);

  // Frame rate with every lane open, the playhead moving.
  const frames = async (ms) => {
    const before = await page.evaluate(() => duskEditor.frames);
    const t0 = Date.now();
    await new Promise((r) => setTimeout(r, ms));
    return ((await page.evaluate(() => duskEditor.frames)) - before) / ((Date.now() - t0) / 1000);
  };
  console.log(`page: ${(await frames(5000)).toFixed(1)} frames/s, whole show in view, ${await page.evaluate(() => duskEditor.laneNames().length)} lanes open`);
  await zoomTo(page, 1400, 1.5);
  console.log(`page: ${(await frames(5000)).toFixed(1)} frames/s, zoomed to the breakdown`);

  // Drag to the show's value, five times: the show held at row 1344, the key there dragged up.
  await page.keyboard.press("Space");
  await page.waitForFunction(() => duskEditor.state.paused === true);
  const at = await rulerPoint(page, 1344);
  await page.mouse.click(at.x, at.y);
  await page.waitForFunction(() => duskEditor.state.row === 1344);
  const times = [];
  for (let i = 0; i < 5; ++i) {
    const from = await keyPoint(page, "camera", "cam_Yaw", 1344);
    await page.evaluate(() => { window.dragEnded = null; window.addEventListener("mouseup", () => { window.dragEnded = performance.now(); }, { once: true }); });
    await drag(page, from, { x: from.x, y: from.y - 12 });
    const value = await page.evaluate(() => duskEditor.model.track("camera", "cam_Yaw").keys.find((k) => k.row === 1344).value);
    await page.waitForFunction((v) => Math.abs(duskEditor.state.values.cam_Yaw - v) < 1e-3 * Math.max(1, Math.abs(v)), {}, value);
    times.push(await page.evaluate(() => performance.now() - window.dragEnded));
    await page.waitForFunction(() => !duskEditor.history.isPending("camera"));
  }
  times.sort((a, b) => a - b);
  console.log(`drag to the show's value: median ${times[2].toFixed(0)} ms (${times.map((t) => t.toFixed(0)).join(", ")})`);
  // Back to the file as it was, then the picture for the README: the orbit in the breakdown.
  for (let i = 0; i < 5; ++i) {
    await page.keyboard.down("Control");
    await page.keyboard.press("z");
    await page.keyboard.up("Control");
    await page.waitForFunction(() => !duskEditor.history.isPending("camera"));
  }
  await page.waitForFunction(() => duskEditor.state.values.cam_Yaw === -35);
  await page.mouse.click(...Object.values(await keyPoint(page, "camera", "cam_Yaw", 1408)));
  await page.waitForFunction(() => document.getElementById("key-row").value === "1408");
  await page.mouse.move(10, 10);
  const out = path.join(top, "docs/editor.png");
  await page.screenshot({ path: out });
  console.log(`screenshot: ${path.relative(top, out)}`);

  const dir = path.join(top, "libraries/fw/editor");
  let bytes = 0, lines = 0;
  const code = fs.readdirSync(dir).filter((f) => /\.(js|html|css)$/.test(f));
  for (const f of code) {
    const text = fs.readFileSync(path.join(dir, f), "utf8");
    bytes += Buffer.byteLength(text);
    lines += text.split("\n").length - 1;
  }
  console.log(`page code: ${code.length} files, ${lines} lines, ${(bytes / 1024).toFixed(1)} KiB`);
  if (errors.length) console.log(`page errors: ${errors.join("; ")}`);
} finally {
  await browser.close();
  await show.stop();
}
