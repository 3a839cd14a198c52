// SPDX-License-Identifier: GPL-3.0-or-later
// Each way a run can end, and the texts that say so: the detection lines,
// the outcome's line, the dry run's preview. One set of texts for every face
// of the tool; the console driver prints them, the page shows them. Nothing
// here prints.

#pragma once

#include <string>
#include <vector>

#include "radiofile/band_shift.h"
#include "radiofile/profiles.h"

// Each way a run ends.
enum class RunOutcome {
  LeftAtGate,         // no name: nothing more is printed
  NotDat,             // a name that does not end in DAT
  NotDatOptionAfter,  // the same, where an option seems to follow the name
  MoreThanOneName,    // the typed line went on after the name
  NameTooLong,        // the typed name went on past the field's limit
  SeveralFiles,       // the name's words are files of their own
  NotFound,           // nothing is there under the name
  NotAFile,           // a folder, a FIFO, a socket or a device
  CannotOpen,         // a file is there that cannot be opened
  NotValid,           // neither profile took the file
  NoLowBandDeck,      // a KPG44D file with nothing to convert
  Converted,          // the change report
  CannotBeWritten,    // a read-only file with fields to change
  CouldNotBeRead,     // a read failed before any field was written
  PartlyWritten,      // a write or the close failed, or a read after fields were written
  BackupExists,       // every copy's name held other bytes: nothing was written
  BackupFailed,       // the copy could not be made: nothing was written
  BackupRemains,      // nor could what was made of it be removed
  ChangedMeanwhile,   // another program changed the file: nothing more was written
};

// The banner's lines, the credit line with the version and date last, then
// a blank line; every face shows them first.
std::vector<std::string> bannerLines();

// The lines a profile's findings give, in order; "" is a blank line. None
// for a file no profile took.
std::vector<std::string> detectionLines(const Detection& detection);

// Whether the outcome's line begins with the file's name, which each face
// shows in its own way.
bool outcomeNamesFile(RunOutcome outcome);

// Whether the name it begins with is the copy's (NAME.bak, NAME.2.bak, ...)
// rather than the file's.
bool outcomeNamesCopy(RunOutcome outcome);

// Whether a copy made is named on a line of its own after the outcome's: the
// outcomes after which the file may have changed.
bool outcomeShowsCopy(RunOutcome outcome);
inline constexpr char kCopyLineBefore[] = "The file as it was is in ";
inline constexpr char kCopyLineAfter[] = ".";

// The outcome's line (after the name, where it names the file), without a
// line end; empty where nothing is said.
std::string outcomeText(RunOutcome outcome, ChangeCount count);

// The exit status. A dry run that listed its moves ends with 0.
int outcomeStatus(RunOutcome outcome);

// A dry run's list: one row per record with a field to move. A field's text
// is "now -> after" in MHz, or its value alone where no rule moves it.
struct PreviewRow {
  std::string table;
  int record = 0;  // from 1
  std::string fields[2];
};

std::vector<PreviewRow> previewRows(const Conversion& conversion);
std::string previewHeader();
std::string previewRowText(const PreviewRow& row);
// The preview's last line, after the name: how many fields in how many
// records would change.
std::string previewClosingText(const Conversion& conversion);
