// SPDX-License-Identifier: GPL-3.0-or-later
// RunState: what one run of the tool knows, owned by the driver; and
// RunOutcome, each way a run can end.

#pragma once

#include <string>

#include "datafile/datafile.h"
#include "radiofile/band_shift.h"
#include "radiofile/profiles.h"

struct RunState {
  std::string fileName;  // used unchanged as the path and printed back as held
  DataFile dataFile;
  Signature signature{0, 0};
  Conversion conversion;  // the ChangeCount, and a dry run's moves
};

// Each way a run ends; the driver prints its line and gives its exit status.
enum class RunOutcome {
  LeftAtGate,        // no name, or one that does not end in DAT: nothing more is printed
  MoreThanOneName,   // the typed line went on after the name
  NameTooLong,       // the typed name went on past the field's limit
  NotFound,          // nothing is there under the name
  NotAFile,          // a folder, a FIFO, a socket or a device
  CannotOpen,        // a file is there that cannot be opened
  NotValid,          // neither profile took the file
  NoLowBandDeck,     // a KPG44D file with nothing to convert
  Converted,         // the change report
  CannotBeWritten,   // a read-only file with fields to change
  CouldNotBeRead,    // a read failed before any field was written
  PartlyWritten,     // a write or the close failed, or a read after fields were written
  BackupExists,      // every copy's name held other bytes: nothing was written
  BackupFailed,      // the copy could not be made: nothing was written
  BackupRemains,     // nor could what was made of it be removed
  ChangedMeanwhile,  // another program changed the file: nothing more was written
};
