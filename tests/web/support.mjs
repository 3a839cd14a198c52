// SPDX-License-Identifier: GPL-3.0-or-later
// What the web tests share: where the builds are, the sample files the
// project's maker writes, and runs of the console tool to compare with.
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

export const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const nativeBuild = process.env.HAMSHIFT_NATIVE_BUILD ?? join(root, 'build/default');
export const webBuild = process.env.HAMSHIFT_WEB_BUILD ?? join(root, 'build/web');
export const tool = join(nativeBuild, 'hamshift');
const makeSample = join(nativeBuild, 'tests/make_sample');
export const wasmPath = join(webBuild, 'hamshift.wasm');
export const pagePath = (() => {
  const found = existsSync(webBuild) && readdirSync(webBuild).find((n) => /^hamshift-.*\.html$/.test(n));
  return found ? join(webBuild, found) : join(webBuild, 'hamshift-VERSION.html');
})();
for (const needed of [tool, makeSample, wasmPath, pagePath])
  if (!existsSync(needed)) throw new Error(`${needed} is missing: build the default and web presets`);

// A fresh folder under the system's temporary folder, removed at exit.
const folders = [];
process.on('exit', () => folders.forEach((folder) => rmSync(folder, { recursive: true, force: true })));
export function tempFolder(stem) {
  folders.push(mkdtempSync(join(tmpdir(), `hamshift-${stem}-`)));
  return folders.at(-1);
}

// A sample file's bytes: make_sample's KIND, "worst", or "empty".
export function sampleBytes(kind) {
  if (kind === 'empty') return new Uint8Array(0);
  const folder = tempFolder('sample');
  execFileSync(makeSample, [join(folder, 'S.DAT'), kind]);
  return new Uint8Array(readFileSync(join(folder, 'S.DAT')));
}

// The console tool run on a copy of the bytes under `name`: its output, exit
// status and the file afterwards.
export function runTool(name, bytes, options = []) {
  const folder = tempFolder('native');
  writeFileSync(join(folder, name), bytes);
  const run = spawnSync(tool, [...options, name], { cwd: folder, encoding: 'latin1' });
  return { output: run.stdout, status: run.status, bytes: new Uint8Array(readFileSync(join(folder, name))) };
}
