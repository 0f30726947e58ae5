// Reads an EDS file written by ordane-cli with an independent EDS reader and checks that
// the objects, PDO counts, COB-IDs and mappings come out as the project's documents say.
//
//   node check-eds.js PROJECT_FOLDER EDS_FILE
//
// Exit status 0 when everything matches; otherwise every mismatch is printed.

'use strict';

const fs = require('fs');
const path = require('path');
const assert = require('assert');
// The reader alone: the package's bus protocols need a native module we do not build.
const { Eds } = require('canopen/source/eds');

const [projectFolder, edsFile] = process.argv.slice(2);
if (!projectFolder || !edsFile) {
    console.error('usage: node check-eds.js PROJECT_FOLDER EDS_FILE');
    process.exit(2);
}

// --- The project's documents, read here on their own --------------------------------

// Exact name first, then any name that matches without regard to case.
function documentPath(name) {
    const exact = path.join(projectFolder, name);
    if (fs.existsSync(exact))
        return exact;
    const other = fs.readdirSync(projectFolder).sort()
        .find((n) => n.toLowerCase() === name.toLowerCase());
    return other ? path.join(projectFolder, other) : null;
}

// The attributes of each child element of the root.
function rows(name) {
    const file = documentPath(name);
    if (!file)
        return [];
    const text = fs.readFileSync(file, 'utf-8')
        .replace(/<\?[\s\S]*?\?>/g, '').replace(/<!--[\s\S]*?-->/g, '');
    const result = [];
    let depth = 0;
    for (const tag of text.matchAll(/<(\/?)([A-Za-z_][\w.-]*)([^>]*?)(\/?)>/g)) {
        const [, closing, , attributes, selfClosing] = tag;
        if (closing) {
            --depth;
            continue;
        }
        if (depth === 1) {
            const row = {};
            for (const [, key, value] of attributes.matchAll(/([\w-]+)\s*=\s*"([^"]*)"/g))
                row[key] = value.replace(/&quot;/g, '"').replace(/&lt;/g, '<')
                    .replace(/&gt;/g, '>').replace(/&amp;/g, '&');
            result.push(row);
        }
        if (!selfClosing)
            ++depth;
    }
    return result;
}

// Number text: decimal, or hexadecimal after "$", "0x", "0X", "x" or "X".
function number(text) {
    const t = String(text).trim();
    const m = /^([+-]?)(\$|0[xX]|[xX])([0-9A-Fa-f]+)$/.exec(t);
    const value = m ? parseInt(m[1] + m[3], 16) : /^[+-]?\d+$/.test(t) ? parseInt(t, 10) : NaN;
    assert(!Number.isNaN(value), `not a number: '${text}'`);
    return value;
}

const hex4 = (value) => value.toString(16).toUpperCase().padStart(4, '0');

const receive = rows('pdoJ1939.xml').map((r) => ({ cobId: number(r['COB-ID']), dimension: number(r.Dimension) }));
const transmit = rows('TpdoJ1939.xml').map((r) => ({ cobId: number(r['COB-ID']), dimension: number(r.Dimension) }));

// Index -> sub-index -> { dimension, readOnly }, in order of first appearance.
const objects = new Map();
for (const [name, readOnly] of [['RInfoCob.xml', true], ['TInfoCob.xml', false]]) {
    for (const r of rows(name)) {
        const index = number(r.Index) & 0xFFFF;
        if (!objects.has(index))
            objects.set(index, new Map());
        objects.get(index).set(number(r.SubIndex) & 0xFF, { dimension: number(r.Dimension), readOnly });
    }
}

// --- What the reader makes of the file ------------------------------------------------

const failures = [];
function check(condition, text) {
    if (!condition)
        failures.push(text);
}

const eds = Eds.fromFile(edsFile);

const fixed = [0x1000, 0x1001, 0x1018, 0x1003, 0x1008, 0x1009, 0x100A, 0x1017, 0x1200, 0x1280,
    0x2010, 0x2020, 0x2021, 0x2022, 0x2023, 0x202A, 0x202B, 0x202C, 0x202D];
const expectedObjects = [...fixed,
    ...receive.flatMap((_, i) => [0x1400 + i, 0x1600 + i]),
    ...transmit.flatMap((_, i) => [0x1800 + i, 0x1A00 + i]),
    ...objects.keys()].sort((a, b) => a - b);
