// Writes tests/data/gs1_vectors.txt: classic-notation GS1 texts and the group-separated
// element string bwip-js makes of them. bwip-js does not expose its element string, so
// for each text every placement of FNC1 between the elements is encoded as plain Data
// Matrix and the one whose modules equal bwip-js's GS1 Data Matrix is taken.
// Usage: node tools/refgen/gs1.js > tests/data/gs1_vectors.txt
'use strict';
const bwipjs = require('./node_modules/bwip-js');

// Texts whose values are valid in both AI tables, check digits included; AI
// combinations are not the point here, so bwip-js's linter is switched off.
const inputs = [
  '(01)12345678901231(10)ABC(17)101231',
  '(00)123456789012345675(21)X1',
  '(02)12345678901231(37)24(10)L1',
  '(01)12345678901231(3102)001250(15)991231',
  '(3103)000189(3922)1299(10)B',
  '(20)12(11)100101(90)A-B/C',
  '(10)ABC(11)101231',
  '(10)ABCDEFGHIJKLMNOPQRST(21)1',
  '(8005)123456(10)ABC',
  '(402)12345678901234560(10)A',
  '(7001)1234567890123(21)S',
  '(410)1234567890128(8018)123456789012345675(254)X',
  '(8006)123456789012345678(8020)REF1',
  '(422)203(424)203',
  '(30)12(37)5(400)PO1',
  '(99)INTERNAL(98)x',
  '(242)12(250)SN(251)REF',
  '(8100)123456(8102)12',
  '(01)12345678901231',
];

function modules(bcid, text, opts) {
  const r = bwipjs.raw(bcid, text, opts)[0];
  return r.pixx + ':' + r.pixs.join('');
}

function elements(classic) {
  return [...classic.matchAll(/\((\d+)\)([^(]*)/g)].map((m) => m[1] + m[2]);
}

function elementString(classic) {
  const target = modules('gs1datamatrix', classic, {dontlint: true});
  const el = elements(classic);
  for (let mask = 0; mask < 1 << (el.length - 1); ++mask) {
    let fnc = '^FNC1';
    el.forEach((e, i) => {
      fnc += e;
      if (i < el.length - 1 && (mask >> i) & 1) fnc += '^FNC1';
    });
    if (modules('datamatrix', fnc, {parsefnc: true}) === target) {
      return fnc.slice(5).replace(/\^FNC1/g, '<GS>');
    }
  }
  throw new Error('no FNC1 placement reproduces ' + classic);
}

console.log('# classic text <TAB> element string (<GS> = group separator, code 29); made by');
console.log('# tools/refgen/gs1.js with bwip-js ' + bwipjs.BWIPJS_VERSION);
for (const t of inputs) console.log(t + '\t' + elementString(t));
