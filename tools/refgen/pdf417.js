#!/usr/bin/env node
// Writes tests/data/pdf417_vectors.txt: PDF417, truncated PDF417 and MicroPDF417 rows of
// modules made by bwip-js for a table of texts, modes, sizes and levels. The engine's
// tests compare their own rows with these.
//
// Usage: node tools/refgen/pdf417.js [data dir] > tests/data/pdf417_vectors.txt
// The data dir (tools/data when left out) holds pdf417_clusters.txt, used to read the
// codewords back from the rows.
'use strict';

const fs = require('fs');
const path = require('path');
const bwipjs = require(path.join(__dirname, 'node_modules', 'bwip-js'));

const dataDir = process.argv[2] || path.join(__dirname, '..', 'data');

// pattern (17 modules) -> codeword, per cluster index 0, 1, 2 (clusters 0, 3, 6)
const decodeMap = [new Map(), new Map(), new Map()];
for (const line of fs.readFileSync(path.join(dataDir, 'pdf417_clusters.txt'), 'ascii').split('\n')) {
  if (!line || line.startsWith('#')) continue;
  const [cl, cw, pattern] = line.split(' ');
  decodeMap[Number(cl) / 3].set(pattern, Number(cw));
}

function rowsOf(bcid, text, opts) {
  const sym = bwipjs.raw(bcid, text, opts)[0];
  const n = sym.pixs.length / sym.pixx;  // one entry per row (rows are not repeated in pixs)
  const rows = [];
  for (let y = 0; y < n; y++) rows.push(sym.pixs.slice(y * sym.pixx, (y + 1) * sym.pixx).join(''));
  return rows;
}

// Codewords of a standard or truncated PDF417 symbol read back from its rows.
function standardCodewords(rows, cols) {
  const out = [];
  rows.forEach((row, i) => {
    for (let j = 0; j < cols; j++) {
      const p = row.substr(34 + 17 * j, 17);
      const cw = decodeMap[i % 3].get(p);
      if (cw === undefined) throw new Error('unknown pattern ' + p);
      out.push(cw);
    }
  });
  return out;
}

function eclevelK(ecl) {
  return 2 << ecl;
}

// Our row rule for a requested number of data columns c (at least 3) and a codewords in
// total: rows = round(a / c) + 1, at least 3 (round halves to even).
function ourRows(a, c) {
  const x = a / c;
  let r = Math.round(x);
  if (Math.abs(x - Math.trunc(x)) === 0.5 && r % 2 !== 0) r -= 1;
  return Math.max(r + 1, 3);
}

function toRaw(cws) {
  return cws.map((c) => '^' + String(c).padStart(3, '0')).join('');
}

// A standard symbol: bwip-js chooses the compaction; the engine always opens with a
// mode latch, while bwip-js leaves the initial text latch 900 implicit, so it is added
// here and the symbol is rebuilt from those codewords with the engine's size.
function standard(c) {
  const k = eclevelK(c.ecl);
  const cols = Math.max(c.cols, 3);
  const opts = { columns: cols, eclevel: c.ecl, fixedeclevel: true };
  if (c.eci !== undefined) opts.parsefnc = true;
  const text = c.eci !== undefined ? '^ECI' + String(c.eci).padStart(6, '0') + c.text : c.text;
  const first = rowsOf('pdf417', text, opts);
  const all = standardCodewords(first, cols);
  let data = all.slice(1, all[0]);
  while (data.length && data[data.length - 1] === 900) data.pop();  // drop the pads
  if (c.eci !== undefined) {
    // ECI designator first, then the latch the engine writes.
    const eciLen = data[0] === 926 ? 3 : 2;
    const eci = data.slice(0, eciLen);
    let rest = data.slice(eciLen);
    if (rest[0] < 900) rest = [900].concat(rest);
    data = eci.concat(rest);
  } else if (data[0] < 900) {
    data = [900].concat(data);
  }
  const a = 1 + data.length + k;
  const rows = ourRows(a, cols);
  const raw = rowsOf('pdf417', toRaw(data), {
    raw: true, columns: cols, rows, eclevel: c.ecl, fixedeclevel: true, compact: c.kind === 'truncated',
  });
  return { rows: raw, codewords: data };
}

// A MicroPDF417 symbol of the given columns; bwip-js picks the smallest size that holds
// the data, and the engine is asked for that size.
function micro(c) {
  const opts = { columns: c.cols };
  if (c.eci !== undefined) opts.parsefnc = true;
  const text = c.eci !== undefined ? '^ECI' + String(c.eci).padStart(6, '0') + c.text : c.text;
  const rows = rowsOf('micropdf417', text, opts);
  c.rows = rows.length;
  return { rows };
}

const digits = (n) => Array.from({ length: n }, (_, i) => String((i * 7 + 3) % 10)).join('');
const bytes = (arr) => String.fromCharCode(...arr);

