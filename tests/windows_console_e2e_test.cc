// SPDX-License-Identifier: GPL-3.0-or-later
// End to end in a Windows console, under Wine: the typed name where the
// console's width and code pages matter, which the pipes of the other tests
// cannot reach. console_launcher.exe, built beside the tool by the windows
// preset, runs the tool in a console of its own with the keys typed ahead and
// prints the screen afterwards.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "e2e_fixture.h"

namespace {

using namespace e2e;

class WindowsConsoleTest : public E2eTest {
 protected:
  void SetUp() override {
    if (!targetIsWindows()) GTEST_SKIP() << "a Windows console needs the Windows build";
    launcher = std::filesystem::path(toolUnderTest()).replace_filename("console_launcher.exe");
    if (!std::filesystem::exists(launcher))
      GTEST_SKIP() << "console_launcher.exe, built by the windows preset, is not beside the tool";
  }

  // The tool (or `program`, a copy of it) in a console with `keys` typed
  // ahead; the output is the screen.
  RunResult inConsole(const std::string& keys, std::vector<std::string> arguments = {},
                      const std::vector<std::string>& consoleOptions = {},
                      const std::string& program = "") {
    RunOptions options;
    options.program = program;
    options.startedBy = {launcher};
    options.startedBy.insert(options.startedBy.end(), consoleOptions.begin(), consoleOptions.end());
    options.startedBy.push_back("--keys=" + keys);
    return run(std::move(arguments), options);
  }