const readObjects = [...eds.keys()].map((k) => parseInt(k, 16)).sort((a, b) => a - b);
check(JSON.stringify(readObjects) === JSON.stringify(expectedObjects),
    `objects: read ${readObjects.map(hex4)}, expected ${expectedObjects.map(hex4)}`);

check(eds.nrOfRXPDO === receive.length && Number(eds.deviceInfo.NrOfRXPDO) === receive.length,
    `receive PDOs: ${eds.nrOfRXPDO} objects, NrOfRXPDO=${eds.deviceInfo.NrOfRXPDO}, expected ${receive.length}`);
check(eds.nrOfTXPDO === transmit.length && Number(eds.deviceInfo.NrOfTXPDO) === transmit.length,
    `transmit PDOs: ${eds.nrOfTXPDO} objects, NrOfTXPDO=${eds.deviceInfo.NrOfTXPDO}, expected ${transmit.length}`);

function checkPdos(direction, read, expected, firstDataObject) {
    check(read.length === expected.length, `${direction}: ${read.length} PDOs read, expected ${expected.length}`);
    expected.forEach((pdo, i) => {
        const got = read[i];
        if (!got)
            return;
        check(got.cobId === (pdo.cobId & 0x7FF), `${direction} ${i + 1}: COB-ID ${got.cobId}, expected ${pdo.cobId}`);
        const count = Math.max(0, Math.min(pdo.dimension, 8));
        const want = Array.from({ length: count }, (_, k) => `${hex4(firstDataObject + i)}sub${k + 1}`);
        const have = got.dataObjects.map((o) => `${hex4(o.index)}sub${o.subIndex}`);
        check(JSON.stringify(have) === JSON.stringify(want), `${direction} ${i + 1}: maps ${have}, expected ${want}`);
        check(got.dataSize === count, `${direction} ${i + 1}: ${got.dataSize} bytes, expected ${count}`);
    });
}
checkPdos('receive PDO', eds.getReceivePdos(), receive, 0x2020);
checkPdos('transmit PDO', eds.getTransmitPdos(), transmit, 0x202A);

// Each mapping object declares its eight entries, unused ones as zero.
[...receive.map((p, i) => [0x1600 + i, p]), ...transmit.map((p, i) => [0x1A00 + i, p])].forEach(([index, pdo]) => {
    const entry = eds.getEntry(index);
    check(entry && entry.subNumber === 9, `${hex4(index)}: SubNumber ${entry && entry.subNumber}, expected 9`);
    for (let k = 1; entry && k <= 8; ++k)
        check(entry[k] !== undefined && (k <= pdo.dimension || entry[k].value === 0),
            `${hex4(index)}sub${k}: ${entry[k] ? entry[k].value : 'missing'}`);
});

const dataTypes = { 0: 0x0007, 1: 0x0006, 2: 0x0005 };
for (const [index, subs] of objects) {
    const entry = eds.getEntry(index);
    if (!entry) {
        failures.push(`${hex4(index)} missing`);
        continue;
    }
    const highest = Math.max(...subs.keys());
    const generated = !subs.has(0);
    check(entry.subNumber === subs.size + (generated ? 1 : 0),
        `${hex4(index)}: SubNumber ${entry.subNumber}, expected ${subs.size + (generated ? 1 : 0)}`);
    if (generated)
        check(entry[0] && entry[0].value === highest, `${hex4(index)}sub0: ${entry[0] && entry[0].value}, expected ${highest}`);
    for (const [subIndex, sub] of subs) {
        const s = entry[subIndex];
        if (!s) {
            failures.push(`${hex4(index)}sub${subIndex} missing`);
            continue;
        }
        const dataType = dataTypes[sub.dimension] || 0x0007;
        check(s.dataType === dataType, `${hex4(index)}sub${subIndex}: DataType ${s.dataType}, expected ${dataType}`);
        check(s.accessType === (sub.readOnly ? 'ro' : 'rw'),
            `${hex4(index)}sub${subIndex}: AccessType ${s.accessType}, expected ${sub.readOnly ? 'ro' : 'rw'}`);
    }
}

if (failures.length) {
    for (const f of failures)
        console.error(`${edsFile}: ${f}`);
    process.exit(1);
}
console.log(`${edsFile}: ${readObjects.length} objects, ${receive.length} receive and ${transmit.length} transmit PDOs read as written`);
