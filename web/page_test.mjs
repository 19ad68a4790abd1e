// The page in headless chromium against a real "kivano serve": a model
// dropped in and unfolded, its pages and PDF counted by the report and by
// pdfinfo, the linked views checked by the pixels of the 3-D canvas, a
// bad model's error compared with the command line's, the option form as
// the server's option table makes it, and the faults a new user met: a
// typed size, a model dropped during a job, Enter in a field, pages left
// unmarked after an option changed.
// Usage: node page_test.mjs KIVANO_EXE EXAMPLES_DIR BAD_MODEL [BUNNY]
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { basename, dirname, join } from 'node:path';
import assert from 'node:assert/strict';
import { startServer, launchBrowser, dropFiles, apiFetch } from './harness.mjs';

const [exe, examples, badModel, bunny = ''] = process.argv.slice(2);
const scratch = mkdtempSync(join(tmpdir(), 'kivano-page-'));

// The 3-D canvas as RGBA bytes.
function canvasPixels(page) {
  return page.evaluate(() => {
    const source = document.getElementById('view3d');
    const copy = document.createElement('canvas');
    copy.width = source.width;
    copy.height = source.height;
    const context = copy.getContext('2d');
    context.drawImage(source, 0, 0);
    return { width: copy.width, height: copy.height, data: Array.from(context.getImageData(0, 0, copy.width, copy.height).data) };
  });
}

const checks = [];
function check(name, fn) {
  checks.push({ name, fn });
}

let state = {};

// The 3-D view once a model shows in it and it stops changing (a texture
// arrives after its model).
async function settledPixels(page) {
  let last = await canvasPixels(page);
  for (let tries = 0; tries < 60; tries++) {
    await page.waitForTimeout(150);
    const now = await canvasPixels(page);
    const background = now.data.slice(0, 4);
    let drawn = 0;
    for (let i = 0; i < now.data.length; i += 4) if (now.data[i] !== background[0] || now.data[i + 1] !== background[1]) drawn++;
    if (drawn > 0.01 * now.data.length / 4 && now.data.every((v, i) => v === last.data[i])) return now;
    last = now;
  }
  return last;
}

function changedPixels(a, b) {
  let changed = 0;
  for (let i = 0; i < a.data.length; i += 4) {
    if (Math.abs(a.data[i] - b.data[i]) + Math.abs(a.data[i + 1] - b.data[i + 1]) + Math.abs(a.data[i + 2] - b.data[i + 2]) > 60) changed++;
  }
  return changed;
}

check('a dropped figure unfolds into as many pages as its report counts, its texture kept in view', async (page, url) => {
  await dropFiles(page, ['figure.obj', 'figure.mtl', 'figure_face.png'].map((f) => join(examples, f)));
  const previewed = await settledPixels(page);
  // Its size on paper shows before it is unfolded, and is the size it prints at.
  const sizes = (await page.textContent('#model-size')).match(/On paper: ([\d.,]+) × ([\d.,]+) × ([\d.,]+) mm/);
  assert.ok(sizes, await page.textContent('#model-size'));
  const largest = Math.max(...sizes.slice(1).map((v) => Number(v.replace(/,/g, ''))));
  await page.click('#unfold');
  await page.waitForFunction(() => document.getElementById('summary').textContent !== '' || document.getElementById('error').textContent !== '');
  assert.equal(await page.textContent('#error'), '');
  // The unfolded model is the model as it was, textures and all, until a
  // net is pointed at.
  const unfolded = await settledPixels(page);
  const changed = changedPixels(previewed, unfolded);
  assert.ok(changed < 0.01 * previewed.data.length / 4, `${changed} pixels of the 3-D view changed with the unfolding`);
  const pdf = await page.getAttribute('#download-pdf', 'href');
  const job = pdf.replace(/\/sheet\.pdf$/, '');
  state.report = (await (await apiFetch(url, token, job)).json()).report;
  state.faces = (await (await apiFetch(url, token, `${job}/faces`)).json()).faces;
  assert.ok(state.report.pages > 0);
  assert.ok(Math.abs(largest - state.report.model_extent_mm) <= 0.01 * largest, `the page said ${largest} mm, the sheet is ${state.report.model_extent_mm} mm`);
  assert.equal(await page.locator('.sheet-page').count(), state.report.pages);
  assert.match(await page.textContent('#summary'), new RegExp(`${state.report.nets} nets? on ${state.report.pages} pages?`));
});

check('an option changed after unfolding marks the pages out of date; the SVG links open the pages', async (page) => {
  assert.ok(await page.isHidden('#stale'));
  const link = page.locator('#download-svgs a').first();
  assert.equal(await link.getAttribute('target'), '_blank');
  assert.equal(await link.getAttribute('download'), null);
  const lug = page.locator('#lug-width');
  const before = await lug.inputValue();
  await lug.fill('5');
  assert.ok(await page.isVisible('#stale'));
  assert.match(await page.getAttribute('#pages', 'class'), /out-of-date/);
  await lug.fill(before);
});

