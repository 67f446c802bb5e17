// The embryo page's script. It decodes the frames the page holds, draws them
// as the window draws cells (the type colours, a colourless type taking the
// colour before it, the signal marks, 5-pixel points) from the window's start
// camera, and gives the panel's controls: the cameras, the types one by one,
// the frames and the marks. Every text from the page's data goes in as text.
(function () {
  'use strict';
  const info = JSON.parse(document.getElementById('kv-info').textContent);
  const tables = JSON.parse(document.getElementById('kv-types').textContent);
  const typeColour = new Map(tables.colours.map((c) => [c[0], c.slice(1)]));
  const entryType = tables.entries.map((e) => e[0]);
  const entryMark = tables.entries.map((e) => e[1]);
  // Per entry: its type's colour (-1: none) and whether its type is hidden.
  const entryRgb = new Int16Array(3 * entryType.length).fill(-1);
  entryType.forEach((t, e) => { const c = typeColour.get(t); if (c) entryRgb.set(c, 3 * e); });
  const entryHidden = new Uint8Array(entryType.length);
  const hidden = new Set(info.hidden);
  let marksOn = true;

  // The frames of each series, in order.
  const series = tables.series.map((name) => ({ name, frames: [], at: -1, n: 0,
    xyz: new Uint8Array(0), entry: new Uint32Array(0), types: new Set() }));
  let maxCells = 1;
  for (const el of document.querySelectorAll('script.kv-frame')) {
    const d = el.dataset;
    const s = series[+d.series];
    s.frames.push({ el, frame: +d.frame, cells: +d.cells, wide: +d.wide, delta: d.delta === '1' });
    maxCells = Math.max(maxCells, +d.cells);
  }

  function decode(text) {
    const s = atob(text.trim());
    const out = new Uint8Array(s.length);
    for (let i = 0; i < s.length; ++i) out[i] = s.charCodeAt(i);
    return out;
  }

  // Applies frame f to series s: a whole frame, or the change from the last.
  function apply(s, f) {
    const b = decode(f.el.textContent), n = f.cells, w = f.wide;
    const xyz = new Uint8Array(3 * n), entry = new Uint32Array(n);
    let p = 0;
    const readEntry = () => { let v = 0; for (let k = 0; k < w; ++k) v |= b[p++] << (8 * k); return v; };
    if (!f.delta) {
      xyz.set(b.subarray(0, 3 * n));
      p = 3 * n;
      for (let i = 0; i < n; ++i) entry[i] = readEntry();
    } else {
      const keep = Math.min(n, s.n);
      xyz.set(s.xyz.subarray(0, 3 * keep));
      entry.set(s.entry.subarray(0, keep));
      p = (n + 7) >> 3;
      const changed = [];
      for (let i = 0; i < n; ++i) if ((b[i >> 3] >> (i & 7)) & 1) changed.push(i);
      for (const i of changed) { xyz.set(b.subarray(p, p + 3), 3 * i); p += 3; }
      for (const i of changed) entry[i] = readEntry();
    }
    s.xyz = xyz; s.entry = entry; s.n = n;
  }

  // Brings series s to its k-th frame.
  function seek(s, k) {
    if (k < s.at) { s.at = -1; s.n = 0; }
    while (s.at < k) apply(s, s.frames[++s.at]);
  }

  // The scene: the window's sky, its frustum and 5-pixel round points.
  const renderer = new THREE.WebGLRenderer({ antialias: false });
  renderer.setPixelRatio(1);
  renderer.setClearColor(new THREE.Color(0.6, 0.8, 1.0), 1);
  document.body.appendChild(renderer.domElement);
  const [half, near, far] = info.frustum;
  const camera = new THREE.PerspectiveCamera(2 * Math.atan(half / near) * 180 / Math.PI, 1, near, far);
  camera.up.set(0, 0, 1);
  const scene = new THREE.Scene();
  const pos = new Float32Array(3 * maxCells), rgb = new Uint8Array(3 * maxCells);
  const geometry = new THREE.BufferGeometry();
  geometry.setAttribute('position', new THREE.BufferAttribute(pos, 3));
  geometry.setAttribute('rgb', new THREE.BufferAttribute(rgb, 3, true));
  const material = new THREE.ShaderMaterial({
    vertexShader: 'attribute vec3 rgb; varying vec3 vRgb; void main() { vRgb = rgb;' +
      ' gl_Position = projectionMatrix * modelViewMatrix * vec4(position, 1.0); gl_PointSize = 5.0; }',
    fragmentShader: 'varying vec3 vRgb; void main() { vec2 d = gl_PointCoord - vec2(0.5);' +
      ' if (dot(d, d) > 0.25) discard; gl_FragColor = vec4(vRgb, 1.0); }',
  });
  const points = new THREE.Points(geometry, material);
  points.frustumCulled = false;
  scene.add(points);
  const controls = new THREE.OrbitControls(camera, renderer.domElement);

  let drawn = 0, pending = false;
  function draw() {
    pending = false;
    renderer.render(scene, camera);
    // The first drawing's time since the page began to load, for the benchmark.
    if (drawn === 0) document.body.dataset.firstDrawMs = performance.now().toFixed(0);
    document.body.dataset.frameDrawn = String(++drawn);
  }
  function requestDraw() { if (!pending) { pending = true; requestAnimationFrame(draw); } }
  controls.addEventListener('change', requestDraw);

  let shown = series[0];
  // The points of the shown frame, by the view's colour rule: a type's colour
  // becomes current, a hidden cell still sets it, a mark overrides it.
  function fill() {
    const s = shown, xyz = s.xyz, entry = s.entry;
    let r = 255, g = 255, b = 255, m = 0;
    for (let i = 0; i < s.n; ++i) {
      const e = entry[i];
      if (entryRgb[3 * e] >= 0) { r = entryRgb[3 * e]; g = entryRgb[3 * e + 1]; b = entryRgb[3 * e + 2]; }
      if (entryHidden[e]) continue;
      if (marksOn && entryMark[e]) [r, g, b] = info.marks[entryMark[e] - 1];
      pos[3 * m] = xyz[3 * i]; pos[3 * m + 1] = xyz[3 * i + 1]; pos[3 * m + 2] = xyz[3 * i + 2];
      rgb[3 * m] = r; rgb[3 * m + 1] = g; rgb[3 * m + 2] = b;
      ++m;
    }
    geometry.setDrawRange(0, m);
    geometry.attributes.position.needsUpdate = true;
    geometry.attributes.rgb.needsUpdate = true;
    requestDraw();
  }

  // The camera's axes for a pitch and heading, as the window turns them.
  function axes(pitch, heading) {
    const p = pitch * Math.PI / 180, h = heading * Math.PI / 180;
    const sp = Math.sin(p), cp = Math.cos(p), sh = Math.sin(h), ch = Math.cos(h);
    return { right: [ch, sh, 0], up: [-sh * cp, ch * cp, sp], fwd: [-sh * sp, ch * sp, -cp] };
  }
  const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  // The box around the shown frame's cells, or null when it has none.
  function box() {
    const s = shown;
    if (s.n === 0) return null;
    const lo = [255, 255, 255], hi = [0, 0, 0];
    for (let i = 0; i < 3 * s.n; ++i) {
      const k = i % 3, v = s.xyz[i];
      if (v < lo[k]) lo[k] = v;
      if (v > hi[k]) hi[k] = v;
    }
    return { lo, hi, centre: [0, 1, 2].map((k) => (lo[k] + hi[k]) / 2) };
  }
  function place(at, target) {
    camera.position.set(at[0], at[1], at[2]);
    controls.target.set(target[0], target[1], target[2]);
    camera.lookAt(controls.target);
    controls.update();
    requestDraw();
  }
  // The window's start camera, orbiting about the colony's centre's depth.
  function startView() {
    const [x, y, z, pitch, heading] = info.start, at = [x, y, z], f = axes(pitch, heading).fwd;
    const b = box();
    const d = b ? Math.max(1, dot([0, 1, 2].map((k) => b.centre[k] - at[k]), f)) : 50;
    place(at, at.map((v, k) => v + d * f[k]));
  }
  // The Home key's framing: every site inside the view, at a pitch and heading.
  function frame(pitch, heading) {
    const b = box();
    if (!b) return;
    const ax = axes(Math.min(179.95, Math.max(0.05, pitch)), heading), c = b.centre;
    const tanY = half / near * info.framing[2], tanX = tanY * Math.max(camera.aspect, 0.01);
    let d = 1;
    for (let k = 0; k < 8; ++k) {
      const corner = [0, 1, 2].map((a) => ((k >> a) & 1 ? b.hi[a] + 0.5 : b.lo[a] - 0.5) - c[a]);
      const f = dot(corner, ax.fwd);
      d = Math.max(d, Math.abs(dot(corner, ax.right)) / tanX - f, Math.abs(dot(corner, ax.up)) / tanY - f, 1 - f);
    }
    place(c.map((v, k) => v - d * ax.fwd[k]), c);
  }

  // The panel, built as text nodes only.
  const el = (tag, props, ...kids) => {
    const e = document.createElement(tag);
    Object.assign(e, props || {});
    for (const k of kids) e.append(k);
    return e;
  };
  const panel = el('div', { id: 'kv-panel' });
  const empty = el('div', { id: 'kv-empty', textContent: 'This page holds no cells.', hidden: true });
  document.body.append(panel, empty);
  const fold = el('button', { id: 'kv-fold', textContent: 'Hide panel' });
  fold.onclick = () => {
    panel.classList.toggle('kv-folded');
    fold.textContent = panel.classList.contains('kv-folded') ? 'Show panel' : 'Hide panel';
  };
  const button = (id, text, act) => { const b = el('button', { id, textContent: text }); b.onclick = act; return b; };
  const status = el('div', { id: 'kv-status' });
  const slider = el('input', { id: 'kv-slider', type: 'range', min: 0, step: 1, value: 0 });
  const play = button('kv-play', 'Play', () => togglePlay());
  const chooser = el('select', { id: 'kv-series' });
  series.forEach((s, k) => chooser.append(el('option', { value: k, textContent: s.name })));
  const marks = el('input', { id: 'kv-marks', type: 'checkbox', checked: true });
  marks.onchange = () => { marksOn = marks.checked; fill(); };
  const typeList = el('div', { id: 'kv-types-list' });
  const frameText = el('span'), about = el('details', { id: 'kv-about' });
  about.append(el('summary', { textContent: 'About this page' }),
    el('div', { textContent: 'Genome:' }), el('pre', { id: 'kv-genome', textContent: info.genome || '(none)' }),
    el('div', { textContent: 'Made by:' }), el('pre', { id: 'kv-command', textContent: info.command }),
    el('div', {}, 'Frame ', frameText), el('div', { textContent: 'Kelvaro ' + info.version }),
    el('div', { textContent: 'Drawn with three.js r111 (MIT licence, in this page\'s source).' }));
  panel.append(fold, el('h2', { textContent: info.title || 'Kelvaro embryo' }),
    series.length > 1 ? chooser : '', status,
    el('div', {}, slider, play), el('h2', { textContent: 'Camera' }),
    button('kv-start', 'Start view', startView), button('kv-home', 'Home', () => frame(info.framing[0], info.framing[1])),
    button('kv-above', 'From above', () => frame(...info.views.above)),
    button('kv-front', 'From the front', () => frame(...info.views.front)),
    button('kv-side', 'From the side', () => frame(...info.views.side)),
    el('label', {}, marks, ' Signal marks'), el('h2', { textContent: 'Types' }), typeList, about);

  const counts = new Map();
  // The type list: every type of the series, its colour and its count now.
  function listTypes() {
    typeList.replaceChildren();
    counts.clear();
    for (const t of [...shown.types].sort((a, b) => a - b)) {
      const box = el('input', { type: 'checkbox', checked: !hidden.has(t) });
      box.dataset.type = String(t);
      box.onchange = () => {
        if (box.checked) hidden.delete(t); else hidden.add(t);
        entryType.forEach((u, e) => { entryHidden[e] = hidden.has(u) ? 1 : 0; });
        fill();
      };
      const c = typeColour.get(t);
      const swatch = el('span', { className: 'kv-swatch', title: c ? '' : 'the colour of the cell before' });
      swatch.style.background = c ? `rgb(${c.join(',')})` : 'repeating-linear-gradient(45deg,#fff 0 2px,#888 2px 4px)';
      const count = el('span');
      counts.set(t, count);
      typeList.append(el('label', {}, box, swatch, `Type ${t} `, count));
    }
  }
  function showCounts() {
    const n = new Map();
    for (let i = 0; i < shown.n; ++i) { const t = entryType[shown.entry[i]]; n.set(t, (n.get(t) || 0) + 1); }
    for (const [t, span] of counts) span.textContent = `(${n.get(t) || 0})`;
  }

  // Shows frame k of the shown series.
  function showFrame(k) {
    const s = shown, f = s.frames[k];
    if (f) seek(s, k);
    const text = f ? `Frame ${f.frame} \u00b7 ${s.n} cells` : 'No frames';
    status.textContent = text;
    frameText.textContent = f ? String(f.frame) : '-';
    slider.value = String(k);
    renderer.domElement.dataset.frame = f ? String(f.frame) : '';
    renderer.domElement.dataset.cells = String(s.n);
    empty.hidden = s.n > 0;
    showCounts();
    fill();
  }
  function showSeries(k) {
    shown = series[k];
    for (let i = 0; i < shown.frames.length; ++i) { seek(shown, i); shown.entry.forEach((e) => shown.types.add(entryType[e])); }
    slider.max = String(Math.max(0, shown.frames.length - 1));
    slider.parentNode.hidden = shown.frames.length < 2;
    listTypes();
    showFrame(shown.frames.length - 1);
  }
  let timer = 0;
  function togglePlay() {
    if (timer) { clearInterval(timer); timer = 0; play.textContent = 'Play'; return; }
    if (+slider.value >= shown.frames.length - 1) showFrame(0);
    play.textContent = 'Pause';
    timer = setInterval(() => {
      const k = +slider.value + 1;
      if (k >= shown.frames.length) return togglePlay();
      showFrame(k);
    }, 250);
  }
  slider.oninput = () => showFrame(+slider.value);
  chooser.onchange = () => { showSeries(+chooser.value); };

  function resize() {
    renderer.setSize(window.innerWidth, window.innerHeight);
    camera.aspect = window.innerWidth / Math.max(1, window.innerHeight);
    camera.updateProjectionMatrix();
    requestDraw();
  }
  window.addEventListener('resize', resize);
  resize();
  entryType.forEach((u, e) => { entryHidden[e] = hidden.has(u) ? 1 : 0; });
  if (series.length === 0) series.push({ name: '', frames: [], at: -1, n: 0, xyz: new Uint8Array(0), entry: new Uint32Array(0), types: new Set() });
  showSeries(0);
  startView();

  // For measuring the page: the drawing's pixels (RGB, top row first) read
  // right after a draw, and the frame rate of an orbit of `ms` milliseconds.
  window.kelvaroPage = {
    pixels() {
      renderer.render(scene, camera);
      const gl = renderer.getContext(), w = gl.drawingBufferWidth, h = gl.drawingBufferHeight;
      const px = new Uint8Array(4 * w * h);
      gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, px);
      const rows = [];
      for (let y = h - 1; y >= 0; --y) {
        const row = new Array(3 * w);
        for (let x = 0; x < w; ++x)
          for (let c = 0; c < 3; ++c) row[3 * x + c] = String.fromCharCode(px[4 * (y * w + x) + c]);
        rows.push(row.join(''));
      }
      const out = rows.join('');
      return { width: w, height: h, rgb: btoa(out) };
    },
    orbit(ms) {
      return new Promise((done) => {
        const t0 = performance.now();
        let n = 0;
        const step = () => {
          const t = controls.target;
          camera.position.sub(t).applyAxisAngle(camera.up, 0.02).add(t);
          camera.lookAt(t);
          renderer.render(scene, camera);
          ++n;
          if (performance.now() - t0 < ms) requestAnimationFrame(step);
          else done(n * 1000 / (performance.now() - t0));
        };
        requestAnimationFrame(step);
      });
    },
  };
})();
