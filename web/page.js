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
    'dve-chyby': 'dve-chyby – mikrosit se dvěma hrubými chybami (pro rozbor)',
    zenity: 'zenity – mikrosit se zenitovými úhly horšími, než říkají váhy (pro rozbor)',
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

  // The modules, each compiled once: the console program (loaded with the page), and the whole
  // program with the tools (fetched when a tool is first used).
  const loadScript = (src) => new Promise((resolve, reject) => {
    const s = document.createElement('script');
    s.src = src;
    s.onload = resolve;
    s.onerror = () => reject(new Error(src));
    document.head.appendChild(s);
  });
  async function compileModule(name, script, global) {
    let bytes;
    if (location.protocol === 'file:') {
      await loadScript(script); // a page from a folder may fetch nothing
      bytes = base64(globalThis[global]);
      delete globalThis[global];
    } else {
      const r = await fetch(name);
      if (!r.ok) throw new Error(name + ': ' + r.status);
      // Compiled while it arrives, where the server names its type; else once it is all here.
      if (WebAssembly.compileStreaming && /wasm/.test(r.headers.get('Content-Type') || '')) {
        return WebAssembly.compileStreaming(r);
      }
      bytes = new Uint8Array(await r.arrayBuffer());
    }
    return WebAssembly.compile(bytes);
  }
  let compiled = null;
  async function loadProgram() {
    // Started by the page's head; where the server does not name the type, fetched again here.
    if (window.kavronKonzole) {
      try {
        compiled = await window.kavronKonzole;
        return;
      } catch (e) {
        // compiled below
      }
    }
    compiled = await compileModule('kavron-konzole.wasm', 'kavron-konzole-wasm.js',
      'KAVRON_KONZOLE_WASM');
  }
  let whole = null;
  const loadWhole = () => {
    whole = whole || Promise.all([loadScript('kavron.js'),
      compileModule('kavron.wasm', 'kavron-wasm.js', 'KAVRON_WASM')]).then(([, c]) => c);
    whole.catch(() => {
      whole = null;
    });
    return whole;
  };

  // An instance of a module on a file system of its own in memory: the folder FOLDER with the
  // given files (paths below it), the console `io`.
  async function instance(factory, module, io, files) {
    const mod = {
      noInitialRun: true,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(module, imports).then((inst) => receive(inst, module));
        return {};
      },
      kavron: io,
      print: () => {},
      printErr: (t) => console.warn(t),
      quit(status, toThrow) {
        throw toThrow;
      },
      preRun: [(m) => {
        m.FS.mkdir(FOLDER);
        m.FS.chdir(FOLDER);
        for (const f of files) {
          const parts = f.path.split('/');
          for (let k = 1; k < parts.length; k++) {
            const dir = parts.slice(0, k).join('/');
            if (!m.FS.analyzePath(dir).exists) m.FS.mkdir(dir);
          }
          m.FS.writeFile(f.path, f.bytes);
        }
      }],
    };
    await factory(mod);
    return mod;
  }
  // The files the run wrote in FOLDER (those handed in, unchanged, are not).
  function filesWritten(mod, given) {
    const out = [];
    for (const name of mod.FS.readdir(FOLDER)) {
      const path = FOLDER + '/' + name;
      if (name === '.' || name === '..' || mod.FS.isDir(mod.FS.stat(path).mode)) continue;
      const bytes = mod.FS.readFile(path);
      const same = given.some((f) => f.path === name && equal(bytes, f.bytes));
      if (!same) out.push({ name, bytes });
    }
    return out;
  }

  // One run of a module with its command line, its files and the console lines given (code
  // page 852), the clock at `now`. `waiting`: when the lines run out, the run waits for more
  // (it is dropped: status null) instead of meeting the end of its console input. Gives the
  // console as shown (the program's console and its texts), where each line was read, the texts
  // for the terminal alone, and, when the program ended, its status and the files it wrote.
  const WAITING = { waiting: true };
  async function runProgram({ factory, module, args, files, lines, now, waiting }) {
    const input = encode852(lines.map((l) => l + '\n').join(''));
    let pos = 0;
    const shown = [];
    const texts = [];
    let written = 0; // characters of the console so far
    const marks = []; // where each answer line was read: the console's length then
    const io = {
      // One answer line a call, so that the page knows where the program read each.
      input(cap) {
        if (pos >= input.length) {
          if (waiting) throw WAITING;
          return null;
        }
        let end = input.indexOf(10, pos);
        end = end < 0 ? input.length : end + 1;
        const b = input.subarray(pos, Math.min(end, pos + cap));
        if (b.length) marks.push(written);
        pos += b.length;
        return b;
      },
      // 1: the console (code page 852, CR LF); 2 and 3: texts in UTF-8.
      output(channel, bytes) {
        if (channel !== 1) texts.push(utf8.decode(bytes));
        const text = channel === 1 ? decode(bytes, chars852)
          : utf8.decode(bytes).replace(/\r?\n/g, '\r\n');
        shown.push(text);
        written += text.length;
        return 0;
      },
      now: () => now,
    };
    const mod = await instance(factory, module, io, files);
    let status = null;
    try {
      status = mod.callMain(args);
    } catch (e) {
      if (e !== WAITING) throw e;
    }
    return { status, console: shown.join(''), marks, text: texts.join('').trim(),
      files: status === null ? [] : filesWritten(mod, files) };
  }
  // One run of the console program with the lines typed so far.
  const runOnce = (run) => runProgram({ factory: KavronKonzole, module: compiled, args: run.args,
    files: run.input ? [{ path: run.input.name, bytes: run.input.bytes }] : [],
    lines: run.lines, now: run.now, waiting: true });
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
  const clockNow = () => {
    const d = new Date();
    return [d.getFullYear(), d.getMonth() + 1, d.getDate(), d.getHours(), d.getMinutes(),
      d.getSeconds()];
  };
  function newRun(waitForAnswers) {
    run = {
      input,
      args: REPORTS.filter((r) => $(r.id).checked).flatMap((r) => [r.option, r.name]),
      now: clockNow(),
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
    performance.mark('kavron-hotovo'); // since the page's navigation began
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

  // 12345 as Czech writes it, 12 345 (by hand: the first use of the browser's number formats
  // costs a cold page a tenth of a second).
  const thousands = (n) => String(n).replace(/\B(?=(\d{3})+$)/g, '\u00a0');

  // Files offered: each a download of its exact bytes, the texts (code page 1250) and the
  // drawings shown on tabs. `describe(file)` gives { what, title, order } (no title: not shown).
  const urls = new Map(); // the addresses of the files offered, by where they are offered
  function offer(list, tabs, content, files, describe) {
    (urls.get(list) || []).forEach((u) => URL.revokeObjectURL(u));
    urls.set(list, []);
    list.replaceChildren();
    tabs.replaceChildren();
    content.replaceChildren();
    const views = [];
    for (const f of files) {
      const d = describe(f);
      const url = URL.createObjectURL(new Blob([f.bytes], {
        type: f.name.endsWith('.svg') ? 'image/svg+xml' : 'application/octet-stream',
      }));
      urls.get(list).push(url);
      const li = document.createElement('li');
      const a = document.createElement('a');
      a.href = url;
      a.download = f.name;
      a.textContent = 'Stáhnout ' + f.name;
      a.dataset.soubor = f.name;
      li.append(a, ` – ${d.what}, ${thousands(f.bytes.length)} B`);
      list.append(li);
      if (!d.title) continue;
      views.push({
        title: d.title,
        order: d.order,
        show: () => {
          if (f.name.endsWith('.svg')) {
            const img = document.createElement('img');
            img.src = url;
            img.alt = d.title;
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
        content.replaceChildren(v.show());
      };
      tabs.append(b);
      if (i === 0) b.onclick();
    });
  }

  // Files of the run: the listing, the diagnostics file and the reports asked for.
  function showResults(r) {
    const diagnostics = '  Toto okno slou'; // how a diagnostics file begins
    offer($('soubory'), $('karty'), $('obsah'), r.files, (f) => {
      const report = REPORTS.find((p) => p.name === f.name && run.args.includes(p.name));
      const isDiag = !report &&
        decode(f.bytes.subarray(0, diagnostics.length), chars1250) === diagnostics;
      if (report) {
        return { what: report.what, title: report.id === 'json' ? null : report.what,
          order: report.id === 'svg' ? 1 : 2 };
      }
      return isDiag ? { what: 'chybový soubor', title: 'chybový soubor', order: 3 }
        : { what: 'protokol', title: 'protokol ' + f.name, order: 0 };
    });
    $('vysledky').hidden = false;
  }

  // The input file: chosen, dropped, or a shipped example.
  // A file's name as the dialog can take it: the name itself, or `vstup` with its extension.
  function typableName(name) {
    const shown = name.replace(/^.*[\\/]/, '').normalize('NFC'); // some systems decompose letters
    if (Array.from(shown).length <= NAME_LIMIT && Array.from(shown).every(typable) &&
      !/\s/.test(shown)) return shown;
    const dot = shown.lastIndexOf('.');
    return 'vstup' + (dot > 0 && shown.length - dot <= 5 ? shown.slice(dot) : '.txt');
  }
  function useInput(name, bytes) {
    const shown = typableName(name);
    const note = shown === name.replace(/^.*[\\/]/, '').normalize('NFC') ? ''
      : ` (program přečte jméno nejvýš ${NAME_LIMIT} znaků bez mezer, proto je uložen` +
        ` jako ${shown})`;
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

  // The tools: the whole program run with a command line, without a dialog (or with the answers
  // given), on the files given; its texts (a refusal's line) and the files it wrote.
  async function runWhole(args, files, answers) {
    const module = await loadWhole(); // loads kavron.js, which defines Kavron
    return runProgram({ factory: globalThis.Kavron, module, args, files, lines: answers,
      now: clockNow(), waiting: false });
  }
  const readFile = async (file) => new Uint8Array(await file.arrayBuffer());
  // The tools, one entry each: its report files (the option, the file's name, what it is, and the
  // place of its tab when the page shows it) and the line for each status that is no refusal.
  const TOOLS = {
    zapisnik: {
      reports: [['--output', 'vstup.txt', 'vstupní soubor', 1],
        ['--report', 'import.txt', 'zpráva o importu', 0],
        ['--json', 'import.json', 'import pro skripty']],
      ends: { 0: 'Vstupní soubor je hotov; kontroly nic nenašly.',
        1: 'Vstupní soubor je hotov; kontroly mají nálezy (podrobnosti ve zprávě).' },
    },
    navrh: {
      reports: [['--report', 'navrh.txt', 'zpráva o návrhu', 0],
        ['--json', 'navrh.json', 'návrh pro skripty'], ['--svg', 'navrh.svg', 'nákres plánu', 1]],
      ends: { 0: 'Návrh je hotov.' },
    },
    porovnani: {
      reports: [['--report', 'porovnani.txt', 'zpráva o porovnání', 0],
        ['--json', 'porovnani.json', 'porovnání pro skripty'],
        ['--svg', 'posuny.svg', 'nákres posunů', 1]],
      ends: { 0: 'Porovnání je hotovo.',
        1: 'Porovnání je hotovo, ale data nestačí na spolehlivý závěr (podrobnosti ve zprávě).' },
    },
    kontrola: {
      reports: [['--report', 'kontrola.txt', 'zpráva o kontrole', 0],
        ['--csv', 'kontrola.csv', 'tabulka třídy pro tabulkový procesor'],
        ['--json', 'kontrola.json', 'kontrola pro skripty']],
      ends: { 0: 'Kontrola je hotova: vše v pořádku.',
        1: 'Kontrola je hotova: u některé skupiny je nález (podrobnosti ve zprávě).' },
    },
  };
  const reportArgs = (tool) => TOOLS[tool].reports.flatMap(([option, name]) => [option, name]);
  function describeTool(f) {
    const known = Object.values(TOOLS).flatMap((t) => t.reports).find((r) => r[1] === f.name);
    if (known) return { what: known[2], title: known.length > 3 ? known[2] : null, order: known[3] };
    const epoch = /-([12])\.txt$/.exec(f.name);
    if (epoch && f.name.startsWith('chyby')) return { what: `chybový soubor epochy ${epoch[1]}` };
    if (epoch) return { what: `protokol epochy ${epoch[1]}` };
    return { what: 'výsledky epochy (JSON)' };
  }
  const say = (tool, text, error) => {
    $(tool + '-stav').textContent = text;
    $(tool + '-stav').className = error ? 'zprava chyba' : 'zprava';
  };
  // A tool's end: its line and the files it wrote (also those of the runs before it).
  function showTool(tool, r, before) {
    const end = TOOLS[tool].ends[r.status];
    say(tool, end || r.text || `Skončilo se stavem ${r.status}.`, !end);
    const box = $(tool + '-vysledky');
    if (!box.firstChild) {
      const list = document.createElement('ul');
      list.className = 'soubory';
      const tabs = document.createElement('div');
      tabs.className = 'karty';
      tabs.role = 'tablist';
      const content = document.createElement('div');
      content.className = 'obsah';
      box.append(list, tabs, content);
    }
    offer(box.children[0], box.children[1], box.children[2], before.concat(r.files), describeTool);
  }
  const toolRun = (tool, job) => (e) => {
    e.preventDefault();
    say(tool, 'Počítá se…');
    enqueue(() => job().catch((error) => {
      say(tool, 'Chyba stránky: ' + error.message, true); // e.g. the program not reachable
      throw error;
    }));
  };
  const decimal = (id) => $(id).value.trim().replace(',', '.');

  // Návrh sítě: the chosen input file.
  $('navrh-formular').addEventListener('submit', toolRun('navrh', async () => {
    if (!input) {
      say('navrh', 'Nejdřív vyberte vstupní soubor (část 1).', true);
      return;
    }
    const args = ['design', input.name, ...reportArgs('navrh')];
    if (decimal('navrh-limit')) args.push('--limit', decimal('navrh-limit'));
    if (decimal('navrh-minr')) args.push('--min-r', decimal('navrh-minr'));
    const r = await runWhole(args, [{ path: input.name, bytes: input.bytes }], []);
    showTool('navrh', r, []);
  }));

  // Ze zápisníku: the field files, and the points file (an input or plan file) when chosen.
  let fieldFiles = [];
  let pointsFile = null;
  let imported = null; // the input file the import wrote
  $('zaznamy').addEventListener('change', (e) => {
    const files = Array.from(e.target.files);
    e.target.value = '';
    if (!files.length) return;
    enqueue(async () => {
      fieldFiles = await Promise.all(files.map(async (f) => ({
        path: typableName(f.name), bytes: await readFile(f) })));
      $('zaznamy-jmeno').textContent = fieldFiles.map((f) => f.path).join(', ');
    });
  });
  $('body-soubor').addEventListener('change', (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (!file) return;
    enqueue(async () => {
      pointsFile = { path: 'body-' + typableName(file.name), bytes: await readFile(file) };
      $('body-jmeno').textContent = `${file.name}, ${pointsFile.bytes.length} B`;
    });
  });
  $('zapisnik-formular').addEventListener('submit', toolRun('zapisnik', async () => {
    if (!fieldFiles.length) {
      say('zapisnik', 'Vyberte záznamy totální stanice nebo zápisník.', true);
      return;
    }
    const files = fieldFiles.slice();
    const args = ['import', ...fieldFiles.map((f) => f.path), ...reportArgs('zapisnik')];
    if (pointsFile) {
      files.push(pointsFile);
      args.push('--points', pointsFile.path);
    }
    const only = $('zapisnik-jen').value.replace(/\s+/g, '');
    if (only) args.push('--only', only);
    const r = await runWhole(args, files, []);
    imported = r.files.find((f) => f.name === 'vstup.txt') || null;
    $('zapisnik-vyrovnat').disabled = !imported;
    showTool('zapisnik', r, []);
  }));
  // The input the import wrote, as the console's input file: the dialog starts.
  $('zapisnik-vyrovnat').onclick = () => enqueue(async () => {
    if (!imported) return;
    useInput(imported.name, imported.bytes);
    await newRun();
    $('odpoved').focus();
  });

  // Porovnání epoch: two inputs (each run with the default answers and its results JSON) or two
  // results JSON files.
  const epochs = [null, null];
  for (const k of [1, 2]) {
    $('epocha' + k).addEventListener('change', (e) => {
      const file = e.target.files[0];
      e.target.value = '';
      if (!file) return;
      enqueue(async () => { // read before a tool that is asked for later
        epochs[k - 1] = { name: file.name, bytes: await readFile(file) };
        $(`epocha${k}-jmeno`).textContent = `${file.name}, ${epochs[k - 1].bytes.length} B`;
      });
    });
  }
  const isJson = (bytes) => /^\s*\{/.test(utf8.decode(bytes.subarray(0, 64)));
  $('porovnani-formular').addEventListener('submit', toolRun('porovnani', async () => {
    if (!epochs[0] || !epochs[1]) {
      say('porovnani', 'Vyberte obě epochy.', true);
      return;
    }
    const names = epochs.map((e) => {
      const name = typableName(e.name);
      return { input: name, json: isJson(e.bytes) ? name : name.replace(/\.[^.]*$/, '') + '.json' };
    });
    if (names[0].json === names[1].json) names.forEach((n, k) => { n.json = `epocha${k + 1}.json`; });
    const made = [];
    const jsons = [];
    for (const k of [0, 1]) {
      if (isJson(epochs[k].bytes)) {
        jsons.push({ path: names[k].json, bytes: epochs[k].bytes });
        continue;
      }
      const answers = [`chyby-${k + 1}.txt`, `vysledky-${k + 1}.txt`, names[k].input];
      const r = await runWhole(['--json', names[k].json],
        [{ path: names[k].input, bytes: epochs[k].bytes }], answers.concat(Array(8).fill('n')));
      made.push(...r.files);
      const json = r.files.find((f) => f.name === names[k].json);
      if (json) jsons.push({ path: json.name, bytes: json.bytes });
    }
    const args = ['deformation', names[0].json, names[1].json, ...reportArgs('porovnani')];
    const stable = $('stabilni').value.replace(/\s+/g, '');
    if (stable) args.push('--stable', stable);
    if ($('alfa').value) args.push('--alpha', $('alfa').value);
    const r = await runWhole(args, jsons, []);
    showTool('porovnani', r, made);
  }));

  // Kontrola třídy: the reference input, and a class's folder (each subfolder a group) or the
  // files of one group.
  let reference = null;
  let groupFiles = [];
  $('zadani').addEventListener('change', (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (!file) return;
    enqueue(async () => {
      reference = { name: file.name.replace(/^.*[\\/]/, ''), bytes: await readFile(file) };
      $('zadani-jmeno').textContent = `${reference.name}, ${reference.bytes.length} B`;
    });
  });
  for (const [id, folderOf] of [['trida', (f) => f.webkitRelativePath || f.name],
    ['skupina', (f) => 'skupina/' + f.name]]) {
    $(id).addEventListener('change', (e) => {
      const files = Array.from(e.target.files);
      e.target.value = '';
      if (!files.length) return;
      enqueue(async () => {
        groupFiles = await Promise.all(files.map(async (f) => ({
          path: folderOf(f).normalize('NFC'), bytes: await readFile(f) })));
        const dirs = new Set(groupFiles.map((f) => f.path.replace(/\/[^/]*$/, '')));
        $('trida-jmeno').textContent = `${groupFiles.length} souborů ve ${dirs.size} složkách`;
      });
    });
  }
  $('kontrola-formular').addEventListener('submit', toolRun('kontrola', async () => {
    if (!groupFiles.length) {
      say('kontrola', 'Vyberte složku třídy nebo soubory skupiny.', true);
      return;
    }
    const top = groupFiles[0].path.split('/')[0];
    const dirOf = (p) => p.split('/').slice(0, 2).join('/');
    const inside = groupFiles.filter((f) => f.path.split('/').length > 2);
    let groups = [...new Set(inside.map((f) => dirOf(f.path)))].sort();
    if (!groups.length) groups = [top];
    const files = groupFiles.slice();
    let ref = null;
    if (reference) {
      ref = reference.name === top ? 'zadani-' + reference.name : reference.name;
      files.push({ path: ref, bytes: reference.bytes });
    } else {
      const atTop = groupFiles.filter((f) => f.path.split('/').length === 2);
      if (groups[0] !== top && atTop.length === 1) ref = atTop[0].path;
    }
    if (!ref) {
      say('kontrola', 'Vyberte zadání.', true);
      return;
    }
    const r = await runWhole(['check', ref, ...groups, ...reportArgs('kontrola')], files, []);
    showTool('kontrola', r, []);
  }));

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
