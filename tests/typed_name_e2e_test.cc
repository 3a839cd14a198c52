// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: the file name read from redirected input, and typed and edited
// in a pseudo-terminal. Which name the tool took shows in the file it
// converted and in its report.

#include <gtest/gtest.h>

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <iostream>

#include "e2e_fixture.h"
#include "terminal_screen.h"

namespace {

using namespace e2e;

const std::string kPrompt = "Enter the full file name saved by the KW radio prg [name.ext]? ";

// Redirected input: no prompt bytes at all, and the first field is the name.
TEST_F(E2eTest, NameFromRedirectedInput) {
  struct Case {
    const char* what;
    std::string input, name;
  };
  const Case cases[] = {
      {"a line", "RADIO.DAT\n", "RADIO.DAT"},
      {"leading blanks and tabs", " \t  RADIO.DAT\n", "RADIO.DAT"},
      {"CR LF", "RADIO.DAT\r\nother\r\n", "RADIO.DAT"},
      {"no line end", "RADIO.DAT", "RADIO.DAT"},
      {"a comma and blanks after it", "RADIO.DAT, \t\nOTHER.DAT\n", "RADIO.DAT"},
      {"a comma ending the input", "RADIO.DAT,", "RADIO.DAT"},
      {"quoted, with a comma and blanks", "\"MY, RADIO .DAT\"  \n", "MY, RADIO .DAT"},
      {"quoted, then a comma", "\"MY, RADIO .DAT\",\n", "MY, RADIO .DAT"},
      {"0x1A ends the input",
       "RADIO.DAT\x1A"
       "junk",
       "RADIO.DAT"},
      {"NUL cuts the field", std::string("RADIO.DAT\0.TXT\n", 15), "RADIO.DAT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Kpg59dPair file;
    put(c.name, file.before);
    RunOptions options;
    options.input = c.input;
    const auto result = run({}, options);
    EXPECT_EQ(result.output, kBanner + kKpg59dDetected + report(c.name, 96));
    EXPECT_EQ(contents(c.name), file.after);
    std::filesystem::remove(folder.file(c.name));
  }
}

// No file is opened, nor another converted in its place: each cut name is
// CH.DAT, which is there.
TEST_F(E2eTest, RedirectedInputThatGivesNoUsableName) {
  std::string base;  // CH.DAT in 4096 characters, which Windows opens and POSIX cannot
  while (base.size() < 4090) base += "./";
  base += "CH.DAT";
  struct Case {
    const char* what;
    std::string input, output;
    int status;
  };
  const Case cases[] = {
      {"empty input", "", kBanner, 0},
      {"only blanks", "   \n", kBanner, 0},
      {"0x1A first",
       "\x1A"
       "CH.DAT\n",
       kBanner, 0},
      {"a blank after the name", "CH.DAT \n",
       kBanner + "CH.DAT  does not end in DAT; no change was made.\r\n", 1},
      {"a second name after a comma", "CH.DAT,2.DAT\n", kBanner + kMoreThanOneName, 1},
      {"a comma and a blank before it", "CH.DAT , 2.DAT\n", kBanner + kMoreThanOneName, 1},
      {"text after a closing quote", "\"CH.DAT\" 2.DAT\n", kBanner + kMoreThanOneName, 1},
      {"nothing before the comma", ",CH.DAT\n", kBanner + kMoreThanOneName, 1},
      // The cut name ends in DAT and is there; uncut, the name ends in .OLD.DAT.
      {"cut at 4096", base + ".OLD.DAT\n", kBanner + kNameTooLong, 1},
      {"cut at 4096, quoted", "\"" + base + "X\"\n", kBanner + kNameTooLong, 1},
      {"cut at 4096, a blank after it", base + " \n", kBanner + kNameTooLong, 1},
      {"4096 characters, no such file", std::string(4093, 'y') + "DAT\n",
       kBanner + notFound(std::string(4093, 'y') + "DAT"), 1},
  };
  const Kpg59dPair file;
  put("CH.DAT", file.before);
  for (const Case& c : cases) {
    RunOptions options;
    options.input = c.input;
    const auto result = run({}, options);
    EXPECT_EQ(result.output, c.output) << c.what;
    EXPECT_EQ(result.exitStatus, c.status) << c.what;
  }
  EXPECT_EQ(contents("CH.DAT"), file.before);
  EXPECT_EQ(entries().size(), 1U);
}

TEST_F(E2eTest, CommandLineNameIsUsedWithoutReadingInput) {
  const Kpg59dPair file;
  put("RADIO.DAT", file.before);
  RunOptions options;
  options.input = "OTHER.DAT\n";
  EXPECT_EQ(run({"RADIO.DAT"}, options).output,
            kBanner + kKpg59dDetected + report("RADIO.DAT", 96));
}

// The lines of a text that ends each in CR LF, with the blanks at their ends
// cut, as a terminal's scroll-back gives them.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    std::string line = text.substr(at, end - at);
    line.erase(line.find_last_not_of(' ') + 1);
    lines.push_back(line);
  }
  return lines;
}

