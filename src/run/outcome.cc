// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of a run's findings and outcomes. They stay as operators have
// long read them, the odd spacing of the old report included, since scripts
// and habits hang on them.

#include "run/outcome.h"

#include <cstdio>

#include "run/version.h"

// A whole number as the report has always printed one: a blank before it.
static std::string reportNumber(int value) {
  char text[16];
  std::snprintf(text, sizeof text, " %d", value);
  return text;
}

std::vector<std::string> bannerLines() {
  return {
      "               ************ For Ham Use Only  ************* ",
      " This program will alter the file saved by KPG59D or KGP44D and converts ",
      " any Freq.'s programmed in the 40-43mhz range to the 50-53mhz range or a ",
      " freq. of 30.xxx Mhz to 29.xxx Mhz. This allows KW Low band models ",
      " TK-190/TK6110/TK-690 to be programed into the 6M and 10M Ham bands. ",
      " Test freq's are also changed. ",
      " ",
      "               ********* Not to Make Profit From **********  ",
      "                    " + std::string(kCreditLine),
      "",
  };
}

std::vector<std::string> detectionLines(const Detection& detection) {
  switch (detection.kind) {
    case FileKind::Unknown: return {};
    case FileKind::Kpg59d:
      return {"Detected saved file created with KPG59D for model TK-6110/TK190."};
    case FileKind::Kpg44d: break;
  }
  std::vector<std::string> lines{""};
  lines.push_back(detection.version != 0 ? "Detected saved file built with KPG44D Ver." +
                                               reportNumber(detection.version) + "software."
                                         : "Not a supported Ver. of KPG44D software.");
  lines.push_back(detection.deck != 0 ? "Low band radio detected in Radio Deck Number" +
                                            reportNumber(detection.deck)
                                      : "No Low band radio configured.");
  lines.emplace_back();
  return lines;
}

bool outcomeNamesFile(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::LeftAtGate:
    case RunOutcome::MoreThanOneName:
    case RunOutcome::NameTooLong:
    case RunOutcome::SeveralFiles:
    case RunOutcome::NotValid:
    case RunOutcome::NoLowBandDeck: return false;
    default: return true;
  }
}

bool outcomeNamesCopy(RunOutcome outcome) {
  return outcome == RunOutcome::BackupFailed || outcome == RunOutcome::BackupRemains;
}

bool outcomeShowsCopy(RunOutcome outcome) {
  return outcome == RunOutcome::Converted || outcome == RunOutcome::PartlyWritten ||
         outcome == RunOutcome::ChangedMeanwhile;
}

std::string outcomeText(RunOutcome outcome, ChangeCount count) {
  switch (outcome) {
    case RunOutcome::LeftAtGate:
    case RunOutcome::NoLowBandDeck: return "";
    case RunOutcome::NotDat: return " does not end in DAT; no change was made.";
    case RunOutcome::NotDatOptionAfter:
      return " does not end in DAT (options go before the name); no change was made.";
    case RunOutcome::MoreThanOneName:
      return "The line typed holds more than one name; a name with a comma goes in double "
             "quotes. No change was made.";
    case RunOutcome::NameTooLong:
      return "The name typed is longer than 4096 characters. No change was made.";
    case RunOutcome::SeveralFiles:
      return "More than one file was given; hamshift converts one file a run. No change was made.";
    case RunOutcome::NotFound: return " was not found; no change was made.";
    case RunOutcome::NotAFile: return " is not a file; no change was made.";
    case RunOutcome::CannotOpen: return " cannot be opened; no change was made.";
    case RunOutcome::NotValid: return " This file is not a valid KPG59D/KPG44D file.";
    case RunOutcome::Converted:
      return " has been updated." + reportNumber(count) + "Change(s) made.";
    case RunOutcome::CannotBeWritten: return " cannot be written; no change was made.";
    case RunOutcome::CouldNotBeRead: return " could not be read; no change was made.";
    case RunOutcome::PartlyWritten:
      return " could not be written completely; it may be partly updated.";
    case RunOutcome::BackupExists: return ".bak already exists; no change was made.";
    case RunOutcome::BackupFailed: return " could not be made; no change was made.";
    case RunOutcome::BackupRemains:
      return " could not be made and part of it remains; no change was made.";
    case RunOutcome::ChangedMeanwhile:
      return " was changed by another program during the run; it may be partly updated.";
  }
  return "";
}

int outcomeStatus(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::LeftAtGate:
    case RunOutcome::NoLowBandDeck:
    case RunOutcome::Converted: return 0;
    default: return 1;
  }
}

std::vector<PreviewRow> previewRows(const Conversion& conversion) {
  std::vector<PreviewRow> rows;
  for (const RecordMove& move : conversion.moves) {
    PreviewRow row{move.table, move.record, {}};
    for (int f = 0; f < 2; ++f) {
      row.fields[f] = frequencyText(move.before[f]);
      if (move.moved[f]) row.fields[f] += " -> " + frequencyText(move.after[f]);
    }
    rows.push_back(row);
  }
  return rows;
}

// The columns fit an 80-column console with room to spare, so that no row
// wraps and the worst case's 176 rows stay 176 lines of its scroll-back.
static std::string previewColumns(const char* table, const char* record, const char* field1,
                                  const char* field2) {
  char line[160];
  std::snprintf(line, sizeof line, "%-24s %6s  %-21s  %s", table, record, field1, field2);
  return line;
}

std::string previewHeader() {
  return previewColumns("Table", "Record", "Frequency 1, MHz", "Frequency 2, MHz");
}

std::string previewRowText(const PreviewRow& row) {
  return previewColumns(row.table.c_str(), std::to_string(row.record).c_str(),
                        row.fields[0].c_str(), row.fields[1].c_str());
}

std::string previewClosingText(const Conversion& conversion) {
  return ": " + std::to_string(conversion.count) + " field(s) in " +
         std::to_string(conversion.moves.size()) + " record(s) would change; nothing was written.";
}
