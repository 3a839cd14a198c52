#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Makes the web page, one file: src/web/page.html with its style (page.css),
its script (core.js, then the WebAssembly module in base64, then page.js)
written into it. The same inputs give the same bytes. Fails when the page
would pass 150 KB, or a part would end the script early.

usage: make-page.py SRC_WEB_DIR MODULE.wasm VERSION OUT.html
"""
import base64
import pathlib
import sys

LIMIT = 150 * 1024


def main():
    source, module, version, out = sys.argv[1:]
    source = pathlib.Path(source)
    part = lambda name: (source / name).read_text(encoding="utf-8")
    wasm = base64.b64encode(pathlib.Path(module).read_bytes()).decode("ascii")
    script = "\n".join([part("core.js"), f'const kHamshiftWasm = "{wasm}";', part("page.js")])
    if "</script" in script.lower():
        sys.exit("make-page.py: a script part holds </script")
    page = (part("page.html").replace("@CSS@", part("page.css").rstrip("\n"))
            .replace("@SCRIPT@", script.rstrip("\n")).replace("@VERSION@", version))
    data = page.encode("utf-8")
    if len(data) >= LIMIT:
        sys.exit(f"make-page.py: the page is {len(data)} bytes, over {LIMIT}")
    pathlib.Path(out).write_bytes(data)
    print(f"{out}: {len(data)} bytes, the module {len(wasm)} of them in base64")


if __name__ == "__main__":
    main()
