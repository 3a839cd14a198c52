// SPDX-License-Identifier: GPL-3.0-or-later
// The run driver: one straight dialogue, one file, no loop back.

#include "run/run.h"

#include <string_view>

#include "console/console_input.h"
#include "console/console_output.h"
#include "radiofile/profiles.h"
#include "run/run_state.h"
#include "run/text.h"

static void printBanner() {
  printLine("               ************ For Ham Use Only  ************* ");
  printLine(" This program will alter the file saved by KPG59D or KGP44D and converts ");
  printLine(" any Freq.'s programmed in the 40-43mhz range to the 50-53mhz range or a ");
  printLine(" freq. of 30.xxx Mhz to 29.xxx Mhz. This allows KW Low band models ");
  printLine(" TK-190/TK6110/TK-690 to be programed into the 6M and 10M Ham bands. ");
  printLine(" Test freq's are also changed. ");
  printLine(" ");
  printLine("               ********* Not to Make Profit From **********  ");
  printText("                    ");
  printLine(kCreditLine);
  printBlankLine();
}

// The name, then what went wrong with its file; gives the exit status.
static int printFailure(const RunState& run, std::string_view what) {
  printText(run.fileName);
  printLine(what);
  return 1;
}

// The change report. The file is closed before it is printed, so that it
// tells what reached the file. Gives the exit status.
static int printChangeReport(const RunState& run, CloseOutcome outcome) {
  switch (outcome) {
    case CloseOutcome::Refused: return printFailure(run, " cannot be written; no change was made.");
    case CloseOutcome::Unread: return printFailure(run, " could not be read; no change was made.");
    case CloseOutcome::Failed:
      return printFailure(run, " could not be written completely; it may be partly updated.");
    case CloseOutcome::Written: break;
  }
  printText(run.fileName);
  printText(" has been updated.");
  printNumber(static_cast<float>(run.changeCount), false);
  printLine("Change(s) made.");
  return 0;
}

bool passesDatGate(const std::string& fileName) {
  return !fileName.empty() && textEquals(upperCase(lastChars(fileName, 3)), "DAT");
}

int runConversion(const std::string& commandLineTail) {
  RunState run;
  clearScreen();
  run.fileName = commandLineTail;
  printBanner();
  if (run.fileName.empty())
    run.fileName =
        promptAndReadField("Enter the full file name saved by the KW radio prg [name.ext]");
  if (!passesDatGate(run.fileName)) return 0;

  if (!openForUpdate(run.dataFile, run.fileName) && run.dataFile.cannotOpen)
    return printFailure(run, " cannot be opened; no change was made.");
  run.signature = {readByte(run.dataFile, 4), readByte(run.dataFile, 5)};
  runKpg59dProfile(run);
  runKpg44dProfile(run);
  const CloseOutcome outcome = closeFile(run.dataFile);
  if (run.tablesConverted || outcome == CloseOutcome::Unread)
    return printChangeReport(run, outcome);
  if (!run.fileHandled) printLine(" This file is not a valid KPG59D/KPG44D file.");
  return 0;
}