check('a size typed into "largest extent" is the model\'s size on paper, with nothing else to tick', async (page, url) => {
  await page.fill('#height', '123');
  assert.equal(await page.inputValue('#scale'), '');
  assert.match(await page.textContent('#model-size'), /\b123 mm/);
  await page.click('#unfold');
  await page.waitForFunction(() => document.getElementById('summary').textContent !== '');
  const job = (await page.getAttribute('#download-pdf', 'href')).replace(/\/sheet\.pdf$/, '');
  const report = (await (await apiFetch(url, token, job)).json()).report;
  assert.ok(Math.abs(report.model_extent_mm - 123) < 0.01, `the model is ${report.model_extent_mm} mm on paper`);
  await page.fill('#height', '');
  await page.fill('#scale', '1');
  await page.click('#unfold');
  await page.waitForFunction(() => document.getElementById('summary').textContent !== '');
});

check('the downloaded PDF has the pages the report counts', async (page) => {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download-pdf')]);
  const file = join(scratch, 'sheet.pdf');
  await download.saveAs(file);
  const info = execFileSync('pdfinfo', [file], { encoding: 'utf8' });
  assert.equal(Number(info.match(/Pages:\s+(\d+)/)[1]), state.report.pages);
});

// A PDF without the moment it was made.
function pdfBytes(buffer) {
  return Buffer.from(buffer).toString('latin1').replace(/\/CreationDate \([^)]*\)/, '');
}

// The number of edits the pages shown have been through.
async function shownVersion(page) {
  return Number((await page.getAttribute('.sheet-page img', 'src')).match(/v=(\d+)/)[1]);
}

// Clicks the middle of an edge (its two corners) where it prints first;
// true when the sheet changed, false when the edit was refused in words.
async function clickEdgeOf(page, api, corners, shift = false) {
  const version = await shownVersion(page);
  const faces = (await (await api('/faces')).json()).faces;
  const key = [...corners].sort((a, b) => a - b).join(',');
  let at = null;
  for (const f of faces) for (let k = 0; k < 3 && !at; k++) {
    if ([f.corners[k], f.corners[(k + 1) % 3]].sort((a, b) => a - b).join(',') === key) {
      const [a, b] = [f.paper[k], f.paper[(k + 1) % 3]];
      at = { page: f.page, p: [(a[0] + b[0]) / 2, (a[1] + b[1]) / 2] };
    }
  }
  assert.ok(at, `edge ${key} prints nowhere`);
  const sheet = page.locator(`.sheet-page[data-page="${at.page}"]`);
  await sheet.scrollIntoViewIfNeeded();
  const box = await sheet.boundingBox();
  const size = await page.evaluate((n) => {
    const v = document.querySelector(`.sheet-page[data-page="${n}"] svg.overlay`).viewBox.baseVal;
    return [v.width, v.height];
  }, at.page);
  const x = box.x + at.p[0] / size[0] * box.width, y = box.y + at.p[1] / size[1] * box.height;
  await page.mouse.move(x, y);
  assert.ok(await page.locator('svg.overlay line.edge').count() >= 1, `edge ${key} does not light up`);
  if (shift) await page.keyboard.down('Shift');
  await page.mouse.click(x, y);
  if (shift) await page.keyboard.up('Shift');
  await page.waitForFunction((v) => !document.getElementById('edit-note').hidden ||
    document.querySelector('.sheet-page img')?.src.endsWith(`v=${v}`), version + 1);
  return page.isHidden('#edit-note');
}

// The editing checks work on the bunny where the sample models are at hand
// (a real model of 3,674 triangles), else on the figure.
check('the model to edit unfolds, at the size its warning suggests', async (page, url) => {
  state.model = join(examples, 'figure.obj');
  if (!existsSync(bunny)) return console.log(`  (${bunny} is not here: the figure is edited)`);
  state.model = bunny;
  await dropFiles(page, [bunny]);
  await page.click('#unfold');
  await page.waitForFunction(() => document.getElementById('summary').textContent !== '' || document.getElementById('error').textContent !== '');
  assert.equal(await page.textContent('#error'), '');
  // At its own size its edges are too short for numbers: the warning says
  // so in the form's words, and its suggestion is a button that unfolds
  // the model again at the size suggested.
  const warning = (await page.locator('#warnings li').allTextContents()).find((w) => /numbers need room/.test(w));
  const size = Number(warning.match(/“largest extent” ([\d,]+) mm/)[1].replace(/,/g, ''));
  // The other way, fewer triangles at this size, is a button too, and the
  // size shown before unfolding offers the same budget.
  const budget = warning.match(/“simplify to” ([\d,]+) triangles at the current size/)[1];
  assert.equal(await page.locator(`#suggestions button:has-text("“simplify to” ${budget} triangles")`).count(), 1, warning);
  assert.equal(await page.textContent('#use-faces'), `Simplify to ${budget} triangles`);
  const shown = await page.getAttribute('#download-pdf', 'href');
  await page.click(`#suggestions button:has-text("${size.toLocaleString('en')} mm")`);
  await page.waitForFunction((p) => document.getElementById('summary').textContent !== '' &&
    document.getElementById('download-pdf').getAttribute('href') !== p, shown);
  const report = (await (await apiFetch(url, token, (await page.getAttribute('#download-pdf', 'href')).replace(/\/sheet\.pdf$/, ''))).json()).report;
  assert.ok(Math.abs(report.model_extent_mm - size) < 0.01, `unfolded at ${report.model_extent_mm} mm, not ${size}`);
  assert.ok(!report.warnings.some((w) => /numbers need room/.test(w)), report.warnings.join('\n'));
  assert.ok(await page.locator('.sheet-page').count() >= 2);
});