bool mentions(const std::vector<std::string>& settings, const std::string& text) {
  for (const std::string& setting : settings)
    if (setting.find(text) != std::string::npos) return true;
  return false;
}

class TerminalTest : public E2eTest {
 protected:
  void SetUp() override {
    // A pseudo-terminal is no Windows console: the Windows editor is checked
    // in a console emulator by hand instead.
    if (targetIsWindows()) GTEST_SKIP() << "no Windows console in a pseudo-terminal";
  }

  // Types the keys at the prompt; the name they make must be the one
  // converted. The screen, played on a model terminal of the same width and
  // its wrapped rows joined, must show the banner, the prompt with the typed
  // `line` (the name, unless given) and the report on the lines after it.
  void expectTypedName(const std::vector<std::string>& keys, const std::string& name,
                       TerminalOptions options = {}, const std::string& line = {}) {
    const Kpg59dPair file;
    put(name, file.before);
    options.keys = keys;
    const TerminalResult result = runInTerminal(folder.path, options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 0);
    TerminalScreen screen;
    screen.width = options.columns == 0 ? 80 : options.columns;
    screen.utf8 = !mentions(options.environment, "ISO-8859");
    play(screen, result.output);
    EXPECT_TRUE(screen.understood) << result.output;
    std::vector<std::string> expected = linesOf(kBanner);
    expected.push_back(kPrompt + (line.empty() ? name : line));
    expected.back().erase(expected.back().find_last_not_of(' ') + 1);
    // A terminal in its own line mode echoes Enter, and the tool ends the line
    // too; where its echo showed other than the name, the name follows.
    if (mentions(options.environment, "TERM=dumb")) {
      expected.emplace_back();
      if (!line.empty()) expected.push_back("Name used: " + name);
    }
    for (const std::string& after : linesOf(kKpg59dDetected + report(name, 96)))
      expected.push_back(after);
    expected.emplace_back();  // the cursor's row
    EXPECT_EQ(joinedLines(screen), expected) << result.output;
    EXPECT_EQ(contents(name), file.after) << "typed name: " << name;
    EXPECT_TRUE(result.settingsRestored);
    std::filesystem::remove(folder.file(name));
  }
};

const std::string kLeft = "\x1b[D", kRight = "\x1b[C", kUp = "\x1b[A", kDown = "\x1b[B";
const std::string kDelete = "\x1b[3~";

std::string times(int n, const std::string& key) {
  std::string keys;
  for (int i = 0; i < n; ++i) keys += key;
  return keys;
}

