// SPDX-License-Identifier: GPL-3.0-or-later
// console_launcher: a test-only Windows program that runs the tool in a
// console of its own with keys already typed, then prints what the console
// shows. The end-to-end tests use it under Wine, whose consoles cannot be
// reached from the Linux side.
//
//   console_launcher [--buffer=COLUMNSxROWS] [--resize=COLUMNSxROWS] [--keys=KEYS]
//                    [--hold=FILE] [--output=FILE] [--input-mode[=MODE]] TOOL [ARGUMENTS...]
//
// --buffer makes the window 80 by 25 and the screen buffer the size given.
// --resize gives the screen buffer that size at {RESIZE} in KEYS, once the
// tool has taken the keys before it, as a user's resize comes.
// --hold keeps FILE open with no sharing while the tool runs, as another
// program may. --output gives the tool FILE as its standard output, as a
// redirection does; the console is still its input.
// --input-mode adds a last line "input mode BEFORE -> AFTER": the console's
// input mode, in hexadecimal, before and after the tool's run; with =MODE,
// the console is given that mode (hexadecimal) first, as a caller may leave it.
// At {WAIT} in KEYS the rest is typed once the tool has taken the keys
// before it, as at {RESIZE}; at {LOSE} the tool's standard input handle is
// closed then, so that its next read of the console fails, before the rest
// is typed. Only one of {RESIZE}, {WAIT} and {LOSE} is taken.
// KEYS are characters, with {UP}, {DOWN}, {LEFT}, {RIGHT}, {HOME}, {END},
// {DEL}, {BS}, {ESC} and {ENTER} for those keys, and {down VK CHAR STATE} or
// {up VK CHAR STATE} for any one event: its virtual-key code, UTF-16
// character and control-key state, in hexadecimal. The launcher stays attached
// to the console, as a command prompt would. Its output is the screen's rows
// down to the cursor, blanks at their ends cut, in UTF-8 with LF line ends;
// its exit status is the tool's, 124 when the tool ran for more than 30 s,
// and 125 when the console or the tool could not be set up.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

static constexpr DWORD kToolTimeoutMs = 30000;
static constexpr int kSetUpFailed = 125;

namespace {
struct Options {
  COORD buffer{0, 0};  // 0 by 0: leave the console as it comes
  COORD resize{0, 0};
  std::wstring keys;
  std::wstring hold;         // a file held open with no sharing
  std::wstring output;       // a file for the tool's standard output; none: the console
  std::wstring commandLine;  // the tool and its arguments
  bool inputMode = false;    // report the input mode before and after
  DWORD setMode = 0;         // with setModeGiven, the input mode the tool starts with
  bool setModeGiven = false;
};
}  // namespace

static std::vector<std::wstring> argumentList() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> list;
  for (int i = 0; words && i < count; ++i) list.emplace_back(words[i]);
  LocalFree(words);
  return list;
}

// One argument quoted for the C runtime's splitting, and only when it holds a
// blank, a tab or a quote, as Explorer passes a dropped path: backslashes
// double only before a quote.
static std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
    } else {
      if (c == L'"') text.append(backslashes + 1, L'\\');
      backslashes = 0;
    }
    text += c;
  }
  text.append(backslashes, L'\\');
  return text + L"\"";
}

static bool parse(const std::vector<std::wstring>& list, std::size_t from, Options& options) {
  std::size_t i = from;
  for (; i < list.size() && list[i].starts_with(L"--"); ++i) {
    const std::wstring& option = list[i];
    int columns = 0;
    int rows = 0;
    if (option.starts_with(L"--buffer=") &&
        swscanf(option.c_str() + 9, L"%dx%d", &columns, &rows) == 2) {
      options.buffer = {static_cast<SHORT>(columns), static_cast<SHORT>(rows)};
    } else if (option.starts_with(L"--resize=") &&
               swscanf(option.c_str() + 9, L"%dx%d", &columns, &rows) == 2) {
      options.resize = {static_cast<SHORT>(columns), static_cast<SHORT>(rows)};
    } else if (option.starts_with(L"--keys=")) {
      options.keys = option.substr(7);
    } else if (option.starts_with(L"--hold=")) {
      options.hold = option.substr(7);
    } else if (option.starts_with(L"--output=")) {
      options.output = option.substr(9);
    } else if (option == L"--input-mode") {
      options.inputMode = true;
    } else if (option.starts_with(L"--input-mode=")) {
      unsigned long mode = 0;
      if (swscanf(option.c_str() + 13, L"%lx", &mode) != 1) return false;
      options.inputMode = options.setModeGiven = true;
      options.setMode = mode;
    } else {
      return false;
    }
  }
  if (i == list.size()) return false;
  for (; i < list.size(); ++i) {
    if (!options.commandLine.empty()) options.commandLine += L' ';
    options.commandLine += quoted(list[i]);
  }
  return true;
}

