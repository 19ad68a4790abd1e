// The page of "kivano serve": a model in, its sheet out, both views linked
// through the job's faces (each triangle with its net, page and place on it).
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { OBJLoader } from 'three/addons/loaders/OBJLoader.js';
import { MTLLoader } from 'three/addons/loaders/MTLLoader.js';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
import { STLLoader } from 'three/addons/loaders/STLLoader.js';
import { PLYLoader } from 'three/addons/loaders/PLYLoader.js';
import { TDSLoader } from 'three/addons/loaders/TDSLoader.js';

const $ = (id) => document.getElementById(id);
const HIGHLIGHT = new THREE.Color(1.0, 0.45, 0.05);

let files = [];
let job = null;  // {id, faces, pages, byNet}
let running = null;  // the id of the job this page waits for
let events = null;  // that job's event stream

// The address kivano serve printed carries its token; the server has set it
// as a cookie for this page's requests, so it leaves the address bar, and
// with it screenshots and the history.
if (new URLSearchParams(location.search).has('token')) history.replaceState(null, '', location.pathname);

// ---- 3-D view ---------------------------------------------------------------

const canvas = $('view3d');
// The drawing buffer stays readable, so scripts and tests can look at it.
const renderer = new THREE.WebGLRenderer({ canvas, antialias: true, preserveDrawingBuffer: true });
renderer.setPixelRatio(window.devicePixelRatio);
const scene = new THREE.Scene();
scene.background = new THREE.Color(0xf4f6f8);
const camera = new THREE.PerspectiveCamera(40, 1, 0.01, 1000);
camera.position.set(0, 0, 5);
scene.add(new THREE.HemisphereLight(0xffffff, 0x667788, 2.2));
const sun = new THREE.DirectionalLight(0xffffff, 1.2);
camera.add(sun);
sun.position.set(1, 2, 3);
scene.add(camera);
const controls = new OrbitControls(camera, canvas);
controls.addEventListener('change', render);
let shown = null;  // the object in view
let previewed = null;  // the model as the browser read it, with its own materials and textures
let nets = null;  // the job's triangles, one per face of the faces file, in view after a job
let netsOverModel = false;  // the triangles lie over `previewed`, clear but for the net pointed at

function render() {
  renderer.render(scene, camera);
}

function resize() {
  const { clientWidth: w, clientHeight: h } = canvas;
  if (!w || !h) return;
  renderer.setSize(w, h, false);
  camera.aspect = w / h;
  camera.updateProjectionMatrix();
  render();
}
new ResizeObserver(resize).observe(canvas);

function show(object) {
  if (shown) scene.remove(shown);
  shown = object;
  scene.add(object);
  frame();
}

// The whole model in view, from the front and a little above, whatever the
// canvas's shape.
function frame() {
  if (!shown) return;
  const up = $('up-axis').value === 'z' ? new THREE.Vector3(0, 0, 1) : new THREE.Vector3(0, 1, 0);
  camera.up.copy(up);
  const box = new THREE.Box3().setFromObject(shown);
  const centre = box.getCenter(new THREE.Vector3());
  const radius = Math.max(box.getSize(new THREE.Vector3()).length() / 2, 1e-6);
  const vertical = THREE.MathUtils.degToRad(camera.fov);
  const horizontal = 2 * Math.atan(Math.tan(vertical / 2) * camera.aspect);
  const distance = (radius / Math.sin(Math.min(vertical, horizontal) / 2)) * 1.05;
  const front = up.z ? new THREE.Vector3(0.5, -1, 0.35) : new THREE.Vector3(0.5, 0.35, 1);
  camera.near = distance / 100;
  camera.far = distance * 10;
  camera.position.copy(centre).add(front.normalize().multiplyScalar(distance));
  camera.updateProjectionMatrix();
  controls.target.copy(centre);
  controls.update();
  render();
}
$('up-axis').addEventListener('change', frame);

// The keyboard turns the model: arrow keys round its middle, + and − nearer
// and farther.
const KEY_TURN = THREE.MathUtils.degToRad(10);
canvas.tabIndex = 0;
canvas.setAttribute('aria-label', 'the model in 3-D: arrow keys turn it, + and − zoom');
canvas.addEventListener('keydown', (e) => {
  if (!shown) return;
  const offset = camera.position.clone().sub(controls.target);
  const right = new THREE.Vector3().crossVectors(camera.up, offset).normalize();
  if (e.key === 'ArrowLeft' || e.key === 'ArrowRight') offset.applyAxisAngle(camera.up, e.key === 'ArrowLeft' ? -KEY_TURN : KEY_TURN);
  else if (e.key === 'ArrowUp' || e.key === 'ArrowDown') {
    const turned = offset.clone().applyAxisAngle(right, e.key === 'ArrowUp' ? -KEY_TURN : KEY_TURN);
    // not over the top, where the view would flip
    if (Math.abs(turned.clone().normalize().dot(camera.up)) < 0.98) offset.copy(turned);
  } else if (e.key === '+' || e.key === '=') offset.multiplyScalar(0.85);
  else if (e.key === '-') offset.multiplyScalar(1 / 0.85);
  else return;
  e.preventDefault();
  camera.position.copy(controls.target).add(offset);
  controls.update();
  render();
});

// The model as the browser reads it, before any unfolding; the companion
// files (MTL, textures, buffers) are found among the chosen files.
async function preview() {
  const model = files.find((f) => !/\.(mtl|png|jpe?g|bmp|tga|gif|tiff?|bin|webp)$/i.test(f.name));
  if (!model) return;
  const urls = new Map(files.map((f) => [f.name, URL.createObjectURL(f)]));
  const manager = new THREE.LoadingManager();
  manager.setURLModifier((url) => urls.get(decodeURIComponent(url.split('/').pop())) ?? url);
  const ext = model.name.split('.').pop().toLowerCase();
  const url = urls.get(model.name);
  const solid = (geometry) => {
    geometry.computeVertexNormals();
    return new THREE.Mesh(geometry, new THREE.MeshLambertMaterial({ color: 0xb8c4d0, side: THREE.DoubleSide }));
  };
  try {
    let object = null;
    if (ext === 'obj') {
      const loader = new OBJLoader(manager);
      const mtl = files.find((f) => /\.mtl$/i.test(f.name));
      if (mtl) {
        const materials = await new MTLLoader(manager).loadAsync(urls.get(mtl.name));
        materials.preload();
        loader.setMaterials(materials);
      }
      object = await loader.loadAsync(url);
    } else if (ext === 'glb' || ext === 'gltf') {
      object = (await new GLTFLoader(manager).loadAsync(url)).scene;
    } else if (ext === 'stl') {
      object = solid(await new STLLoader(manager).loadAsync(url));
    } else if (ext === 'ply') {
      object = solid(await new PLYLoader(manager).loadAsync(url));
    } else if (ext === '3ds') {
      object = await new TDSLoader(manager).loadAsync(url);
    }
    $('picked').textContent = object ? '' : 'No preview for this kind of file; the unfolded model shows here.';
    previewed = object;
    if (object) show(object);
    measured = object ? measure(object) : null;
    showSize();
    // Textures arrive after the model.
    manager.onLoad = render;
  } catch (e) {
    $('picked').textContent = 'The browser cannot show this file; the server may still read it.';
  }
}

// ---- size on paper ----------------------------------------------------------

// The tool reads a model's units as centimetres: at scale 1 a unit prints
// as 10 mm.
const MM_PER_UNIT = 10;
// A glue number is printed at least 2 mm tall, about 1.2 mm a digit, and
// wants 1 mm of room beside it; the size suggested lets all but the
// shortest 5 % of edges hold theirs, as the tool's own warning reckons.
const DIGIT_MM = 1.2, NUMBER_ROOM_MM = 1, SHORT_SHARE = 0.05;
let measured = null;  // {size: [x, y, z] mm at scale 1, shortEdge mm at scale 1, triangles}

function measure(object) {
  object.updateMatrixWorld(true);
  const box = new THREE.Box3().setFromObject(object);
  if (box.isEmpty()) return null;
  const size = box.getSize(new THREE.Vector3()).multiplyScalar(MM_PER_UNIT);
  const lengths = [];
  let triangles = 0;
  const a = new THREE.Vector3(), b = new THREE.Vector3(), c = new THREE.Vector3();
  object.traverse((mesh) => {
    const position = mesh.isMesh ? mesh.geometry.attributes.position : null;
    if (!position) return;
    const index = mesh.geometry.index;
    const count = index ? index.count : position.count;
    const corner = (i, v) => v.fromBufferAttribute(position, index ? index.getX(i) : i).applyMatrix4(mesh.matrixWorld);
    // A sample of a few thousand triangles gives the percentile as well.
    const step = Math.max(1, Math.floor(count / 3 / 20000));
    triangles += Math.floor(count / 3);
    for (let t = 0; t + 2 < count; t += 3 * step) {
      corner(t, a); corner(t + 1, b); corner(t + 2, c);
      lengths.push(a.distanceTo(b) * MM_PER_UNIT, b.distanceTo(c) * MM_PER_UNIT, c.distanceTo(a) * MM_PER_UNIT);
    }
  });
  const positive = lengths.filter((l) => l > 0).sort((x, y) => x - y);
  const shortEdge = positive.length ? positive[Math.floor(SHORT_SHARE * positive.length)] : 0;
  return { size: [size.x, size.y, size.z], shortEdge, triangles };
}