TEST_F(TerminalTest, EditingKeys) {
  struct Case {
    const char* what;
    std::vector<std::string> keys;
    std::string name;
  };
  const Case cases[] = {
      {"plain", {"RADIO.DAT\r"}, "RADIO.DAT"},
      {"LF as Enter", {"RADIO.DAT\n"}, "RADIO.DAT"},
      {"insert mid-line", {"RADO.DAT" + times(5, kLeft) + "I\r"}, "RADIO.DAT"},
      {"backspace 0x7F", {"RADIOX\x7f.DAT\r"}, "RADIO.DAT"},
      {"backspace 0x08", {"RADIOX\x08.DAT\r"}, "RADIO.DAT"},
      {"delete", {"RADIOX.DAT" + times(5, kLeft) + kDelete + "\r"}, "RADIO.DAT"},
      {"delete at the end does nothing", {"RADIO.DAT" + kDelete + "\r"}, "RADIO.DAT"},
      {"lone Esc empties the line", {"JUNK", "\x1b", "RADIO.DAT\r"}, "RADIO.DAT"},
      {"Home and End, CSI", {".DAT\x1b[HRADIO\x1b[F\r"}, "RADIO.DAT"},
      {"Home and End, SS3", {".DAT\x1bOHRADIO\x1bOF\r"}, "RADIO.DAT"},
      {"Home and End, 1~ 4~", {".DAT\x1b[1~RADIO\x1b[4~\r"}, "RADIO.DAT"},
      {"Home and End, 7~ 8~", {".DAT\x1b[7~RADIO\x1b[8~\r"}, "RADIO.DAT"},
      {"Left and Right", {"RADIODAT" + times(3, kLeft) + kLeft + kRight + ".\r"}, "RADIO.DAT"},
      {"Tab to the next multiple of 8", {"AB\t.DAT\r"}, "AB      .DAT"},
      {"Ctrl+Z, Ctrl+\\ and others do nothing",
       {"RA\x1a\x1c\x01\x02\x07\x0f\x7f"
        "DIO.DAT\r"},
       "RDIO.DAT"},
      {"unknown sequences do nothing", {"RADIO\x1b[1;5C\x1b[Z\x1b[99~\x1bx.DAT\r"}, "RADIO.DAT"},
      {"keys in several writes", {"RA", "DIO", ".DAT\r"}, "RADIO.DAT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectTypedName(c.keys, c.name);
  }
}

TEST_F(TerminalTest, KeysTypedBeforeThePromptAreKept) {
  TerminalOptions options;
  options.typeAhead = true;
  expectTypedName({"RADIO", ".DAT\r"}, "RADIO.DAT", options);
}

TEST_F(TerminalTest, LongNameWrappingAcrossRows) {
  // 150 characters on a 40-column terminal: the line starts mid-row after the
  // prompt and wraps several times; edits at both ends must still land.
  const std::string middle(140, 'm');
  TerminalOptions options;
  options.columns = 40;
  expectTypedName({middle + ".DAT" + "\x1b[H" + "AB" + kRight + kDelete + "\x1b[F" +
                   times(3, kLeft) + "\x7f" + "\r"},
                  "AB" + std::string(139, 'm') + "DAT", options);
}

TEST_F(TerminalTest, UpAndDownMoveByTheTerminalWidth) {
  TerminalOptions options;
  options.columns = 20;
  // 26 characters; Up from the end lands at 6, Down from there at the end.
  const std::string line = std::string(22, 'b') + ".DAT";
  expectTypedName({line + kUp + "C" + kDown + kDown + "\r"},
                  std::string(6, 'b') + "C" + std::string(16, 'b') + ".DAT", options);
  expectTypedName({line + "\x1b[H" + kUp + "C" + kDown + "D\r"},
                  "C" + std::string(20, 'b') + "D" + std::string(2, 'b') + ".DAT", options);
}

// In a UTF-8 locale, and in one that names no character set (C, POSIX),
// whose terminal is most often UTF-8, a UTF-8 character is edited whole; in a
// single-byte locale each byte is a character.
TEST_F(TerminalTest, Utf8CharactersAreEditedWhole) {
  struct Case {
    const char* locale;
    std::string leftInserted, backspaced;  // the names that the two typings give
  };
  const Case cases[] = {
      {"C.UTF-8", "x\xc3\xa9.DAT", "AB.DAT"},
      {"C", "x\xc3\xa9.DAT", "AB.DAT"},
      {"POSIX", "x\xc3\xa9.DAT", "AB.DAT"},
      {"en_US.ISO-8859-1", "\xc3x\xa9.DAT",
       "A\xe2\x82"
       "B.DAT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    const bool installed = std::setlocale(LC_CTYPE, c.locale) != nullptr;
    std::setlocale(LC_CTYPE, saved.c_str());
    if (!installed) {
      std::cout << "[ skipped  ] the locale " << c.locale << " is not installed\n";
      continue;
    }
    TerminalOptions options;
    options.environment = {std::string("LC_ALL=") + c.locale};
    // Left over .DAT and then over é; Backspace after the three bytes of €.
    expectTypedName({"\xc3\xa9.DAT" + times(5, kLeft) + "x\r"}, c.leftInserted, options);
    expectTypedName({"A\xe2\x82\xac\x7f"
                     "B.DAT\r"},
                    c.backspaced, options);
  }
}

// On a terminal: a typed line that holds more than the name opens nothing,
// and a name's control bytes show as '?' rather than drive the terminal.
TEST_F(TerminalTest, WhatIsNotOneNameOpensNothingAndNamesCannotDriveTheTerminal) {
  struct Case {
    const char* what;
    std::vector<std::string> arguments, keys;
    std::string lastLine;
    int status;
  };
  // Typed in pieces: a terminal's input queue holds 4096 bytes at most.
  std::vector<std::string> longName(5, std::string(1020, '/'));
  longName.front() = "." + longName.front().substr(1);
  longName.back() = std::string(10, '/') + "CH.DAT.OLD.DAT\r";  // cut after CH.DAT
  const Case cases[] = {
      {"a second name", {}, {"CH.DAT,2.DAT\r"}, kMoreThanOneName, 1},
      {"text after the quotes", {}, {"\"CH.DAT\" X\r"}, kMoreThanOneName, 1},
      {"over 4096 characters", {}, longName, kNameTooLong, 1},
      {"an escape sequence in the name", {"E\x1b[31mRED.DAT"}, {}, notFound("E?[31mRED.DAT"), 1},
      {"control bytes in the name", {"A\x01\x7f\tB.DAT"}, {}, notFound("A???B.DAT"), 1},
  };
  const Kpg59dPair file;
  put("CH.DAT", file.before);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TerminalOptions options;
    options.arguments = c.arguments;
    options.keys = c.keys;
    options.pauseMs = 50;
    const TerminalResult result = runInTerminal(folder.path, options);
    EXPECT_EQ(result.exitStatus, c.status);
    TerminalScreen screen;
    play(screen, result.output);
    const std::vector<std::string> lines = joinedLines(screen);
    ASSERT_GE(lines.size(), 2U);
    EXPECT_EQ(lines[lines.size() - 2], linesOf(c.lastLine).front());
  }
  EXPECT_EQ(contents("CH.DAT"), file.before);
}

// A wide character takes two columns and a combining mark none: the cursor
// must follow them, or an edit shows one name and converts another.
TEST_F(TerminalTest, WideCharactersAndMarksKeepTheCursorInPlace) {
  const std::string ni = "\xe6\x97\xa5", hon = "\xe6\x9c\xac", go = "\xe8\xaa\x9e";
  const std::string acute = "\xcc\x81";
  struct Case {
    const char* what;
    std::string keys, name;
    unsigned short columns;
    std::string shown;  // the line on the screen, where it is not the name
  };
  const Case cases[] = {
      {"wide", ni + hon + "X" + go + ".DAT" + times(5, kLeft) + "\x7f\x7f\r", ni + go + ".DAT", 80,
       ""},
      {"a mark", "Cafe" + acute + "X.DAT" + times(4, kLeft) + "\x7f\r", "Cafe" + acute + ".DAT", 80,
       ""},
      {"a mark typed after its letter", "Caf.DAT" + times(4, kLeft) + "e" + acute + "\r",
       "Cafe" + acute + ".DAT", 80, ""},
      // The prompt leaves 17 columns on a 40-column row. A wide character
      // that would straddle the margin goes on to the next row whole, after
      // a blank, whether typed there or pushed there by an insertion.
      {"wide typed at the margin", std::string(16, 'a') + ni + "\x1b[Hb\x1b[F.DAT\r",
       "b" + std::string(16, 'a') + ni + ".DAT", 40, ""},
      {"wide pushed over the margin", std::string(15, 'a') + ni + "\x1b[Hb\x1b[F.DAT\r",
       "b" + std::string(15, 'a') + ni + ".DAT", 40,
       "b" + std::string(15, 'a') + " " + ni + ".DAT"},
  };
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  const bool installed = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
  std::setlocale(LC_CTYPE, saved.c_str());
  if (!installed) GTEST_SKIP() << "the locale C.UTF-8 is not installed";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TerminalOptions options;
    options.columns = c.columns;
    options.environment = {"LC_ALL=C.UTF-8"};
    expectTypedName({c.keys}, c.name, options, c.shown);
  }
}

