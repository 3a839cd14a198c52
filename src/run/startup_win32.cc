// SPDX-License-Identifier: GPL-3.0-or-later
// Process set-up on Windows: the error mode, the command line and the
// program's own path.

#include <windows.h>

#include "run/command_line.h"
#include "run/startup.h"
#include "unicode/unicode.h"

// msvcrt.dll's wide-character argument splitting, which every Windows from
// XP on has; no header declares it. Older msvcrt.dll versions give no result,
// so only the vector it fills is looked at.
extern "C" {
struct StartupInfo {
  int newMode;  // cppcheck-suppress unusedStructMember ; read by msvcrt.dll
};
int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment, int expandWildcards,
                   StartupInfo* info);
}

const std::string_view kPlatformLineEnd = "\r\n";
const bool kSlashOptions = true;

void prepareProcess() {
  // A name on an empty drive or a missing share must fail quietly, not stop
  // the run with a system dialog box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

static std::vector<std::string> splitCommandLine(bool expandWildcards) {
  int argc = 0;
  wchar_t** argv = nullptr;
  wchar_t** environment = nullptr;
  StartupInfo info{0};
  std::vector<std::string> arguments;
  __wgetmainargs(&argc, &argv, &environment, expandWildcards ? 1 : 0, &info);
  if (argv == nullptr) return arguments;
  for (int i = 1; i < argc; ++i)
    arguments.push_back(utf8Of(reinterpret_cast<const char16_t*>(argv[i])));
  return arguments;
}

// The option words are taken as typed: expanded, /? would become the name of
// any one-letter folder in the drive's root. Only the name's words are
// expanded, and none of them is taken as an option.
std::vector<std::string> commandLineArguments(int, char**) {
  return withExpandedNames(splitCommandLine(false), splitCommandLine(true), kSlashOptions);
}

// The module's name, not the command line's first word: a caller may start
// the program under any first word. Windows XP neither ends a name cut short
// with a null nor sets an error, so a name that fills the buffer is asked for
// again with a larger one.
std::string programPath(int, char**) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return utf8Of(std::u16string_view(reinterpret_cast<const char16_t*>(path.data()), length));
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}
