#!/usr/bin/env node
// Writes tests/data/datamatrix_vectors.txt: Data Matrix ECC 200 symbols made by bwip-js,
// an encoder independent of ours.
//
// Line format (fields separated by one space):
//   raw  <id> <version> <data codewords, 2 hex digits each> <rows>x<cols> <module rows>
//   text <id> <encoding> <version> <data bytes, 2 hex digits each> <rows>x<cols> <module rows>
// Module rows are strings of 1 (dark) and 0 (light), top row first, joined by ",".
//   raw:  bwip-js places the given data codewords (already padded to the symbol's data
//         capacity): this checks check codewords, block interleaving and placement.
//   text: bwip-js encodes the bytes with its own encodation choice; only cases where that
//         choice equals our fixed encodation are listed, so the whole symbol must agree.
//         C40 cases pass c40headerlength so that bwip-js stays in C40 for every character.
//
// Run once from the repository root:
//   node tools/refgen/datamatrix.js > tests/data/datamatrix_vectors.txt

'use strict';
const bwipjs = require('./node_modules/bwip-js');

// Deterministic pseudo-random numbers (mulberry32), so a rerun writes the same file.
let seed = 0x0d3a7216;
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

// Our version names with bwip-js's "rows x cols" size, in the order of our table.
const SIZES = [
  ['ksDM10x10', '10x10', 3], ['ksDM12x12', '12x12', 5], ['ksDM14x14', '14x14', 8],
  ['ksDM16x16', '16x16', 12], ['ksDM18x18', '18x18', 18], ['ksDM20x20', '20x20', 22],
  ['ksDM22x22', '22x22', 30], ['ksDM24x24', '24x24', 36], ['ksDM26x26', '26x26', 44],
  ['ksDM32x32', '32x32', 62], ['ksDM36x36', '36x36', 86], ['ksDM40x40', '40x40', 114],
  ['ksDM44x44', '44x44', 144], ['ksDM48x48', '48x48', 174], ['ksDM52x52', '52x52', 204],
  ['ksDM64x64', '64x64', 280], ['ksDM72x72', '72x72', 368], ['ksDM80x80', '80x80', 456],
  ['ksDM88x88', '88x88', 576], ['ksDM96x96', '96x96', 696], ['ks104x104', '104x104', 816],
  ['ksDM120x120', '120x120', 1050], ['ksDM132x132', '132x132', 1304], ['ksDM144x144', '144x144', 1558],
  ['ksDM8x18', '8x18', 5], ['ksDM8x32', '8x32', 10], ['ksDM12x26', '12x26', 16],
  ['ksDM12x36', '12x36', 22], ['ksDM16x36', '16x36', 32], ['ksDm16x48', '16x48', 49],
];
const BWIP_SIZE = Object.fromEntries(SIZES.map(([name, size]) => [name, size]));

function hex(bytes) {
  return bytes.map((b) => b.toString(16).padStart(2, '0')).join('');
}
function bytesOf(latin1) {
  return Array.from(latin1, (c) => c.charCodeAt(0));
}

function symbol(text, opts) {
  const s = bwipjs.raw('datamatrix', text, opts)[0];
  const rows = [];
  for (let y = 0; y < s.pixy; y++) rows.push(s.pixs.slice(y * s.pixx, (y + 1) * s.pixx).join(''));
  return `${s.pixy}x${s.pixx} ${rows.join(',')}`;
}

const out = [];

// ---- raw codewords for every size --------------------------------------------------
for (const [name, size, dataCw] of SIZES) {
  const cws = [];
  for (let i = 0; i < dataCw; i++) cws.push(1 + Math.floor(rand() * 254));
  const rawText = cws.map((c) => '^' + String(c).padStart(3, '0')).join('');
  out.push(`raw ${name.toLowerCase()} ${name} ${hex(cws)} ${symbol(rawText, { raw: true, version: size })}`);
}