// A window made wider while the prompt waits, on a terminal that wraps its
// rows anew: the next key draws the prompt and the line afresh on a row of
// their own, with the cursor at the insertion point. Made narrower with the
// insertion point mid-line, the same.
TEST_F(TerminalTest, ResizedWindowGetsTheLineDrawnAfresh) {
  const std::string name = "ABCDEFGHIJKLMNOPQRSTUVWXYZ.DAT";
  struct Case {
    unsigned short from, to;
    std::vector<std::string> keys;
  };
  const Case cases[] = {
      {30, 50, {"ABCDEFGHIJKLMNOPQRSTUVWXYZ.DA", "\x1b[H", "\x1b[FT\r"}},
      {50, 30, {"ABCDEFGHIJKLMNOPQRSTUVWXYZ.AT", times(2, kLeft), "D\x1b[F\r"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to) + " columns");
    const Kpg59dPair file;
    put(name, file.before);
    TerminalOptions options;
    options.columns = c.from;
    options.keys = c.keys;
    options.resizeColumns = c.to;
    options.resizeBeforeKey = 2;
    const TerminalResult result = runInTerminal(folder.path, options);
    EXPECT_EQ(result.exitStatus, 0);
    TerminalScreen screen;
    screen.width = c.from;
    play(screen, std::string_view(result.output).substr(0, result.outputBeforeResize));
    resizeScreen(screen, c.to);
    play(screen, std::string_view(result.output).substr(result.outputBeforeResize));
    EXPECT_TRUE(screen.understood);
    std::vector<std::string> expected = {kPrompt + name};
    for (const std::string& after : linesOf(kKpg59dDetected + report(name, 96)))
      expected.push_back(after);
    expected.emplace_back();
    const std::vector<std::string> lines = joinedLines(screen);
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector(lines.end() - static_cast<long>(expected.size()), lines.end()), expected)
        << result.output;
    EXPECT_EQ(contents(name), file.after);
    std::filesystem::remove(folder.file(name));
  }
}

