// SPDX-License-Identifier: GPL-3.0-or-later
// Console input on Windows: key events from the console, turned into the
// editor's keys by console_keys, and the typed line drawn where
// line_drawing's drawOnConsole says. Processed input stays on, so Ctrl+C ends
// the process through the system's own handling.

#include <windows.h>

#include <string>

#include "console/console_input.h"
#include "console/console_keys.h"
#include "console/console_keys_win32.h"
#include "console/console_output.h"
#include "console/line_drawing.h"
#include "console/line_editor.h"
#include "unicode/unicode.h"

static HANDLE input() {
  return GetStdHandle(STD_INPUT_HANDLE);
}

static HANDLE output() {
  return GetStdHandle(STD_OUTPUT_HANDLE);
}

InputKind inputKind() {
  DWORD mode = 0;
  return GetConsoleMode(input(), &mode) ? InputKind::Interactive : InputKind::Redirected;
}

int readStandardInputByte(void*) {
  unsigned char byte = 0;
  DWORD got = 0;
  if (!ReadFile(input(), &byte, 1, &got, nullptr) || got != 1) return kEndOfInput;
  return byte;
}

std::string nameFromStream(std::string field) {
  if (isUtf8(field)) return field;
  const int size = static_cast<int>(field.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, field.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, field.data(), size, wide.data(), length);
  return utf8Of(std::u16string(wide.begin(), wide.end()));
}

void returnStandardInputBytes(int count) {
  if (count > 0 && GetFileType(input()) == FILE_TYPE_DISK)
    SetFilePointer(input(), -count, nullptr, FILE_CURRENT);
}

static std::string promptText;

void showPrompt(std::string_view prompt) {
  promptText = prompt;
  printText(prompt);
  printText("? ");
}

// A typed character in UTF-8, as the tool holds every name: the console's
// own code page would lose the letters it lacks.
static EditKey editKeyOf(const ConsoleKey& key) {
  if (key.action != KeyAction::Insert) return {key.action, {}};
  return {KeyAction::Insert, utf8Of(key.text)};
}

static CONSOLE_SCREEN_BUFFER_INFO screenInfo() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(output(), &info)) {
    info = CONSOLE_SCREEN_BUFFER_INFO{};
    info.dwSize = {80, 25};
    info.srWindow = {0, 0, 79, 24};
  }
  return info;
}

static COORD coordOf(const CellPlace& place) {
  return COORD{static_cast<SHORT>(place.column), static_cast<SHORT>(place.row)};
}

// The typed text begins at the cursor, in a buffer of the size it has now.
static void startDrawing(LineDrawing& drawing, bool utf8) {
  const CONSOLE_SCREEN_BUFFER_INFO start = screenInfo();
  drawing = LineDrawing{};
  drawing.shown.utf8 = utf8;
  drawing.cellWidth = consoleCellWidth;
  drawing.startColumn = static_cast<std::size_t>(start.dwCursorPosition.X);
  drawing.startRow = start.dwCursorPosition.Y;
}

// Once the buffer's size has changed, the console may or may not have
// wrapped the old rows anew, and the start row may have moved: the prompt
// and the whole line are drawn afresh from a new row, with the rest of the
// buffer below it blanked.
static void startAfresh(LineDrawing& drawing, bool utf8) {
  printBlankLine();
  const CONSOLE_SCREEN_BUFFER_INFO info = screenInfo();
  const auto cells = static_cast<DWORD>(info.dwSize.Y - info.dwCursorPosition.Y) *
                     static_cast<DWORD>(info.dwSize.X);
  DWORD done = 0;
  FillConsoleOutputCharacterW(output(), L' ', cells, COORD{0, info.dwCursorPosition.Y}, &done);
  printText(promptText);
  printText("? ");
  startDrawing(drawing, utf8);
}

static void redraw(const LineEditor& editor, LineDrawing& drawing, COORD& size) {
  CONSOLE_SCREEN_BUFFER_INFO info = screenInfo();
  if (info.dwSize.X != size.X || info.dwSize.Y != size.Y) {
    startAfresh(drawing, editor.utf8);
    info = screenInfo();
    size = info.dwSize;
  }
  const ConsoleDrawing plan =
      drawOnConsole(drawing, editor, static_cast<std::size_t>(info.dwSize.X),
                    static_cast<std::size_t>(info.dwSize.Y));
  if (!plan.text.empty()) {
    SetConsoleCursorPosition(output(), coordOf(plan.writeAt));
    consoleWrite(plan.text);
  }
  SetConsoleCursorPosition(output(), coordOf(plan.cursor));
}

std::string editConsoleLine() {
  DWORD savedMode = 0;
  GetConsoleMode(input(), &savedMode);
  SetConsoleMode(input(),
                 (savedMode | ENABLE_PROCESSED_INPUT) & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));

  const bool drawn = outputMode() == OutputMode::Window;
  LineEditor editor;
  editor.utf8 = consoleIsUtf8();
  LineDrawing drawing;
  startDrawing(drawing, editor.utf8);
  COORD size = screenInfo().dwSize;

  ConsoleKeyState keys;
  for (bool finished = false; !finished;) {
    INPUT_RECORD record;
    DWORD got = 0;
    if (!ReadConsoleInputW(input(), &record, 1, &got) || got != 1) break;
    if (record.EventType != KEY_EVENT) continue;
    const EditKey key = editKeyOf(consoleKey(keys, consoleKeyEventOf(record.Event.KeyEvent)));
    // Up and Down step by the window's width, which is less than the
    // buffer's where the buffer is wider than the window.
    const SMALL_RECT window = screenInfo().srWindow;
    const auto width = static_cast<std::size_t>(window.Right - window.Left + 1);
    for (WORD i = 0; i < record.Event.KeyEvent.wRepeatCount && !finished; ++i) {
      const EditOutcome outcome = applyKey(editor, key, width);
      if (outcome == EditOutcome::Beep) Beep(1000, 250);
      finished = outcome == EditOutcome::Finished;
    }
    if (drawn) redraw(editor, drawing, size);
  }
  SetConsoleMode(input(), savedMode);
  if (!drawn) consoleWrite(editor.line);
  return editor.line;
}
