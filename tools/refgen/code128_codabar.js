#!/usr/bin/env node
// Writes tests/data/code128_codabar_vectors.txt: reference bar patterns made by bwip-js
// for Code 128, Codabar (plain, ABC, Monarch), Code 11, MSI, PZN, Telepen and FIM.
//
// Each line: family <TAB> flags <TAB> text <TAB> modules. The text is escaped (\xHH for
// characters outside 32..126, \\ for a backslash); modules are '1' dark and '0' light,
// one character per module, quiet zones left out. Where bwip-js follows another
// convention than our encoders, the conversion is made here and says why.
//
// Run once from the repository root: node tools/refgen/code128_codabar.js
'use strict';

const fs = require('fs');
const path = require('path');
const bwipjs = require('./node_modules/bwip-js');

const OUT = path.join(__dirname, '..', '..', 'tests', 'data', 'code128_codabar_vectors.txt');

function escapeText(s) {
  let out = '';
  for (const ch of s) {
    const c = ch.charCodeAt(0);
    if (ch === '\\') out += '\\\\';
    else if (c >= 32 && c <= 126) out += ch;
    else out += '\\x' + c.toString(16).toUpperCase().padStart(2, '0');
  }
  return out;
}

// Widths (bar first) to modules; `unit` divides fractional widths (FIM).
function modules(sbs, unit = 1) {
  let out = '';
  sbs.forEach((w, i) => { out += (i % 2 === 0 ? '1' : '0').repeat(Math.round(w / unit)); });
  return out;
}

function sbsOf(bcid, text, opts = {}) {
  return bwipjs.raw(bcid, text, opts)[0].sbs.slice();
}

// Narrow stays one module, wide becomes two: our Codabar, Code 11 and Code 39 draw wide elements
// two modules wide, bwip-js three.
const wideAsTwo = (sbs) => sbs.map((w) => (w >= 2 ? 2 : 1));

const lines = [];
// Light modules at the end are quiet zone (gaps after the last character): left out.
const emit = (family, flags, text, mods) => lines.push([family, flags, escapeText(text), mods.replace(/0+$/, '')].join('\t'));

// ---- Code 128 ----
// The symbol character table, read back through bwip-js's raw mode: START B, the value,
// check, stop.
for (let v = 0; v <= 105; v++) {
  const start = v >= 103 ? [] : ['^104'];
  const sbs = sbsOf('code128', [...start, '^' + String(v).padStart(3, '0')].join(''), { raw: true });
  const at = v >= 103 ? 0 : 6;
  lines.push(['code128-table', String(v), '', modules(sbs.slice(at, at + 6))].join('\t'));
}
// bwip-js picks code sets for the shortest symbol, we by a fixed greedy rule: rows marked
// "same" are texts where both choose alike and must agree module for module; the others
// are compared by the text they decode to. "nocheck": drawn by us without the automatic
// check digit option, which leaves the check character in place: it is part of every
// Code 128 symbol.
const code128 = [
  ['same', '1234'],
  ['same', '123'],
  ['same', 'AB12345678'],
  ['same', 'TAVRIX'],
  ['same', 'Hello, World!'],
  ['same', 'abc{|}~`'],
  ['same', '(01)12345678901231'],
  ['same', 'Barvello 2024: 100% ready #tavrix'],
  ['decode', 'ABC\x01\x02DEF\x1F'],
  ['decode', '\x01\x02\x03ABC'],
  ['decode', '12345'],
  ['decode', 'AB1234567'],
  ['decode', '\x01a'],
  ['decode', 'A\tx\tB'],
  ['decode', 'A\tXYZ'],
  ['decode', '\x01AbCd{e'],
  ['decode', '1234\x01abc'],
  ['decode', '0123456789012'],
  ['decode', 'x\x1Bq99887766554433221100\x7F'],
  ['decode', 'The quick brown fox jumps over the lazy dog 0123456789 times.'],
  ['decode,nocheck', '1234567'],
  ['same,nocheck', 'x'],
  ['decode', '\x00ABC'],
  ['decode,nocheck', 'ab\x00cd'],
  ['same', 'A\x7Fb'],
  ['decode', '\x00\x7F'],
];
for (const [flags, text] of code128) emit('code128', flags, text, modules(sbsOf('code128', text)));

