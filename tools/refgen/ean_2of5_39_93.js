'use strict';
// Writes tests/data/ean_2of5_39_93_vectors.txt: reference bar patterns of the EAN/UPC,
// two-of-five, Code 39 and Code 93 symbologies made by bwip-js, as module runs.
//
// Run once from anywhere: node tools/refgen/ean_2of5_39_93.js
// The texts come from a seeded generator, so a rerun writes the same file.
//
// Each line: symbology <TAB> options <TAB> data text <TAB> runs
//   options  "-" or a comma list of "+boX"/"-boX" changes to the default options
//   text     what is typed into the barcode object ("\\" and "\uXXXX" escapes)
//   runs     widths of the bars and spaces from the first bar to the last, quiet
//            zones aside; "n"/"w" for narrow/wide where a symbology has two widths;
//            "G" for the gap before an add-on; for bc25Invert the data modules only.

const fs = require('fs');
const path = require('path');
const bwipjs = require(path.join(__dirname, 'node_modules', 'bwip-js'));

let seed = 20240917;
function rnd(n) {
  seed = (seed * 1103515245 + 12345) % 2147483648;
  return Math.floor((seed / 2147483648) * n);
}
function randomDigits(n) {
  let s = '';
  for (let i = 0; i < n; i++) s += String(rnd(10));
  return s;
}
function randomFrom(alphabet, n) {
  let s = '';
  for (let i = 0; i < n; i++) s += alphabet[rnd(alphabet.length)];
  return s;
}

// ---- bwip-js output as modules and runs ----

function modules(bcid, text, opts) {
  const sbs = bwipjs.raw(bcid, text, opts || {})[0].sbs;
  let m = '';
  for (let i = 0; i < sbs.length; i++) m += (i % 2 ? '0' : '1').repeat(sbs[i]);
  return m;
}
function runsOf(mods, twoWidths) {
  const trimmed = mods.replace(/^0+|0+$/g, '');
  const out = [];
  for (const run of trimmed.match(/1+|0+/g)) out.push(twoWidths ? (run.length > 1 ? 'w' : 'n') : String(run.length));
  return out.join('');
}
const exact = (bcid, text, opts) => runsOf(modules(bcid, text, opts), false);
const twoWidth = (bcid, text, opts) => runsOf(modules(bcid, text, opts), true);

// ---- check digits, computed here independently ----

// Modulo 10 with weights alternating from the left, starting with `first` (1 or 3).
function mod10(digits, first) {
  let s = 0;
  for (let i = 0; i < digits.length; i++) s += Number(digits[i]) * (i % 2 === 0 ? first : 4 - first);
  return String((10 - (s % 10)) % 10);
}
const eanCheck = (d) => mod10(d, 1);  // 12 digits of EAN-13
const upcCheck = (d) => mod10(d, 3);  // EAN-8, UPC-A, ITF-14 and friends
function upceExpand(d) {  // number system + six digits -> 11 digits of UPC-A
  const [ns, d1, d2, d3, d4, d5, d6] = d;
  if (d6 <= '2') return ns + d1 + d2 + d6 + '0000' + d3 + d4 + d5;
  if (d6 === '3') return ns + d1 + d2 + d3 + '00000' + d4 + d5;
  if (d6 === '4') return ns + d1 + d2 + d3 + d4 + '00000' + d5;
  return ns + d1 + d2 + d3 + d4 + d5 + '0000' + d6;
}
function issnCheck(d7) {
  let s = 0;
  for (let i = 0; i < 7; i++) s += Number(d7[i]) * (8 - i);
  const c = (11 - (s % 11)) % 11;
  return c === 10 ? 'X' : String(c);
}
function opcCheck(d9) {
  let s = 0;
  for (let i = 0; i < 9; i++) {
    let d = Number(d9[i]) * (i % 2 === 0 ? 2 : 1);
    if (d >= 10) d -= 9;
    s += d;
  }
  return String((10 - (s % 10)) % 10);
}

// ---- rows ----

const rows = [];
function row(sym, opts, text, runs) {
  rows.push([sym, opts || '-', text, runs]);
}