check('clicking a cut edge on the sheet joins its two nets, a join that cannot be is refused next to the pointer, clicking a fold cuts it, Shift+click moves a tab; Undo gives back the first sheet to the byte', async (page, url) => {
  const job = (await page.getAttribute('#download-pdf', 'href')).replace(/\/sheet\.pdf$/, '');
  const api = async (path) => apiFetch(url, token, `${job}${path}`);
  const firstPdf = pdfBytes(await (await api('/sheet.pdf')).arrayBuffer());
  const project = await (await api('/project')).json();
  const netsShown = async () => Number((await page.textContent('#summary')).match(/^(\d+) nets?/)[1]);
  const nets = await netsShown();
  const clickEdge = (corners, shift = false) => clickEdgeOf(page, api, corners, shift);

  let steps = 0;  // edits made and not undone
  const undo = async () => {
    const version = await shownVersion(page);
    await page.click('#undo');
    await page.waitForFunction((v) => document.querySelector('.sheet-page img')?.src.endsWith(`v=${v}`), version + 1);
    steps--;
  };
  // A fold whose cut parts its net: the count rises by one (a slit is undone).
  let parted = null;
  for (const edge of project.edges.filter((e) => e.fold)) {
    assert.ok(await clickEdge(edge.corners), 'cutting a fold was refused');
    steps++;
    if (await netsShown() === nets + 1) {
      parted = edge;
      break;
    }
    await undo();
  }
  assert.ok(parted, 'no fold parts its net');
  // A cut edge between two nets joins them: the count falls by one. Joins
  // that cannot be are refused in words; those that close a slit inside a
  // net are undone. Where no edge of the model joins two of its nets (the
  // figure's boxes each fold whole), the edge just cut joins back.
  let joined = null, refusal = null;
  const cut = project.edges.filter((e) => !e.fold).slice(0, 20);
  for (const edge of [...cut, parted]) {
    if (joined && refusal) break;
    if (edge === parted && joined) continue;
    if (!await clickEdge(edge.corners)) {
      refusal ??= await page.textContent('#edit-note');
      continue;
    }
    steps++;
    if (!joined && await netsShown() === nets) joined = edge;
    else await undo();
  }
  assert.ok(joined, 'no cut edge joins two nets');
  assert.match(refusal ?? '', /^[A-Za-z].* [a-z]+/, 'no join was refused in words');
  // A tab moves where the other side has room for it.
  let tabbed = null;
  for (const edge of project.edges.filter((e) => !e.fold && e.tab && e !== joined).slice(0, 20)) {
    if (await clickEdge(edge.corners, true)) {
      tabbed = edge;
      break;
    }
  }
  assert.ok(tabbed, 'no tab could be moved');
  steps++;
  const now = (await (await api('/project')).json()).edges.find((e) => e.corners.join() === tabbed.corners.join());
  assert.notDeepEqual(now.tab, tabbed.tab);
  while (steps > 0) await undo();
  assert.equal(pdfBytes(await (await api('/sheet.pdf')).arrayBuffer()), firstPdf);
  assert.equal(await page.getAttribute('#save-project', 'href'), `${job}/project`);
  const saved = await (await api('/project')).json();
  assert.deepEqual(saved.edges, project.edges);
});

