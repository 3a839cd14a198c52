// SPDX-License-Identifier: GPL-3.0-or-later
// The run driver: one straight dialogue, one file, no loop back. The steps
// decide how the run ends; printOutcome alone says so.

#include "run/run.h"

#include <cstdio>

#include "console/console_input.h"
#include "console/console_output.h"
#include "radiofile/profiles.h"
#include "run/run_state.h"
#include "run/text.h"
#include "run/version.h"

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

bool passesDatGate(const std::string& fileName) {
  return !fileName.empty() && textEquals(upperCase(lastChars(fileName, 3)), "DAT");
}

static RunOutcome outcomeOfOpen(OpenFailure failure) {
  switch (failure) {
    case OpenFailure::NotFound: return RunOutcome::NotFound;
    case OpenFailure::NotAFile: return RunOutcome::NotAFile;
    case OpenFailure::CannotOpen: return RunOutcome::CannotOpen;
    case OpenFailure::None: break;
  }
  return RunOutcome::CannotOpen;
}

// How the run ended, ranked in this one place once the file is closed, so
// that it tells what reached the file. A read that failed before any write
// outranks what the profiles found, since what they read may be wrong; then
// what stopped the writes before the first, then what cut them short.
static RunOutcome outcomeOfClosedFile(const DataFile& file, ProfileVerdict verdict) {
  if (file.readFailed && !file.wroteAny) return RunOutcome::CouldNotBeRead;
  if (verdict == ProfileVerdict::NoLowBandDeck) return RunOutcome::NoLowBandDeck;
  if (verdict != ProfileVerdict::Converted) return RunOutcome::NotValid;
  if (file.backup == BackupState::Remains) return RunOutcome::BackupRemains;
  if (file.changedMeanwhile) return RunOutcome::ChangedMeanwhile;
  if (file.backup == BackupState::Exists) return RunOutcome::BackupExists;
  if (file.backup == BackupState::Failed) return RunOutcome::BackupFailed;
  if (file.writesRefused) return RunOutcome::CannotBeWritten;
  if (file.writeFailed || file.readFailed) return RunOutcome::PartlyWritten;
  return RunOutcome::Converted;
}

// The name, the prompt's line, the gate, the file's detection and conversion.
static RunOutcome convertNamedFile(RunState& run, const RunOptions& options) {
  if (run.fileName.empty()) {
    const TypedField typed =
        promptAndReadField("Enter the full file name saved by the KW radio prg [name.ext]");
    run.fileName = typed.text;
    if (typed.fit == FieldFit::Followed) return RunOutcome::MoreThanOneName;
    if (typed.fit == FieldFit::Cut) return RunOutcome::NameTooLong;
  }
  if (!passesDatGate(run.fileName)) return RunOutcome::LeftAtGate;

  const bool opened = options.dryRun ? openForReading(run.dataFile, run.fileName)
                                     : openForUpdate(run.dataFile, run.fileName);
  if (!opened) return outcomeOfOpen(run.dataFile.openFailure);
  if (options.backup) backUpBeforeWriting(run.dataFile);
  run.conversion.dryRun = options.dryRun;
  run.signature = {readByte(run.dataFile, 4), readByte(run.dataFile, 5)};
  ProfileVerdict verdict = runKpg59dProfile(run.dataFile, run.signature, run.conversion);
  if (verdict == ProfileVerdict::NotMine)
    verdict = runKpg44dProfile(run.dataFile, run.signature, run.conversion);
  closeFile(run.dataFile);
  return outcomeOfClosedFile(run.dataFile, verdict);
}

// The name and what became of its file.
static int printNameAnd(const RunState& run, const char* what, int status) {
  printName(run.fileName);
  printLine(what);
  return status;
}