// A control handler that takes every event, so that this process goes on.
static BOOL WINAPI liveOn(DWORD) {
  return TRUE;
}

static INPUT_RECORD keyDown(WORD virtualKey, wchar_t character, BOOL down = TRUE, DWORD state = 0) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down;
  record.Event.KeyEvent.dwControlKeyState = state;
  record.Event.KeyEvent.wRepeatCount = 1;
  record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
  record.Event.KeyEvent.uChar.UnicodeChar = character;
  return record;
}

static std::vector<INPUT_RECORD> keyEvents(std::wstring_view keys) {
  struct Named {
    std::wstring_view name;
    WORD virtualKey;
    wchar_t character;
  };
  static constexpr Named named[] = {
      {L"{UP}", VK_UP, 0},         {L"{DOWN}", VK_DOWN, 0}, {L"{LEFT}", VK_LEFT, 0},
      {L"{RIGHT}", VK_RIGHT, 0},   {L"{HOME}", VK_HOME, 0}, {L"{END}", VK_END, 0},
      {L"{DEL}", VK_DELETE, 0},    {L"{BS}", VK_BACK, 8},   {L"{ESC}", VK_ESCAPE, 27},
      {L"{ENTER}", VK_RETURN, 13},
  };
  std::vector<INPUT_RECORD> events;
  while (!keys.empty()) {
    unsigned virtualKey = 0, character = 0, state = 0;
    const std::size_t close = keys.find(L'}');
    const std::wstring event(keys.substr(0, close == std::wstring_view::npos ? 0 : close + 1));
    const bool down = event.starts_with(L"{down ");
    if ((down || event.starts_with(L"{up ")) && swscanf(event.c_str() + (down ? 6 : 4), L"%x %x %x",
                                                        &virtualKey, &character, &state) == 3) {
      events.push_back(keyDown(static_cast<WORD>(virtualKey), static_cast<wchar_t>(character),
                               down ? TRUE : FALSE, state));
      keys.remove_prefix(event.size());
      continue;
    }
    bool found = false;
    for (const Named& key : named) {
      if (!keys.starts_with(key.name)) continue;
      events.push_back(keyDown(key.virtualKey, key.character));
      keys.remove_prefix(key.name.size());
      found = true;
      break;
    }
    if (found) continue;
    // A character key: no virtual-key code, so that none is taken for an
    // editing key ('.' is VK_DELETE's number).
    events.push_back(keyDown(0, keys.front()));
    keys.remove_prefix(1);
  }
  return events;
}

static HANDLE openConsole(const wchar_t* name) {
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &inherited, OPEN_EXISTING, 0, nullptr);
}

static void writeOut(const std::string& bytes) {
  DWORD put = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &put,
            nullptr);
}

static void printScreen(HANDLE screen) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(screen, &info)) return;
  std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
  for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, row.data(), static_cast<DWORD>(row.size()), COORD{0, y},
                                &read);
    std::wstring_view text(row.data(), read);
    while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
    std::string line(text.size() * 3 + 1, '\0');
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), line.data(),
                            static_cast<int>(line.size()), nullptr, nullptr);
    line.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    writeOut(line + "\n");
  }
}

static bool typeKeys(HANDLE input, std::wstring_view keys) {
  const std::vector<INPUT_RECORD> events = keyEvents(keys);
  DWORD written = 0;
  return events.empty() ||
         (WriteConsoleInputW(input, events.data(), static_cast<DWORD>(events.size()), &written) &&
          written == events.size());
}

// The keys held back after a {RESIZE}, {WAIT} or {LOSE}: typed once the tool
// has taken the first keys and drawn them, and the buffer has its new size
// or the tool's input is lost.
enum class Marker { None, Resize, Wait, Lose };

struct HeldKeys {
  Marker marker = Marker::None;
  HANDLE input = INVALID_HANDLE_VALUE;
  HANDLE screen = INVALID_HANDLE_VALUE;
  COORD size{0, 0};
  std::wstring_view keys;
};

static void typeHeldKeys(const HeldKeys& held, HANDLE tool) {
  DWORD waiting = 1;
  for (int waited = 0;
       waited < 10000 && GetNumberOfConsoleInputEvents(held.input, &waiting) && waiting > 0;
       waited += 20)
    Sleep(20);
  Sleep(300);
  if (held.marker == Marker::Resize) SetConsoleScreenBufferSize(held.screen, held.size);
  // The tool inherited the handle, so it has the same value there.
  HANDLE copy = nullptr;
  if (held.marker == Marker::Lose) {
    if (!DuplicateHandle(tool, held.input, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS))
      TerminateProcess(tool, kSetUpFailed);
    CloseHandle(copy);
  }
  typeKeys(held.input, held.keys);
}