check('a net dragged onto a later page moves there and stays there, turns there by its handle; Undo takes both back', async (page, url) => {
  const job = (await page.getAttribute('#download-pdf', 'href')).replace(/\/sheet\.pdf$/, '');
  const api = async (path) => (await apiFetch(url, token, `${job}${path}`)).json();
  const { faces, pages } = await api('/faces');
  const project = await api('/project');
  assert.ok(pages.length >= 2);
  // The smallest net of page 1, and a spot on the last page where its box meets no face.
  const boxOf = (list) => list.reduce((b, f) => f.paper.reduce((c, [x, y]) => [Math.min(c[0], x), Math.min(c[1], y), Math.max(c[2], x), Math.max(c[3], y)], b), [Infinity, Infinity, -Infinity, -Infinity]);
  const nets = [...new Set(faces.filter((f) => f.page === 1).map((f) => f.net))];
  const byArea = nets.map((n) => ({ n, box: boxOf(faces.filter((f) => f.net === n)) }))
    .sort((a, b) => (a.box[2] - a.box[0]) * (a.box[3] - a.box[1]) - (b.box[2] - b.box[0]) * (b.box[3] - b.box[1]));
  const { n: net, box } = byArea[0];
  const w = box[2] - box[0], h = box[3] - box[1];
  // The last page with room for it: a packed sheet may have none on its very last.
  let spot = null, last = pages.length;
  for (; last >= 2 && !spot; last--) {
    const taken = faces.filter((f) => f.page === last).map((f) => boxOf([f]));
    for (let y = 15; y + h < pages[last - 1].height - 25 && !spot; y += 2) for (let x = 15; x + w < pages[last - 1].width - 15 && !spot; x += 2) {
      if (taken.every((t) => x + w + 6 < t[0] || t[2] + 6 < x || y + h + 6 < t[1] || t[3] + 6 < y)) spot = [x, y];
    }
  }
  last++;
  assert.ok(spot, 'no page after the first has room for the smallest net of page 1');
  const face = faces.find((f) => f.page === 1 && f.net === net);
  const grab = [(face.paper[0][0] + face.paper[1][0] + face.paper[2][0]) / 3, (face.paper[0][1] + face.paper[1][1] + face.paper[2][1]) / 3];
  const drop = [spot[0] + grab[0] - box[0], spot[1] + grab[1] - box[1]];
  const screen = async (n, p) => {
    const b = await page.locator(`.sheet-page[data-page="${n}"]`).boundingBox();
    return [b.x + p[0] / pages[n - 1].width * b.width, b.y + p[1] / pages[n - 1].height * b.height];
  };
  await page.setViewportSize({ width: 1400, height: 200 + 850 * last });  // every page in view
  const version = (await page.getAttribute('.sheet-page img', 'src')).match(/v=(\d+)/)[1];
  const [gx, gy] = await screen(1, grab);
  const [dx, dy] = await screen(last, drop);
  await page.mouse.move(gx, gy);
  await page.mouse.down();
  await page.mouse.move((gx + dx) / 2, (gy + dy) / 2, { steps: 5 });
  await page.mouse.move(dx, dy, { steps: 5 });
  await page.mouse.up();
  await page.waitForFunction((v) => !document.getElementById('edit-note').hidden ||
    !document.querySelector('.sheet-page img').src.endsWith(`v=${v}`), version);
  assert.equal(await page.textContent('#edit-note'), '', `the move of net ${net} to page ${last} at ${drop} was refused: ${await page.textContent('#edit-note')}`);
  const moved = (await api('/project')).nets.find((p) => p.number === net);
  assert.equal(moved.page, last);
  assert.equal(moved.pinned, true);
  const before = project.nets.find((p) => p.number === net);
  assert.ok(Math.abs(moved.x - before.x - (drop[0] - grab[0])) < 1.5 && Math.abs(moved.y - before.y - (drop[1] - grab[1])) < 1.5,
    `net ${net} went to ${moved.x}, ${moved.y}`);
  // Picked where it now lies, it turns by its handle, in steps of 15°.
  const there = (await api('/faces')).faces.find((f) => f.net === net);
  const [px, py] = await screen(last, there.paper.reduce((c, q) => [c[0] + q[0] / 3, c[1] + q[1] / 3], [0, 0]));
  await page.mouse.click(px, py);
  const knob = page.locator(`.sheet-page[data-page="${last}"] svg.overlay g.turn circle`);
  const k = await knob.boundingBox();
  const centre = await page.evaluate((n) => {
    const line = document.querySelector(`.sheet-page[data-page="${n}"] svg.overlay g.turn line`);
    return [line.x1.baseVal.value, line.y1.baseVal.value];
  }, last);
  const [cx, cy] = await screen(last, centre);
  const [kx, ky] = [k.x + k.width / 2, k.y + k.height / 2];
  const radius = Math.hypot(kx - cx, ky - cy), angle = Math.atan2(ky - cy, kx - cx) + 33 * Math.PI / 180;
  const turnedFrom = (await api('/project')).nets.find((p) => p.number === net).turn;
  let shownSrc = await page.getAttribute('.sheet-page img', 'src');
  await page.mouse.move(kx, ky);
  await page.mouse.down();
  await page.mouse.move(cx + radius * Math.cos(angle), cy + radius * Math.sin(angle), { steps: 8 });
  await page.mouse.up();
  await page.waitForFunction((v) => !document.getElementById('edit-note').hidden ||
    document.querySelector('.sheet-page img').getAttribute('src') !== v, shownSrc);
  assert.equal(await page.textContent('#edit-note'), '', `the turn of net ${net} was refused`);
  const turned = (await api('/project')).nets.find((p) => p.number === net).turn;
  assert.ok(Math.abs(((turned - turnedFrom - 30) % 360 + 540) % 360 - 180) < 0.01, `net ${net} turned from ${turnedFrom}° to ${turned}°, not by 30°`);
  for (const step of ['turn', 'move']) {
    shownSrc = await page.getAttribute('.sheet-page img', 'src');
    await page.click('#undo');
    await page.waitForFunction((b) => document.querySelector('.sheet-page img').getAttribute('src') !== b, shownSrc);
  }
  assert.equal((await api('/project')).nets.find((p) => p.number === net).page, 1);
  await page.setViewportSize({ width: 1400, height: 900 });
});