// The add-on is a symbol of its own after a gap; the standard allows a gap of 7 to 12
// modules, bwip-js leaves 12 and we leave 10, so the gap is compared as "G".
function addOnRuns(digits) {
  return digits ? 'G' + exact(digits.length === 2 ? 'ean2' : 'ean5', digits) : '';
}
// Add-ons of 2 digits for each value mod 4, and of 5 digits for each checksum 0-9.
const addOns2 = ['12', '05', '34', '99'];
const addOns5 = ['52495', '00000', '12345', '90000', '24600', '54321', '13579', '00099', '86420', '70707'];
function addOnFor(i) {
  if (i % 3 === 1) return addOns2[(i / 3 | 0) % 4];
  if (i % 3 === 2) return addOns5[(i / 3 | 0) % 10];
  return '';
}

function eanRows() {
  for (let i = 0; i < 16; i++) {
    // Every leading digit 0-9 at least once, so every parity row of the left half.
    const d12 = String(i % 10) + randomDigits(11);
    const full = d12 + eanCheck(d12);
    const add = i < 10 ? '' : addOnFor(i - 9);
    row('bcEan13', '-', add ? full + ' ' + add : d12, exact('ean13', full) + addOnRuns(add));
  }
  for (let i = 0; i < 12; i++) {
    const d11 = '49' + randomDigits(10);  // JAN-13: EAN-13 with the prefix 49
    const full = d11 + eanCheck(d11);
    const add = addOnFor(i);
    row('bcJAN13', '-', add ? full + ' ' + add : d11, exact('ean13', full) + addOnRuns(add));
  }
  for (let i = 0; i < 12; i++) {
    const d7 = randomDigits(7);
    const full = d7 + upcCheck(d7);
    const add = addOnFor(i);
    row('bcEan8', '-', add ? full + ' ' + add : d7, exact('ean8', full) + addOnRuns(add));
  }
  for (let i = 0; i < 12; i++) {
    const d7 = '49' + randomDigits(5);  // JAN-8: EAN-8 with the prefix 49
    const full = d7 + upcCheck(d7);
    const add = addOnFor(i);
    row('bcJAN8', '-', add ? full + ' ' + add : d7, exact('ean8', full) + addOnRuns(add));
  }
  for (let i = 0; i < 12; i++) {
    const d11 = randomDigits(11);
    const full = d11 + upcCheck(d11);
    const add = addOnFor(i);
    row('bcUPCA', '-', add ? full + ' ' + add : d11, exact('upca', full) + addOnRuns(add));
  }
  for (let i = 0; i < 14; i++) {
    // Every last data digit 0-9, so every expansion rule.
    const d6 = randomDigits(5) + String(i % 10);
    const add = i < 10 ? '' : addOnFor(i - 9);
    const ns0 = '0' + d6;
    const text0 = add ? ns0 + upcCheck(upceExpand(ns0)) + ' ' + add : ns0;
    row('bcUPCE0', '-', text0, exact('upce', ns0 + upcCheck(upceExpand(ns0))) + addOnRuns(add));
    // UPC-E1 is UPC-E in number system 1; its data text keeps the "0" in front.
    const ns1 = '1' + d6;
    row('bcUPCE1', '-', text0, exact('upce', ns1 + upcCheck(upceExpand(ns1))) + addOnRuns(add));
  }
}

