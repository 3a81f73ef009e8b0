#!/usr/bin/env node
// Writes tests/data/postal_vectors.txt: reference bar sequences of the postal symbologies
// made by bwip-js, an encoder independent of ours.
//
// Each bar is reduced to its kind, whatever its drawn height:
//   F full, A ascender, D descender, T tracker, H half (short PostNet/Planet bar).
// Line format: "<family> <kinds> <text>", the text being the rest of the line exactly as
// our encoder receives it.
//
// Run once from the repository root: node tools/refgen/postal.js > tests/data/postal_vectors.txt

'use strict';
const bwipjs = require('./node_modules/bwip-js');

// Deterministic pseudo-random texts (mulberry32), so a rerun writes the same file.
let seed = 0x5eed1234;
function rand() {
  seed = (seed + 0x6d2b79f5) | 0;
  let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
  t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
  return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
}
function pick(alphabet, n) {
  let s = '';
  for (let i = 0; i < n; i++) s += alphabet[Math.floor(rand() * alphabet.length)];
  return s;
}
const DIGITS = '0123456789';
const UPPER = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ';
const ALNUM = DIGITS + UPPER;
const AUS_C = UPPER + UPPER.toLowerCase() + DIGITS + ' #';

function kinds(raw) {
  const top = Math.max(...raw.bhs.map((h, i) => h + (raw.bbs ? raw.bbs[i] : 0)));
  const eps = 1e-6;
  return raw.bhs.map((h, i) => {
    const bottom = raw.bbs ? raw.bbs[i] : 0;
    const up = Math.abs(bottom + h - top) < eps;
    const down = Math.abs(bottom) < eps;
    if (!raw.bbs || raw.bbs.every((b) => b === 0)) return up ? 'F' : 'H';  // two-height codes
    return up ? (down ? 'F' : 'A') : (down ? 'D' : 'T');
  }).join('');
}

function encode(bcid, text, opts) {
  return kinds(bwipjs.raw(bcid, text, opts || {})[0]);
}

const lines = [];
function add(family, text, bars) {
  lines.push(`${family} ${bars} ${text}`);
}

// PostNet: ZIP, ZIP+4 and delivery point; bwip-js always appends the check digit, which
// our encoder does with the automatic check digit option (on by default).
for (const t of ['12345', '00000', '99999', '555551237', '12345678901', '00000000000', '99999999999']) {
  add('postnet', t, encode('postnet', t));
}
for (const n of [5, 5, 9, 9, 9, 11, 11, 11]) {
  const t = pick(DIGITS, n);
  add('postnet', t, encode('postnet', t));
}

// Planet: 11 or 13 digits, check digit always appended by both encoders.
for (const t of ['12345678901', '00000000000', '99999999999', '1234567890123', '0000000000000', '9999999999999']) {
  add('planet', t, encode('planet', t));
}
for (const n of [11, 11, 11, 13, 13, 13, 13]) {
  const t = pick(DIGITS, n);
  add('planet', t, encode('planet', t));
}

// RM4SCC with its check character (Royal Mail; Singapore uses six characters).
const rm = ['1', 'Z', '0', 'LE28HS9Z', 'SN34RD1A', 'BX11LT1A', '123456789', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789'];
for (const n of [2, 3, 5, 7, 9, 12, 15]) rm.push(pick(ALNUM, n));
for (const t of rm) add('royalmail', t, encode('royalmail', t));
const sg = ['123456', '000000', 'ZZZZZZ'];
for (let i = 0; i < 10; i++) sg.push(pick(ALNUM, 6));
for (const t of sg) add('singapore', t, encode('royalmail', t));

// Plain 4-state: RM4SCC framing without the check character, so bwip-js's check
// character (the four bars before the stop bar) is dropped.
const fs = ['123456', '1', 'Z', 'HELLO', 'A1B2C3D4'];
for (const n of [2, 4, 6, 8, 10, 13, 16]) fs.push(pick(ALNUM, n));
for (const t of fs) {
  const b = encode('royalmail', t);
  add('4state', t, b.slice(0, -5) + b.slice(-1));
}

// KIX: characters only.
const kix = ['3224BC10', '1231FZ13XHS', '2500GG30250', '0', 'Z', '1234567890', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ'];
for (const n of [3, 6, 7, 9, 11, 14]) kix.push(pick(ALNUM, n));
for (const t of kix) add('kix', t, encode('kix', t));

// Intelligent Mail: 20 tracking digits (second digit 0..4) and 0, 5, 9 or 11 routing
// digits. Our encoder drops separators itself; bwip-js takes the digits alone.
const imb = [
  '00040123456200800001',
  '0123456709498765432101234',
  '01234567094987654321012345678',
  '0123456709498765432101234567891',
  '01-234-567094-987654321-01234567891',
  '00000000000000000000',
  '04999999999999999999',
  '0499999999999999999999999999999',
  '00000000000000000000000000000',
];
for (const n of [0, 0, 5, 5, 9, 9, 11, 11]) {
  imb.push(pick(DIGITS, 1) + pick('01234', 1) + pick(DIGITS, 18) + pick(DIGITS, n));
}
imb.push('12 345 678901 234567890 12345');
for (const t of imb) add('imb', t, encode('onecode', t.replace(/[^0-9]/g, '')));

// Australia Post: FCC, eight-digit sort code, customer information. bwip-js has no
// FCC 44 and needs to be told to use the N table for digits-only customer information.
const aus = [
  '1139987520', '8712345678', '4500000000', '9299999999',
  '5939987520', '5939987520ABCDE', '593998752012345678', '5912345678Ab #z', '5912345678123',
  '6239987520', '62399875201234567890', '6239987520123456789012345', '6200000000abcdefghij',
  '6212345678A B#C', '6298765432zzzzzzzzzz',
];
for (let i = 0; i < 3; i++) aus.push('11' + pick(DIGITS, 8));
aus.push('59' + pick(DIGITS, 8) + pick(AUS_C, 5));
aus.push('62' + pick(DIGITS, 8) + pick(AUS_C, 10));
aus.push('62' + pick(DIGITS, 8) + pick(DIGITS, 15));
for (const t of aus) {
  const cust = t.slice(10);
  const numeric = cust.length > 0 && /^[0-9]+$/.test(cust);
  add('auspost', t, encode('auspost', t, numeric ? { custinfoenc: 'numeric' } : {}));
}

process.stdout.write('# Postal bar sequences made by bwip-js ' + require('./node_modules/bwip-js/package.json').version +
  ' through tools/refgen/postal.js.\n' +
  '# <family> <bar kinds: F full, A ascender, D descender, T tracker, H half> <text: rest of line>\n' +
  lines.join('\n') + '\n');