// ---- Codabar ----
// Our check character is the sum of the data values mod 16 (values from the allowed
// characters "0123456789-$:/.+"), written before the stop; bwip-js adds the standard
// complement over start and stop as well, so our check is appended here and bwip-js
// draws the text as given.
const CODABAR_VALUES = '0123456789-$:/.+';
// The usual Codabar mod 16 check: the complement of the sum of all values, start and
// stop included (A..D count 16..19).
const CODABAR_ALL = CODABAR_VALUES + 'ABCD';
const codabarCheck = (data, start, stop) =>
  CODABAR_VALUES[(16 - ([...(start + data + stop)].reduce((s, c) => s + CODABAR_ALL.indexOf(c), 0) % 16)) % 16];
// bwip-js names the start/stop characters A..D only; the alternative letters draw the
// same bars.
const canonical = (c) => ({ a: 'A', t: 'A', T: 'A', b: 'B', n: 'B', N: 'B', c: 'C', '*': 'C', d: 'D', e: 'D', E: 'D' }[c] || c);
const isStartStop = (c) => 'ABCD'.includes(canonical(c));

// A start/stop letter at either end of our text is that end's start or stop; an end
// without one gets A.
function codabarModules(text, withCheck) {
  const ownStart = text.length >= 1 && isStartStop(text[0]);
  const ownStop = text.length >= 2 && isStartStop(text[text.length - 1]);
  const start = ownStart ? canonical(text[0]) : 'A';
  const stop = ownStop ? canonical(text[text.length - 1]) : 'A';
  let data = text.slice(ownStart ? 1 : 0, ownStop ? -1 : text.length);
  if (withCheck) data += codabarCheck(data, start, stop);
  return modules(wideAsTwo(sbsOf('rationalizedCodabar', start + data + stop)));
}
const codabar = [
  ['check', '123'],
  ['nocheck', '123'],
  ['check', '0'],
  ['check', '0123456789'],
  ['check', '-$:/.+'],
  ['nocheck', '31117013206375'],
  ['check', '999999999999999999999999'],
  ['nocheck', 'A0123+-$/:68A'],
  ['check', 'A0123+-$/:68A'],
  ['nocheck', 'B40156D'],
  ['check', 'C1.2/3D'],
  ['nocheck', 't1234n'],
  ['nocheck', '*987E'],
  ['check', 'a55d'],
  ['nocheck', 'B123'],
  ['check', 'C123'],
  ['nocheck', '456d'],
  ['check', '456D'],
];
for (const [flags, text] of codabar) emit('codabar', flags, text, codabarModules(text, flags === 'check'));

// One Codabar character as bwip-js draws it (its seven elements taken from a small
// symbol), followed by the one-module gap.
function codabarChar(c) {
  const k = canonical(c);
  const sbs = isStartStop(k) ? sbsOf('rationalizedCodabar', k + 'A').slice(0, 7) : sbsOf('rationalizedCodabar', 'A' + k + 'A').slice(8, 15);
  return modules(wideAsTwo(sbs)) + '0';
}

// ---- ABC Codabar: the characters as they stand (the text carries its own start/stop
// letters), a blank as twelve light modules. ----
const abc = ['ABCCBA', 'A123B', 'A0B C1A', 'D-$:/.+C', 'A1234567890B', 'B5A A6B C7C', 'C0A', 'A 1'];
for (const text of abc) emit('abccodabar', '', text, [...text].map((c) => (c === ' ' ? '0'.repeat(12) : codabarChar(c))).join(''));

// ---- Codabar Monarch: the characters as they stand, aliases included. ----
const monarch = ['A123B', 't0N', '*45E', 'a6789d', 'T-$:/.+e', 'B0A', 'n12c', 'AtBnC*DeaTbNcEd', '5'];
for (const text of monarch) emit('monarch', '', text, [...text].map(codabarChar).join(''));

