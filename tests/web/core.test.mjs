// SPDX-License-Identifier: GPL-3.0-or-later
// The WebAssembly core against the console tool, on the project's sample
// files: the same converted bytes, exit status and texts, and the dry run's
// rows the same as the console's preview lists.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { test } from 'node:test';
import { root, runTool, sampleBytes, wasmPath } from './support.mjs';

const { loadHamshiftCore } = createRequire(import.meta.url)(join(root, 'src/web/core.js'));
const core = await loadHamshiftCore(readFileSync(wasmPath));

const cases = [
  { kind: 'v2-deck1', name: 'RADIO.DAT', changes: 3 },
  { kind: 'v2-deck2', name: 'RADIO.DAT', changes: 3 },
  { kind: 'v1-deck1', name: 'RADIO.DAT', changes: 3 },
  { kind: 'v1-deck2', name: 'RADIO.DAT', changes: 3 },
  { kind: 'kpg59d', name: 'RADIO.DAT', changes: 3 },
  { kind: 'worst', name: 'RADIO.DAT', changes: 352 },
  { kind: 'short', name: 'RADIO.DAT', changes: 1 },
  { kind: 'no-deck', name: 'RADIO.DAT', changes: 0 },
  { kind: 'unknown-version', name: 'RADIO.DAT', changes: 0 },
  { kind: 'other', name: 'RADIO.DAT', changes: 0 },
  { kind: 'empty', name: 'EMPTY.DAT', changes: 0 },
  { kind: 'v2-deck1', name: 'lower case.dat', changes: 3 },
  { kind: 'v2-deck1', name: 'RADIO.TXT', changes: 0 },
  { kind: 'v2-deck1', name: 'Ærø 日本.DAT', changes: 3 },
];

const lines = (output) => output.split('\r\n').slice(0, -1);
const latin1 = (text) => Buffer.from(text, 'utf8').toString('latin1');

for (const c of cases) {
  test(`${c.kind} as ${c.name}`, () => {
    const bytes = sampleBytes(c.kind);
    const report = core.convert(c.name, bytes);
    const native = runTool(c.name, bytes);
    assert.deepEqual(report.bytes, native.bytes, 'converted bytes');
    assert.equal(report.status, native.status, 'exit status');
    const changed = report.bytes.filter((byte, i) => byte !== bytes[i]).length;
    assert.equal(changed > 0, c.changes > 0, 'bytes changed');
    assert.equal(report.save, c.changes > 0, 'offered for saving');

    const outcome = (report.namesFile ? c.name : '') + report.outcome;
    const expected = [...core.banner(), ...report.detection, ...(outcome ? [outcome] : [])];
    assert.deepEqual(lines(native.output), expected.map(latin1), 'the console output');
    if (report.outcome.includes('Change(s)'))
      assert.match(report.outcome, new RegExp(` ${c.changes}Change\\(s\\) made\\.$`));

    const dry = lines(runTool(c.name, bytes, ['--dry-run']).output);
    assert.deepEqual(dry.slice(0, report.detection.length), report.detection, 'dry run: detection');
    const rest = dry.slice(report.detection.length);
    if (report.rows.length === 0) return;
    assert.equal(rest[0], report.header);
    const rows = rest.slice(1, -1).map((line) => line.split(/\s{2,}/));
    assert.deepEqual(rows, report.rows.map((row) => row.map(String)), 'dry run: rows');
    assert.equal(rest.at(-1), latin1(c.name + report.previewClosing), 'dry run: closing line');
    const fields = report.rows.flat().filter((cell) => String(cell).includes(' -> ')).length;
    assert.equal(fields, c.changes, 'fields moving in the preview');
  });
}