check('a saved project goes on after a reload; opened with its model it prints what the command line prints from it', async (page, url) => {
  const jobOf = async () => (await page.getAttribute('#download-pdf', 'href')).replace(/\/sheet\.pdf$/, '');
  const job = await jobOf();
  const api = async (path) => apiFetch(url, token, `${job}${path}`);
  const fold = (await (await api('/project')).json()).edges.find((e) => e.fold);
  assert.ok(await clickEdgeOf(page, api, fold.corners), 'cutting a fold was refused');
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save-project')]);
  const stem = basename(state.model).replace(/\.[^.]*$/, '');
  assert.equal(download.suggestedFilename(), `${stem}.kivano.json`);
  const saved = join(scratch, `${stem}.kivano.json`);
  await download.saveAs(saved);
  const project = JSON.parse(readFileSync(saved, 'utf8'));
  assert.equal(project.edges.find((e) => e.corners.join() === fold.corners.join()).fold, false);

  const sameEdges = async (shown) => assert.deepEqual((await (await apiFetch(url, token, `${shown}/project`)).json()).edges, project.edges);
  const shownAfter = async (previous) => {
    await page.waitForFunction((p) => document.getElementById('summary').textContent !== '' &&
      document.getElementById('download-pdf').getAttribute('href') !== p, `${previous}/sheet.pdf`);
    return jobOf();
  };
  await page.reload();
  const goneOn = await shownAfter(job);
  assert.ok((await page.textContent('#chosen')).includes(basename(state.model)));
  await sameEdges(goneOn);

  await page.setInputFiles('#open-project', saved);
  const opened = await shownAfter(goneOn);
  await sameEdges(opened);
  const served = pdfBytes(await (await apiFetch(url, token, `${opened}/sheet.pdf`)).arrayBuffer());
  const cliPdf = join(scratch, 'cli.pdf');
  const cli = spawnSync(exe, ['unfold', basename(state.model), '--project', saved, '-o', cliPdf], { cwd: dirname(state.model), encoding: 'utf8' });
  assert.equal(cli.status, 0, `${cli.signal ?? ''} ${cli.error ?? ''} ${cli.stderr}`);
  assert.ok(served === pdfBytes(readFileSync(cliPdf)), 'the opened project prints another PDF than the command line');
  state.faces = (await (await apiFetch(url, token, `${opened}/faces`)).json()).faces;
});

check('pointing at a net highlights it in the 3-D view, clicking there names it; an edge pointed at on the sheet shows on the model', async (page) => {
  // the largest net of page 1, which the view shows from the front
  const sizes = new Map();
  for (const f of state.faces) if (f.page === 1) sizes.set(f.net, (sizes.get(f.net) ?? 0) + 1);
  const largest = [...sizes].sort((a, b) => b[1] - a[1])[0][0];
  const face = state.faces.find((f) => f.page === 1 && f.net === largest);
  const [a, b, c] = face.paper;
  const centre = [(a[0] + b[0] + c[0]) / 3, (a[1] + b[1] + c[1]) / 3];
  const sheet = page.locator('.sheet-page').first();
  await sheet.scrollIntoViewIfNeeded();
  const box = await sheet.boundingBox();
  const size = await page.evaluate(() => {
    const img = document.querySelector('.sheet-page svg.overlay').viewBox.baseVal;
    return [img.width, img.height];
  });
  const before = await canvasPixels(page);
  await page.mouse.move(box.x + (centre[0] / size[0]) * box.width, box.y + (centre[1] / size[1]) * box.height);
  const after = await canvasPixels(page);
  const changed = [];
  for (let i = 0; i < before.data.length; i += 4) {
    if (Math.abs(before.data[i] - after.data[i]) + Math.abs(before.data[i + 1] - after.data[i + 1]) + Math.abs(before.data[i + 2] - after.data[i + 2]) > 60) changed.push(i / 4);
  }
  assert.ok(changed.length > 50, `${changed.length} pixels of the 3-D view changed`);
  // A highlighted pixel lies on the net pointed at: a click there must name
  // it (one inside the lit area, not on its rim, where the next net is a
  // pixel away).
  const lit = new Set(changed);
  const w = before.width;
  const pixel = changed.find((i) => [-3, 0, 3].every((dy) => [-3, 0, 3].every((dx) => lit.has(i + dy * w + dx)))) ??
    changed[Math.floor(changed.length / 2)];
  const canvasBox = await page.locator('#view3d').boundingBox();
  const scale = canvasBox.width / before.width;
  await page.mouse.move(0, 0);
  await page.mouse.click(canvasBox.x + ((pixel % before.width) + 0.5) * scale, canvasBox.y + (Math.floor(pixel / before.width) + 0.5) * scale);
  assert.equal(await page.textContent('#picked'), `Net ${face.net}, page ${face.page}`);
  assert.equal(await page.locator('.sheet-page.picked').getAttribute('data-page'), String(face.page));

  // An edge pointed at on the sheet shows on the model too.
  await page.mouse.move(0, 0);
  const plain = await canvasPixels(page);
  const [e0, e1] = [face.paper[0], face.paper[1]];
  await page.mouse.move(box.x + ((e0[0] + e1[0]) / 2 / size[0]) * box.width, box.y + ((e0[1] + e1[1]) / 2 / size[1]) * box.height);
  assert.ok(await page.locator('svg.overlay line.edge').count() >= 1);
  const lined = await canvasPixels(page);
  let drawn = 0;
  for (let i = 0; i < plain.data.length; i += 4) {
    const [r, g, b] = [lined.data[i], lined.data[i + 1], lined.data[i + 2]];
    const moved = Math.abs(r - plain.data[i]) + Math.abs(g - plain.data[i + 1]) + Math.abs(b - plain.data[i + 2]) > 60;
    if (moved && b > 150 && r < 110 && b > g + 40) drawn++;
  }
  assert.ok(drawn >= 3, `the edge shows on ${drawn} pixels of the model`);
});