// The beep comes right after the Delete at the end, and for it alone.
TEST_F(TerminalTest, DeleteAtTheEndBeeps) {
  TerminalOptions options;
  options.keys = {"XY", kLeft, kDelete, kDelete, "\r"};
  const TerminalResult result = runInTerminal(folder.path, options);
  EXPECT_NE(result.output.find(kPrompt + "XY\x1b[1D\x1b[J\a"), std::string::npos) << result.output;
  EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\a'), 1) << result.output;
}

TEST_F(TerminalTest, EmptyLineEndsSilentlyAfterThePrompt) {
  TerminalOptions options;
  options.keys = {"   \r"};
  const TerminalResult result = runInTerminal(folder.path, options);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_NE(result.output.find(kPrompt), std::string::npos);
  EXPECT_EQ(result.output.find("Detected"), std::string::npos);
  EXPECT_EQ(result.output.find("valid"), std::string::npos);
  EXPECT_TRUE(result.settingsRestored);
  EXPECT_TRUE(entries().empty());
}

TEST_F(TerminalTest, InterruptsRestoreTheTerminal) {
  struct Case {
    const char* what;
    std::vector<std::string> keys;
    int signalAfterKeys;
    int expectedSignal;
  };
  const Case cases[] = {
      {"Ctrl+C", {"RADIO", "\x03"}, 0, SIGINT}, {"SIGINT", {"RADIO"}, SIGINT, SIGINT},
      {"SIGTERM", {"RADIO"}, SIGTERM, SIGTERM}, {"SIGHUP", {"RADIO"}, SIGHUP, SIGHUP},
      {"SIGQUIT", {"RADIO"}, SIGQUIT, SIGQUIT}, {"SIGUSR1", {"RADIO"}, SIGUSR1, SIGUSR1},
      {"SIGUSR2", {"RADIO"}, SIGUSR2, SIGUSR2}, {"SIGALRM", {"RADIO"}, SIGALRM, SIGALRM},
      {"SIGPROF", {"RADIO"}, SIGPROF, SIGPROF}, {"SIGVTALRM", {"RADIO"}, SIGVTALRM, SIGVTALRM},
      {"SIGXCPU", {"RADIO"}, SIGXCPU, SIGXCPU},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Kpg59dPair file;
    put("RADIO.DAT", file.before);
    TerminalOptions options;
    options.keys = c.keys;
    options.signalAfterKeys = c.signalAfterKeys;
    const TerminalResult result = runInTerminal(folder.path, options);
    EXPECT_EQ(result.signal, c.expectedSignal);
    EXPECT_TRUE(result.settingsRestored);
    EXPECT_TRUE(result.echoAfter);
    EXPECT_EQ(contents("RADIO.DAT"), file.before);
  }
}

