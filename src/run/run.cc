// SPDX-License-Identifier: GPL-3.0-or-later
// The console driver: one straight dialogue, one file, no loop back. The
// banner, the name, then convertFile decides how the run ends and
// printOutcome alone says so.

#include "run/run.h"

#include "console/console_input.h"
#include "console/console_output.h"
#include "run/text.h"

static void printBanner() {
  printLines(bannerLines());
}

// The prompt's line, when no name was given: a line that holds more than the
// name, or a name cut short, ends the run before the gate.
static RunOutcome askForName(RunState& run, const RunOptions& options) {
  const TypedField typed =
      promptAndReadField("Enter the full file name saved by the KW radio prg [name.ext]");
  run.fileName = typed.text;
  if (typed.fit == FieldFit::Followed) return RunOutcome::MoreThanOneName;
  if (typed.fit == FieldFit::Cut) return RunOutcome::NameTooLong;
  return convertFile(run, options);
}

// A dry run's list: a row for each record with a field to move, and the
// count, after the name, so that the last line says which file it was.
static void printPreview(const RunState& run) {
  const std::vector<PreviewRow> rows = previewRows(run.conversion);
  if (!rows.empty()) printLine(previewHeader());
  for (const PreviewRow& row : rows) printLine(previewRowText(row));
  printName(run.fileName);
  printLine(previewClosingText(run.conversion));
}

// What the profile found, then the outcome's line; gives the exit status.
static int printOutcome(const RunState& run, RunOutcome outcome, bool dryRun) {
  printLines(detectionLines(run.detection));
  if (dryRun && (outcome == RunOutcome::Converted || outcome == RunOutcome::NoLowBandDeck)) {
    printPreview(run);
    return 0;
  }
  const std::string text = outcomeText(outcome, run.conversion.count);
  if (!text.empty()) {
    if (outcomeNamesFile(outcome))
      printName(outcomeNamesCopy(outcome) ? run.dataFile.backupName : run.fileName);
    printLine(text);
  }
  if (outcomeShowsCopy(outcome) && run.dataFile.backup == BackupState::Made) {
    printText(kCopyLineBefore);
    printName(run.dataFile.backupName);
    printLine(kCopyLineAfter);
  }
  return outcomeStatus(outcome);
}

int runConversion(const std::vector<std::string>& nameWords, const RunOptions& options) {
  RunState run;
  // A dry run is a report to read or keep, not a screen to take over.
  if (!options.dryRun) clearScreen();
  run.fileName = commandLineTail(nameWords);
  run.nameWords = nameWords;
  if (!options.dryRun) printBanner();
  const RunOutcome outcome =
      run.fileName.empty() ? askForName(run, options) : convertFile(run, options);
  return printOutcome(run, outcome, options.dryRun);
}
