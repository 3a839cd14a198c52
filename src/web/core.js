// SPDX-License-Identifier: GPL-3.0-or-later
// Loads the WebAssembly core and wraps its calls, for the page and for the
// Node tests alike. The core asks the system for nothing it needs: every
// system call it imports gets ENOSYS (52), and one that would end it traps.
'use strict';

async function loadHamshiftCore(wasmBytes) {
  const module = await WebAssembly.compile(wasmBytes);
  const system = {};
  for (const entry of WebAssembly.Module.imports(module)) system[entry.name] = () => 52;
  const instance = await WebAssembly.instantiate(module, { wasi_snapshot_preview1: system });
  const core = instance.exports;
  core._initialize();
  // The memory may grow during a call, so its views are made afresh after one.
  const bytesAt = (at, length) => new Uint8Array(core.memory.buffer, at, length);
  const report = () =>
    JSON.parse(new TextDecoder().decode(bytesAt(core.hamshiftReport(), core.hamshiftReportLength())));
  return {
    banner() {
      core.hamshiftBanner();
      return report();
    },
    // The name's and the file's bytes in; the report, with the converted bytes, out.
    convert(name, bytes) {
      const nameBytes = new TextEncoder().encode(name);
      const at = core.hamshiftInput(nameBytes.length + bytes.length);
      bytesAt(at, nameBytes.length).set(nameBytes);
      bytesAt(at + nameBytes.length, bytes.length).set(bytes);
      core.hamshiftConvert(nameBytes.length);
      const result = report();
      result.bytes = bytesAt(core.hamshiftOutput(), core.hamshiftOutputLength()).slice();
      return result;
    },
  };
}

if (typeof module === 'object') module.exports = { loadHamshiftCore };