// Closing the terminal window before Enter: the half-typed name is never
// taken, and the tool ends as by a hang-up, also where that signal is blocked.
TEST_F(TerminalTest, TerminalThatGoesAwayConvertsNothing) {
  for (const bool blocked : {false, true}) {
    SCOPED_TRACE(blocked ? "SIGHUP blocked" : "SIGHUP open");
    const Kpg59dPair file;
    put("A.DAT", file.before);
    TerminalOptions options;
    options.waitFor = "? ";
    options.keys = {"A.DAT"};
    options.hangUpAfterKeys = true;
    if (blocked) options.blockedSignals = {SIGHUP};
    const TerminalResult result = runInTerminal(folder.path, options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.signal, blocked ? 0 : SIGHUP);
    EXPECT_EQ(result.exitStatus, blocked ? 129 : -1);
    EXPECT_EQ(contents("A.DAT"), file.before);
  }
}

// The terminal's modes, once `holds` is true of them or 5 seconds have gone.
termios modesOnceTrue(int terminal, bool (*holds)(const termios&)) {
  termios modes{};
  for (int waited = 0; waited < 5000; waited += 20) {
    tcgetattr(terminal, &modes);
    if (holds(modes)) break;
    usleep(20000);
  }
  return modes;
}

bool lineMode(const termios& modes) {
  return (modes.c_lflag & ECHO) && (modes.c_lflag & ICANON) && (modes.c_lflag & ISIG);
}

bool rawMode(const termios& modes) {
  return !(modes.c_lflag & (ECHO | ICANON | ISIG));
}

