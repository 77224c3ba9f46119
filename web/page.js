// The page: the program's console as text with an answer field, its files offered for download.
//
// The program reads console lines one at a time and waits for each. A page cannot wait, so the
// page runs the whole program again from its start with the lines typed so far (a run takes a few
// milliseconds and gives the same bytes every time): when the program asks for a line not typed
// yet, its console throws and the run is dropped; the page shows the console up to there. When
// the answers are known in advance (an example with its console script), one run takes them all.
// The run in which the program ends is the run whose files the page offers. Every run gets a
// fresh instance of the module and its own file system in memory holding the chosen input file,
// and the same clock (the time the run was started).
'use strict';
(function () {
  const CP = globalThis.KAVRON_CODEPAGES;
  const EXAMPLES = globalThis.KAVRON_PRIKLADY;
  const REPORTS = [
    { id: 'svg', option: '--svg', name: 'sit.svg', what: 'výkres sítě' },
    { id: 'rozbor', option: '--analysis', name: 'rozbor.txt', what: 'rozbor spolehlivosti' },
    { id: 'json', option: '--json', name: 'vysledky.json', what: 'výsledky pro skripty' },
  ];
  const EXAMPLE_TITLES = {
    mikrosit: 'mikrosit – malá síť s pevným bodem a podmínkou směru',
    helmert: 'helmert – volná síť Helmertových bodů',
    castecne: 'castecne – částečně pevné body',
    nejvetsi: 'nejvetsi – největší úloha',
    'hruba-chyba': 'hruba-chyba – mikrosit s hrubou chybou (pro rozbor)',
  };
  const FOLDER = '/prace';
  const NAME_LIMIT = 24; // the program takes 24 characters of a typed file name

  // Code pages, from the program's own tables.
  const chars852 = CP.cp852.map((c) => String.fromCharCode(c));
  const chars1250 = CP.cp1250.map((c) => String.fromCharCode(c));
  const bytes852 = new Map();
  CP.cp852.forEach((c, b) => {
    if (!bytes852.has(c)) bytes852.set(c, b);
  });
  const decode = (bytes, chars) => {
    let s = '';
    for (const b of bytes) s += chars[b];
    return s;
  };
  const typable = (ch) => bytes852.has(ch.codePointAt(0));
  const encode852 = (text) => Uint8Array.from(Array.from(text, (ch) => {
    const b = bytes852.get(ch.codePointAt(0));
    return b === undefined ? 63 : b;
  }));
  const utf8 = new TextDecoder('utf-8');
  const base64 = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  const $ = (id) => document.getElementById(id);

  // The module, compiled once.
  let compiled = null;
  const loadScript = (src) => new Promise((resolve, reject) => {
    const s = document.createElement('script');
    s.src = src;
    s.onload = resolve;
    s.onerror = () => reject(new Error(src));
    document.head.appendChild(s);
  });
  async function loadProgram() {
    let bytes;
    if (location.protocol === 'file:') {
      await loadScript('kavron-wasm.js'); // a page from a folder may fetch nothing
      bytes = base64(globalThis.KAVRON_WASM);
    } else {
      const r = await fetch('kavron.wasm');
      if (!r.ok) throw new Error('kavron.wasm: ' + r.status);
      // Compiled while it arrives, where the server names its type; else once it is all here.
      if (WebAssembly.compileStreaming && /wasm/.test(r.headers.get('Content-Type') || '')) {
        compiled = await WebAssembly.compileStreaming(r);
        return;
      }
      bytes = new Uint8Array(await r.arrayBuffer());
    }
    compiled = await WebAssembly.compile(bytes);
  }

  // One run with the lines typed so far: the console as shown, and when the program ended,
  // its exit status and the files of its folder.
  const WAITING = { waiting: true };
  async function runOnce(run) {
    const input = encode852(run.lines.map((l) => l + '\n').join(''));
    let pos = 0;
    const shown = [];
    let written = 0; // characters of the console so far
    const marks = []; // where each answer line was read: the console's length then
    const mod = {
      noInitialRun: true,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(compiled, imports).then((instance) => receive(instance, compiled));
        return {};
      },
      kavron: {
        // One answer line a call, so that the page knows where the program read each.
        input(cap) {
          if (pos >= input.length) throw WAITING;
          let end = input.indexOf(10, pos);
          end = end < 0 ? input.length : end + 1;
          const b = input.subarray(pos, Math.min(end, pos + cap));
          if (b.length) marks.push(written);
          pos += b.length;
          return b;
        },
        // 1: the console (code page 852, CR LF); 2 and 3: texts in UTF-8.
        output(channel, bytes) {
          const text = channel === 1 ? decode(bytes, chars852)
            : utf8.decode(bytes).replace(/\r?\n/g, '\r\n');
          shown.push(text);
          written += text.length;
          return 0;
        },
        now: () => run.now,
      },
      print: () => {},
      printErr: (t) => console.warn(t),
      quit(status, toThrow) {
        throw toThrow;
      },
      preRun: [(m) => {
        m.FS.mkdir(FOLDER);
        m.FS.chdir(FOLDER);
        if (run.input) m.FS.writeFile(run.input.name, run.input.bytes);
      }],
    };
    await Kavron(mod);
    let status = null;
    try {
      status = mod.callMain(run.args);
    } catch (e) {
      if (e !== WAITING) throw e;
    }
    const result = { status, console: shown.join(''), marks, files: [] };
    if (status !== null) {
      for (const name of mod.FS.readdir(FOLDER)) {
        if (name === '.' || name === '..') continue;
        const bytes = mod.FS.readFile(FOLDER + '/' + name);
        const same = run.input && name === run.input.name && equal(bytes, run.input.bytes);
        if (!same) result.files.push({ name, bytes });
      }
    }
    return result;
  }
  const equal = (a, b) => a.length === b.length && a.every((x, i) => x === b[i]);

  // The console: the program's lines as text, the answers echoed where the program read them;
  // a record that starts with a carriage return overwrites the line it stands on. The open last
  // line is the prompt before the answer field.
  function render() {
    let text = '';
    let at = 0;
    run.marks.forEach((m, k) => {
      if (k >= run.lines.length) return;
      text += run.shown.slice(at, m) + run.lines[k] + '\r\n';
      at = m;
    });
    text += run.shown.slice(at);
    const lines = [''];
    let col = 0;
    for (let i = 0; i < text.length; i++) {
      const ch = text[i];
      if (ch === '\r' && text[i + 1] === '\n') {
        lines.push('');
        col = 0;
        i++;
      } else if (ch === '\r') {
        col = 0;
      } else if (ch === '\n') {
        lines.push('');
        col = 0;
      } else {
        const l = lines[lines.length - 1];
        lines[lines.length - 1] = l.slice(0, col) + ch + l.slice(col + 1);
        col++;
      }
    }
    const open = run.finished ? '' : lines.pop();
    const out = $('vystup');
    out.textContent = lines.join('\n');
    out.scrollTop = out.scrollHeight;
    $('vyzva').textContent = open;
    $('radek').hidden = run.finished;
  }

  // The run in progress: its input file, options, clock, the lines typed and the console shown.
  let input = null;
  let run = null;
  let queue = Promise.resolve();

  const setState = (state, text, error) => {
    document.body.dataset.stav = state;
    $('stav').textContent = text;
    $('stav').className = error ? 'zprava chyba' : 'zprava';
  };

  // A new run; `waitForAnswers`: its answers follow at once (no run before them).
  function newRun(waitForAnswers) {
    const d = new Date();
    run = {
      input,
      args: REPORTS.filter((r) => $(r.id).checked).flatMap((r) => [r.option, r.name]),
      now: [d.getFullYear(), d.getMonth() + 1, d.getDate(), d.getHours(), d.getMinutes(),
        d.getSeconds()],
      lines: [],
      marks: [],
      shown: '',
      finished: false,
      started: performance.now(),
      runs: 0, // the runs made, and the time they took [ms]
      runMs: 0,
    };
    $('odpoved').value = '';
    $('vysledky').hidden = true;
    return waitForAnswers ? Promise.resolve() : advance();
  }

  // Runs the program with the lines typed so far and shows what it wrote since.
  async function advance() {
    const t = performance.now();
    const r = await runOnce(run);
    run.runs++;
    run.runMs += performance.now() - t;
    run.shown = r.console;
    run.marks = r.marks;
    if (r.status === null) {
      render();
      setState('ceka', 'Program čeká na vaši odpověď.');
      return;
    }
    run.finished = true;
    render();
    run.ms = performance.now() - run.started;
    setState('hotovo', r.status === 0 ? 'Výpočet skončil.'
      : `Výpočet skončil se stavem ${r.status}: důvod je v konzoli a v chybovém souboru.`,
    r.status !== 0);
    showResults(r);
  }

  // Answers: each line hands one over (the answer field's Enter, or an example's script, where
  // all its lines are known and one run takes them).
  async function answer(lines) {
    if (!run || run.finished) return;
    for (const line of lines) {
      run.lines.push(Array.from(line).filter((ch) => ch >= ' ' && typable(ch)).join(''));
    }
    await advance();
  }
  const enqueue = (job) => {
    queue = queue.then(job).catch((e) => {
      console.error(e);
      setState('chyba', 'Chyba stránky: ' + e.message, true);
    });
    return queue;
  };
  $('radek').addEventListener('submit', (e) => {
    e.preventDefault();
    const line = $('odpoved').value;
    $('odpoved').value = '';
    enqueue(() => answer([line]));
  });
  // Several lines pasted at once: every one is an answer, taken in one run.
  $('odpoved').addEventListener('paste', (e) => {
    const text = e.clipboardData && e.clipboardData.getData('text');
    if (!text || !/[\r\n]/.test(text)) return;
    e.preventDefault();
    const lines = text.split(/\r?\n/);
    if (lines[lines.length - 1] === '') lines.pop();
    lines[0] = $('odpoved').value + lines[0];
    $('odpoved').value = '';
    enqueue(() => answer(lines));
  });

  // Files of the run: downloads, and the texts and the drawing shown.
  const urls = [];
  function showResults(r) {
    urls.splice(0).forEach((u) => URL.revokeObjectURL(u));
    const list = $('soubory');
    const tabs = $('karty');
    list.replaceChildren();
    tabs.replaceChildren();
    $('obsah').replaceChildren();
    const views = [];
    const diagnostics = '  Toto okno slou'; // how a diagnostics file begins
    for (const f of r.files) {
      const report = REPORTS.find((p) => p.name === f.name && run.args.includes(p.name));
      const isDiag = !report &&
        decode(f.bytes.subarray(0, diagnostics.length), chars1250) === diagnostics;
      const what = report ? report.what : isDiag ? 'chybový soubor' : 'protokol';
      const url = URL.createObjectURL(new Blob([f.bytes], {
        type: f.name.endsWith('.svg') ? 'image/svg+xml' : 'application/octet-stream',
      }));
      urls.push(url);
      const li = document.createElement('li');
      const a = document.createElement('a');
      a.href = url;
      a.download = f.name;
      a.textContent = 'Stáhnout ' + f.name;
      a.dataset.soubor = f.name;
      li.append(a, ` – ${what}, ${f.bytes.length.toLocaleString('cs-CZ')} B`);
      list.append(li);
      if (report && report.id === 'json') continue;
      views.push({
        title: report ? report.what : isDiag ? 'chybový soubor' : 'protokol ' + f.name,
        order: report ? (report.id === 'svg' ? 1 : 2) : isDiag ? 3 : 0,
        show: () => {
          if (f.name.endsWith('.svg') && report) {
            const img = document.createElement('img');
            img.src = url;
            img.alt = 'Výkres sítě';
            return img;
          }
          const pre = document.createElement('pre');
          pre.textContent = decode(f.bytes, chars1250).replace(/\r\n/g, '\n');
          pre.tabIndex = 0; // it scrolls: reachable from the keyboard
          pre.setAttribute('aria-label', f.name);
          return pre;
        },
      });
    }
    views.sort((a, b) => a.order - b.order);
    views.forEach((v, i) => {
      const b = document.createElement('button');
      b.type = 'button';
      b.role = 'tab';
      b.textContent = v.title;
      b.onclick = () => {
        for (const other of tabs.children) other.setAttribute('aria-selected', 'false');
        b.setAttribute('aria-selected', 'true');
        $('obsah').replaceChildren(v.show());
      };
      tabs.append(b);
      if (i === 0) b.onclick();
    });
    $('vysledky').hidden = false;
  }

  // The input file: chosen, dropped, or a shipped example.
  function useInput(name, bytes) {
    let shown = name.replace(/^.*[\\/]/, '').normalize('NFC'); // some systems decompose letters
    let note = '';
    if (Array.from(shown).length > NAME_LIMIT || !Array.from(shown).every(typable) ||
      /\s/.test(shown)) {
      const dot = shown.lastIndexOf('.');
      shown = 'vstup' + (dot > 0 && shown.length - dot <= 5 ? shown.slice(dot) : '.txt');
      note = ` (program přečte jméno nejvýš ${NAME_LIMIT} znaků bez mezer, proto je uložen` +
        ` jako ${shown})`;
    }
    input = { name: shown, bytes };
    $('zvoleno').textContent = `Vstupní soubor: ${shown}, ${bytes.length} B${note}. ` +
      `Na třetí otázku dialogu odpovězte ${shown}.`;
  }
  async function openFile(file) {
    useInput(file.name, new Uint8Array(await file.arrayBuffer()));
    await newRun();
    $('odpoved').focus();
  }
  $('soubor').addEventListener('change', (e) => {
    const file = e.target.files[0];
    e.target.value = ''; // the same file chosen again is a change too
    if (file) enqueue(() => openFile(file));
  });
  const zone = document.body;
  zone.addEventListener('dragover', (e) => {
    e.preventDefault();
    $('upust').classList.add('nad');
  });
  zone.addEventListener('dragleave', () => $('upust').classList.remove('nad'));
  zone.addEventListener('drop', (e) => {
    e.preventDefault();
    $('upust').classList.remove('nad');
    const file = e.dataTransfer.files[0];
    if (file) enqueue(() => openFile(file));
  });

  for (const name of Object.keys(EXAMPLES)) {
    const o = document.createElement('option');
    o.value = name;
    o.textContent = EXAMPLE_TITLES[name] || name;
    $('priklad').append(o);
  }
  function openExample(name) {
    useInput(name + '.txt', base64(EXAMPLES[name].vstup));
    return newRun();
  }
  // A shipped example answered by its console script: all its answers in one run.
  async function playExample(name) {
    useInput(name + '.txt', base64(EXAMPLES[name].vstup));
    const script = decode(base64(EXAMPLES[name].konzole), chars852).split('\n');
    if (script.length && script[script.length - 1] === '') script.pop();
    await newRun(true);
    await answer(script.map((l) => l.replace(/\r$/, '')));
  }
  $('otevrit').onclick = () => enqueue(async () => {
    await openExample($('priklad').value);
    $('odpoved').focus();
  });
  $('prehrat').onclick = () => enqueue(() => playExample($('priklad').value));
  $('znovu').onclick = () => enqueue(async () => {
    await newRun();
    $('odpoved').focus();
  });

  // index.html#priklad=mikrosit: that example, answered, at once.
  function fromLink() {
    const m = /(?:^#|&)priklad=([a-z-]+)/.exec(location.hash);
    if (m && EXAMPLES[m[1]]) {
      $('priklad').value = m[1];
      enqueue(() => playExample(m[1]));
      return true;
    }
    return false;
  }
  window.addEventListener('hashchange', fromLink);

  setState('nacita', 'Načítá se program…');
  enqueue(async () => {
    await loadProgram();
    if (!fromLink()) await newRun();
  });
  // Offline later: the files of the page are kept by the browser (not from a folder).
  if ('serviceWorker' in navigator && location.protocol.startsWith('http')) {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  }
  window.kavronStranka = { get run() { return run; } };
})();
