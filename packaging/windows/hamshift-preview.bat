@echo off
rem SPDX-License-Identifier: GPL-3.0-or-later
rem Drop a .DAT file on this file: hamshift lists every frequency it would
rem change, from what to what, and changes nothing.
"%~dp0hamshift.exe" --dry-run -- %*
pause
