#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the project's version, as project() in CMakeLists.txt sets it: the
# one place the scripts take it from.
set -euo pipefail
sed -n 's/^project(hamshift VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt"
