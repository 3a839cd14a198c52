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

// How the run ended, ranked in this one place once the file is closed. A
// read that failed before any write outranks what the profiles found, since
// what they read may be wrong; then what stopped the writes before the first,
// or midway; then what cut them short.
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

RunOutcome convertFile(RunState& run, const RunOptions& options) {
  if (run.fileName.empty()) return RunOutcome::LeftAtGate;
  if (!passesDatGate(run.fileName))
    return holdsOptionAfterName(run.fileName) ? RunOutcome::NotDatOptionAfter : RunOutcome::NotDat;

  const bool opened = options.dryRun ? openForReading(run.dataFile, run.fileName)
                                     : openForUpdate(run.dataFile, run.fileName);
  if (!opened) return outcomeOfOpen(run);
  if (options.backup) backUpBeforeWriting(run.dataFile);
  run.conversion.dryRun = options.dryRun;
  run.signature = {readByte(run.dataFile, 4), readByte(run.dataFile, 5)};
  ProfileVerdict verdict =
      runKpg59dProfile(run.dataFile, run.signature, run.conversion, run.detection);
  if (verdict == ProfileVerdict::NotMine)
    verdict = runKpg44dProfile(run.dataFile, run.signature, run.conversion, run.detection);
  closeFile(run.dataFile);
  return outcomeOfClosedFile(run.dataFile, verdict);
}
