// SPDX-License-Identifier: GPL-3.0-or-later
// From a name to the file's outcome: the DAT gate, the open, the backup
// request, the detection and conversion, the close. The file is closed before
// the outcome is decided, so that the outcome tells what reached the file.

#include "run/convert_file.h"

#include "run/text.h"

bool passesDatGate(const std::string& fileName) {
  return !fileName.empty() && textEquals(upperCase(lastChars(fileName, 3)), "DAT");
}

bool holdsOptionAfterName(const std::string& fileName) {
  return fileName.find(" -") != std::string::npos;
}

bool namesSeveralFiles(const std::vector<std::string>& nameWords) {
  if (nameWords.size() < 2) return false;
  for (const std::string& word : nameWords)
    if (!namesRegularFile(word)) return false;
  return true;
}

static RunOutcome outcomeOfOpen(const RunState& run) {
  switch (run.dataFile.openFailure) {
    case OpenFailure::NotFound:
      return namesSeveralFiles(run.nameWords) ? RunOutcome::SeveralFiles : RunOutcome::NotFound;
    case OpenFailure::NotAFile: return RunOutcome::NotAFile;
    case OpenFailure::CannotOpen:
    case OpenFailure::None: break;
  }
  return RunOutcome::CannotOpen;
}

// A failed read outranks what the profiles found, since what they read may
// be wrong.
static RunOutcome outcomeOfClose(CloseOutcome closed, ProfileVerdict verdict) {
  if (closed == CloseOutcome::Unread) return RunOutcome::CouldNotBeRead;
  switch (verdict) {
    case ProfileVerdict::Converted:
      if (closed == CloseOutcome::Refused) return RunOutcome::CannotBeWritten;
      if (closed == CloseOutcome::Failed) return RunOutcome::PartlyWritten;
      if (closed == CloseOutcome::BackupExists) return RunOutcome::BackupExists;
      if (closed == CloseOutcome::BackupFailed) return RunOutcome::BackupFailed;
      return RunOutcome::Converted;
    case ProfileVerdict::NoLowBandDeck: return RunOutcome::NoLowBandDeck;
    case ProfileVerdict::NotMine:
    case ProfileVerdict::NotValid: break;
  }
  return RunOutcome::NotValid;
}

RunOutcome convertFile(RunState& run, const RunOptions& options) {
  if (run.fileName.empty()) return RunOutcome::LeftAtGate;
  if (!passesDatGate(run.fileName))
    return holdsOptionAfterName(run.fileName) ? RunOutcome::NotDatOptionAfter : RunOutcome::NotDat;

  const bool opened = options.dryRun ? openForReading(run.dataFile, run.fileName)
                                     : openForUpdate(run.dataFile, run.fileName);
  if (!opened) return outcomeOfOpen(run);
  if (options.backup) backUpBeforeWriting(run.dataFile, run.fileName + ".bak");
  run.conversion.dryRun = options.dryRun;
  run.signature = {readByte(run.dataFile, 4), readByte(run.dataFile, 5)};
  ProfileVerdict verdict =
      runKpg59dProfile(run.dataFile, run.signature, run.conversion, run.detection);
  if (verdict == ProfileVerdict::NotMine)
    verdict = runKpg44dProfile(run.dataFile, run.signature, run.conversion, run.detection);
  return outcomeOfClose(closeFile(run.dataFile), verdict);
}