static DWORD runAndWait(std::wstring commandLine, const STARTUPINFOW& startup, DWORD flags,
                        DWORD timeoutMs, const HeldKeys* held = nullptr) {
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                      const_cast<STARTUPINFOW*>(&startup), &process))
    return kSetUpFailed;
  if (held && held->marker != Marker::None) typeHeldKeys(*held, process.hProcess);
  DWORD status = 124;
  if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &status);
  else
    TerminateProcess(process.hProcess, 124);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

// In the console: size it, type the keys, run the tool, print the screen.
static int runInConsole(const Options& options) {
  const HANDLE input = openConsole(L"CONIN$");
  const HANDLE screen = openConsole(L"CONOUT$");
  DWORD mode = 0;
  if (!GetConsoleMode(input, &mode) || !GetConsoleMode(screen, &mode)) return kSetUpFailed;
  if (options.buffer.X > 0) {
    const SMALL_RECT window{0, 0, 79, 24};
    if (!SetConsoleWindowInfo(screen, TRUE, &window) ||
        !SetConsoleScreenBufferSize(screen, options.buffer))
      return kSetUpFailed;
  }
  std::wstring_view keys = options.keys;
  HeldKeys held{Marker::None, input, screen, options.resize, {}};
  for (const auto& [name, marker] :
       {std::pair{L"{RESIZE}", Marker::Resize}, std::pair{L"{WAIT}", Marker::Wait},
        std::pair{L"{LOSE}", Marker::Lose}}) {
    const std::size_t at = keys.find(name);
    if (at == std::wstring_view::npos) continue;
    held.marker = marker;
    held.keys = keys.substr(at + std::wcslen(name));
    keys = keys.substr(0, at);
    break;
  }
  // The Ctrl+C typed for the tool reaches every process of the console: the
  // launcher lives on to print the screen.
  SetConsoleCtrlHandler(liveOn, TRUE);
  if (options.setModeGiven && !SetConsoleMode(input, options.setMode)) return kSetUpFailed;
  DWORD modeBefore = 0;
  GetConsoleMode(input, &modeBefore);
  if (!typeKeys(input, keys)) return kSetUpFailed;

  HANDLE heldFile = INVALID_HANDLE_VALUE;
  if (!options.hold.empty()) {
    heldFile =
        CreateFileW(options.hold.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (heldFile == INVALID_HANDLE_VALUE) return kSetUpFailed;
  }

  HANDLE outputFile = INVALID_HANDLE_VALUE;
  if (!options.output.empty()) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    outputFile = CreateFileW(options.output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                             CREATE_ALWAYS, 0, nullptr);
    if (outputFile == INVALID_HANDLE_VALUE) return kSetUpFailed;
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = outputFile != INVALID_HANDLE_VALUE ? outputFile : screen;
  startup.hStdError = screen;
  const DWORD status = runAndWait(options.commandLine, startup, 0, kToolTimeoutMs, &held);
  if (heldFile != INVALID_HANDLE_VALUE) CloseHandle(heldFile);
  if (outputFile != INVALID_HANDLE_VALUE) CloseHandle(outputFile);
  printScreen(screen);
  DWORD modeAfter = 0;
  GetConsoleMode(input, &modeAfter);
  char line[64];
  std::snprintf(line, sizeof line, "input mode %lx -> %lx\n",
                static_cast<unsigned long>(modeBefore), static_cast<unsigned long>(modeAfter));
  if (options.inputMode) writeOut(line);
  return static_cast<int>(status);
}

int main() {
  const std::vector<std::wstring> list = argumentList();
  const bool inner = list.size() > 1 && list[1] == L"--in-console";
  Options options;
  if (!parse(list, inner ? 2 : 1, options)) {
    writeOut(
        "usage: console_launcher [--buffer=COLUMNSxROWS] [--resize=COLUMNSxROWS] [--keys=KEYS] "
        "[--hold=FILE] [--output=FILE] [--input-mode[=MODE]] TOOL "
        "[ARGUMENTS...]\n");
    return 2;
  }
  if (inner) return runInConsole(options);

  // Started from pipes, the launcher has no console: it starts itself again
  // in a new one, without a window, which works with no display too.
  std::wstring commandLine = quoted(list[0]) + L" --in-console";
  for (std::size_t i = 1; i < list.size(); ++i) commandLine += L' ' + quoted(list[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  return static_cast<int>(
      runAndWait(commandLine, startup, CREATE_NO_WINDOW, kToolTimeoutMs + 5000));
}