// kill -TSTP, then fg: the terminal is itself while the tool is stopped, and
// raw again, with the line drawn anew, once it goes on. After a SIGSTOP, which
// cannot be caught, SIGCONT alone brings raw mode back.
TEST_F(TerminalTest, StopPutsTheTerminalBackAndContinueResumesTheLine) {
  const Kpg59dPair file;
  put("RADIO.DAT", file.before);
  termios stopped{}, resumed{}, resumedAfterStop{};
  TerminalOptions options;
  options.asJob = true;
  options.waitFor = "? ";
  options.keys = {"RAD", "IO", ".DAT\r"};
  options.afterKey = [&](std::size_t key, int terminal) {
    const pid_t job = tcgetpgrp(terminal);
    if (key == 0) {
      usleep(200000);
      kill(-job, SIGTSTP);
      stopped = modesOnceTrue(terminal, lineMode);
      kill(-job, SIGCONT);
      resumed = modesOnceTrue(terminal, rawMode);
    } else if (key == 1) {
      usleep(200000);
      kill(-job, SIGSTOP);
      usleep(200000);
      tcsetattr(terminal, TCSANOW, &stopped);
      kill(-job, SIGCONT);
      resumedAfterStop = modesOnceTrue(terminal, rawMode);
    }
  };
  const TerminalResult result = runInTerminal(folder.path, options);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_TRUE(lineMode(stopped));
  EXPECT_TRUE(rawMode(resumed));
  EXPECT_TRUE(rawMode(resumedAfterStop));
  // The prompt and the typed part again, on a row of their own.
  EXPECT_NE(result.output.find("\r\n" + kPrompt + "RAD"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("\r\n" + kPrompt + "RADIO"), std::string::npos) << result.output;
  EXPECT_EQ(contents("RADIO.DAT"), file.after);
  EXPECT_TRUE(result.settingsRestored);
}

// hamshift &, then fg: in the background the job leaves the terminal's modes
// alone and stops at its first read; brought to the front, it draws the
// prompt and the line anew, once, though keys come after it, and takes the
// line typed meanwhile.
TEST_F(TerminalTest, StartedInTheBackgroundTakesTheTerminalOnlyInFront) {
  const Kpg59dPair file;
  put("RADIO.DAT", file.before);
  TerminalOptions options;
  options.asJob = true;
  options.startInBackground = true;
  options.waitFor = "? ";
  options.keys = {"RADIO", ".DAT\r"};
  const TerminalResult result = runInTerminal(folder.path, options);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.output.find(kModesChangedInBackground), std::string::npos) << result.output;
  std::size_t prompts = 0;
  for (std::size_t at = 0; (at = result.output.find(kPrompt, at)) != std::string::npos; ++at)
    ++prompts;
  EXPECT_EQ(prompts, 2u) << result.output;
  EXPECT_EQ(contents("RADIO.DAT"), file.after);
  EXPECT_TRUE(result.settingsRestored);
}

// A bare pseudo-terminal of 0 by 0 cells: the typed keys are echoed as they
// come, on a console of 80 columns, not written once after Enter.
TEST_F(TerminalTest, TerminalWithNoSizeStillEchoes) {
  TerminalOptions options;
  options.columns = 0;
  options.rows = 0;
  expectTypedName({"RADIOX", "\x7f", ".DAT\r"}, "RADIO.DAT", options);
  options.keys = {"RADIOX", "\x7f", ".DAT\r"};
  const TerminalResult result = runInTerminal(folder.path, options);
  EXPECT_EQ(result.output.rfind("\x1b[H\x1b[2J", 0), 0u);
  EXPECT_NE(result.output.find(kPrompt + "RADIOX\x1b[1D\x1b[J.DAT"), std::string::npos)
      << result.output;
}

// Output redirected, keys on a terminal: the person typing sees the prompt
// and the edited line on the terminal itself, while the output receives what
// it always has, the prompt and the finished line.
TEST_F(TerminalTest, RedirectedOutputStillShowsThePromptOnTheTerminal) {
  const Kpg59dPair file;
  put("RADIO.DAT", file.before);
  TerminalOptions options;
  options.outputFile = folder.file("report.txt");
  options.keys = {"RADIOX", "\x7f", ".DAT\r"};
  const TerminalResult result = runInTerminal(folder.path, options);
  EXPECT_EQ(result.exitStatus, 0);
  TerminalScreen screen;
  play(screen, result.output);
  EXPECT_TRUE(screen.understood) << result.output;
  const std::vector<std::string> lines = joinedLines(screen);
  EXPECT_EQ(lines, (std::vector<std::string>{kPrompt + "RADIO.DAT", ""})) << result.output;
  const sample::Bytes transcript = contents("report.txt");
  EXPECT_EQ(std::string(transcript.begin(), transcript.end()),
            kBanner + kPrompt + "RADIO.DAT\r\n" + kKpg59dDetected + report("RADIO.DAT", 96));
  EXPECT_EQ(contents("RADIO.DAT"), file.after);
}