// The scale the form asks for, given the model's largest extent at scale 1.
function chosenScale(largest) {
  const height = fields.get('height')?.read();
  if (height !== undefined && largest > 0) return height / largest;
  return fields.get('scale')?.read() ?? 1;
}

const FACES_LEAST = 20;  // as the tool suggests no fewer
const mm = (v) => (v >= 100 ? Math.round(v) : Math.round(v * 10) / 10).toLocaleString('en');

function facesForLonger(triangles, factor) {
  const faces = Math.floor(triangles / (factor * factor));
  const step = 10 ** Math.max(0, Math.floor(Math.log10(Math.max(faces, 1))) - 1);
  return Math.max(FACES_LEAST, Math.floor(faces / step) * step);
}

// The model's size on paper as the form stands, and the size that gives its
// glue numbers room; one click takes the suggestion.
function showSize() {
  const box = $('model-size');
  if (!measured) {
    box.replaceChildren(files.length ? 'Its size on paper shows once the model is read.' : '');
    return;
  }
  const largest = Math.max(...measured.size);
  const scale = chosenScale(largest);
  const [x, y, z] = measured.size.map((v) => v * scale);
  const [w, h, d] = $('up-axis').value === 'z' ? [x, z, y] : [x, y, z];
  const parts = [`On paper: ${mm(w)} × ${mm(h)} × ${mm(d)} mm (width × height × depth).`];
  const digits = String(Math.max(1, Math.round(measured.triangles / 4))).length;
  const room = digits * DIGIT_MM + NUMBER_ROOM_MM;
  if (measured.shortEdge > 0) {
    const suggested = Math.ceil(largest * room / measured.shortEdge / 10) * 10;
    const now = largest * scale;
    if (suggested > now * 1.05) {
      const use = element('button', { type: 'button', id: 'use-size', textContent: `Make it ${mm(suggested)} mm` });
      use.addEventListener('click', () => {
        fields.get('height').set(suggested);
        fields.get('scale')?.clear();
        showSize();
        markOutOfDate();
      });
      // The other way: as many fewer triangles as make the edges that much
      // longer at this size (a face's area goes with its edges squared),
      // rounded down to two digits as the tool rounds its own.
      const faces = facesForLonger(measured.triangles, suggested / now);
      const simplify = element('button', { type: 'button', id: 'use-faces', textContent: `Simplify to ${faces.toLocaleString('en')} triangles` });
      simplify.addEventListener('click', () => {
        fields.get('faces').set(faces);
        showSize();
        markOutOfDate();
      });
      parts.push(` Its shortest edges print ${mm(measured.shortEdge * scale)} mm long, too short for glue numbers: about ${mm(suggested)} mm across gives them room, or about ${faces.toLocaleString('en')} triangles at this size. `, use, ' ', simplify);
    } else {
      parts.push(' Its edges are long enough for glue numbers.');
    }
  }
  box.replaceChildren(...parts);
}

// The size the sheet was made at, where the browser could not read the
// model or read it otherwise than the tool (a loader's own units).
function sizeUnfolded(extent) {
  if (!(extent > 0)) return;
  const guessed = measured ? Math.max(...measured.size) * chosenScale(Math.max(...measured.size)) : null;
  if (guessed !== null && Math.abs(guessed - extent) <= 0.01 * extent) return;
  $('model-size').replaceChildren(`Unfolded at ${mm(extent)} mm across (its largest extent on paper).`);
}

// ---- choosing files ---------------------------------------------------------

// A new model: the last one's result goes, so nothing links to a model no
// longer in view.
// A job started for the model before is cancelled: its result would show
// for this one.
function choose(list, { keep = false } = {}) {
  forgetJob();
  files = [...list];
  previewed = null;
  measured = null;
  clearResult();
  $('chosen').textContent = files.map((f) => f.name).join(', ');
  allowUnfold();
  showSize();
  preview();
  if (!keep) {
    memory.put('files', files);
    memory.put('project', null);
  }
  // A project waiting for its model opens with it; another model is
  // another piece of work.
  const project = waitingProject;
  waitingProject = null;
  if (project && files.some((f) => f.name === project.model.file)) openProject(project);
}

$('model-input').addEventListener('change', (e) => chooseWithProject(e.target.files));
const drop = $('drop');
drop.addEventListener('dragover', (e) => { e.preventDefault(); drop.classList.add('over'); });
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', (e) => {
  e.preventDefault();
  drop.classList.remove('over');
  // The file input names what was dropped, as if it had been chosen there.
  $('model-input').files = e.dataTransfer.files;
  chooseWithProject(e.dataTransfer.files);
});

// ---- options ----------------------------------------------------------------

// The form is the server's table of the unfold command's options, so an
// option the command gains shows here with nothing written for it. Each
// field reads its option's value (undefined: left to the command's default)
// and can empty itself.
const fields = new Map();  // option name -> {node, read, clear}
let formBuilt = false;
// Without the table there is no form to send; why stays in view.
let formError = '';

function element(tag, properties = {}, ...children) {
  const node = Object.assign(document.createElement(tag), properties);
  node.append(...children);
  return node;
}

// A field and its unit stay on one line, even where the label wraps.
function labelled(text, control, unit) {
  return element('label', {}, `${text} `, element('span', { className: 'field' }, control, unit ? ` ${unit}` : ''));
}

function numberInput(id, option) {
  const input = element('input', { id, type: 'number', step: option.type === 'count' ? '1' : 'any' });
  if (option.min != null) input.min = option.min;
  if (option.max != null) input.max = option.max;
  if (option.placeholder) {
    input.placeholder = option.placeholder;
    // Read whole, beside the spin buttons.
    input.style.width = `calc(${option.placeholder.length}ch + 2em)`;
    // and its unit still beside it within the form
    if (option.unit) input.style.maxWidth = `calc(100% - ${option.unit.length + 1}ch - 1em)`;
  }
  return input;
}

const numberIn = (input) => (input.value === '' ? undefined : Number(input.value));

function numberField(option) {
  const input = numberInput(option.name, option);
  input.value = option.default ?? '';
  return { node: labelled(option.label, input, option.unit), read: () => numberIn(input), clear: () => { input.value = ''; },
    set: (value) => { input.value = value ?? ''; }, problem: () => numberProblem(option.label, input, option) };
}

// What is wrong with a typed number, in the form's terms; null: nothing.
function numberProblem(label, input, option) {
  if (input.validity.badInput) return `“${label}” needs a number.`;
  if (input.value === '') return null;
  const value = Number(input.value);
  const unit = option.unit ? ` ${option.unit === '°' ? '°' : option.unit}` : '';
  if ((option.min != null && value < option.min) || (option.max != null && value > option.max)) {
    return `“${label}” must lie between ${option.min ?? '…'} and ${option.max ?? '…'}${unit}.`;
  }
  if (option.type === 'count' && !Number.isInteger(value)) return `“${label}” must be a whole number.`;
  return null;
}

function flagField(option) {
  const box = element('input', { id: option.name, type: 'checkbox', checked: option.default === true });
  return { node: element('label', {}, box, ` ${option.label}`), read: () => box.checked, clear: () => { box.checked = false; },
    set: (value) => { box.checked = value === true; } };
}

function choiceField(option) {
  const select = element('select', { id: option.name },
    ...option.choices.map((c) => element('option', { value: c.value, textContent: c.label })));
  if (option.default == null) select.prepend(element('option', { value: '' }));
  select.value = option.default ?? '';
  return { node: labelled(option.label, select, option.unit), read: () => select.value || undefined, clear: () => { select.value = ''; },
    set: (value) => { select.value = value ?? ''; } };
}

