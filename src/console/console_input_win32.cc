// Console input on Windows: key events from the console, turned into the
// editor's keys by virtual-key code, and the typed line drawn with the
// console's cursor. Processed input stays on, so Ctrl+C ends the process
// through the system's own handling.

#include <windows.h>

#include <string>

#include "console/console_input.h"
#include "console/console_output.h"
#include "console/line_editor.h"

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

void returnStandardInputBytes(int count) {
  if (count > 0 && GetFileType(input()) == FILE_TYPE_DISK)
    SetFilePointer(input(), -count, nullptr, FILE_CURRENT);
}

void showPrompt(std::string_view prompt) {
  printText(prompt);
  printText("? ");
}

// The character of a key event in the console's input code page.
static std::string characterOf(const KEY_EVENT_RECORD& event) {
  const wchar_t wide = event.uChar.UnicodeChar;
  if (wide < 32) return {};
  char bytes[8];
  BOOL lossy = FALSE;
  const UINT codePage = GetConsoleCP();
  const int length = WideCharToMultiByte(codePage, 0, &wide, 1, bytes, sizeof bytes, nullptr,
                                         codePage == CP_UTF8 ? nullptr : &lossy);
  if (length <= 0 || lossy) return {};
  return std::string(bytes, static_cast<std::size_t>(length));
}

static EditKey keyOf(const KEY_EVENT_RECORD& event) {
  switch (event.wVirtualKeyCode) {
    case VK_ESCAPE: return {KeyAction::Escape, {}};
    case VK_DELETE: return {KeyAction::Delete, {}};
    case VK_HOME: return {KeyAction::Home, {}};
    case VK_END: return {KeyAction::End, {}};
    case VK_LEFT: return {KeyAction::Left, {}};
    case VK_RIGHT: return {KeyAction::Right, {}};
    case VK_UP: return {KeyAction::Up, {}};
    case VK_DOWN: return {KeyAction::Down, {}};
    case VK_RETURN: return {KeyAction::Enter, {}};
    case VK_BACK: return {KeyAction::Backspace, {}};
    case VK_TAB: return {KeyAction::Tab, {}};
    default: break;
  }
  const std::string text = characterOf(event);
  if (text.empty()) return {KeyAction::Nothing, {}};
  return {KeyAction::Insert, text};
}

namespace {
// Where the typed text began, and how many cells the last drawing covered.
struct Drawing {
  COORD start{};
  std::size_t drawnCells = 0;
};
}  // namespace

// Up and Down step by the window's width, which is less than the buffer's
// where the buffer is wider than the window; text still wraps at the buffer.
static std::size_t windowWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(output(), &info)) return 80;
  return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

static void writeCells(const std::string& text) {
  DWORD put = 0;
  if (!text.empty())
    WriteConsoleA(output(), text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
}

// Rewrites the text from where it began, blanks what the last drawing left
// beyond it, and puts the cursor at the insertion point. The console may
// scroll while writing; the start row is worked out again from where the
// cursor ended.
static void redraw(const LineEditor& editor, Drawing& drawing) {
  const std::size_t width = static_cast<std::size_t>(consoleWidth());
  const std::size_t cells = characterCount(editor, editor.line.size());
  SetConsoleCursorPosition(output(), drawing.start);
  const std::size_t blanks = drawing.drawnCells > cells ? drawing.drawnCells - cells : 0;
  writeCells(editor.line + std::string(blanks, ' '));
  drawing.drawnCells = cells;

  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(output(), &info)) return;
  const std::size_t end = static_cast<std::size_t>(drawing.start.X) + cells + blanks;
  drawing.start.Y = static_cast<SHORT>(info.dwCursorPosition.Y - static_cast<SHORT>(end / width));
  const std::size_t point =
      static_cast<std::size_t>(drawing.start.X) + characterCount(editor, editor.point);
  SetConsoleCursorPosition(output(), COORD{static_cast<SHORT>(point % width),
                                           static_cast<SHORT>(drawing.start.Y + point / width)});
}

std::string editConsoleLine() {
  DWORD savedMode = 0;
  GetConsoleMode(input(), &savedMode);
  SetConsoleMode(input(),
                 (savedMode | ENABLE_PROCESSED_INPUT) & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));

  const bool drawn = outputMode() == OutputMode::Window;
  LineEditor editor;
  editor.utf8 = consoleIsUtf8();
  Drawing drawing;
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (drawn && GetConsoleScreenBufferInfo(output(), &info)) drawing.start = info.dwCursorPosition;

  for (bool finished = false; !finished;) {
    INPUT_RECORD record;
    DWORD got = 0;
    if (!ReadConsoleInputW(input(), &record, 1, &got) || got != 1) break;
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
    const EditKey key = keyOf(record.Event.KeyEvent);
    const std::size_t width = windowWidth();
    for (WORD i = 0; i < record.Event.KeyEvent.wRepeatCount && !finished; ++i) {
      const EditOutcome outcome = applyKey(editor, key, width);
      if (outcome == EditOutcome::Beep) Beep(1000, 250);
      if (outcome == EditOutcome::Finished) {
        editor.point = editor.line.size();
        finished = true;
      }
    }
    if (drawn) redraw(editor, drawing);
  }
  SetConsoleMode(input(), savedMode);
  if (!drawn) consoleWrite(editor.line);
  return editor.line;
}
