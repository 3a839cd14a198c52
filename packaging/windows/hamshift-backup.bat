@echo off
rem SPDX-License-Identifier: GPL-3.0-or-later
rem Drop a .DAT file on this file: hamshift copies it to the same name with
rem .bak added, then converts it. An existing .bak is never replaced.
"%~dp0hamshift.exe" --backup -- %*
pause
