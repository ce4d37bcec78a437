// The sources stay the truth: a change saved by a text editor shows in the page; an edit made
// against a file that changed on disk is refused, the page takes the file as it is and says so;
// a source with an error is shown with it and is not edited.
import { test, after, before } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import { Show } from "./support/show.mjs";
import { openPage, waitForEditor } from "./support/browser.mjs";
import { zoomTo, keyPoint, drag, until, saveAsEditorsDo } from "./support/page_actions.mjs";

let show, browser, page, errors;
before(async () => {
  show = await Show.start({ fromRow: 1280 });
  ({ browser, page, errors } = await openPage(show.url));
  await waitForEditor(page);
  await zoomTo(page, 1344, 2);
});
after(async () => {
  if (browser) await browser.close();
  if (show) await show.stop();
});

const yawAt = (row) => page.evaluate((r) => duskEditor.model.track("camera", "cam_Yaw")?.keys.find((k) => k.row === r)?.value, row);

test("a key changed in a text editor appears in the page", async () => {
  const file = show.trackSource("camera");
  const text = fs.readFileSync(file, "utf8");
  saveAsEditorsDo(file, text.replace(/^1600(\s+)185(\s+)catmull/m, "1600$1123.25$2catmull"));
  await page.waitForFunction(() => duskEditor.model.track("camera", "cam_Yaw").keys.find((k) => k.row === 1600).value === 123.25);
});

test("an edit of a file that changed on disk is refused, reloaded and told", async () => {
  const file = show.trackSource("camera");
  // The page stops hearing about changes, so it holds an old version when the file changes.
  await page.evaluate(() => { duskEditor.net.handlers.files = () => {}; });
  const text = fs.readFileSync(file, "utf8");
  const changed = text.replace(/^1664(\s+)215(\s+)catmull/m, "1664$1216$2catmull");
  saveAsEditorsDo(file, changed);
  assert.equal(await yawAt(1664), 215);
  const from = await keyPoint(page, "camera", "cam_Yaw", 1344);
  await drag(page, from, { x: from.x, y: from.y - 30 });
  await page.waitForFunction(() => /changed on disk/.test(document.getElementById("notice").textContent));
  await page.waitForFunction(() => duskEditor.model.track("camera", "cam_Yaw").keys.find((k) => k.row === 1664).value === 216);
  assert.equal(await yawAt(1344), -35, "the refused edit is not shown");
  assert.equal(fs.readFileSync(file, "utf8"), changed);
  assert.equal(await page.evaluate(() => duskEditor.history.undoStack.length), 0);
  await page.evaluate(() => { duskEditor.net.handlers.files = () => duskEditor.reloadTracks(); });
});

test("a key added by a double-click; then the source gets an error: it is shown, and undo does not write", async () => {
  const file = show.trackSource("post");
  // Every group folded but post's, so its lanes are in view.
  await page.click("#fold-all");
  await page.waitForFunction(() => duskEditor.laneNames().length === 0);
  const header = await page.evaluate(() => {
    const group = duskEditor.view.layout().find((i) => i.type === "group" && i.file.name === "post");
    const rect = duskEditor.canvas.getBoundingClientRect();
    return { x: rect.left + 40, y: rect.top + group.y + group.h / 2 };
  });
  await page.mouse.click(header.x, header.y);
  await page.waitForFunction(() => duskEditor.laneNames().length > 0 && duskEditor.laneNames().every((l) => l.startsWith("post/")));
  const lane = await page.evaluate(() => {
    const item = duskEditor.view.layout().find((i) => i.type === "lane" && i.file.name === "post");
    const rect = duskEditor.canvas.getBoundingClientRect();
    return { track: item.track.name, x: Math.round(rect.left + duskEditor.view.rowToX(1350)), y: Math.round(rect.top + item.y + item.h / 2) };
  });
  const before = fs.readFileSync(file, "utf8");
  await page.mouse.click(lane.x, lane.y, { clickCount: 2 });
  await page.waitForFunction((t) => duskEditor.model.track("post", t).keys.some((k) => k.row === 1350), {}, lane.track);
  await until("the added key's line in post.txt", () => /^1350\s/m.test(fs.readFileSync(file, "utf8")));
  const added = fs.readFileSync(file, "utf8");
  assert.equal(added.split("\n").length, before.split("\n").length + 1);

  const broken = added + "\nthis is not a key\n";
  saveAsEditorsDo(file, broken);
  await page.waitForFunction(() => duskEditor.model.file("post").error);
  assert.match(await page.evaluate(() => duskEditor.model.file("post").error), /post\.txt:[0-9]+/);
  await page.keyboard.down("Control");
  await page.keyboard.press("z");
  await page.keyboard.up("Control");
  await page.waitForFunction(() => /has an error/.test(document.getElementById("notice").textContent));
  assert.equal(fs.readFileSync(file, "utf8"), broken);
  assert.deepEqual(errors, []);
});