check('the keyboard turns the model, walks the nets with Tab and picks one with Enter; after Unfold the focus stays on the page', async (page) => {
  await page.locator('#view3d').scrollIntoViewIfNeeded();
  await page.mouse.move(0, 0);
  await page.focus('#view3d');
  const before = await canvasPixels(page);
  await page.keyboard.press('ArrowLeft');
  assert.ok(changedPixels(before, await canvasPixels(page)) > 100, 'the arrow key did not turn the model');
  await page.focus('#pages');
  await page.keyboard.press('Tab');
  const first = await page.textContent('#picked');
  assert.match(first, /^Net \d+, page \d+: Enter picks it$/);
  await page.keyboard.press('Tab');
  const second = (await page.textContent('#picked')).match(/^Net (\d+), page (\d+): Enter picks it$/);
  assert.ok(second && second[0] !== first, await page.textContent('#picked'));
  await page.keyboard.press('Enter');
  assert.equal(await page.textContent('#picked'), `Net ${second[1]}, page ${second[2]}`);
  assert.equal(await page.locator('.sheet-page.picked').getAttribute('data-page'), second[2]);
  const shown = await page.getAttribute('#download-pdf', 'href');
  await page.focus('#unfold');
  await page.keyboard.press('Enter');
  await page.waitForFunction((p) => document.getElementById('summary').textContent !== '' &&
    document.getElementById('download-pdf').getAttribute('href') !== p, shown);
  assert.notEqual(await page.evaluate(() => document.activeElement.tagName), 'BODY');
});

check('a net tiled across pages lights up on every tile; a click on a page names its net; pointing at the model lights its net on the pages', async (page, url) => {
  await dropFiles(page, ['figure.obj', 'figure.mtl', 'figure_face.png'].map((f) => join(examples, f)));
  await page.fill('#page-width', '100');
  await page.fill('#page-height', '100');
  await page.fill('#margin', '5');
  await page.click('#unfold');
  await page.waitForFunction(() => document.getElementById('summary').textContent !== '');
  const job = (await page.getAttribute('#download-pdf', 'href')).replace(/\/sheet\.pdf$/, '');
  const faces = (await (await apiFetch(url, token, `${job}/faces`)).json()).faces;
  const tiled = faces.find((f) => f.tiles && f.tiles.length);
  assert.ok(tiled, 'no net of the figure is tiled on 100 mm pages');
  // The warnings say so in the form's words, not the command line's.
  const warnings = await page.locator('#warnings li').allTextContents();
  assert.ok(warnings.some((w) => /tiled/.test(w) && /“limit nets to the page”/.test(w)), warnings.join('\n'));
  assert.ok(warnings.every((w) => !/--|objects/.test(w)), warnings.join('\n'));
  const size = async (n) => page.evaluate((n) => {
    const box = document.querySelector(`.sheet-page[data-page="${n}"] svg.overlay`).viewBox.baseVal;
    return [box.width, box.height];
  }, n);
  const pointAtTriangle = async (n, paper) => {
    const sheet = page.locator(`.sheet-page[data-page="${n}"]`);
    await sheet.scrollIntoViewIfNeeded();
    const box = await sheet.boundingBox();
    const [w, h] = await size(n);
    const c = [(paper[0][0] + paper[1][0] + paper[2][0]) / 3, (paper[0][1] + paper[1][1] + paper[2][1]) / 3];
    return [box.x + (c[0] / w) * box.width, box.y + (c[1] / h) * box.height];
  };
  for (const { page: n, paper } of [{ page: tiled.page, paper: tiled.paper }, ...tiled.tiles]) {
    const [x, y] = await pointAtTriangle(n, paper);
    await page.mouse.move(x, y);
    for (const shown of [tiled.page, ...tiled.tiles.map((t) => t.page)]) {
      const lit = await page.locator(`.sheet-page[data-page="${shown}"] svg.overlay polygon`).count();
      assert.ok(lit > 0, `pointing at net ${tiled.net} on page ${n} lights nothing on page ${shown}`);
    }
    await page.mouse.click(x, y);
    assert.equal(await page.textContent('#picked'), `Net ${tiled.net}, page ${n}`);
  }
  await page.mouse.move(0, 0);
  await page.mouse.click(0, 0);
  // The middle of the 3-D view shows the model: pointing there lights a net.
  const view = await page.locator('#view3d').boundingBox();
  await page.locator('#view3d').scrollIntoViewIfNeeded();
  await page.mouse.move(view.x + view.width / 2, view.y + view.height / 2);
  await page.waitForFunction(() => document.querySelectorAll('.sheet-page svg.overlay polygon').length > 0);
  await page.mouse.move(0, 0);
  // A page given one side only is said in the form's words and starts nothing.
  await page.fill('#page-width', '');
  await page.click('#unfold');
  assert.equal(await page.textContent('#error'), '“Size”: give both the width and the height.');
  await page.selectOption('#page-preset', 'A4');
  await page.fill('#margin', '10');
});