// A dry run's list: every field a rule would move, in file order, in
// columns, and the count.
static void printMoves(const Conversion& conversion) {
  char line[128];
  if (!conversion.moves.empty()) {
    std::snprintf(line, sizeof line, "%-24s %6s %6s %10s    %s", "Table", "Record", "Field", "Now",
                  "After");
    printLine(line);
  }
  for (const FieldMove& move : conversion.moves) {
    std::snprintf(line, sizeof line, "%-24s %6d %6d %10s -> %s", move.table,
                  static_cast<int>(move.record), move.field, frequencyText(move.before).c_str(),
                  frequencyText(move.after).c_str());
    printLine(line);
  }
  std::snprintf(line, sizeof line, "%d field(s) would change; nothing was written.",
                static_cast<int>(conversion.moves.size()));
  printLine(line);
}

// The outcome's line; gives the exit status.
static int printOutcomeLine(const RunState& run, RunOutcome outcome) {
  const bool dryRun = run.conversion.dryRun;
  if (dryRun && (outcome == RunOutcome::Converted || outcome == RunOutcome::NoLowBandDeck)) {
    printMoves(run.conversion);
    return 0;
  }
  switch (outcome) {
    case RunOutcome::LeftAtGate:
    case RunOutcome::NoLowBandDeck: return 0;
    case RunOutcome::MoreThanOneName:
      printLine(
          "The line typed holds more than one name; a name with a comma goes in double "
          "quotes. No change was made.");
      return 1;
    case RunOutcome::NameTooLong:
      printLine("The name typed is longer than 4096 characters. No change was made.");
      return 1;
    case RunOutcome::NotFound: return printNameAnd(run, " was not found; no change was made.", 1);
    case RunOutcome::NotAFile: return printNameAnd(run, " is not a file; no change was made.", 1);
    case RunOutcome::CannotOpen:
      return printNameAnd(run, " cannot be opened; no change was made.", 1);
    case RunOutcome::NotValid: printLine(" This file is not a valid KPG59D/KPG44D file."); return 1;
    case RunOutcome::Converted:
      printName(run.fileName);
      printText(" has been updated.");
      printNumber(static_cast<float>(run.conversion.count), AfterNumber::Nothing);
      printLine("Change(s) made.");
      return 0;
    case RunOutcome::CannotBeWritten:
      return printNameAnd(run, " cannot be written; no change was made.", 1);
    case RunOutcome::CouldNotBeRead:
      return printNameAnd(run, " could not be read; no change was made.", 1);
    case RunOutcome::PartlyWritten:
      return printNameAnd(run, " could not be written completely; it may be partly updated.", 1);
    case RunOutcome::ChangedMeanwhile:
      return printNameAnd(
          run, " was changed by another program during the run; it may be partly updated.", 1);
    case RunOutcome::BackupExists:
      return printNameAnd(run, ".bak already exists; no change was made.", 1);
    case RunOutcome::BackupFailed:
      printName(run.dataFile.backupName);
      printLine(" could not be made; no change was made.");
      return 1;
    case RunOutcome::BackupRemains:
      printName(run.dataFile.backupName);
      printLine(" could not be made and part of it remains; no change was made.");
      return 1;
  }
  return 1;
}

// The outcome's line and, where the file may have changed, the copy that
// holds it as it was; gives the exit status.
static int printOutcome(const RunState& run, RunOutcome outcome) {
  const int status = printOutcomeLine(run, outcome);
  const bool fileMayHaveChanged = outcome == RunOutcome::Converted ||
                                  outcome == RunOutcome::PartlyWritten ||
                                  outcome == RunOutcome::ChangedMeanwhile;
  if (fileMayHaveChanged && run.dataFile.backup == BackupState::Made) {
    printText("The file as it was is in ");
    printName(run.dataFile.backupName);
    printLine(".");
  }
  return status;
}

int runConversion(const std::string& commandLineTail, const RunOptions& options) {
  RunState run;
  // A dry run is a report to read or keep, not a screen to take over.
  if (!options.dryRun) clearScreen();
  run.fileName = commandLineTail;
  if (!options.dryRun) printBanner();
  return printOutcome(run, convertNamedFile(run, options));
}