// name, kind, mode (the engine's compaction mode that gives bwip-js's choice), text,
// columns, rows (MicroPDF417 only), level (PDF417 only), ECI.
const cases = [
  { name: 'alpha-pdf417', kind: 'standard', mode: 'alpha', text: 'PDF417', cols: 3, ecl: 2 },
  { name: 'alpha-sentence', kind: 'standard', mode: 'alpha', text: 'Hello World2024', cols: 4, ecl: 2 },
  { name: 'alpha-level0', kind: 'standard', mode: 'alpha', text: 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz', cols: 5, ecl: 0 },
  { name: 'alpha-punct', kind: 'standard', mode: 'alpha', text: 'ab@cd;<>[]xyz', cols: 6, ecl: 3 },
  { name: 'alpha-level5', kind: 'standard', mode: 'alpha', text: 'THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG', cols: 7, ecl: 5 },
  { name: 'numeric-30', kind: 'standard', mode: 'numeric', text: digits(30), cols: 3, ecl: 1 },
  { name: 'numeric-45', kind: 'standard', mode: 'numeric', text: digits(45), cols: 4, ecl: 2 },
  { name: 'numeric-100', kind: 'standard', mode: 'numeric', text: digits(100), cols: 8, ecl: 4 },
  { name: 'binary-6', kind: 'standard', mode: 'binary', text: bytes([1, 128, 2, 255, 3, 127].map((b) => b & 0x7f)), cols: 3, ecl: 2 },
  { name: 'binary-7', kind: 'standard', mode: 'binary', text: bytes([0, 1, 2, 3, 4, 5, 6]), cols: 3, ecl: 2 },
  { name: 'binary-13', kind: 'standard', mode: 'binary', text: bytes([27, 65, 10, 66, 11, 67, 12, 68, 14, 69, 15, 70, 16]), cols: 5, ecl: 3 },
  { name: 'auto-mixed', kind: 'standard', mode: 'auto', text: 'ABCDEFGH' + digits(15) + bytes([1, 2, 3]) + 'xyzwv', cols: 5, ecl: 2 },
  { name: 'auto-text-bytes', kind: 'standard', mode: 'auto', text: 'Barvello\x07\x08\x0bkodovani', cols: 4, ecl: 3 },
  { name: 'eci-26', kind: 'standard', mode: 'alpha', text: 'ECI TEXT', eci: 26, cols: 3, ecl: 2 },
  { name: 'eci-1000', kind: 'standard', mode: 'numeric', text: digits(20), eci: 1000, cols: 3, ecl: 2 },
  { name: 'truncated-alpha', kind: 'truncated', mode: 'alpha', text: 'TRUNCATED PDF417', cols: 3, ecl: 2 },
  { name: 'truncated-numeric', kind: 'truncated', mode: 'numeric', text: digits(60), cols: 4, ecl: 3 },
  { name: 'micro-1col', kind: 'micro', mode: 'binary', text: 'PDF', cols: 1 },
  { name: 'micro-1col-long', kind: 'micro', mode: 'alpha', text: 'MICRO PDF ONE COLUMN SYMBOL', cols: 1 },
  { name: 'micro-2col', kind: 'micro', mode: 'alpha', text: 'MicroPDF417', cols: 2 },
  { name: 'micro-2col-numeric', kind: 'micro', mode: 'numeric', text: digits(80), cols: 2 },
  { name: 'micro-3col', kind: 'micro', mode: 'alpha', text: 'THREE COLUMNS', cols: 3 },
  { name: 'micro-3col-binary', kind: 'micro', mode: 'binary', text: bytes(Array.from({ length: 40 }, (_, i) => (i * 37) % 32)), cols: 3 },
  { name: 'micro-4col', kind: 'micro', mode: 'alpha', text: 'FOUR COLUMN MICRO PDF SYMBOL', cols: 4 },
  { name: 'micro-4col-numeric', kind: 'micro', mode: 'numeric', text: digits(13), cols: 4 },
  { name: 'micro-4col-auto', kind: 'micro', mode: 'auto', text: 'ABCDEFGH' + digits(20) + bytes([1, 2]) + 'abcdefg', cols: 4 },
  { name: 'micro-eci', kind: 'micro', mode: 'alpha', text: 'ECI TEXT', eci: 3, cols: 2 },
  // The largest sizes, beyond 125 codewords: 3 x 44 (132), 4 x 32 (128), 4 x 38 (152) and
  // 4 x 44 (176 codewords, 150 bytes).
  { name: 'micro-3col-44rows', kind: 'micro', mode: 'alpha', text: 'MICRO PDF ALPHA '.repeat(10).slice(0, 150), cols: 3 },
  { name: 'micro-4col-32rows', kind: 'micro', mode: 'numeric', text: digits(250), cols: 4 },
  { name: 'micro-4col-38rows', kind: 'micro', mode: 'alpha', text: 'FOUR COLUMNS THIRTY EIGHT ROWS '.repeat(7).slice(0, 200), cols: 4 },
  { name: 'micro-4col-44rows-150-bytes', kind: 'micro', mode: 'binary', text: bytes(Array.from({ length: 150 }, (_, i) => (i * 7) % 32)), cols: 4 },
];

const out = [];
out.push('# PDF417, truncated PDF417 and MicroPDF417 rows made by bwip-js ' + require(path.join(__dirname, 'node_modules', 'bwip-js', 'package.json')).version + '.');
out.push('# Generated by tools/refgen/pdf417.js; do not edit.');
out.push('# case <name>; kind standard|truncated|micro; mode alpha|binary|hex|numeric|auto;');
out.push('# hex <data bytes, UTF-8>; cols <requested columns>; rows <requested rows, 0 = auto>;');
out.push('# level <0..8, -1 = automatic>; eci <number, -1 = none>; then one "row" line per symbol row.');
for (const c of cases) {
  let res;
  try {
    res = c.kind === 'micro' ? micro(c) : standard(c);
  } catch (e) {
    throw new Error(c.name + ': ' + e.message);
  }
  out.push('case ' + c.name);
  out.push('kind ' + c.kind);
  out.push('mode ' + c.mode);
  out.push('hex ' + Buffer.from(c.text, 'utf8').toString('hex'));
  out.push('cols ' + c.cols);
  out.push('rows ' + (c.kind === 'micro' ? c.rows : 0));
  out.push('level ' + (c.kind === 'micro' ? -1 : c.ecl));
  out.push('eci ' + (c.eci === undefined ? -1 : c.eci));
  for (const r of res.rows) out.push('row ' + r);
  out.push('end');
}
process.stdout.write(out.join('\n') + '\n');
