// Reads a device configuration file (DCF) written by ordane-cli with the independent
// reader and checks the commissioned values against the project:
//
//   node check-dcf.js PROJECT_FOLDER DCF_FILE [NODE_ID BIT_RATE_KBIT]
//
// Without NODE_ID and BIT_RATE_KBIT they come from the project's pargen.xml (node 1 and
// 1000 kbit/s when it is missing). The EDS content of the file is checked by check-eds.js.
//
// The reader loads a DCF as an EDS: it keeps DefaultValue and drops ParameterValue and
// [DeviceComissioning]. Those are read here with the INI parser the reader itself uses,
// and every ParameterValue is then set as the value of its object, so that the reader's
// own PDO parsing sees the configured node.

'use strict';

const fs = require('fs');
const path = require('path');
const ini = require('ini');
const { Eds } = require('canopen/source/eds');

const [projectFolder, dcfFile, nodeArgument, rateArgument] = process.argv.slice(2);
if (!projectFolder || !dcfFile) {
    console.error('usage: node check-dcf.js PROJECT_FOLDER DCF_FILE [NODE_ID BIT_RATE_KBIT]');
    process.exit(2);
}

// --- The project, read here on its own ------------------------------------------------

function documentText(name) {
    const other = fs.readdirSync(projectFolder).sort()
        .find((n) => n.toLowerCase() === name.toLowerCase());
    const file = fs.existsSync(path.join(projectFolder, name)) ? path.join(projectFolder, name)
        : other ? path.join(projectFolder, other) : null;
    return file ? fs.readFileSync(file, 'utf-8').replace(/<!--[\s\S]*?-->/g, '') : null;
}

// Number text: decimal, or hexadecimal after "$", "0x", "0X", "x" or "X".
function number(text) {
    const t = String(text).trim();
    const m = /^([+-]?)(\$|0[xX]|[xX])([0-9A-Fa-f]+)$/.exec(t);
    return m ? parseInt(m[1] + m[3], 16) : /^[+-]?\d+$/.test(t) ? parseInt(t, 10) : NaN;
}

function pargenValue(name) {
    const text = documentText('pargen.xml');
    const m = text && new RegExp(`<${name}>([^<]*)</${name}>`).exec(text);
    return m ? m[1] : null;
}

const rates = [10, 20, 50, 100, 125, 250, 500, 800, 1000];
const nodeId = nodeArgument !== undefined ? number(nodeArgument)
    : pargenValue('IDDev_CANopen') !== null ? number(pargenValue('IDDev_CANopen')) : 1;
const bitRate = rateArgument !== undefined ? number(rateArgument)
    : pargenValue('Baud_CANopen') !== null ? rates[number(pargenValue('Baud_CANopen'))] : 1000;

function pdoCobIds(name) {
    const text = documentText(name);
    if (!text)
        return [];
    return [...text.matchAll(/<row\b[^>]*?\bCOB-ID\s*=\s*"([^"]*)"/g)].map((m) => number(m[1]));
}
const receive = pdoCobIds('pdoJ1939.xml');
const transmit = pdoCobIds('TpdoJ1939.xml');

// --- What the reader makes of the file --------------------------------------------------

const failures = [];
function check(condition, text) {
    if (!condition)
        failures.push(text);
}
const hex = (value) => '0x' + value.toString(16).toUpperCase();

const sections = ini.parse(fs.readFileSync(dcfFile, 'utf-8'));
const commissioning = sections.DeviceComissioning;
if (!commissioning) {
    console.error(`${dcfFile}: no [DeviceComissioning] section`);
    process.exit(1);
}
check(number(commissioning.NodeID) === nodeId, `NodeID=${commissioning.NodeID}, expected ${nodeId}`);
check(number(commissioning.Baudrate) === bitRate, `Baudrate=${commissioning.Baudrate}, expected ${bitRate}`);
for (const key of ['NodeName', 'NetNumber', 'NetworkName', 'CANopenManager', 'LSS_SerialNumber'])
    check(commissioning[key] !== undefined, `[DeviceComissioning] has no ${key}`);
check(commissioning.CANopenManager === '0', `CANopenManager=${commissioning.CANopenManager}, expected 0`);
check(sections.FileInfo.FileName === path.basename(dcfFile),
    `FileName=${sections.FileInfo.FileName}, expected ${path.basename(dcfFile)}`);

const eds = Eds.fromFile(dcfFile);
const objectPattern = /^([0-9A-Fa-f]{4})(?:sub([0-9A-Fa-f]+))?$/;
let configured = 0;
for (const [name, section] of Object.entries(sections)) {
    const m = objectPattern.exec(name);
    if (!m || section.DefaultValue === undefined)
        continue;
    if (section.ParameterValue === undefined) {
        failures.push(`[${name}] has a DefaultValue but no ParameterValue`);
        continue;
    }
    const entry = eds.getEntry(parseInt(m[1], 16));
    const object = m[2] === undefined ? entry : entry && entry[parseInt(m[2], 16)];
    if (!object) {
        failures.push(`[${name}] not read`);
        continue;
    }
    // Strings keep their text; numbers are set as numbers.
    const value = section.ParameterValue;
    object.value = /^(0x[0-9A-Fa-f]+|\d+)$/.test(value) && typeof object.value !== 'string'
        ? Number(value) : value;
    ++configured;
}

check(eds.getEntry(0x1200)[1].value === 0x600 + nodeId,
    `1200sub1: ${hex(eds.getEntry(0x1200)[1].value)}, expected ${hex(0x600 + nodeId)}`);
check(eds.getEntry(0x1200)[2].value === 0x580 + nodeId,
    `1200sub2: ${hex(eds.getEntry(0x1200)[2].value)}, expected ${hex(0x580 + nodeId)}`);

function checkPdos(direction, read, expected) {
    check(read.length === expected.length, `${direction}: ${read.length} PDOs configured, expected ${expected.length}`);
    expected.forEach((cobId, i) => check(read[i] && read[i].cobId === cobId,
        `${direction} ${i + 1}: COB-ID ${read[i] && hex(read[i].cobId)}, expected ${hex(cobId)}`));
}
checkPdos('receive PDO', eds.getReceivePdos(), receive);
checkPdos('transmit PDO', eds.getTransmitPdos(), transmit);

if (failures.length) {
    for (const f of failures)
        console.error(`${dcfFile}: ${f}`);
    process.exit(1);
}
console.log(`${dcfFile}: node ${nodeId} at ${bitRate} kbit/s, ${configured} configured values, ` +
    `${receive.length} receive and ${transmit.length} transmit PDOs read as written`);
