// What the tests do on the page and read from it: real mouse and keys at the places the page
// says its keys are, and the page's own view of the show.
import fs from "node:fs";

// Track names of a source, in file order, as the page must list them.
export function trackNamesIn(file) {
  return fs.readFileSync(file, "utf8").split("\n").map((l) => l.replace(/#.*/, "").trim().split(/\s+/))
    .filter((w) => w[0] === "track").map((w) => w[1]);
}

// Zooms with the wheel around a row until a row spans at least minPx pixels.
export async function zoomTo(page, row, minPx) {
  for (let i = 0; i < 12; ++i) {
    const view = await page.evaluate(() => ({ px: duskEditor.view.pxPerRow }));
    if (view.px >= minPx) return;
    const x = await page.evaluate((r) => duskEditor.canvas.getBoundingClientRect().left + duskEditor.view.rowToX(r), row);
    await page.mouse.move(x, 300);
    await page.mouse.wheel({ deltaY: -300 });
    await page.waitForFunction((px) => duskEditor.view.pxPerRow > px, {}, view.px);
  }
  throw new Error("the wheel did not zoom in");
}

export async function keyPoint(page, file, track, row) {
  const point = await page.evaluate((f, t, r) => duskEditor.keyPoint(f, t, r), file, track, row);
  if (!point) throw new Error(`${file}/${track} key at row ${row} is not on screen`);
  return point;
}

export async function drag(page, from, to, { steps = 8, modifiers = [] } = {}) {
  for (const m of modifiers) await page.keyboard.down(m);
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move(to.x, to.y, { steps });
  await page.mouse.up();
  for (const m of modifiers) await page.keyboard.up(m);
}

// A point on the ruler's tick row at a row (whole pixels, as mouse events have them: zoom in so
// that a row spans a few pixels when the exact row matters).
export async function rulerPoint(page, row) {
  return page.evaluate((r) => {
    const rect = duskEditor.canvas.getBoundingClientRect();
    return { x: Math.round(rect.left + duskEditor.view.rowToX(r)), y: Math.round(rect.top + 32) };
  }, row);
}

// Polls a condition in node (files on disk) until it holds.
export async function until(what, condition, timeoutMs = 60000) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const value = await condition();
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

// Saved as text editors do: a temporary file beside it, renamed over it.
export function saveAsEditorsDo(file, text) {
  const temporary = file + ".tmp~";
  fs.writeFileSync(temporary, text);
  fs.renameSync(temporary, file);
}
