// SPDX-License-Identifier: GPL-3.0-or-later
// The text helpers, the DAT gate, and the option a program's own name gives.

#include "run/text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <vector>

#include "run/command_line.h"
#include "run/run.h"

TEST(TextTest, LastChars) {
  struct Case {
    std::string text;
    int n;
    std::string expected;
  };
  const Case cases[] = {
      {"RADIO.DAT", 3, "DAT"}, {"AB", 3, "AB"},  {"", 3, ""},      {"ABC", 3, "ABC"},
      {"ABCD", 0, ""},         {"ABCD", -1, ""}, {"ABCD", 1, "D"}, {"MY.DAT ", 3, "AT "},
  };
  for (const Case& c : cases) EXPECT_EQ(lastChars(c.text, c.n), c.expected) << c.text << " " << c.n;
}

TEST(TextTest, UpperCaseKeepsLengthAndNonLetters) {
  EXPECT_EQ(upperCase("abc.xyz 09,-_"), "ABC.XYZ 09,-_");
  EXPECT_EQ(upperCase("dAt"), "DAT");
  EXPECT_EQ(upperCase(""), "");
  const std::string withNul("a\0b", 3);
  EXPECT_EQ(upperCase(withNul), std::string("A\0B", 3));
  // Bytes above 127 must be taken as unsigned; in the C locale they stay.
  EXPECT_EQ(upperCase("\xe9\xff\x80"), "\xe9\xff\x80");
}

TEST(TextTest, UpperCaseFollowsASingleByteLocale) {
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  if (std::setlocale(LC_CTYPE, "en_US.ISO-8859-1") == nullptr &&
      std::setlocale(LC_CTYPE, "de_DE.ISO-8859-1") == nullptr)
    GTEST_SKIP() << "no ISO-8859-1 locale installed";
  EXPECT_EQ(upperCase("\xe9t\xe9.dat"), "\xc9T\xc9.DAT");
  std::setlocale(LC_CTYPE, saved.c_str());
}

TEST(TextTest, TextEqualsIsExact) {
  EXPECT_TRUE(textEquals("DAT", "DAT"));
  EXPECT_TRUE(textEquals("", ""));
  EXPECT_FALSE(textEquals("DAT", "DAT "));
  EXPECT_FALSE(textEquals("DAT", "dat"));
  EXPECT_FALSE(textEquals("", "D"));
  EXPECT_FALSE(textEquals(std::string("DA\0", 3), "DA"));
}

TEST(TextTest, CommandLineTailJoinsWithSingleBlanks) {
  struct Case {
    std::vector<std::string> arguments;
    std::string expected;
  };
  const Case cases[] = {
      {{}, ""},
      {{"RADIO.DAT"}, "RADIO.DAT"},
      {{"C:\\My", "Files\\MY.DAT"}, "C:\\My Files\\MY.DAT"},
      {{"two  blanks.DAT"}, "two  blanks.DAT"},
      {{""}, ""},
      {{"", "X.DAT"}, " X.DAT"},
      {{"A", "B", "C"}, "A B C"},
      {{"A", "A"}, "A A"},
  };
  for (const Case& c : cases) EXPECT_EQ(commandLineTail(c.arguments), c.expected);
}

// Where the start-up code expands wildcards, only the name's words come from
// the expansion, after a "--", so that a file named -b is never an option.
TEST(TextTest, OnlyTheNamesWordsAreExpanded) {
  using Words = std::vector<std::string>;
  struct Case {
    Words typed, expanded, arguments;
  };
  const Case cases[] = {
      {{"R*.DAT"}, {"RADIO.DAT"}, {"--", "RADIO.DAT"}},
      {{"?b", "R.DAT"}, {"-b", "R.DAT"}, {"--", "-b", "R.DAT"}},
      {{"-n", "*"}, {"-n", "-b", "R.DAT"}, {"-n", "--", "-b", "R.DAT"}},
      {{"-n", "--", "*"}, {"-n", "--", "-b"}, {"-n", "--", "-b"}},
      {{"-n"}, {"-n"}, {"-n", "--"}},
      {{"/?"}, {"/Q"}, {"/?"}},
      {{"-x", "*"}, {"-x", "-b"}, {"-x", "*"}},
      {{"-b", "*"}, {"-n", "X"}, {"-b", "*"}},  // not the same command line
  };
  for (const Case& c : cases) {
    const Words arguments = withExpandedNames(c.typed, c.expanded, true);
    EXPECT_EQ(arguments, c.arguments) << c.typed.front();
    const CommandLine line = parseCommandLine(arguments, true);
    EXPECT_EQ(line.backup, c.typed.front() == "-b");
  }
}

TEST(TextTest, DatGate) {
  struct Case {
    std::string name;
    bool passes;
  };
  const Case cases[] = {
      {"RADIO.DAT", true},  {"radio.dat", true}, {"Radio.Dat", true},   {"RADIODAT", true},
      {"DAT", true},        {"AT", false},       {"", false},           {"RADIO.DAT ", false},
      {"RADIO.TXT", false}, {"RADIO.DA", false}, {"RADIO.DAT.", false}, {"daT", true},
  };
  for (const Case& c : cases) EXPECT_EQ(passesDatGate(c.name), c.passes) << '"' << c.name << '"';
}

TEST(TextTest, ProgramNameGivesAnOption) {
  struct Case {
    std::string program;
    std::string option;
  };
  const Case cases[] = {
      {"hamshift-preview", "--dry-run"},
      {"/usr/local/bin/hamshift-backup", "--backup"},
      {"C:\\Radio Tools\\hamshift-preview.exe", "--dry-run"},
      {"C:\\RADIO\\HAMSHIFT-BACKUP.EXE", "--backup"},
      {"./Hamshift-Preview.Exe", "--dry-run"},
      {"hamshift-backup/hamshift", ""},  // a folder of that name is no program's name
      {"hamshift", ""},
      {"C:\\hamshift.exe", ""},
      {"", ""},
      {"hamshift-preview.exe.exe", ""},
      {"hamshift-preview.bat", ""},
      {"hamshift-previe", ""},
      {"hamshift-previews", ""},
      {"xhamshift-backup", ""},
      {"hamshift-backup ", ""},
      {".exe", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(programNameOption(c.program), c.option) << c.program;
}