// Book numbers: bwip-js takes them in their own hyphenated forms; the EAN-13 symbol is
// the prefix, the nine significant digits and the EAN check digit in both.
function bookRows() {
  for (let i = 0; i < 12; i++) {
    const d9 = randomDigits(9);
    const add = addOnFor(i);
    const isbnCheck = (() => {
      let s = 0;
      for (let k = 0; k < 9; k++) s += (k + 1) * Number(d9[k]);
      return s % 11 === 10 ? 'X' : String(s % 11);
    })();
    const ours = d9.slice(0, 2) + '-' + d9.slice(2, 6) + '-' + d9.slice(6) + (add ? '-' + isbnCheck + ' ' + add : '');
    const theirs = '978-' + d9.slice(0, 2) + '-' + d9.slice(2, 6) + '-' + d9.slice(6);
    row('bcISBN', '-', ours, exact('isbn', theirs) + addOnRuns(add));
  }
  for (let i = 0; i < 12; i++) {
    const d7 = randomDigits(7);
    const variant = randomDigits(2);
    const add = addOnFor(i);
    // Our ISSN text here is the seven ISSN digits and the two-digit issue code.
    const d9 = d7 + variant;
    const ours = d9.slice(0, 4) + '-' + d9.slice(4, 7) + '-' + d9.slice(7) + (add ? ' ' + add : '');
    const theirs = d7.slice(0, 4) + '-' + d7.slice(4) + issnCheck(d7) + ' ' + variant;
    row('bcISSN', '-', ours, exact('issn', theirs) + addOnRuns(add));
  }
  for (let i = 0; i < 12; i++) {
    const d8 = randomDigits(8);  // ISMN-13 is 979-0 and eight digits
    const add = addOnFor(i);
    const d9 = '0' + d8;
    const ours = d9.slice(0, 4) + '-' + d9.slice(4, 7) + '-' + d9.slice(7) + (add ? '-0 ' + add : '');
    const theirs = '979-0-' + d8.slice(0, 4) + '-' + d8.slice(4);
    row('bcISMN', '-', ours, exact('ismn', theirs) + addOnRuns(add));
  }
}

// UPC shipping: the 14 digits as ITF-14, then after a gap six digits as interleaved 2 of 5.
function shippingRows() {
  for (let i = 0; i < 12; i++) {
    const d13 = randomDigits(13);
    const full = d13 + upcCheck(d13);
    const add = i % 2 ? randomDigits(6) : '';
    const addRuns = add ? 'G' + twoWidth('interleaved2of5', add) : '';
    row('bcUPCShipping', '-', add ? full + ' ' + add : d13, twoWidth('itf14', full) + addRuns);
  }
}

function interleavedRows() {
  for (let i = 0; i < 12; i++) {
    const n = 2 + 2 * (i % 8) + (i >= 8 ? 20 : 0);
    const d = randomDigits(n);
    row('bc25Interleaved', '-', d, twoWidth('interleaved2of5', d));
  }
  // ITF: 5, 13 and 15 digits get a check digit, the last of 6, 14 and 16 digits is
  // replaced by it; other lengths are taken as they are, odd ones with a leading zero
  // when that option is set.
  const itfLengths = [5, 13, 15, 5, 13, 15, 6, 14, 16, 2, 4, 10, 20];
  for (const n of itfLengths) {
    const d = randomDigits(n);
    let full = d;
    if (n === 5 || n === 13 || n === 15) full = d + upcCheck(d);
    if (n === 6 || n === 14 || n === 16) full = d.slice(0, -1) + upcCheck(d.slice(0, -1));
    row('bcITF', '-', d, twoWidth('interleaved2of5', full));
  }
  for (const n of [1, 3, 7, 9, 11, 17]) {
    const d = randomDigits(n);
    row('bcITF', '+boAddLeadingZero', d, twoWidth('interleaved2of5', '0' + d));
  }
  // bwip-js has no OPC; an OPC symbol is interleaved 2 of 5 of nine digits and the OPC
  // check digit, computed here.
  for (let i = 0; i < 12; i++) {
    const d9 = randomDigits(9);
    row('bcOPC', '-', d9, twoWidth('interleaved2of5', d9 + opcCheck(d9)));
  }
}

function twoOfFiveRows() {
  const kinds = [
    ['bc25Datalogic', 'datalogic2of5'], ['bc25Matrix', 'matrix2of5'], ['bc25Industrial', 'industrial2of5'],
    ['bc25IATA', 'iata2of5'], ['bc25Coop', 'coop2of5']];
  const lengths = [1, 2, 3, 4, 5, 6, 8, 10, 11, 13, 16, 24];
  for (const [sym, bcid] of kinds) {
    for (const n of lengths) {
      const d = randomDigits(n);
      row(sym, '-', d, twoWidth(bcid, d));
    }
  }
  // bwip-js has no Invert 2 of 5; its digits are the IATA digits with light and dark
  // exchanged, so the data modules are compared (start and stop have no counterpart).
  for (const n of lengths) {
    const d = randomDigits(n);
    const iata = modules('iata2of5', d);
    const data = iata.slice(4, iata.length - 5);  // IATA start "1010", stop "11101"
    row('bc25Invert', '-', d, data.replace(/[01]/g, (c) => (c === '0' ? '1' : '0')));
  }
}

