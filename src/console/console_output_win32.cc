// Console output on Windows. In Window mode the console draws: text at the
// cursor in the current attribute, wrapping at the buffer width and
// scrolling at the bottom. In Stream mode the bytes go to the file write call
// unchanged.

#include <windows.h>

#include "console/console_output.h"

static constexpr WORD kLightGreyOnBlack = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;

static HANDLE output() {
  return GetStdHandle(STD_OUTPUT_HANDLE);
}

static OutputMode decideOutputMode() {
  // Processed input lets the system end the process on Ctrl+C at the prompt.
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD inputMode = 0;
  if (GetConsoleMode(input, &inputMode)) SetConsoleMode(input, inputMode | ENABLE_PROCESSED_INPUT);

  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(output(), &info)) return OutputMode::Stream;
  return outputModeForSize(info.dwSize.X, info.srWindow.Bottom - info.srWindow.Top + 1);
}

OutputMode outputMode() {
  static const OutputMode mode = decideOutputMode();
  return mode;
}

// The console's state, or an 80 by 25 buffer with the cursor at the top left
// when it cannot be read.
static CONSOLE_SCREEN_BUFFER_INFO screenInfo() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(output(), &info)) {
    info = CONSOLE_SCREEN_BUFFER_INFO{};
    info.dwSize = {80, 25};
    info.srWindow = {0, 0, 79, 24};
    info.wAttributes = kLightGreyOnBlack;
  }
  return info;
}

int consoleWidth() {
  return screenInfo().dwSize.X;
}

bool consoleIsUtf8() {
  return GetConsoleCP() == CP_UTF8;
}

void consoleWrite(std::string_view bytes) {
  const bool window = outputMode() == OutputMode::Window;
  while (!bytes.empty()) {
    DWORD put = 0;
    const auto length = static_cast<DWORD>(bytes.size() > 65536 ? 65536 : bytes.size());
    const BOOL written = window ? WriteConsoleA(output(), bytes.data(), length, &put, nullptr)
                                : WriteFile(output(), bytes.data(), length, &put, nullptr);
    if (!written || put == 0) return;
    bytes.remove_prefix(put);
  }
}

void clearScreen() {
  if (outputMode() != OutputMode::Window) return;
  const CONSOLE_SCREEN_BUFFER_INFO info = screenInfo();
  const COORD top{0, info.srWindow.Top};
  const auto cells = static_cast<DWORD>(info.dwSize.X) *
                     static_cast<DWORD>(info.srWindow.Bottom - info.srWindow.Top + 1);
  DWORD done = 0;
  FillConsoleOutputCharacterA(output(), ' ', cells, top, &done);
  FillConsoleOutputAttribute(output(), info.wAttributes, cells, top, &done);
  SetConsoleCursorPosition(output(), top);
}
