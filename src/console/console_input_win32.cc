// SPDX-License-Identifier: GPL-3.0-or-later
// Console input on Windows: key events from the console, turned into the
// editor's keys by console_keys, and the typed line drawn where
// line_drawing's drawOnConsole says. Processed input stays on, so Ctrl+C ends
// the process through the system's own handling; the input mode is put back
// first (console_win32.h).

#include <windows.h>

#include <cstdlib>
#include <string>

#include "console/console_input.h"
#include "console/console_keys.h"
#include "console/console_keys_win32.h"
#include "console/console_output.h"
#include "console/console_win32.h"
#include "console/line_drawing.h"
#include "console/line_editor.h"
#include "unicode/unicode.h"

InputKind inputKind() {
  DWORD mode = 0;
  return GetConsoleMode(consoleInput(), &mode) ? InputKind::Interactive : InputKind::Redirected;
}

int readStandardInputByte(void*, int) {
  unsigned char byte = 0;
  DWORD got = 0;
  if (!ReadFile(consoleInput(), &byte, 1, &got, nullptr) || got != 1) return kEndOfInput;
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
  if (count > 0 && GetFileType(consoleInput()) == FILE_TYPE_DISK)
    SetFilePointer(consoleInput(), -count, nullptr, FILE_CURRENT);
}

static std::string promptText;

// The typed line is drawn on the console while the output goes elsewhere:
// standard output is redirected, and the console itself shows the prompt and
// the line.
static bool echoedApart() {
  return outputMode() == OutputMode::Stream && echoOutput() != INVALID_HANDLE_VALUE &&
         echoOutput() != consoleOutput();
}

void showPrompt(std::string_view prompt) {
  promptText = prompt;
  printText(prompt);
  if (echoedApart()) writeToScreenBuffer(echoOutput(), prompt);
}

// A typed character in UTF-8, as the tool holds every name: the console's
// own code page would lose the letters it lacks.
static EditKey editKeyOf(const ConsoleKey& key) {
  if (key.action != KeyAction::Insert) return {key.action, {}};
  return {KeyAction::Insert, utf8Of(key.text)};
}

static COORD coordOf(const CellPlace& place) {
  return COORD{static_cast<SHORT>(place.column), static_cast<SHORT>(place.row)};
}

// The typed text begins at the cursor, in a buffer of the size it has now.
static void startDrawing(LineDrawing& drawing, bool utf8) {
  const CONSOLE_SCREEN_BUFFER_INFO start = screenInfo(echoOutput());
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
  writeToScreenBuffer(echoOutput(), "\r\n");
  const CONSOLE_SCREEN_BUFFER_INFO info = screenInfo(echoOutput());
  const auto cells = static_cast<DWORD>(info.dwSize.Y - info.dwCursorPosition.Y) *
                     static_cast<DWORD>(info.dwSize.X);
  DWORD done = 0;
  FillConsoleOutputCharacterW(echoOutput(), L' ', cells, COORD{0, info.dwCursorPosition.Y}, &done);
  writeToScreenBuffer(echoOutput(), promptText);
  startDrawing(drawing, utf8);
}

static void redraw(const LineEditor& editor, LineDrawing& drawing, COORD& size) {
  CONSOLE_SCREEN_BUFFER_INFO info = screenInfo(echoOutput());
  if (info.dwSize.X != size.X || info.dwSize.Y != size.Y) {
    startAfresh(drawing, editor.utf8);
    info = screenInfo(echoOutput());
    size = info.dwSize;
  }
  const ConsoleDrawing plan =
      drawOnConsole(drawing, editor, static_cast<std::size_t>(info.dwSize.X),
                    static_cast<std::size_t>(info.dwSize.Y));
  if (!plan.text.empty()) {
    SetConsoleCursorPosition(echoOutput(), coordOf(plan.writeAt));
    writeToScreenBuffer(echoOutput(), plan.text);
  }
  SetConsoleCursorPosition(echoOutput(), coordOf(plan.cursor));
}

EditedLine editConsoleLine() {
  beginTypingMode();

  const bool drawn = outputMode() == OutputMode::Window || echoedApart();
  LineEditor editor;
  editor.utf8 = consoleIsUtf8();
  LineDrawing drawing;
  startDrawing(drawing, editor.utf8);
  COORD size = screenInfo(echoOutput()).dwSize;

  ConsoleKeyState keys;
  for (bool finished = false; !finished;) {
    INPUT_RECORD record;
    DWORD got = 0;
    if (!ReadConsoleInputW(consoleInput(), &record, 1, &got) || got != 1) {
      // Only Enter ends the line: a console that can no longer be read ends
      // the run as a terminal's hang-up does, and no half-typed name is taken.
      endTypingMode();
      std::exit(kHangUpStatus);
    }
    if (record.EventType != KEY_EVENT) continue;
    const EditKey key = editKeyOf(consoleKey(keys, consoleKeyEventOf(record.Event.KeyEvent)));
    // Up and Down step by the window's width, which is less than the
    // buffer's where the buffer is wider than the window.
    const SMALL_RECT window = screenInfo(echoOutput()).srWindow;
    const auto width = static_cast<std::size_t>(window.Right - window.Left + 1);
    for (WORD i = 0; i < record.Event.KeyEvent.wRepeatCount && !finished; ++i) {
      const EditOutcome outcome = applyKey(editor, key, width);
      if (outcome == EditOutcome::Beep) Beep(1000, 250);
      finished = outcome == EditOutcome::Finished;
    }
    if (drawn) redraw(editor, drawing, size);
  }
  endTypingMode();
  // Output that is no console gets the finished line, as a transcript.
  if (outputMode() == OutputMode::Stream) consoleWrite(editor.line);
  if (echoedApart()) writeToScreenBuffer(echoOutput(), "\r\n");
  return {editor.line};
}