check('the sheet zooms in and out, by buttons and Ctrl+wheel, and to a whole page; from 390 to 2560 px wide both views have room', async (page) => {
  const sheet = page.locator('.sheet-page').first();
  const width = async () => (await sheet.boundingBox()).width;
  const start = await width();
  await page.click('#zoom-in');
  assert.ok(await width() > 1.2 * start);
  await page.click('#zoom-out');
  assert.ok(Math.abs(await width() - start) < 2);
  const view = await page.locator('#pages').boundingBox();
  await page.mouse.move(view.x + view.width / 2, view.y + view.height / 2);
  await page.keyboard.down('Control');
  await page.mouse.wheel(0, -300);
  await page.keyboard.up('Control');
  await page.waitForFunction((w) => document.querySelector('.sheet-page').getBoundingClientRect().width > 1.2 * w, start);
  await page.click('#zoom-fit');
  const fitted = await sheet.boundingBox();
  assert.ok(fitted.height <= view.height && fitted.y >= view.y - 1, `a fitted page is ${fitted.height} px tall in a view of ${view.height}`);
  for (const [w, h] of [[390, 844], [800, 600], [1280, 800], [2560, 1440]]) {
    await page.setViewportSize({ width: w, height: h });
    await page.click('#zoom-in');
    await page.click('#zoom-out');
    const model = await page.locator('#view3d').boundingBox();
    const pages = await page.locator('#pages').boundingBox();
    assert.ok(model.width >= 300 && model.height >= 200, `at ${w}×${h} the 3-D view is ${model.width}×${model.height}`);
    assert.ok(pages.width >= 300 && pages.height >= 300, `at ${w}×${h} the sheet is ${pages.width}×${pages.height}`);
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth) <= w, `at ${w} px the page is wider than the window`);
  }
  await page.setViewportSize({ width: 1400, height: 900 });
  await page.click('#zoom-fit');
});

check('a bad model shows the command line\'s error', async (page) => {
  const cli = spawnSync(exe, ['unfold', basename(badModel), '-o', join(scratch, 'bad.pdf')], { cwd: dirname(badModel), encoding: 'utf8' });
  const line = cli.stderr.trim().split('\n').pop().replace(/^kivano: error: /, '');
  assert.notEqual(cli.status, 0);
  await page.setInputFiles('#model-input', badModel);
  await page.click('#unfold');
  await page.waitForFunction(() => document.getElementById('error').textContent !== '');
  assert.equal(await page.textContent('#error'), line);
  assert.equal(await page.locator('.sheet-page').count(), 0);
});

check('Cancel stops a running job and frees the page; the token leaves the address bar', async (page) => {
  assert.equal(new URL(page.url()).search, '');
  await page.setInputFiles('#model-input', slowGrid());
  await page.selectOption('#pieces', 'fewest');
  await page.click('#unfold');
  await firstStep(page);
  await page.click('#cancel');
  await page.waitForFunction(() => document.getElementById('progress').textContent === 'Cancelled.');
  assert.ok(await page.isEnabled('#unfold'));
  assert.ok(await page.isHidden('#cancel'));
  await page.selectOption('#pieces', 'default');
});

// Until the job tells its first step. Beside other tests on two cores that
// has taken over a minute after a cancelled job; where it takes longer still,
// what the page said instead tells where it stood (uploading, queued).
async function firstStep(page) {
  try {
    await page.waitForFunction(() => document.getElementById('progress').textContent.startsWith('Step'), null, { timeout: 180000 });
  } catch (err) {
    throw new Error(`${err.message}; the page said "${await page.textContent('#progress')}"`);
  }
}

// A grid the fewest-pieces unfolding takes seconds over.
function slowGrid() {
  const n = 120;
  const lines = [];
  for (let i = 0; i <= n; i++) for (let j = 0; j <= n; j++) lines.push(`v ${i} ${j} ${((i * 7 + j * 3) % 5) * 0.1}`);
  for (let i = 0; i < n; i++) for (let j = 0; j < n; j++) {
    const a = i * (n + 1) + j + 1;
    lines.push(`f ${a} ${a + n + 1} ${a + n + 2} ${a + 1}`);
  }
  const grid = join(scratch, 'grid.obj');
  writeFileSync(grid, lines.join('\n'));
  return grid;
}