// A 5,000-character paste writes each character about once, not the whole
// line again at every key.
TEST_F(TerminalTest, LongPasteWritesLittle) {
  const std::string paste = std::string(4991, ' ') + "RADIO.DAT";
  expectTypedName({paste + "\r"}, "RADIO.DAT", {}, paste);
  TerminalOptions options;
  options.keys = {paste + "\r"};
  const TerminalResult result = runInTerminal(folder.path, options);
  std::cout << "[ measured ] a 5,000-character paste: " << result.output.size()
            << " bytes written in all\n";
  EXPECT_LT(result.output.size(), 200000u);
}

TEST_F(TerminalTest, NonBlockingTerminalIsWaitedFor) {
  TerminalOptions options;
  options.nonBlocking = true;
  expectTypedName({"RADIO", ".DAT\r"}, "RADIO.DAT", options);
}

// A Latin-1 keyboard setting in a UTF-8 locale: the byte 0xE4 starts no
// character and stays in the name as it is.
TEST_F(TerminalTest, ByteOutsideUtf8StaysInTheName) {
  TerminalOptions options;
  options.environment = {"LC_ALL=C.UTF-8"};
  expectTypedName({"R\xe4"
                   "dio.DAT\r"},
                  "R\xe4"
                  "dio.DAT",
                  options);
  // A broken sequence: each byte a character, so Left steps over one byte.
  expectTypedName({"\xe2\x82" + kLeft + "X\x1b[F.DAT\r"}, "\xe2X\x82.DAT", options);
}

// TERM=dumb: not one escape sequence; the terminal's own line mode echoes
// and erases (DEL here), and the line it gives is parsed as usual.
TEST_F(TerminalTest, DumbTerminalGetsNoEscapeSequences) {
  TerminalOptions options;
  options.environment = {"TERM=dumb"};
  expectTypedName({"RADIOX\x7f", ".DAT\r"}, "RADIO.DAT", options);
  // The line goes through the key table: Tab to the next multiple of 8 of the
  // place in the line (the terminal's echo goes to its own tab stop), and
  // other control bytes, which it echoes as ^[ and ^A, dropped.
  expectTypedName({"AB\t.DAT\r"}, "AB      .DAT", options, "AB" + std::string(7, ' ') + ".DAT");
  expectTypedName({"R\x1b"
                   "ADIO\x01.DAT\r"},
                  "RADIO.DAT", options, "R^[ADIO^A.DAT");
  // A cursor key has no effect on the terminal's own line, and none of its
  // bytes stays in the name.
  expectTypedName({"RADIO.D" + kLeft + "AT\r"}, "RADIO.DAT", options, "RADIO.D^[[DAT");
  options.keys = {"  RADIOX\x7f", ".DAT,MORE\r"};
  const TerminalResult result = runInTerminal(folder.path, options);
  EXPECT_EQ(result.output.find('\x1b'), std::string::npos) << result.output;
  EXPECT_NE(result.output.find(kPrompt), std::string::npos);
}

// Ctrl+\ typed the instant the prompt shows (its write is held a second
// longer here) reaches the editor, where it does nothing.
TEST_F(TerminalTest, SignalKeyRightAfterThePromptDoesNothing) {
  TerminalOptions options;
  options.environment = {"LD_PRELOAD=" FAULT_SHIM, "HAMSHIFT_SLOW_PROMPT=1"};
  options.waitFor = "? ";
  options.pauseMs = 1500;
  expectTypedName({"\x1c", "RADIO.DAT\r"}, "RADIO.DAT", options);
}

}  // namespace