// ---- texts where bwip-js chooses the same encodation as ours -------------------------
// [id, encoding, version, data as a latin-1 string (one char per byte)]
const DIGITS = '0123456789';
const UPPER = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ';
const LOWER = 'abcdefghijklmnopqrstuvwxyz';
function highBytes(n) {
  let s = '';
  for (let i = 0; i < n; i++) s += String.fromCharCode(128 + Math.floor(rand() * 128));
  return s;
}
const texts = [
  // ASCII: digit pairs, single digits, upper shift, padding into larger sizes
  ['ascii_123456', 'dmeAutomatic', 'ksDMAutomatic', '123456'],
  ['ascii_a', 'dmeAutomatic', 'ksDMAutomatic', 'A'],
  ['ascii_odd_digits', 'dmeASCII', 'ksDMAutomatic', '1234567'],
  ['ascii_digits_40', 'dmeASCII', 'ksDMAutomatic', pick(DIGITS, 40)],
  ['ascii_digits_fixed_24', 'dmeASCII', 'ksDM24x24', pick(DIGITS, 9)],
  ['ascii_digits_52', 'dmeASCII', 'ksDMAutomatic', pick(DIGITS, 400)],
  ['ascii_digits_104', 'dmeASCII', 'ksDMAutomatic', pick(DIGITS, 1600)],
  ['ascii_digits_144_full', 'dmeASCII', 'ksDMAutomatic', pick(DIGITS, 3116)],
  ['ascii_digits_144_padded', 'dmeASCII', 'ksDM144x144', pick(DIGITS, 3000)],
  ['ascii_upper_shift', 'dmeASCII', 'ksDMAutomatic', '\u00e9'],
  ['ascii_mixed', 'dmeASCII', 'ksDMAutomatic', 'A1b2'],
  ['ascii_rect_8x18', 'dmeASCII', 'ksDM8x18', '1234567890'],
  ['ascii_rect_8x32', 'dmeASCII', 'ksDM8x32', pick(DIGITS, 17)],
  ['ascii_rect_12x26', 'dmeASCII', 'ksDM12x26', pick(DIGITS, 30)],
  ['ascii_rect_12x36', 'dmeASCII', 'ksDM12x36', pick(DIGITS, 44)],
  ['ascii_rect_16x36', 'dmeASCII', 'ksDM16x36', pick(DIGITS, 60)],
  ['ascii_rect_16x48', 'dmeASCII', 'ksDm16x48', pick(DIGITS, 98)],
  // C40 (bwip-js held in C40 by c40headerlength)
  ['c40_ab', 'dmeC40', 'ksDMAutomatic', 'AB'],
  ['c40_abcdef', 'dmeC40', 'ksDMAutomatic', 'ABCDEF'],
  ['c40_upper_digits', 'dmeC40', 'ksDMAutomatic', pick(UPPER + DIGITS + ' ', 60)],
  ['c40_shifts', 'dmeC40', 'ksDMAutomatic', 'AB-CD/EF.GH:IJ'],
  ['c40_lower', 'dmeC40', 'ksDMAutomatic', 'ABcdEFgh'],
  ['c40_fixed_32', 'dmeC40', 'ksDM32x32', pick(UPPER, 30)],
  // Text, X12, EDIFACT. A partial last triple or group is left differently by bwip-js
  // (e.g. the EDIFACT unlatch inside the last group), equally valid; such endings are
  // checked by decoding our symbols instead.
  ['text_lower', 'dmeText', 'ksDMAutomatic', 'hello world this is the text mode'],
  ['text_lower_rand', 'dmeText', 'ksDMAutomatic', pick(LOWER + ' ', 45)],
  ['x12_terms', 'dmeX12', 'ksDMAutomatic', 'ABC>DEF*GHI>JKL*MNO>PQR'],
  ['x12_rand', 'dmeX12', 'ksDMAutomatic', pick(UPPER + DIGITS + '*>\r', 60)],
  ['edifact_dots', 'dmeEDIFACT', 'ksDMAutomatic', 'ABC.DEF.GHI.JKL.MNO.PQR.STU.'],
  ['edifact_rand', 'dmeEDIFACT', 'ksDMAutomatic', pick('.:;@=<[]^-/' + UPPER, 48)],
  // Base 256: the length field, one codeword or two
  ['base256_short', 'dmeBinary', 'ksDMAutomatic', highBytes(40)],
  ['base256_long', 'dmeBinary', 'ksDMAutomatic', highBytes(300)],
];

for (const [id, enc, version, data] of texts) {
  const opts = { binarytext: true };  // the data is bytes already; no UTF-8 conversion
  if (version !== 'ksDMAutomatic') opts.version = BWIP_SIZE[version];
  if (enc === 'dmeC40') opts.c40headerlength = data.length;
  out.push(`text ${id} ${enc} ${version} ${hex(bytesOf(data))} ${symbol(data, opts)}`);
}

process.stdout.write(
  '# Data Matrix ECC 200 reference symbols made by bwip-js (tools/refgen/datamatrix.js).\n' +
    '# raw  <id> <version> <data codewords hex> <rows>x<cols> <module rows>\n' +
    '# text <id> <encoding> <version> <data bytes hex> <rows>x<cols> <module rows>\n' +
    out.join('\n') +
    '\n',
);