// A page is one of the table's sizes by name or any size typed in; the
// fields show the size either way, and a typed size that is a named one
// goes by its name.
function pageField(option) {
  const preset = element('select', { id: `${option.name}-preset` },
    ...option.presets.map((p) => element('option', { value: p.value, textContent: p.label })),
    element('option', { value: '', textContent: 'other' }));
  const width = numberInput(`${option.name}-width`, option);
  const height = numberInput(`${option.name}-height`, option);
  const named = (value) => option.presets.find((p) => p.value === value);
  const fill = ([w = '', h = '']) => {
    width.value = w;
    height.value = h;
  };
  const matchPreset = () => {
    const match = option.presets.find((p) => p.size[0] === numberIn(width) && p.size[1] === numberIn(height));
    preset.value = match ? match.value : '';
  };
  preset.addEventListener('change', () => {
    if (named(preset.value)) fill(named(preset.value).size);
  });
  width.addEventListener('input', matchPreset);
  height.addEventListener('input', matchPreset);
  fill(named(option.default)?.size ?? (option.default ?? '').split('x'));
  matchPreset();
  const read = () => {
    if (preset.value) return preset.value;
    return width.value === '' && height.value === '' ? undefined : `${width.value}x${height.value}`;
  };
  const clear = () => {
    fill([]);
    preset.value = '';
  };
  const set = (value) => {
    fill(named(value)?.size ?? String(value ?? '').split('x'));
    matchPreset();
  };
  const node = element('div', {}, labelled(option.label, preset),
    labelled('Width', width, option.unit), labelled('Height', height, option.unit));
  // Both sides or none: one side alone is no page.
  const problem = () => numberProblem('Width', width, option) ?? numberProblem('Height', height, option) ??
    ((width.value === '') !== (height.value === '') ? `“${option.label}”: give both the width and the height.` : null);
  return { node, read, clear, set, problem };
}

const fieldByType = { flag: flagField, number: numberField, count: numberField, choice: choiceField, page: pageField };

function addField(option) {
  const build = fieldByType[option.type];
  if (!build) throw new Error(`option ${option.name} is of a type this page does not know: ${option.type}`);
  const field = build(option);
  if (option.help) field.node.title = option.help;
  fields.set(option.name, field);
  return field.node;
}

// Of two options that exclude each other, the one typed into last counts:
// the other empties, so the form sends what it shows.
function linkExclusions(options) {
  for (const option of options) {
    const field = fields.get(option.name);
    const other = fields.get(option.excludes);
    if (!other) continue;
    field.node.addEventListener('input', () => {
      const value = field.read();
      if (value !== undefined && value !== false) other.clear();
    });
  }
}

// Options whose effect the sheet does not show say where it shows.
const GROUP_NOTES = {
  Scene: 'These shape the scene OBJ (how the nets lie in the 3-D scene) and the host\'s own window, not the printed sheet.',
};

async function buildForm() {
  const res = await fetch('/api/options');
  const answer = await res.json().catch(() => ({}));
  if (!res.ok) throw new Error(answer.error || `the server sent no options (${res.status})`);
  $('option-groups').replaceChildren(...answer.groups.map((group) =>
    element('fieldset', {}, element('legend', { textContent: group.name }),
      ...(GROUP_NOTES[group.name] ? [element('small', { className: 'group-note', textContent: GROUP_NOTES[group.name] })] : []),
      ...group.options.map(addField))));
  const all = answer.groups.flatMap((group) => group.options);
  linkExclusions(all);
  for (const option of all) optionsByName.set(option.name, option);
}

// ---- messages in the form's words -------------------------------------------

// The tool's messages name its command-line flags ("try --height 180");
// the page says the same in the form's terms ("largest extent 180 mm").
const optionsByName = new Map();

function optionInWords(name, value) {
  const option = optionsByName.get(name);
  if (!option) return null;
  const label = `“${option.label}”`;
  if (value === undefined) return { text: label, usedValue: false };
  const number = /^[\d.,]+$/.test(value);
  if ((option.type === 'number' || option.type === 'count') && number) {
    const unit = option.unit === '°' ? '°' : option.unit ? ` ${option.unit}` : '';
    return { text: `${label} ${value}${unit}`, usedValue: true };
  }
  const choice = option.choices?.find((c) => c.value === value);
  if (choice) return { text: `${label}: ${choice.label}`, usedValue: true };
  const preset = option.presets?.find((p) => p.value === value);
  if (preset) return { text: `${label} ${preset.label}`, usedValue: true };
  if (option.type === 'page' && /^\d+(\.\d+)?x\d+(\.\d+)?$/.test(value)) return { text: `${label} ${value.replace('x', ' × ')} mm`, usedValue: true };
  return { text: label, usedValue: false };
}

