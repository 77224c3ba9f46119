// Build step of the page: files the page needs as scripts, so that it works from a folder
// (file://), where a page may fetch nothing.
//   node embed.js wasm OUT MODULE.wasm GLOBAL             a module, as base64 in GLOBAL
//   node embed.js examples OUT NAME TXT KONZOLE ...       the shipped examples, as base64
//   node embed.js codepages OUT codepages.js              the code pages, from the program's own
'use strict';
const fs = require('fs');
const { execFileSync } = require('child_process');

const [what, out, ...rest] = process.argv.slice(2);
const b64 = (file) => fs.readFileSync(file).toString('base64');
let text;
if (what === 'wasm') {
  text = `globalThis.${rest[1]} = "${b64(rest[0])}";\n`;
} else if (what === 'examples') {
  const examples = {};
  for (let i = 0; i + 2 < rest.length; i += 3) {
    examples[rest[i]] = { vstup: b64(rest[i + 1]), konzole: b64(rest[i + 2]) };
  }
  text = `globalThis.KAVRON_PRIKLADY = ${JSON.stringify(examples, null, 1)};\n`;
} else if (what === 'codepages') {
  text = execFileSync(process.execPath, [rest[0]], { encoding: 'utf8' });
} else {
  throw new Error(`embed.js: unknown kind ${what}`);
}
fs.writeFileSync(out, text);