// ---- Code 11 ----
// We always add two check characters, C then K, with weights 1, 2, 3 ... from the right
// wrapping after 10 (C) and 9 (K); bwip-js adds K only from ten characters on. So our
// checks are appended here and bwip-js draws them as data.
const C11 = '0123456789-';
const code11Check = (t, wrap) =>
  C11[[...t].reduce((s, c, i) => s + (((t.length - i - 1) % wrap) + 1) * C11.indexOf(c), 0) % 11];
const code11 = ['123', '0', '123456', '-', '0123456789', '12-34-56', '99999999', '10-', '876543210-01', '5555555555555', '1-2-3-4-5-6-7-8-9', '4'];
for (const text of code11) {
  const c = code11Check(text, 10);
  const k = code11Check(text + c, 9);
  emit('code11', '', text, modules(wideAsTwo(sbsOf('code11', text + c + k))));
}

// ---- MSI ----
// Our check: odd positions from the left added, even positions doubled (equal to the
// usual mod 10 only for an even length), a second one for 13 characters; appended here.
// Our bits are drawn bar 1 + space 4 (0) and bar 3 + space 2 (1), bwip-js 1+2 and 2+1.
function msiCheck(t) {
  let sum = 0;
  [...t].forEach((c, i) => {
    const d = Number(c);
    if (i % 2 === 0) sum += d;
    else sum += Math.floor((2 * d) / 10) + ((2 * d) % 10);
  });
  return String((10 - (sum % 10)) % 10);
}
const msi = ['1234', '12345', '7', '80523', '0000000000', '9876543210123', '1234567890123', '55', '31', '246813579', '101010', '999999999999'];
for (const text of msi) {
  let t = text;
  if (t.length >= 2) t += msiCheck(t);
  if (t.length === 14) t += msiCheck(t);
  const sbs = sbsOf('msi', t);
  const ours = sbs.map((w, i) => (i % 2 === 0 ? (w === 1 ? 1 : 3) : (w === 1 ? 2 : 4)));
  emit('msi', '', text, modules(ours));
}

// ---- PZN: Code 39 of "-" and the seven digits; bwip-js computes the check digit
// itself from the six digits we give it. The Code 39 start/stop "*" are drawn as usual. ----
const pzn = ['123456', '000000', '999999', '314159', '271828', '100000', '555555', '020406', '765432', '111111', '123450', '654321'];
for (const text of pzn) {
  let sbs;
  try {
    sbs = sbsOf('pzn', text);
  } catch (e) {
    continue;  // check remainder 10: no valid PZN
  }
  emit('pzn', '', text, modules(wideAsTwo(sbs)));
}

// ---- Telepen ----
// The check character is 127 - (sum mod 127), written as 0 when the sum is a multiple of
// 127: 'A>', '\x7F' and '?@' are such texts.
const telepen = ['123456789', 'AB', 'Telepen', ' ', '~', 'Hello, World!', '\x01\x02\x1F', 'abcdefghijklmnopqrstuvwxyz', 'ZZ9 Plural Z Alpha', '0', '\x7F\x7E', 'tavrix@example.com', 'A>', '\x7F', '?@', '\x00'];
for (const text of telepen) emit('telepen', '', text, modules(sbsOf('telepen', text)));

// ---- FIM: bwip-js draws the marks with bars 2.25 points wide on the 4.5-point pitch. ----
for (const k of ['A', 'B', 'C', 'D']) emit('fim', '', k, modules(sbsOf('symbol', 'fim' + k.toLowerCase()), 2.25));

const header = [
  '# Reference bar patterns from bwip-js ' + bwipjs.BWIPJS_VERSION + ' (' + bwipjs.BWIPP_VERSION + '),',
  '# written by tools/refgen/code128_codabar.js; do not edit by hand.',
  '# family <TAB> flags <TAB> text (\\xHH escapes) <TAB> modules (1 dark, 0 light)',
];
fs.writeFileSync(OUT, header.concat(lines).join('\n') + '\n');
console.log('wrote ' + lines.length + ' vectors to ' + OUT);