function inWords(text) {
  if (!text) return text;
  return String(text)
    // flags, with the value after them where it is theirs
    // (a value's commas are only those between thousands: "420, or" ends at 420)
    .replace(/--([a-z][a-z-]*)(?:[ =]([\w.]+(?:,\d{3})*))?/g, (whole, name, value) => {
      const said = optionInWords(name, value);
      if (!said) return whole;
      return said.usedValue || value === undefined ? said.text : `${said.text} ${value}`;
    })
    // the scene's object names mean nothing on the page
    .replace(/ \(objects? [^)]*\)/g, '')
    // nor do the server's folders: a file is named by its own name
    .replace(/(?<=^|[\s'"(])(?:\/[^\s/'"`:]+)+\/([^\s/'"`:]+)/g, '$1');
}

// The unfold command's options by their own names; what the form leaves
// empty is left to the command's default.
function options() {
  const chosen = {};
  for (const [name, field] of fields) {
    const value = field.read();
    if (value !== undefined) chosen[name] = value;
  }
  return chosen;
}

buildForm().then(() => {
  formBuilt = true;
  allowUnfold();
  goOn();
}, (err) => {
  formError = err.message || String(err);
  $('error').textContent = formError;
});

// ---- a job ------------------------------------------------------------------

function say(text) {
  $('progress').textContent = text;
}

function clearResult() {
  job = null;
  pickedNet = null;
  $('edit-tools').hidden = true;
  tell('');
  $('pages').classList.remove('out-of-date');
  $('stale').hidden = true;
  nets = null;
  $('error').textContent = formError;
  $('summary').textContent = '';
  $('warnings').replaceChildren();
  $('suggestions').replaceChildren();
  dropPictures();
  $('sheets').replaceChildren();
  $('zoom-bar').hidden = true;
  $('downloads').hidden = true;
  $('picked').textContent = '';
}

// A sheet shown was made with the options as they were: once one changes,
// the pages say so until the model is unfolded again.
function markOutOfDate() {
  if (!job) return;
  $('pages').classList.add('out-of-date');
  $('stale').hidden = false;
}
$('option-groups').addEventListener('input', markOutOfDate);
$('option-groups').addEventListener('input', showSize);
$('up-axis').addEventListener('change', showSize);
$('option-groups').addEventListener('change', markOutOfDate);

// Enter in a field finishes typing; it does not start a job.
$('options').addEventListener('keydown', (e) => {
  if (e.key === 'Enter' && e.target.tagName === 'INPUT') e.preventDefault();
});

$('options').addEventListener('submit', (e) => {
  e.preventDefault();
  startJob(null);
});

// A job for the chosen files: with the form's options, or going on with a
// project, whose own options then stand (the form shows them).
async function startJob(project) {
  if (!files.length || !formBuilt) return;
  const problem = project ? null : [...fields.values()].map((f) => f.problem?.()).find(Boolean);
  if (problem) return void ($('error').textContent = problem);
  clearResult();
  // A disabled button loses the focus to the page's body: it goes to the
  // progress, which tells how the job goes, then to what the job made.
  if (document.activeElement === $('unfold')) $('progress').focus();
  $('unfold').disabled = true;
  const body = new FormData();
  for (const f of files) body.append('files', f, f.name);
  body.append('options', JSON.stringify(project ? {} : options()));
  if (project) body.append('project', new Blob([JSON.stringify(project)], { type: 'application/json' }), 'project.kivano.json');
  say('Uploading…');
  const chosen = files;
  try {
    const res = await fetch('/api/jobs', { method: 'POST', body });
    const answer = await res.json();
    if (!res.ok) throw new Error(answer.error);
    // Another model came while this one went up: its job is no one's.
    if (files !== chosen) return void fetch(`/api/jobs/${answer.id}`, { method: 'DELETE' }).catch(() => {});
    follow(answer.id);
  } catch (err) {
    fail(err.message || String(err));
  }
}

// ---- projects ---------------------------------------------------------------

// A project names the model it was made for; it opens with that model,
// chosen with it, already chosen, or chosen next.
let waitingProject = null;

function isProject(value) {
  return value && typeof value === 'object' && value.kivano_project !== undefined && typeof value.model?.file === 'string';
}

function openProject(project) {
  const model = project.model.file;
  if (!files.some((f) => f.name === model)) {
    waitingProject = project;
    $('chosen').textContent = `Project for ${model}: now drop or choose ${model} (with its MTL and textures).`;
    return;
  }
  waitingProject = null;
  // The form shows the options the project was made with.
  for (const [name, value] of Object.entries(project.options ?? {})) fields.get(name)?.set?.(value);
  // A project names every option; of two that exclude each other the one at
  // its default was not chosen.
  for (const option of optionsByName.values()) {
    const other = optionsByName.get(option.excludes);
    if (other && fields.get(option.name)?.read() !== undefined && fields.get(other.name)?.read() !== undefined &&
        fields.get(option.name).read() === option.default) fields.get(option.name).clear();
  }
  startJob(project);
}

async function readProject(file) {
  let project;
  try {
    project = JSON.parse(await file.text());
  } catch {
    project = null;
  }
  if (!isProject(project)) throw new Error(`${file.name} is not a kivano project.`);
  return project;
}

// Files chosen at once may hold a project beside its model.
async function chooseWithProject(list) {
  const all = [...list];
  const projectFile = all.find((f) => /\.json$/i.test(f.name) && !/\.gltf$/i.test(f.name));
  const rest = all.filter((f) => f !== projectFile);
  if (!projectFile) return void choose(rest);
  let project;
  try {
    project = await readProject(projectFile);
  } catch (err) {
    $('error').textContent = err.message;
    return;
  }
  if (rest.length) choose(rest);
  openProject(project);
}

$('open-project').addEventListener('change', (e) => {
  chooseWithProject(e.target.files);
  e.target.value = '';
});

// The last model and its project stay in the browser, so a reload (or a
// closed tab) goes on where the work was. Files are kept as they were
// chosen; a browser that keeps nothing just starts afresh.
const memory = {
  db: null,
  async open() {
    this.db ??= await new Promise((resolve, reject) => {
      const request = indexedDB.open('kivano', 1);
      request.onupgradeneeded = () => request.result.createObjectStore('work');
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
    return this.db;
  },
  async run(mode, act) {
    const db = await this.open();
    return new Promise((resolve, reject) => {
      const request = act(db.transaction('work', mode).objectStore('work'));
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
  },
  put(key, value) {
    return this.run('readwrite', (store) => store.put(value, key)).catch(() => {});
  },
  get(key) {
    return this.run('readonly', (store) => store.get(key)).catch(() => undefined);
  },
};

async function goOn() {
  const [kept, text] = await Promise.all([memory.get('files'), memory.get('project')]);
  let project = null;
  try {
    project = text instanceof Blob ? JSON.parse(await text.text()) : null;
  } catch {
    project = null;
  }
  if (!Array.isArray(kept) || !kept.length || files.length) return;
  choose(kept, { keep: true });
  if (isProject(project) && kept.some((f) => f.name === project.model.file)) {
    say(`Going on with your sheet of ${project.model.file}…`);
    openProject(project);
  }
}

// The job this page waits for, cancelled and no longer listened to.
function forgetJob() {
  if (!running) return;
  events?.close();
  fetch(`/api/jobs/${running}`, { method: 'DELETE' }).catch(() => {});
  say('');
  settle();
}

// What the tool suggests (a size that gives the numbers room, one that
// fits the pages) as buttons that change the form and unfold again.
function offer(suggestions) {
  const buttons = (suggestions ?? []).filter((s) => fields.has(s.option) && Number.isFinite(s.value)).map((s) => {
    const option = optionsByName.get(s.option);
    const button = element('button', { type: 'button', textContent: `Unfold again with “${option.label}” ${s.value.toLocaleString('en')}${option.unit ? ` ${option.unit}` : ''}` });
    button.addEventListener('click', () => {
      fields.get(s.option).set(s.value);
      if (option.excludes) fields.get(option.excludes)?.clear();
      showSize();
      startJob(null);
    });
    return button;
  });
  $('suggestions').replaceChildren(...buttons);
}

function fail(message, suggestions) {
  say('');
  $('error').textContent = inWords(message);
  offer(suggestions);
  settle();
}

// The job ended one way or another: the page is free for the next.
function settle() {
  running = null;
  events = null;
  $('cancel').hidden = true;
  allowUnfold();
}

function allowUnfold() {
  $('unfold').disabled = !formBuilt || files.length === 0;
}

// What each stage of a run does, in the words of the page.
const STAGE_WORDS = {
  load: 'Starting the unfolding',
  import: 'Reading the model',
  unfold: 'Unfolding',
  read: 'Reading the pieces',
  layout: 'Laying out the pages',
  write: 'Writing the sheet',
};

function progressText(event) {
  if (event.stage === 'queued') {
    const ahead = event.position - 1;
    return ahead > 0 ? `Waiting for ${ahead} other ${ahead === 1 ? 'job' : 'jobs'} to finish…` : 'Starting…';
  }
  if (!event.steps) return null;
  const step = `Step ${event.step} of ${event.steps}: ${STAGE_WORDS[event.stage] ?? 'Working'}…`;
  // How a long stage goes, as the host's progress window says it.
  const how = (event.detail ?? '').replace(/^kivano: /, '').replace(/\.+$/, '');
  return how ? `${step} ${how[0].toUpperCase()}${how.slice(1)}.` : step;
}

function follow(id) {
  running = id;
  $('cancel').hidden = false;
  $('cancel').disabled = false;
  const stream = new EventSource(`/api/jobs/${id}/events`);
  events = stream;
  // Only the job of the model in view may speak.
  const current = () => running === id;
  stream.onmessage = (m) => {
    if (!current()) return stream.close();
    const event = JSON.parse(m.data);
    const text = progressText(event);
    if (text) say(text);
    if (event.stage === 'done' || event.stage === 'failed' || event.stage === 'cancelled') {
      stream.close();
      if (event.stage === 'failed') fail(event.error, event.suggestions);
      else if (event.stage === 'cancelled') {
        say('Cancelled.');
        settle();
      } else finished(id).catch((err) => current() && fail(err.message || String(err)));
    }
  };
  stream.onerror = () => {
    stream.close();
    if (current()) fail('The connection to the server was lost.');
  };
}

$('cancel').addEventListener('click', () => {
  if (!running) return;
  $('cancel').disabled = true;
  say('Cancelling…');
  fetch(`/api/jobs/${running}`, { method: 'DELETE' }).catch(() => {});
});

// A job nobody will look at must not hold the queue for others.
window.addEventListener('pagehide', () => {
  if (running) fetch(`/api/jobs/${running}`, { method: 'DELETE', keepalive: true }).catch(() => {});
});

async function finished(id) {
  await showSheet(id, 0);
  if ([document.body, $('unfold'), $('progress')].includes(document.activeElement)) $('summary').focus();
}

// The job's sheet as it stands (after `version` edits): summary, downloads,
// pages, the unfolded model and the edges a click can change.
async function showSheet(id, version) {
  // The project says which edges are folds; a dense model's is megabytes,
  // so it is read off the page's thread and the first sheet shows before.
  const projectComing = readJobProject(id);
  const [state, faces] = await Promise.all([
    fetch(`/api/jobs/${id}?report=brief`).then((r) => r.json()),
    readFaces(id),
  ]);
  const project = version > 0 ? await projectComing : null;
  if (running !== id && job?.id !== id) return;  // another model was chosen meanwhile
  const report = state.report;
  const plural = (n, word) => `${n} ${word}${n === 1 ? '' : 's'}`;
  $('summary').textContent = `${plural(report.nets, 'net')} on ${plural(report.pages, 'page')}` +
    (report.warnings.length ? `, ${plural(report.warnings.length, 'warning')}` : '');
  $('warnings').replaceChildren(...report.warnings.map((w) => Object.assign(document.createElement('li'), { textContent: inWords(w) })));
  offer(report.suggestions);
  sizeUnfolded(report.model_extent_mm);
  $('download-pdf').href = `/api/jobs/${id}/sheet.pdf`;
  $('save-project').href = `/api/jobs/${id}/project`;
  $('save-project').download = `${state.model.replace(/\.[^.]*$/, '')}.kivano.json`;
  $('download-obj').href = `/api/jobs/${id}/scene.obj`;
  const svgs = [];
  for (let n = 1; n <= report.pages; n++) {
    // A page opens to be looked at, beside this one.
    svgs.push(Object.assign(document.createElement('a'), { href: `/api/jobs/${id}/page-${n}.svg`, target: '_blank', rel: 'noopener', textContent: `SVG ${n}` }));
  }
  $('download-svgs').replaceChildren(...svgs);
  $('downloads').hidden = false;
  job = { id, version, faces: faces.faces, pages: faces.pages, model: faces.model, byNet: new Map(), onPage: new Map(),
    edgeCorners: new Int32Array(0), folds: new Uint8Array(0), places: new Map() };
  // Each triangle where it prints: its page, and every other tile of a net
  // too large for one page.
  job.faces.forEach((f, i) => {
    if (!job.byNet.has(f.net)) job.byNet.set(f.net, []);
    job.byNet.get(f.net).push(i);
    for (const { page, paper } of [{ page: f.page, paper: f.paper }, ...(f.tiles ?? [])]) {
      if (!job.onPage.has(page)) job.onPage.set(page, []);
      job.onPage.get(page).push({ face: i, net: f.net, paper });
    }
  });
  showPages(report.pages);
  // The job's sheet is in view: the page is free for the next.
  if (running === id) {
    say('');
    settle();
  }
  // The pages paint before the model is built.
  const shown = job;
  await new Promise((resolve) => setTimeout(resolve));
  if (job !== shown) return;
  showNets();
  takeProject(shown, project ?? await projectComing);
}

function readJobProject(id) {
  return new Promise((resolve) => {
    const reader = new Worker('project_reader.js');
    reader.onmessage = ({ data }) => {
      reader.terminate();
      resolve(data.error ? null : data);
    };
    reader.onerror = () => {
      reader.terminate();
      resolve(null);
    };
    reader.postMessage({ url: new URL(`/api/jobs/${id}/project`, location.href).href });
  });
}

// The edges a click can change and the nets' places, once the project is in.
function takeProject(shown, project) {
  if (job !== shown || !project) return;
  job.edgeCorners = project.corners;
  job.folds = project.folds;
  job.places = new Map(project.nets.map((net) => [net.number, net]));
  $('edit-tools').hidden = false;
  memory.put('project', project.text);
  // The net picked stays picked, where it now is.
  if (pickedNet !== null && job.byNet.has(pickedNet)) pick(pickedNet, job.faces[job.byNet.get(pickedNet)[0]].page);
  else pickedNet = null;
}

// The project's edge of that index: its two corners as a key, and whether it folds.
function edgeRecord(index) {
  return { key: `${job.edgeCorners[2 * index]},${job.edgeCorners[2 * index + 1]}`, fold: job.folds[index] === 1 };
}

// The index of the edge from corner a to corner b among the project's, or -1.
function edgeIndex(a, b) {
  const [low, high] = a < b ? [a, b] : [b, a];
  const corners = job.edgeCorners;
  let from = 0, to = corners.length / 2;
  while (from < to) {
    const middle = (from + to) >> 1;
    const x = corners[2 * middle], y = corners[2 * middle + 1];
    if (x < low || (x === low && y < high)) from = middle + 1;
    else to = middle;
  }
  return from < corners.length / 2 && corners[2 * from] === low && corners[2 * from + 1] === high ? from : -1;
}

// The job's faces from their binary form: arrays viewed where they arrive,
// so a model of tens of thousands of triangles is read in milliseconds
// (the same faces as JSON take seconds to parse). The layout is the
// server's: a header, the page sizes, then one array after the other.
const FACES_MAGIC = 0x53434146, FACES_VERSION = 1;

async function readFaces(id) {
  const res = await fetch(`/api/jobs/${id}/faces.bin`);
  if (!res.ok) throw new Error(`The pieces of the sheet could not be read (${res.status}).`);
  const buffer = await res.arrayBuffer();
  const head = buffer.byteLength >= 20 ? new Uint32Array(buffer, 0, 5) : [];
  const [magic, version, F, P, T] = head;
  if (magic !== FACES_MAGIC || version !== FACES_VERSION || buffer.byteLength !== 20 + 8 * P + 84 * F + 32 * T) {
    throw new Error('The pieces of the sheet came in a form this page does not read.');
  }
  let at = 20;
  const take = (Type, n) => {
    const array = new Type(buffer, at, n);
    at += 4 * n;
    return array;
  };
  const sizes = take(Float32Array, 2 * P);
  const net = take(Int32Array, F), page = take(Int32Array, F), paper = take(Float32Array, 6 * F);
  const model = take(Float32Array, 9 * F), corners = take(Int32Array, 3 * F);
  const tileFace = take(Int32Array, T), tilePage = take(Int32Array, T), tilePaper = take(Float32Array, 6 * T);
  const triangle = (array, i) => [[array[i], array[i + 1]], [array[i + 2], array[i + 3]], [array[i + 4], array[i + 5]]];
  const faces = new Array(F);
  for (let i = 0; i < F; i++) {
    faces[i] = { net: net[i], page: page[i], paper: triangle(paper, 6 * i), corners: [corners[3 * i], corners[3 * i + 1], corners[3 * i + 2]], tiles: null };
  }
  for (let t = 0; t < T; t++) (faces[tileFace[t]].tiles ??= []).push({ page: tilePage[t], paper: triangle(tilePaper, 6 * t) });
  const pages = [];
  for (let p = 0; p < P; p++) pages.push({ width: sizes[2 * p], height: sizes[2 * p + 1] });
  return { faces, pages, model };
}

// ---- the pages --------------------------------------------------------------

function showPages(count) {
  const pages = [];
  for (let n = 1; n <= count; n++) {
    const page = document.createElement('div');
    page.className = 'sheet-page';
    page.dataset.page = n;
    const img = new Image();
    img.alt = `page ${n}`;
    // the page's nets are dragged, not its picture
    img.draggable = false;
    // after an edit the same address holds another page
    // Pages out of view wait; those in view come as pictures as wide as
    // they show (a dense page's SVG takes the browser's main thread for a
    // fifth of a second), drawn again when the zoom changes.
    img.loading = 'lazy';
    img.decoding = 'async';
    img.addEventListener('error', () => {
      // A run started again for the job may not answer the first time.
      if (img.dataset.again) return;
      img.dataset.again = '1';
      setTimeout(() => { img.src = pictureSource(n, Number(img.dataset.width), true); }, 1000);
    });
    const size = job.pages[n - 1];
    const overlay = document.createElementNS('http://www.w3.org/2000/svg', 'svg');
    overlay.classList.add('overlay');
    overlay.setAttribute('viewBox', `0 0 ${size.width} ${size.height}`);
    overlay.setAttribute('preserveAspectRatio', 'none');
    page.style.aspectRatio = `${size.width} / ${size.height}`;
    page.append(img, overlay, Object.assign(document.createElement('span'), { className: 'caption', textContent: `page ${n}` }));
    // The net pointed at is lit; with none, the net picked stays lit.
    page.addEventListener('pointermove', (e) => {
      const edge = edgeAt(page, e);
      showEdge(edge);
      highlight((edge ? null : pointAt(page, e)) ?? pickedNet);
    });
    page.addEventListener('pointerleave', () => {
      showEdge(null);
      highlight(pickedNet);
    });
    // A click on an edge changes it; elsewhere it names the net under the
    // pointer, as a click on the model does.
    page.addEventListener('pointerdown', (e) => startDrag(page, e));
    page.addEventListener('click', (e) => {
      if (dragged) return void (dragged = false);
      const edge = edgeAt(page, e);
      if (edge) return void editEdge(edge, e);
      const net = pointAt(page, e);
      pick(net, net === null ? null : n);
    });
    pages.push(page);
  }
  dropPictures();
  $('sheets').replaceChildren(...pages);
  $('zoom-bar').hidden = false;
  applyZoom(zoom);
  showPictures();
}

const PICTURE_STEP = 128, PICTURE_MAX = 3072;

// Pictures no one will see are not waited for: the job's run draws each
// one asked for, one after the other.
function dropPictures() {
  for (const img of document.querySelectorAll('.sheet-page img')) img.removeAttribute('src');
}

function pictureSource(n, width, again = false) {
  return `/api/jobs/${job.id}/page-${n}.png?width=${width}${again ? '&again=1' : ''}&v=${job.version}`;
}

// Each page's picture at the width it shows at on this screen, in the
// server's steps; a page already drawn at that width stays.
function showPictures() {
  if (!job) return;
  const shown = $('sheets').clientWidth * (window.devicePixelRatio || 1);
  const width = Math.min(PICTURE_MAX, Math.max(PICTURE_STEP, Math.ceil(shown / PICTURE_STEP) * PICTURE_STEP));
  for (const img of document.querySelectorAll('.sheet-page img')) {
    if (img.dataset.width === String(width) && img.dataset.version === String(job.version)) continue;
    img.dataset.width = width;
    img.dataset.version = job.version;
    delete img.dataset.again;
    img.src = pictureSource(Number(img.parentElement.dataset.page), width);
  }
}

let picturesLater = null;
function showPicturesSoon() {
  clearTimeout(picturesLater);
  picturesLater = setTimeout(showPictures, 250);
}
new ResizeObserver(showPicturesSoon).observe($('pages'));

// ---- zoom and pan -----------------------------------------------------------

// 1: a page as wide as the view. The point under the pointer (or the middle
// of the view) stays where it is as the zoom changes.
const ZOOM_MIN = 0.2, ZOOM_MAX = 8, ZOOM_STEP = 1.25;
let zoom = 1;

function applyZoom(next, at) {
  const view = $('pages');
  const rect = view.getBoundingClientRect();
  const [px, py] = at ? [at[0] - rect.left, at[1] - rect.top] : [view.clientWidth / 2, view.clientHeight / 2];
  const ratio = Math.max(ZOOM_MIN, Math.min(ZOOM_MAX, next)) / zoom;
  const [x, y] = [view.scrollLeft + px, view.scrollTop + py];
  zoom *= ratio;
  $('sheets').style.width = `${zoom * 100}%`;
  view.scrollLeft = x * ratio - px;
  view.scrollTop = y * ratio - py;
  $('zoom-level').textContent = `${Math.round(zoom * 100)} %`;
  showPicturesSoon();
}

// A whole page in view.
function zoomToFit() {
  const first = job?.pages[0];
  const view = $('pages');
  if (!first) return;
  const room = view.clientHeight - $('zoom-bar').offsetHeight - 16;
  const pageHeightAtOne = view.clientWidth * first.height / first.width;
  applyZoom(zoom * Math.min(1, room / pageHeightAtOne) / zoom);
  view.scrollTop = 0;
  view.scrollLeft = 0;
}

$('zoom-in').addEventListener('click', () => applyZoom(zoom * ZOOM_STEP));
$('zoom-out').addEventListener('click', () => applyZoom(zoom / ZOOM_STEP));
$('zoom-fit').addEventListener('click', zoomToFit);
// Ctrl+wheel, and a pinch, which the browser sends as one, zoom; the wheel
// alone scrolls.
$('pages').addEventListener('wheel', (e) => {
  if (!e.ctrlKey || !job) return;
  e.preventDefault();
  applyZoom(zoom * Math.exp(-e.deltaY * 0.002), [e.clientX, e.clientY]);
}, { passive: false });
$('pages').addEventListener('keydown', (e) => {
  if (!job || e.ctrlKey || e.metaKey || e.altKey) return;
  if (e.key === '+' || e.key === '=') applyZoom(zoom * ZOOM_STEP);
  else if (e.key === '-') applyZoom(zoom / ZOOM_STEP);
  else if (e.key === '0') zoomToFit();
  else return;
  e.preventDefault();
});

// Tab walks the nets of the sheet in their order, Shift+Tab back; Enter
// picks the one lit. Past the last the focus goes on as usual.
let walked = null;
$('pages').addEventListener('keydown', (e) => {
  if (!job || e.target !== $('pages')) return;
  if (e.key === 'Tab') {
    const numbers = [...job.byNet.keys()].sort((a, b) => a - b);
    const at = walked === null ? (e.shiftKey ? numbers.length : -1) : numbers.indexOf(walked);
    const next = at + (e.shiftKey ? -1 : 1);
    if (next < 0 || next >= numbers.length) {
      walked = null;
      return;
    }
    e.preventDefault();
    walked = numbers[next];
    const face = job.faces[job.byNet.get(walked)[0]];
    highlight(walked);
    $('picked').textContent = `Net ${walked}, page ${face.page}: Enter picks it`;
    document.querySelector(`.sheet-page[data-page="${face.page}"]`)?.scrollIntoView({ block: 'nearest' });
  } else if (e.key === 'Enter' && walked !== null) {
    e.preventDefault();
    pick(walked, job.faces[job.byNet.get(walked)[0]].page);
  } else if (e.key === 'Escape') {
    walked = null;
    pick(null);
  }
});
$('pages').addEventListener('blur', () => { walked = null; });

// Dragging where no net lies pans the sheet.
let pan = null;
function startPan(e) {
  const view = $('pages');
  pan = { x: e.clientX, y: e.clientY, left: view.scrollLeft, top: view.scrollTop };
  view.classList.add('panning');
}
window.addEventListener('pointermove', (e) => {
  if (!pan) return;
  const view = $('pages');
  view.scrollLeft = pan.left - (e.clientX - pan.x);
  view.scrollTop = pan.top - (e.clientY - pan.y);
});
window.addEventListener('pointerup', () => {
  if (!pan) return;
  pan = null;
  $('pages').classList.remove('panning');
});

function inside(p, [a, b, c]) {
  const side = (u, v) => (v[0] - u[0]) * (p[1] - u[1]) - (v[1] - u[1]) * (p[0] - u[0]);
  const s1 = side(a, b), s2 = side(b, c), s3 = side(c, a);
  return (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
}

// The net under the pointer, found among the triangles printed on that page.
function pointAt(page, e) {
  const n = Number(page.dataset.page);
  const rect = page.getBoundingClientRect();
  const size = job.pages[n - 1];
  const p = [(e.clientX - rect.left) / rect.width * size.width, (e.clientY - rect.top) / rect.height * size.height];
  const shown = (job.onPage.get(n) ?? []).find((s) => inside(p, s.paper));
  return shown ? shown.net : null;
}

// ---- editing ---------------------------------------------------------------

// The edge of a triangle on this page nearest the pointer, within a few
// pixels: its two corners (the model's point numbers, least first), whether
// it is a fold, and every place it prints.
function edgeAt(page, e) {
  if (!job) return null;
  const n = Number(page.dataset.page);
  const rect = page.getBoundingClientRect();
  const size = job.pages[n - 1];
  const perPixel = size.width / rect.width;
  const p = [(e.clientX - rect.left) * perPixel, (e.clientY - rect.top) / rect.height * size.height];
  // Within a few pixels of an edge; inside a triangle, only in the band
  // along its edges, so a small triangle's middle still picks its net.
  let best = null, bestDistance = Math.max(1, 6 * perPixel);
  for (const shown of job.onPage.get(n) ?? []) {
    if (inside(p, shown.paper)) bestDistance = Math.min(bestDistance, inradius(shown.paper) / 2);
  }
  for (const shown of job.onPage.get(n) ?? []) {
    const corners = job.faces[shown.face].corners;
    for (let k = 0; k < 3; k++) {
      const a = shown.paper[k], b = shown.paper[(k + 1) % 3];
      const d = distanceToSegment(p, a, b);
      if (d >= bestDistance) continue;
      const index = edgeIndex(corners[k], corners[(k + 1) % 3]);
      if (index < 0) continue;
      bestDistance = d;
      best = index;
    }
  }
  return best === null ? null : edgeRecord(best);
}

function inradius([a, b, c]) {
  const area = Math.abs((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])) / 2;
  const perimeter = Math.hypot(b[0] - a[0], b[1] - a[1]) + Math.hypot(c[0] - b[0], c[1] - b[1]) + Math.hypot(a[0] - c[0], a[1] - c[1]);
  return perimeter > 0 ? 2 * area / perimeter : 0;
}

function distanceToSegment(p, a, b) {
  const dx = b[0] - a[0], dy = b[1] - a[1];
  const t = Math.max(0, Math.min(1, ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / (dx * dx + dy * dy || 1)));
  return Math.hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dy);
}

// The edge pointed at and its partner, wherever they print.
let edgeLine = null;  // the edge pointed at, on the model

function showEdge(edge) {
  for (const line of document.querySelectorAll('.sheet-page svg.overlay line.edge')) line.remove();
  showEdgeOnModel(edge);
  if (!edge) return;
  for (const [n, shownOnPage] of job.onPage) {
    const overlay = document.querySelector(`.sheet-page[data-page="${n}"] svg.overlay`);
    if (!overlay) continue;
    for (const shown of shownOnPage) {
      const corners = job.faces[shown.face].corners;
      for (let k = 0; k < 3; k++) {
        const key = [corners[k], corners[(k + 1) % 3]].sort((x, y) => x - y).join(',');
        if (key !== edge.key) continue;
        const [a, b] = [shown.paper[k], shown.paper[(k + 1) % 3]];
        const line = document.createElementNS('http://www.w3.org/2000/svg', 'line');
        line.classList.add('edge');
        for (const [name, value] of [['x1', a[0]], ['y1', a[1]], ['x2', b[0]], ['y2', b[1]]]) line.setAttribute(name, value);
        overlay.append(line);
      }
    }
  }
}

// The edge drawn over the model, through whatever lies in front of it.
function showEdgeOnModel(edge) {
  const key = edge?.key ?? null;
  if ((edgeLine?.userData.key ?? null) === key && (!edgeLine || edgeLine.parent === nets)) return;
  if (edgeLine) {
    edgeLine.removeFromParent();
    edgeLine.geometry.dispose();
    edgeLine = null;
  }
  if (edge && nets) {
    const [p, q] = key.split(',').map(Number);
    const i = job.faces.findIndex((f) => f.corners.includes(p) && f.corners.includes(q));
    if (i >= 0) {
      const at = (point) => new THREE.Vector3().fromArray(job.model, 9 * i + 3 * job.faces[i].corners.indexOf(point));
      edgeLine = new THREE.Line(new THREE.BufferGeometry().setFromPoints([at(p), at(q)]),
        // blue, as the net around it may be lit orange
        // drawn last, over the nets lit in front of it (they are drawn among the transparent)
        new THREE.LineBasicMaterial({ color: 0x1a56db, depthTest: false, depthWrite: false, transparent: true }));
      edgeLine.renderOrder = 10;
      edgeLine.userData.key = key;
      nets.add(edgeLine);
    }
  }
  render();
}

// A cut edge is joined, a fold cut; with Shift a cut edge's tab flips.
function editEdge(edge, e) {
  const corners = edge.key.split(',').map(Number);
  const op = e.shiftKey ? 'flip-tab' : edge.fold ? 'cut' : 'join';
  edit({ op, edge: corners }, e);
}

// One edit of the job's sheet; a refusal is said next to the pointer.
async function edit(change, e) {
  if (!job || editing) return;
  editing = true;
  tell('');
  const id = job.id;
  try {
    const res = await fetch(`/api/jobs/${id}/edits`, { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(change) });
    const answer = await res.json().catch(() => ({}));
    if (!res.ok) return void tell(inWords(answer.error) || `The edit failed (${res.status}).`, e);
    tell('', e);
    await showSheet(id, job.version + 1);
  } finally {
    editing = false;
  }
}

let editing = false;

// A net dragged by the pointer: to another place on its page or onto
// another page. It follows the pointer as an outline; let go, it is moved
// there (or the move is refused beside the pointer).
let drag = null, dragged = false;

function mmOn(page, e) {
  const n = Number(page.dataset.page);
  const rect = page.getBoundingClientRect();
  const size = job.pages[n - 1];
  return [(e.clientX - rect.left) / rect.width * size.width, (e.clientY - rect.top) / rect.height * size.height];
}

function startDrag(page, e) {
  // Near an edge too: a press that does not move is the edge's click.
  if (!job || e.button !== 0) return;
  const net = pointAt(page, e);
  if (net === null && !edgeAt(page, e) && e.pointerType !== 'touch') return void startPan(e);
  if (net === null || !job.places.has(net)) return;
  drag = { net, page, from: mmOn(page, e), client: [e.clientX, e.clientY], moving: false };
}

window.addEventListener('pointermove', (e) => {
  if (!drag) return;
  if (!drag.moving && Math.hypot(e.clientX - drag.client[0], e.clientY - drag.client[1]) < 5) return;
  drag.moving = true;
  const [x, y] = mmOn(drag.page, e);
  const overlay = drag.page.querySelector('svg.overlay');
  overlay.querySelector('g.ghost')?.remove();
  const ghost = document.createElementNS('http://www.w3.org/2000/svg', 'g');
  ghost.classList.add('ghost');
  ghost.setAttribute('transform', `translate(${x - drag.from[0]} ${y - drag.from[1]})`);
  for (const shown of job.onPage.get(Number(drag.page.dataset.page)) ?? []) {
    if (shown.net !== drag.net) continue;
    const polygon = document.createElementNS('http://www.w3.org/2000/svg', 'polygon');
    polygon.setAttribute('points', shown.paper.map((q) => q.join(',')).join(' '));
    ghost.append(polygon);
  }
  overlay.append(ghost);
});

window.addEventListener('pointerup', (e) => {
  if (!drag) return;
  const { net, page, from, moving } = drag;
  drag = null;
  page.querySelector('svg.overlay g.ghost')?.remove();
  if (!moving) return;
  // the click that ends a drag is no click
  dragged = true;
  setTimeout(() => { dragged = false; });
  const target = document.elementsFromPoint(e.clientX, e.clientY).find((el) => el.classList?.contains('sheet-page'));
  if (!target) return;
  const at = mmOn(target, e);
  const place = job.places.get(net);
  edit({ op: 'move', net, page: Number(target.dataset.page), x: place.x + at[0] - from[0], y: place.y + at[1] - from[1] }, e);
});

// A picked net carries a handle above it: dragged round its middle it turns
// the net, in steps of 15° (Shift: any angle).
const TURN_STEP = 15, HANDLE_MM = 9;
const SVG = 'http://www.w3.org/2000/svg';
let turning = null;

function svg(tag, attributes = {}) {
  const node = document.createElementNS(SVG, tag);
  for (const [name, value] of Object.entries(attributes)) node.setAttribute(name, value);
  return node;
}

function netOnPage(net, n) {
  return (job.onPage.get(n) ?? []).filter((s) => s.net === net);
}

function showHandle(net, n) {
  if (!job?.places.has(net)) return;
  const page = document.querySelector(`.sheet-page[data-page="${n}"]`);
  const shown = netOnPage(net, n);
  if (!page || !shown.length) return;
  let [x0, y0, x1, y1] = [Infinity, Infinity, -Infinity, -Infinity];
  for (const s of shown) for (const [x, y] of s.paper) [x0, y0, x1, y1] = [Math.min(x0, x), Math.min(y0, y), Math.max(x1, x), Math.max(y1, y)];
  const centre = [(x0 + x1) / 2, (y0 + y1) / 2];
  const knob = [centre[0], Math.max(y0 - HANDLE_MM, 2)];
  const group = svg('g', { class: 'turn' });
  group.append(svg('line', { x1: centre[0], y1: centre[1], x2: knob[0], y2: knob[1] }),
    svg('circle', { class: 'knob', cx: knob[0], cy: knob[1], r: 2.2, tabindex: 0, role: 'button', 'aria-label': `turn net ${net}` }));
  const circle = group.querySelector('circle');
  circle.addEventListener('pointerdown', (e) => {
    e.stopPropagation();
    e.preventDefault();
    turning = { net, page, n, centre, from: Math.atan2(knob[1] - centre[1], knob[0] - centre[0]), degrees: 0 };
  });
  // The keyboard turns by the step too.
  circle.addEventListener('keydown', (e) => {
    if (e.key !== 'ArrowLeft' && e.key !== 'ArrowRight') return;
    e.preventDefault();
    edit({ op: 'turn', net, degrees: e.key === 'ArrowRight' ? TURN_STEP : -TURN_STEP });
  });
  page.querySelector('svg.overlay').append(group);
}

window.addEventListener('pointermove', (e) => {
  if (!turning) return;
  const p = mmOn(turning.page, e);
  let degrees = (Math.atan2(p[1] - turning.centre[1], p[0] - turning.centre[0]) - turning.from) * 180 / Math.PI;
  degrees = ((degrees % 360) + 540) % 360 - 180;
  if (!e.shiftKey) degrees = Math.round(degrees / TURN_STEP) * TURN_STEP;
  turning.degrees = Math.round(degrees * 10) / 10;
  const overlay = turning.page.querySelector('svg.overlay');
  overlay.querySelector('g.ghost')?.remove();
  const ghost = svg('g', { class: 'ghost', transform: `rotate(${turning.degrees} ${turning.centre[0]} ${turning.centre[1]})` });
  for (const s of netOnPage(turning.net, turning.n)) ghost.append(svg('polygon', { points: s.paper.map((q) => q.join(',')).join(' ') }));
  const label = svg('text', { class: 'angle', x: turning.centre[0], y: turning.centre[1] });
  label.textContent = `${turning.degrees}°`;
  overlay.append(ghost, label);
});

window.addEventListener('pointerup', (e) => {
  if (!turning) return;
  const { net, page, degrees } = turning;
  turning = null;
  for (const node of page.querySelectorAll('svg.overlay g.ghost, svg.overlay text.angle')) node.remove();
  dragged = true;
  setTimeout(() => { dragged = false; });
  if (degrees) edit({ op: 'turn', net, degrees }, e);
});

function tell(text, e) {
  const note = $('edit-note');
  note.textContent = text;
  note.hidden = !text;
  if (text && e && e.clientX !== undefined) {
    note.style.left = `${e.clientX + 12}px`;
    note.style.top = `${e.clientY + 12}px`;
  }
}

for (const [button, op] of [['undo', 'undo'], ['redo', 'redo'], ['repack', 'repack']]) {
  $(button).addEventListener('click', (e) => edit({ op }, e));
}
document.addEventListener('keydown', (e) => {
  if (!job || !(e.ctrlKey || e.metaKey) || e.key.toLowerCase() !== 'z' || e.target.tagName === 'INPUT') return;
  e.preventDefault();
  edit({ op: e.shiftKey ? 'redo' : 'undo' });
});

let highlighted = null;

function highlight(net) {
  if (!job || !nets || net === highlighted) return;
  highlighted = net;
  paintNets(nets.geometry.attributes.color, net);
  render();
  // The lit net's triangles go under whatever else the overlay shows.
  for (const page of document.querySelectorAll('.sheet-page')) {
    const n = Number(page.dataset.page);
    const overlay = page.querySelector('svg.overlay');
    for (const old of overlay.querySelectorAll('polygon.lit')) old.remove();
    if (net === null) continue;
    overlay.prepend(...netOnPage(net, n).map((s) => svg('polygon', { class: 'lit', points: s.paper.map((q) => q.join(',')).join(' ') })));
  }
}

// ---- the unfolded model -----------------------------------------------------

function netColour(net) {
  return new THREE.Color().setHSL((net * 0.618034) % 1, 0.55, 0.62);
}

// Each net in its own colour, or, over the model as the browser shows it,
// clear; the net pointed at in the highlight either way. The colours of
// all nets are worked out once; pointing repaints the two nets that change.
function paintNets(colours, pointed) {
  const array = colours.array;
  if (!colours.base) {
    const byNet = new Map();
    colours.base = new Float32Array(array.length);
    const base = colours.base, alpha = netsOverModel ? 0 : 1;
    job.faces.forEach((f, i) => {
      if (!byNet.has(f.net)) byNet.set(f.net, netColour(f.net));
      const c = byNet.get(f.net);
      for (let at = 12 * i; at < 12 * i + 12; at += 4) {
        base[at] = c.r;
        base[at + 1] = c.g;
        base[at + 2] = c.b;
        base[at + 3] = alpha;
      }
    });
    array.set(colours.base);
    colours.lit = null;
  }
  for (const i of job.byNet.get(colours.lit) ?? []) array.set(colours.base.subarray(12 * i, 12 * i + 12), 12 * i);
  for (const i of job.byNet.get(pointed) ?? []) {
    for (let k = 0; k < 3; k++) array.set([HIGHLIGHT.r, HIGHLIGHT.g, HIGHLIGHT.b, 1], 12 * i + 4 * k);
  }
  colours.lit = pointed;
  colours.needsUpdate = true;
}

// The map from the job's triangles onto the model the browser read: the
// tool may have scaled it (--height, --scale) and moves nothing else, so the
// two boxes agree up to one scale; null when they do not (a loader that
// reads the file differently), and the nets are then shown on their own.
function fitOnto(model, geometry) {
  geometry.computeBoundingBox();
  const from = geometry.boundingBox;
  const to = new THREE.Box3().setFromObject(model);
  if (from.isEmpty() || to.isEmpty()) return null;
  const a = from.getSize(new THREE.Vector3()), b = to.getSize(new THREE.Vector3());
  const longest = Math.max(a.x, a.y, a.z);
  const scale = (b.x + b.y + b.z) / (a.x + a.y + a.z);
  if (!(longest > 0) || !(scale > 0)) return null;
  for (const axis of ['x', 'y', 'z']) {
    if (Math.abs(a[axis] * scale - b[axis]) > 0.01 * longest * scale) return null;
  }
  const centreFrom = from.getCenter(new THREE.Vector3()), centreTo = to.getCenter(new THREE.Vector3());
  return new THREE.Matrix4().makeTranslation(centreTo.x, centreTo.y, centreTo.z)
    .multiply(new THREE.Matrix4().makeScale(scale, scale, scale))
    .multiply(new THREE.Matrix4().makeTranslation(-centreFrom.x, -centreFrom.y, -centreFrom.z));
}

// One normal per triangle, on each of its corners: the nets are drawn flat.
// (A plain loop: three.js's own takes ten times as long on a dense model.)
function flatNormals(positions) {
  const normals = new Float32Array(positions.length);
  for (let i = 0; i < positions.length; i += 9) {
    const ux = positions[i + 3] - positions[i], uy = positions[i + 4] - positions[i + 1], uz = positions[i + 5] - positions[i + 2];
    const vx = positions[i + 6] - positions[i], vy = positions[i + 7] - positions[i + 1], vz = positions[i + 8] - positions[i + 2];
    let x = uy * vz - uz * vy, y = uz * vx - ux * vz, z = ux * vy - uy * vx;
    const length = Math.hypot(x, y, z) || 1;
    x /= length;
    y /= length;
    z /= length;
    for (let k = 0; k < 9; k += 3) {
      normals[i + k] = x;
      normals[i + k + 1] = y;
      normals[i + k + 2] = z;
    }
  }
  return normals;
}

// The model drawn from the job's triangles: over the model as read, which
// keeps its textures, or each net in its own colour.
function showNets() {
  const positions = new Float32Array(job.model);
  const geometry = new THREE.BufferGeometry();
  geometry.setAttribute('position', new THREE.BufferAttribute(positions, 3));
  geometry.setAttribute('color', new THREE.BufferAttribute(new Float32Array(job.faces.length * 12), 4));
  geometry.setAttribute('normal', new THREE.BufferAttribute(flatNormals(positions), 3));
  const fit = previewed && fitOnto(previewed, geometry);
  netsOverModel = Boolean(fit);
  nets = new THREE.Mesh(geometry, new THREE.MeshLambertMaterial({
    vertexColors: true,
    side: THREE.DoubleSide,
    transparent: netsOverModel,
    depthWrite: !netsOverModel,
    // drawn over the model's own faces where both lie
    polygonOffset: netsOverModel,
    polygonOffsetFactor: -1,
    polygonOffsetUnits: -1,
  }));
  highlighted = null;
  paintNets(geometry.attributes.color, null);
  if (fit) nets.applyMatrix4(fit);
  const shownNets = nets;
  // Its shaders are compiled beside the page's thread where the browser can,
  // and the model drawn a frame later, so neither adds to the other's pause.
  const ready = renderer.compileAsync ? renderer.compileAsync(nets, camera, scene).catch(() => {}) : Promise.resolve();
  ready.then(() => new Promise((resolve) => requestAnimationFrame(resolve))).then(() => {
    if (nets !== shownNets) return;
    if (!fit) return void show(nets);
    const both = new THREE.Group();
    both.add(previewed, nets);
    show(both);
  });
}

// The face of the unfolded model under the pointer, or undefined.
function faceUnder(e) {
  if (!job || !nets) return undefined;
  const rect = canvas.getBoundingClientRect();
  const pointer = new THREE.Vector2((e.clientX - rect.left) / rect.width * 2 - 1, -(e.clientY - rect.top) / rect.height * 2 + 1);
  const raycaster = new THREE.Raycaster();
  raycaster.setFromCamera(pointer, camera);
  const hit = raycaster.intersectObject(nets, false)[0];  // not the edge line drawn on it
  lastHit = hit;
  return hit ? job.faces[hit.faceIndex] : undefined;
}
let lastHit = null;

// The edge of the model under the pointer, lit on both views: of the face
// hit, the edge the hit lies near, in the band along the face's edges that
// the sheet uses.
function edgeOnModel(e) {
  const face = faceUnder(e);
  if (!face || !job.edgeCorners.length) return null;
  const i = lastHit.faceIndex;
  const point = nets.worldToLocal(lastHit.point.clone());
  const corner = (k) => new THREE.Vector3().fromArray(job.model, 9 * i + 3 * k);
  const [a, b, c] = [corner(0), corner(1), corner(2)];
  const area = new THREE.Vector3().crossVectors(b.clone().sub(a), c.clone().sub(a)).length() / 2;
  const band = (area / (a.distanceTo(b) + b.distanceTo(c) + c.distanceTo(a) || 1));  // half the inradius
  let best = null, bestDistance = band;
  for (let k = 0; k < 3; k++) {
    const d = new THREE.Line3(corner(k), corner((k + 1) % 3)).closestPointToPoint(point, true, new THREE.Vector3()).distanceTo(point);
    if (d >= bestDistance) continue;
    const index = edgeIndex(face.corners[k], face.corners[(k + 1) % 3]);
    if (index < 0) continue;
    bestDistance = d;
    best = index;
  }
  return best === null ? null : edgeRecord(best);
}

// A net named, lit on both views, its page (the first that shows it, or
// the one clicked) marked and brought into view; null: none.
let pickedNet = null;

function pick(net, pageNumber) {
  pickedNet = net;
  for (const page of document.querySelectorAll('.sheet-page.picked')) page.classList.remove('picked');
  for (const handle of document.querySelectorAll('.sheet-page svg.overlay g.turn')) handle.remove();
  if (net === null) {
    $('picked').textContent = '';
    highlight(null);
    return;
  }
  $('picked').textContent = `Net ${net}, page ${pageNumber}`;
  highlight(net);
  showHandle(net, pageNumber);
  const page = document.querySelector(`.sheet-page[data-page="${pageNumber}"]`);
  page?.classList.add('picked');
  page?.scrollIntoView({ block: 'nearest' });
}

// A click (not a drag) on the unfolded model names the net and page of the
// face under it and brings that page into view; pointing lights the net on
// the pages.
let down = null;
canvas.addEventListener('pointerdown', (e) => { down = [e.clientX, e.clientY]; });
canvas.addEventListener('pointerup', (e) => {
  if (!job || !down || Math.hypot(e.clientX - down[0], e.clientY - down[1]) > 4) return;
  // A click names a net: on a dense model nearly every pixel lies near
  // some edge, so edges are changed on the sheet, where they can be zoomed.
  const face = faceUnder(e);
  pick(face ? face.net : null, face ? face.page : null);
});
canvas.addEventListener('pointermove', (e) => {
  if (!job || e.buttons) return;
  const edge = edgeOnModel(e);
  showEdge(edge);
  const face = faceUnder(e);
  highlight(face && !edge ? face.net : pickedNet);
});
canvas.addEventListener('pointerleave', () => showEdge(null));