const CODE39 = '0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%';
let ASCII = '';
for (let c = 32; c <= 126; c++) ASCII += String.fromCharCode(c);

function code39Rows() {
  row('bcCode39Standard', '-', CODE39, twoWidth('code39', CODE39));
  for (let i = 0; i < 12; i++) {
    const t = randomFrom(CODE39, 1 + rnd(20));
    row('bcCode39Standard', '-', t, twoWidth('code39', t));
  }
  // Every printable character once, then random texts.
  for (let k = 0; k < ASCII.length; k += 24) {
    const t = ASCII.slice(k, k + 24);
    row('bcCode39Full', '-', t, twoWidth('code39ext', t));
  }
  for (let i = 0; i < 10; i++) {
    const t = randomFrom(ASCII, 1 + rnd(16));
    row('bcCode39Full', '-', t, twoWidth('code39ext', t));
  }
}

// Code 93 values 43-46 are the shift characters, written '&', '"', '(' and ')' in our
// texts and as ^SFT$, ^SFT%, ^SFT/, ^SFT+ for bwip-js.
const CODE93 = CODE39 + '&"()';
function toBwip93(t) {
  return t.replace(/[&"()]/g, (c) => ({ '&': '^SFT$', '"': '^SFT%', '(': '^SFT/', ')': '^SFT+' })[c]);
}

function code93Rows() {
  row('bcCode93Standard', '-', CODE93, exact('code93', toBwip93(CODE93), { parsefnc: true, includecheck: true }));
  for (let i = 0; i < 12; i++) {
    const t = randomFrom(CODE93, 1 + rnd(24));
    row('bcCode93Standard', '-', t, exact('code93', toBwip93(t), { parsefnc: true, includecheck: true }));
  }
  // Without automatic check digits the symbol is the same: C and K are always written.
  for (const t of ['TEST', 'A', 'CODE 93', '0123456789ABCDEFGHIJ', '$/+%-. &"()']) {
    row('bcCode93Standard', '-boAutoCheckDigit', t, exact('code93', toBwip93(t), { parsefnc: true, includecheck: true }));
  }
  for (const t of ['a', 'Code 93!', '~{x}']) {
    row('bcCode93Full', '-boAutoCheckDigit', t, exact('code93ext', t, { includecheck: true }));
  }
  for (let k = 0; k < ASCII.length; k += 24) {
    const t = ASCII.slice(k, k + 24);
    row('bcCode93Full', '-', t, exact('code93ext', t, { includecheck: true }));
  }
  for (let i = 0; i < 10; i++) {
    const t = randomFrom(ASCII, 1 + rnd(16));
    row('bcCode93Full', '-', t, exact('code93ext', t, { includecheck: true }));
  }
}

eanRows();
bookRows();
shippingRows();
interleavedRows();
twoOfFiveRows();
code39Rows();
code93Rows();

const escape = (t) => t.replace(/\\/g, '\\\\');
const out = [
  `# Reference module runs made by tools/refgen/ean_2of5_39_93.js with bwip-js ${bwipjs.BWIPJS_VERSION}`,
  '# (BWIPP ' + bwipjs.BWIPP_VERSION + '). Columns: symbology, options, data text, runs.',
  ...rows.map((r) => [r[0], r[1], escape(r[2]), r[3]].join('\t')),
];
const file = path.join(__dirname, '..', '..', 'tests', 'data', 'ean_2of5_39_93_vectors.txt');
fs.writeFileSync(file, out.join('\n') + '\n');
console.log(`${rows.length} rows written to ${path.relative(process.cwd(), file)}`);