check('a model dropped while a job runs cancels that job, and only the new model\'s sheet shows; progress is told in words', async (page, url) => {
  const posted = [];
  page.on('response', async (response) => {
    if (response.request().method() === 'POST' && response.url().endsWith('/api/jobs')) posted.push((await response.json()).id);
  });
  await page.setInputFiles('#model-input', slowGrid());
  await page.selectOption('#pieces', 'fewest');
  await page.click('#unfold');
  await firstStep(page);
  const progress = await page.textContent('#progress');
  await page.selectOption('#pieces', 'default');
  await dropFiles(page, ['figure.obj', 'figure.mtl', 'figure_face.png'].map((f) => join(examples, f)));
  assert.ok(await page.isHidden('#cancel'));
  assert.equal(await page.textContent('#progress'), '');
  await page.click('#unfold');
  // Under the sanitizers, beside other tests on two cores, the figure's job
  // has taken over a minute.
  await page.waitForFunction(() => document.getElementById('summary').textContent !== '' || document.getElementById('error').textContent !== '', null, { timeout: 180000 });
  assert.equal(await page.textContent('#error'), '');
  assert.equal(posted.length, 2);
  const shownJob = (await page.getAttribute('#download-pdf', 'href')).replace(/\/sheet\.pdf$/, '');
  assert.equal(shownJob, `/api/jobs/${posted[1]}`);
  assert.equal((await (await apiFetch(url, token, shownJob)).json()).model, 'figure.obj');
  let first;
  for (let tries = 0; tries < 50 && first !== 'cancelled'; tries++) {
    first = (await (await apiFetch(url, token, `/api/jobs/${posted[0]}`)).json()).state;
    if (first !== 'cancelled') await page.waitForTimeout(100);
  }
  assert.equal(first, 'cancelled');
  assert.ok(await page.isEnabled('#unfold'));
  assert.match(progress, /^Step \d+ of \d+: [A-Z][a-z ]+…$/);
});

check('Enter in a number field starts no job', async (page) => {
  let posts = 0;
  const count = (request) => { if (request.method() === 'POST' && request.url().endsWith('/api/jobs')) posts++; };
  page.on('request', count);
  await page.focus('#lug-width');
  await page.keyboard.press('Enter');
  await page.waitForTimeout(500);
  page.off('request', count);
  assert.equal(posts, 0);
  assert.equal(await page.textContent('#progress'), '');
});

// The made-up option stands for any the command gains: the page must show
// and send it with nothing written for it.
check('the form is the server\'s option table: an added option, a typed page size and an excluded pair go out as shown', async (page) => {
  const added = { name: 'glue-colour', type: 'number', label: 'glue colour', unit: '%', default: 50, min: 0, max: 100 };
  // The page goes on with its last project after a reload; this test wants the bare form.
  await page.evaluate(() => new Promise((resolve) => {
    const request = indexedDB.open('kivano', 1);
    request.onsuccess = () => {
      const work = request.result.transaction('work', 'readwrite');
      work.objectStore('work').clear();
      work.oncomplete = resolve;
    };
  }));
  let table;
  await page.route('**/api/options', async (route) => {
    const response = await route.fetch();
    table = await response.json();
    table.groups.at(-1).options.push(added);
    await route.fulfill({ response, json: table });
  });
  await page.reload();
  const field = page.locator('#glue-colour');
  assert.deepEqual([await field.getAttribute('min'), await field.getAttribute('max'), await field.inputValue()], ['0', '100', '50']);
  assert.match(await page.locator('label', { has: field }).textContent(), /glue colour\s+%/);
  await field.fill('70');

  const all = table.groups.flatMap((group) => group.options);
  const paper = all.find((o) => o.type === 'page');
  const shown = await page.inputValue(`#${paper.name}-preset`);
  const preset = paper.presets.find((p) => p.value !== shown);
  await page.fill(`#${paper.name}-width`, String(preset.size[0]));
  await page.fill(`#${paper.name}-height`, String(preset.size[1]));
  assert.equal(await page.inputValue(`#${paper.name}-preset`), preset.value);
  const pair = all.find((o) => o.excludes);
  await page.fill(`#${pair.excludes}`, '2');
  await page.fill(`#${pair.name}`, '3');
  assert.equal(await page.inputValue(`#${pair.excludes}`), '');

  let sent;
  await page.route('**/api/jobs', async (route) => {
    const request = route.request();
    const form = await new Response(request.postDataBuffer(), { headers: request.headers() }).formData();
    sent = JSON.parse(form.get('options'));
    await route.abort();
  });
  await page.setInputFiles('#model-input', join(examples, 'figure.obj'));
  await page.click('#unfold');
  await page.waitForFunction(() => document.getElementById('error').textContent !== '');
  await page.unrouteAll();
  await page.reload();
  assert.equal(sent['glue-colour'], 70);
  assert.equal(sent[paper.name], preset.value);
  assert.equal(sent[pair.name], 3);
  assert.ok(!(pair.excludes in sent), `${pair.excludes} is sent beside ${pair.name}`);
});


const { server, url, token } = await startServer(exe);
const browser = await launchBrowser();
let failed = 0;
try {
  const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
  page.setDefaultTimeout(60000);
  await page.goto(url);
  for (const { name, fn } of checks) {
    try {
      await fn(page, url);
      console.log(`ok: ${name}`);
    } catch (e) {
      failed++;
      const at = (e.stack ?? '').split('\n').find((line) => line.includes('page_test.mjs')) ?? '';
      console.log(`FAILED: ${name}\n  ${e.message}\n  ${at.trim()}`);
    }
  }
} finally {
  await browser.close();
  const stopped = new Promise((resolve) => server.on('exit', resolve));
  server.kill('SIGTERM');
  const code = await stopped;
  if (code !== 0) {
    failed++;
    console.log(`FAILED: the server did not stop cleanly on SIGTERM (${code})`);
  }
  rmSync(scratch, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
