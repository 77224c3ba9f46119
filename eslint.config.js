// The linter of the page's JavaScript and of its tests, run by CI from the top folder:
//   web/node_modules/.bin/eslint web tests/web
// (the packages eslint, @eslint/js and globals are those of web/package.json).
'use strict';
const path = require('path');
const { createRequire } = require('module');
const fromWeb = createRequire(path.join(__dirname, 'web', 'package.json'));
const js = fromWeb('@eslint/js');
const globals = fromWeb('globals');

module.exports = [
  { ignores: ['web/node_modules/**', 'build*/**'] },
  js.configs.recommended,
  {
    files: ['**/*.js'],
    languageOptions: { ecmaVersion: 2022, sourceType: 'script' },
    rules: {
      'no-unused-vars': ['error', { args: 'none', caughtErrors: 'none' }],
      eqeqeq: ['error', 'always'],
    },
  },
  // The page and its service worker run in a browser; the page's modules come as scripts.
  {
    files: ['web/page.js'],
    languageOptions: { globals: { ...globals.browser, KavronKonzole: 'readonly' } },
  },
  { files: ['web/sw.js'], languageOptions: { globals: { ...globals.serviceworker } } },
  // Put before and after the program's code in kavron.js (program.js names the module's own
  // globals itself), under node or in a page.
  {
    files: ['web/program.js', 'web/node-main.js'],
    languageOptions: { globals: { ...globals.node, ...globals.browser, Kavron: 'readonly' } },
  },
  // The build steps and this file run under node; the page's test too, with the functions it
  // hands to the page.
  { files: ['web/embed.js', 'eslint.config.js'], languageOptions: { globals: { ...globals.node } } },
  {
    files: ['tests/web/*.js'],
    languageOptions: { globals: { ...globals.node, ...globals.browser } },
  },
];
