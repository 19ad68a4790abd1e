// Reads a job's project away from the page's thread: a dense model's is
// megabytes of JSON. What the page looks up per pointer move goes back as
// typed arrays (every edge by its two corners, least first, in order, and
// whether it folds); the project itself as the text it came as, for the
// browser to keep.
self.onmessage = async ({ data: { url } }) => {
  try {
    const res = await fetch(url);
    if (!res.ok) throw new Error(`the project could not be read (${res.status})`);
    const text = await res.text();
    const project = JSON.parse(text);
    const edges = Array.isArray(project.edges) ? project.edges : [];
    const pairs = edges.map((e) => [Math.min(e.corners[0], e.corners[1]), Math.max(e.corners[0], e.corners[1]), e.fold ? 1 : 0]);
    pairs.sort((p, q) => p[0] - q[0] || p[1] - q[1]);
    const corners = new Int32Array(2 * pairs.length);
    const folds = new Uint8Array(pairs.length);
    pairs.forEach(([a, b, fold], i) => {
      corners[2 * i] = a;
      corners[2 * i + 1] = b;
      folds[i] = fold;
    });
    self.postMessage({ text: new Blob([text], { type: 'application/json' }), corners, folds, nets: project.nets ?? [] },
      [corners.buffer, folds.buffer]);
  } catch (e) {
    self.postMessage({ error: e.message || String(e) });
  }
};