  std::string launcher;
};

bool shows(const RunResult& result, const std::string& text) {
  return result.output.find(text) != std::string::npos;
}

// The screen with each full 80-column row joined to the next, so that a line
// the console wrapped reads as one. A character of the Basic Multilingual
// Plane takes a cell; a continuation byte of its UTF-8 takes none.
std::string joinedRows(const std::string& screen) {
  std::string joined;
  std::istringstream rows(screen);
  for (std::string row; std::getline(rows, row);) {
    const auto cells = std::count_if(row.begin(), row.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    joined += row + (cells == 80 ? "" : "\n");
  }
  return joined;
}

// A path as Windows names it: Wine's drive Z: is the root of the Linux side.
std::string windowsPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

TEST_F(WindowsConsoleTest, UpAndDownStepByTheWindowWidth) {
  // Down from the start and Up back again each precede a Delete: with a step
  // of the window's 80 columns they delete the 3 and then the 1. A step of
  // the buffer's 120 columns would leave the line, so both would hit the start.
  const std::string typed = "12" + std::string(78, 'a') + "3RADIO.DAT";
  const std::string name = "2" + std::string(78, 'a') + "RADIO.DAT";
  struct Case {
    const char* what;
    std::vector<std::string> consoleOptions;
  };
  const Case cases[] = {
      {"buffer as wide as the window", {}},
      {"buffer of 120 by 60 behind an 80-column window", {"--buffer=120x60"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Kpg59dPair file;
    put(name, file.before);
    const auto result =
        inConsole(typed + "{HOME}{DOWN}{DEL}{UP}{DEL}{ENTER}", {}, c.consoleOptions);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(contents(name), file.after);
    EXPECT_TRUE(shows(result, "has been updated.")) << result.output;
  }
}

TEST_F(WindowsConsoleTest, AccentedNameOpensTheFileThatItShows) {
  // Under Wine the console's input code page is 437 and the ANSI code page
  // 1252. Typed, on the command line, and in redirected input either as UTF-8
  // or as the ANSI byte 0xE9, é must open the folder José.
  std::filesystem::create_directory(folder.file("José"));
  const std::string name = "José/RADIO.DAT";
  const Kpg59dPair file;

  put(name, file.before);
  auto result = inConsole("José\\RADIO.DAT{ENTER}");
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(contents(name), file.after) << "typed";
  EXPECT_TRUE(shows(result, "\nJosé\\RADIO.DAT has been updated. 96Change(s) made.\n"))
      << result.output;

  put(name, file.before);
  result = inConsole("", {"José\\RADIO.DAT"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(contents(name), file.after) << "on the command line";

  // Redirected output is UTF-8, whatever came in.
  for (const std::string input : {"Jos\xE9\\RADIO.DAT\r\n", "Jos\xC3\xA9\\RADIO.DAT\r\n"}) {
    put(name, file.before);
    RunOptions options;
    options.input = input;
    result = run({}, options);
    EXPECT_EQ(result.output, kBanner + kKpg59dDetected + report("José\\RADIO.DAT", 96));
    EXPECT_EQ(contents(name), file.after) << "from redirected input " << input;
  }
}

// A name holds letters that no 8-bit code page holds all of, and letters
// for which Windows offers a look-alike in a code page that lacks them: each
// must open its own file, never the look-alike's, and show as it is.
TEST_F(WindowsConsoleTest, NamesKeepEveryLetter) {
  struct Case {
    const char* what;
    std::string name, lookAlike;
    bool typed;
  };
  const Case cases[] = {
      {"Polish, on the command line", "Łukasz.DAT", "Lukasz.DAT", false},
      {"Greek, on the command line", "Ελλάδα.DAT", "????da.DAT", false},
      {"Japanese, on the command line", "日.DAT", "?.DAT", false},
      {"Danish, typed", "Ærø.DAT", "Æro.DAT", true},
      {"Polish, typed", "Łukasz.DAT", "Lukasz.DAT", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Kpg59dPair file;
    put(c.name, file.before);
    // No file name may hold a question mark on Windows; Wine's may.
    if (c.lookAlike.find('?') == std::string::npos) put(c.lookAlike, file.before);
    const auto result = c.typed ? inConsole(c.name + "{ENTER}") : inConsole("", {c.name});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(contents(c.name), file.after);
    if (c.lookAlike.find('?') == std::string::npos) {
      EXPECT_EQ(contents(c.lookAlike), file.before);
      std::filesystem::remove(folder.file(c.lookAlike));
    }
    EXPECT_TRUE(shows(result, "\n" + c.name + " has been updated. 96Change(s) made.\n"))
        << result.output;
    std::filesystem::remove(folder.file(c.name));
  }
}

// Wine's console gives every UTF-16 unit a cell, so a character outside the
// Basic Multilingual Plane takes two: an edit after it must land where the
// screen shows it, and the screen show the name that is converted.
TEST_F(WindowsConsoleTest, CharacterOfTwoCellsKeepsTheCursorInPlace) {
  const std::string name = "\xf0\x9f\x98\x80RADIO.DAT";
  const Kpg59dPair file;
  put(name, file.before);
  const auto result =
      inConsole("{down 0 d83d 0}{down 0 de00 0}XRADIO.DAT{HOME}{RIGHT}{RIGHT}{BS}{ENTER}");
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(contents(name), file.after);
  EXPECT_TRUE(shows(result, "[name.ext]? " + name + "\n")) << result.output;
}

// The buffer made wider while the name is typed: the next key draws the
// prompt and the whole line afresh on a row of their own.
TEST_F(WindowsConsoleTest, ResizedBufferGetsTheLineDrawnAfresh) {
  const std::string name = "ABCDEFGHIJKLMNOPQRSTUVWXYZ.DAT";
  const Kpg59dPair file;
  put(name, file.before);
  const auto result = inConsole("ABCDEFGHIJKLMNOPQRSTUVWXYZ.DA{HOME}{RESIZE}{END}T{ENTER}", {},
                                {"--buffer=80x25", "--resize=120x25"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(contents(name), file.after);
  EXPECT_TRUE(shows(
      result, "\nEnter the full file name saved by the KW radio prg [name.ext]? " + name + "\n"))
      << result.output;
}

// Only Enter ends the typed line. Ctrl+C ends the run as the system ends it;
// a console that can no longer be read (the launcher closes the tool's input
// handle, and the key after that is the last one read) ends it as a
// terminal's hang-up does. Neither takes the name typed so far, and every
// way out but the closed handle leaves the input mode as the caller left it,
// processed input off too, which the run turns on for itself.
TEST_F(WindowsConsoleTest, OnlyEnterTakesTheNameAndTheInputModeIsPutBack) {
  struct Case {
    const char* what;
    std::string keys;
    int status;  // -1: the system's own, 0 under Wine 8, STATUS_CONTROL_C_EXIT on Windows
    bool converted;
    std::string mode;  // the input mode the caller left; empty: the console's own
  };
  // 0x1F6 and 0: processed input off, which the run turns on for itself.
  const Case cases[] = {
      {"Enter", "A.DAT{ENTER}", 0, true, ""},
      {"Ctrl+C", "A.DAT{WAIT}{down 43 3 8}", -1, false, ""},
      {"console lost", "A.DA{LOSE}T", 129, false, ""},
      {"Enter, processed input off", "A.DAT{ENTER}", 0, true, "1f6"},
      {"Ctrl+C, processed input off", "A.DAT{WAIT}{down 43 3 8}", -1, false, "1f6"},
      {"name given, no input mode at all", "", 0, true, "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Kpg59dPair file;
    put("A.DAT", file.before);
    const std::string modeOption = c.mode.empty() ? "--input-mode" : "--input-mode=" + c.mode;
    const auto result = inConsole(
        c.keys, c.keys.empty() ? std::vector<std::string>{"A.DAT"} : std::vector<std::string>{},
        {modeOption});
    if (c.status >= 0) {
      EXPECT_EQ(result.exitStatus, c.status) << result.output;
    }
    EXPECT_EQ(contents("A.DAT"), c.converted ? file.after : file.before);
    EXPECT_EQ(shows(result, "has been updated"), c.converted) << result.output;
    const std::size_t at = result.output.rfind("input mode ");
    ASSERT_NE(at, std::string::npos) << result.output;
    std::string before, arrow, after;
    std::istringstream(result.output.substr(at + 11)) >> before >> arrow >> after;
    if (!c.mode.empty()) {
      EXPECT_EQ(before, c.mode);
    }
    if (c.status != 129) {
      EXPECT_EQ(after, before) << result.output;
    }
  }
}

// The programming software may hold its file open with no sharing: the run
// must say that the file could not be opened, not that it is invalid.
TEST_F(WindowsConsoleTest, FileHeldByAnotherProgramIsReported) {
  const Kpg59dPair file;
  put("HELD.DAT", file.before);
  const auto result = inConsole("", {"HELD.DAT"}, {"--hold=HELD.DAT"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(shows(result, "\nHELD.DAT cannot be opened; no change was made.\n")) << result.output;
  EXPECT_EQ(contents("HELD.DAT"), file.before);
}

// A key is taken by its character: Ctrl with a letter gives the editing
// keys' codes, Ctrl+Backspace types 127, and a character typed as Alt and a
// number on the keypad comes with the release of Alt.
TEST_F(WindowsConsoleTest, KeysAreTakenByTheirCharacter) {
  struct Case {
    const char* what;
    std::string keys, name;
  };
  // Control-key states: 8 is the left Ctrl, 2 the left Alt.
  const std::string altCode =
      "{down 12 0 2}{down 60 0 2}{up 60 0 2}{down 62 0 2}{up 62 0 2}"
      "{down 63 0 2}{up 63 0 2}{down 63 0 2}{up 63 0 2}{up 12 e9 0}";
  const Case cases[] = {
      {"Ctrl+H", "RADIOX{down 48 8 8}.DAT{ENTER}", "RADIO.DAT"},
      {"Ctrl+I", "AB{down 49 9 8}.DAT{ENTER}", "AB      .DAT"},
      {"Ctrl+[", "JUNK{down db 1b 8}RADIO.DAT{ENTER}", "RADIO.DAT"},
      {"Ctrl+J", "RADIO.DAT{down 4a a 8}", "RADIO.DAT"},
      {"Ctrl+M", "RADIO.DAT{down 4d d 8}", "RADIO.DAT"},
      {"Ctrl+Backspace", "RAD{down 8 7f 8}IO.DAT{ENTER}", "RAD\x7fIO.DAT"},
      {"Alt+0233", "Jos" + altCode + ".DAT{ENTER}", "Jos\xc3\xa9.DAT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Kpg59dPair file;
    put(c.name, file.before);
    const auto result = inConsole(c.keys);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(contents(c.name), file.after) << result.output;
    std::filesystem::remove(folder.file(c.name));
  }
}

// A typed line longer than the 80 by 25 buffer holds: the buffer scrolls
// while it is typed, and the part still on it, edited there, must show the
// line as it is, just before the verdict. The line is the path of a file
// that is there, deep in folders, once the edit is made.
TEST_F(WindowsConsoleTest, LineLongerThanTheBufferIsDrawnRight) {
  std::string typed;
  while (typed.size() < 2252) typed += "ABCDEFGHIJKLMNOPQRSTUVWXY/";
  std::string folders = typed;
  for (int i = 0; i < 40; ++i) typed += static_cast<char>('A' + i % 26);
  typed += ".DAT";
  std::string keys = typed;
  for (int i = 0; i < 30; ++i) keys += "{LEFT}";
  keys += "{BS}9{END}{ENTER}";
  std::string line = typed;
  line.replace(line.size() - 31, 1, "9");
  std::filesystem::create_directories(folder.file(folders));
  put(line, {'x', 'x', 'x', 'x', 'x'});
  const auto result = inConsole(keys, {}, {"--buffer=80x25"});
  EXPECT_EQ(result.exitStatus, 1);
  // The rows of the prompt and the line, of which the buffer's 25 rows keep
  // the last 23, then the verdict and the cursor's empty row.
  const std::string shown =
      "Enter the full file name saved by the KW radio prg [name.ext]? " + line;
  std::vector<std::string> rows;
  for (std::size_t at = 0; at < shown.size(); at += 80) rows.push_back(shown.substr(at, 80));
  std::string expected;
  for (std::size_t i = rows.size() - 23; i < rows.size(); ++i) expected += rows[i] + "\n";
  expected += kInvalid.substr(0, kInvalid.size() - 2) + "\n\n";
  EXPECT_EQ(result.output, expected);
}

// A file dragged from Explorer into the window types its full path, in double
// quotes when it holds blanks; the quotes are taken off.
TEST_F(WindowsConsoleTest, DraggedInPathInQuotesOpensTheFile) {
  std::filesystem::create_directory(folder.file("My Radios"));
  const Kpg59dPair file;
  put("My Radios/BASE.DAT", file.before);
  const std::string path = windowsPath(folder.file("My Radios/BASE.DAT"));
  const auto result = inConsole("\"" + path + "\"{ENTER}");
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(contents("My Radios/BASE.DAT"), file.after);
  // The report is wider than the 80-column console; its rows are joined.
  EXPECT_NE(joinedRows(result.output).find("\n" + path + " has been updated. 96Change(s) made.\n"),
            std::string::npos)
      << result.output;
}

// A file dropped on a program in Explorer comes as its full path, in double
// quotes only when it holds a blank. Each of the three programs changes that
// file alone, whatever characters cmd.exe would take for its own (^ & %), and
// never the look-alike beside it; the preview changes nothing.
TEST_F(WindowsConsoleTest, DroppedPathChangesThatFileAlone) {
  const TempFolder programs;
  for (const char* name : {"hamshift-preview.exe", "hamshift-backup.exe"})
    std::filesystem::copy_file(toolUnderTest(), programs.file(name));
  struct Program {
    std::string path;  // empty: the tool itself
    bool converts, copies;
  };
  const Program programList[] = {{"", true, false},
                                 {programs.file("hamshift-preview.exe"), false, false},
                                 {programs.file("hamshift-backup.exe"), true, true}};
  struct Dropped {
    std::string name, lookAlike;  // in Radios; no look-alike when empty
  };
  const Dropped droppedList[] = {
      {"A^B.DAT", "AB.DAT"},          {"R&D/CH.DAT", ""},         {"100%/CH.DAT", "100/CH.DAT"},
      {"%OS%.DAT", "Windows_NT.DAT"}, {"My Radios/BASE.DAT", ""}, {"Łukasz.DAT", "Lukasz.DAT"},
  };
  for (const char* inside : {"R&D", "100%", "100", "My Radios"})
    std::filesystem::create_directories(folder.file("Radios/" + std::string(inside)));
  const Kpg59dPair file;
  for (const Program& program : programList) {
    for (const Dropped& dropped : droppedList) {
      const std::string name = "Radios/" + dropped.name;
      const std::string lookAlike = "Radios/" + dropped.lookAlike;
      SCOPED_TRACE((program.path.empty() ? "hamshift.exe" : program.path) + " " + name);
      put(name, file.before);
      if (!dropped.lookAlike.empty()) put(lookAlike, file.before);
      const std::string path = windowsPath(folder.file(name));
      const auto result = inConsole("", {path}, {}, program.path);
      EXPECT_EQ(result.exitStatus, 0) << result.output;
      EXPECT_EQ(contents(name), program.converts ? file.after : file.before);
      const std::string screen = joinedRows(result.output);
      if (program.converts) {
        EXPECT_NE(screen.find("\n" + path + " has been updated. 96Change(s) made.\n"),
                  std::string::npos)
            << result.output;
      } else {
        EXPECT_NE(screen.find("\n" + path +
                              ": 96 field(s) in 48 record(s) would change; nothing was written.\n"),
                  std::string::npos)
            << result.output;
      }
      EXPECT_EQ(access(folder.file(name + ".bak").c_str(), F_OK) == 0, program.copies);
      if (program.copies) {
        EXPECT_EQ(contents(name + ".bak"), file.before);
      }
      if (!dropped.lookAlike.empty()) {
        EXPECT_EQ(contents(lookAlike), file.before);
        EXPECT_NE(access(folder.file(lookAlike + ".bak").c_str(), F_OK), 0);
      }
      std::filesystem::remove(folder.file(name + ".bak"));
    }
  }
}

// The worst case's preview, every field of a KPG44D file moving, dropped on
// hamshift-preview.exe in a console that keeps 300 lines, as older Windows
// consoles do: the detection lines, the header and the first record are
// still there to scroll back to, above all 176 records and the closing line.
TEST_F(WindowsConsoleTest, WorstCasePreviewStaysInA300LineBuffer) {
  const TempFolder programs;
  const std::string preview = programs.file("hamshift-preview.exe");
  std::filesystem::copy_file(toolUnderTest(), preview);
  Bytes worst = sample::kpg44dFile({});
  sample::fillTable(worst, sample::kV2Channels, 0x25, 0x04);
  sample::fillTable(worst, sample::kV2Deck1Tests, 0x01, 0x03);
  put("WORST.DAT", worst);
  const auto result = inConsole("", {"WORST.DAT"}, {"--buffer=80x300"}, preview);
  EXPECT_EQ(result.exitStatus, 0);
  std::vector<std::string> rows;
  std::istringstream screen(result.output);
  for (std::string row; std::getline(screen, row);) rows.push_back(row);
  const std::vector<std::string> top = {
      "",
      "Detected saved file built with KPG44D Ver. 2software.",
      "Low band radio detected in Radio Deck Number 1",
      "",
      "Table                    Record  Frequency 1, MHz       Frequency 2, MHz",
      "channels                      1  42.51250 -> 52.51250   42.51250 -> 52.51250",
  };
  ASSERT_GE(rows.size(), top.size() + 177) << result.output;
  EXPECT_EQ(std::vector<std::string>(rows.begin(), rows.begin() + 6), top) << result.output;
  EXPECT_EQ(rows[top.size() + 174],
            "test frequencies, deck 1     16  30.11250 -> 29.11250   30.11250 -> 29.11250");
  EXPECT_EQ(rows[top.size() + 175],
            "WORST.DAT: 352 field(s) in 176 record(s) would change; nothing was written.");
  EXPECT_EQ(contents("WORST.DAT"), worst);
}

// Output redirected, keys on the console: the console itself shows the
// prompt and the edited line, while the output receives what it always has,
// the prompt and the finished line.
TEST_F(WindowsConsoleTest, RedirectedOutputStillShowsThePromptOnTheConsole) {
  const Kpg59dPair file;
  put("R.DAT", file.before);
  const auto result = inConsole("R.DAX{BS}T{ENTER}", {}, {"--output=report.txt"});
  EXPECT_EQ(result.exitStatus, 0);
  const std::string prompt = "Enter the full file name saved by the KW radio prg [name.ext]? ";
  EXPECT_EQ(result.output, prompt + "R.DAT\n\n");
  const Bytes transcript = contents("report.txt");
  EXPECT_EQ(std::string(transcript.begin(), transcript.end()),
            kBanner + prompt + "R.DAT\r\n" + kKpg59dDetected + report("R.DAT", 96));
  EXPECT_EQ(contents("R.DAT"), file.after);
}

// The closing pause, seen as a user sees it: `wine hamshift.exe` in a terminal
// is a console of the tool's own (its process list holds one process), as a
// double-click in Explorer gives; `wine cmd /c hamshift.exe` shares it with
// the command prompt. tmux gives Wine that terminal with no display at all.
// Wine is the launcher's, the loader of the build's own architecture.
class ClosingPauseTest : public E2eTest {
 protected:
  void SetUp() override {
    if (!targetIsWindows()) GTEST_SKIP() << "the closing pause is the Windows build's";
    if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
    if (emulator().empty()) GTEST_SKIP() << "no Wine loader given as the launcher";
  }
  void TearDown() override { tmux("kill-server"); }

  // A tmux server of its own for each run, so that one shutting down never
  // meets the next one starting.
  void newServer() { socket = folder.file("tmux-" + std::to_string(++servers) + ".socket"); }

  static std::string quoted(const std::string& word) {
    std::string text = "'";
    for (const char c : word) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
  }
  int tmux(const std::string& arguments) {
    return std::system(
        ("tmux -S " + quoted(socket) + " " + arguments + " >/dev/null 2>&1").c_str());
  }
  std::string screen() {
    std::string text;
    FILE* pane = popen(("tmux -S " + quoted(socket) + " capture-pane -p").c_str(), "r");
    if (!pane) return text;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pane)) > 0;)
      text.append(buffer, got);
    pclose(pane);
    return text;
  }
  // Waits up to 60 s for `done`; false when it never came. Without a display,
  // Wine's terminal console tries to start its desktop on the first key and
  // gives up only after about 10 s, so a key can take that long to arrive.
  template <typename Done>
  static bool waitFor(Done done) {
    for (int i = 0; i < 600; ++i) {
      if (done()) return true;
      usleep(100000);
    }
    return false;
  }
  bool ended() { return std::filesystem::exists(folder.file("status")); }
  int status() {
    std::ifstream file(folder.file("status"));
    int value = -1;
    file >> value;
    return value;
  }

  std::string socket;
  int servers = 0;
};

TEST_F(ClosingPauseTest, ALoneConsoleWaitsForAKeyAndKeepsTheStatus) {
  const std::string pause = "Press Enter to close this window.";
  const TempFolder programs;
  const std::string preview = programs.file("hamshift-preview.exe");
  std::filesystem::copy_file(toolUnderTest(), preview);
  struct Case {
    const char* what;
    std::string startedBy;  // after Wine
    std::string program;    // empty: the tool itself
    std::string argument;
    std::string lastLine;  // the line before the pause, or the last line (the banner's blank one)
    std::string key;       // tmux's name of the key that closes the window; none: no pause
    int status;
  };
  const Case cases[] = {
      {"the report, closed by Enter", "", "", "R.DAT", "R.DAT has been updated. 96Change(s) made.",
       "Enter", 0},
      {"a missing file, closed by Esc", "", "", "NONE.DAT",
       "NONE.DAT was not found; no change was made.", "Escape", 1},
      {"a name refused at the DAT gate, closed by Enter", "", "", "R.TXT",
       "R.TXT does not end in DAT; no change was made.", "Enter", 1},
      {"the usage text, closed by Ctrl+C", "", "", "--help",
       "The manual: man hamshift; on Windows, README.txt beside hamshift.exe.", "C-c", 0},
      {"the version, closed by Enter", "", "", "-V", "version 3 or any later version.", "Enter", 0},
      {"a command prompt shares the console", "cmd /c", "", "R.DAT",
       "R.DAT has been updated. 96Change(s) made.", "", 0},
      {"the preview of hamshift-preview.exe, closed by Enter", "", preview, "R.DAT",
       "R.DAT: 96 field(s) in 48 record(s) would change; nothing was written.", "Enter", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Kpg59dPair file;
    put("R.DAT", file.before);
    std::filesystem::remove(folder.file("status"));
    const std::string command =
        "cd " + quoted(folder.path) + " && " + quoted(emulator()) + " " + c.startedBy + " " +
        quoted(c.program.empty() ? toolUnderTest() : c.program) + " " + c.argument +
        "; echo $? >status.new; mv status.new status; sleep 600";
    newServer();
    ASSERT_EQ(tmux("new-session -d -x 80 -y 25 " + quoted(command)), 0);
    if (c.key.empty()) {
      EXPECT_TRUE(waitFor([&] { return ended(); })) << screen();
      EXPECT_EQ(screen().find(pause), std::string::npos) << screen();
    } else {
      EXPECT_TRUE(waitFor([&] { return screen().find(pause) != std::string::npos; })) << screen();
      usleep(300000);
      EXPECT_FALSE(ended()) << "the window closed without a key";
      tmux("send-keys " + c.key);
      EXPECT_TRUE(waitFor([&] { return ended(); })) << screen();
    }
    const std::string shown = screen();
    const std::string expected = c.lastLine + (c.key.empty() ? "" : "\n" + pause);
    EXPECT_NE(shown.find(expected + "\n"), std::string::npos) << shown;
    EXPECT_EQ(status(), c.status);
    if (c.argument == "R.DAT") {
      EXPECT_EQ(contents("R.DAT"), c.program.empty() ? file.after : file.before);
    }
    tmux("kill-server");
  }
}

}  // namespace
