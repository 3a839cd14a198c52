// SPDX-License-Identifier: GPL-3.0-or-later
// The web page's way into the core: the calls its script makes into the
// WebAssembly build. The page hands in a file's name and bytes; the core
// runs them as the console tool runs a file on the disk, a dry run for the
// preview and then the conversion, and hands back the converted bytes and a
// report in JSON, in the console tool's own texts.

#include <cstdint>
#include <string>
#include <vector>

#include "datafile/file_io_memory.h"
#include "run/convert_file.h"
#include "run/outcome.h"
#include "run/run_state.h"

using Bytes = std::vector<std::uint8_t>;

static Bytes input;  // the name's bytes, then the file's
static std::string report;
static Bytes output;

// A JSON string of the text, which is UTF-8 or the core's own ASCII.
static std::string jsonText(const std::string& text) {
  std::string json = "\"";
  for (const char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (code < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      json += "\\u00";
      json += kHex[code >> 4];
      json += kHex[code & 0xF];
    } else {
      json += c;
    }
  }
  return json + '"';
}

static std::string jsonList(const std::vector<std::string>& items) {
  std::string json = "[";
  for (const std::string& item : items) json += (json.size() > 1 ? "," : "") + item;
  return json + "]";
}

// The page offers the converted file only where a byte of it changed.
static std::string reportOf(RunOutcome outcome, const RunState& converted,
                            const RunState& preview) {
  std::vector<std::string> detection;
  for (const std::string& line : detectionLines(converted.detection))
    detection.push_back(jsonText(line));
  std::vector<std::string> rows;
  for (const PreviewRow& row : previewRows(preview.conversion))
    rows.push_back(jsonList({jsonText(row.table), std::to_string(row.record),
                             jsonText(row.fields[0]), jsonText(row.fields[1])}));
  const ChangeCount count = converted.conversion.count;
  const bool save = outcome == RunOutcome::Converted && count > 0;
  return "{\"status\":" + std::to_string(outcomeStatus(outcome)) +
         ",\"namesFile\":" + (outcomeNamesFile(outcome) ? "true" : "false") +
         ",\"outcome\":" + jsonText(outcomeText(outcome, count)) +
         ",\"detection\":" + jsonList(detection) + ",\"header\":" + jsonText(previewHeader()) +
         ",\"rows\":" + jsonList(rows) +
         ",\"previewClosing\":" + jsonText(previewClosingText(preview.conversion)) +
         ",\"save\":" + (save ? "true" : "false") + "}";
}

extern "C" {

// Puts the banner's lines, as the console tool prints them, in the report.
void hamshiftBanner() {
  std::vector<std::string> lines;
  for (const std::string& line : bannerLines()) lines.push_back(jsonText(line));
  report = jsonList(lines);
}

// Room for the next file's name and bytes, `length` in all; the page writes
// them there. The page keeps a file to 1 MiB, well within what the memory
// can grow to; past that the call would trap.
std::uint8_t* hamshiftInput(std::uint32_t length) {
  input.assign(length, 0);
  return input.data();
}

// Runs the name (the first `nameLength` bytes of the input) and the file (the
// rest), and gives the run's exit status. The report and the converted bytes
// wait for the next call.
int hamshiftConvert(std::uint32_t nameLength) {
  if (nameLength > input.size()) nameLength = static_cast<std::uint32_t>(input.size());
  const std::string name(input.begin(), input.begin() + nameLength);
  const Bytes bytes(input.begin() + nameLength, input.end());
  Bytes().swap(input);

  RunState preview;
  preview.fileName = name;
  putMemoryFile(name, bytes);
  RunOptions dryRun;
  dryRun.dryRun = true;
  convertFile(preview, dryRun);

  RunState converted;
  converted.fileName = name;
  const RunOutcome outcome = convertFile(converted, RunOptions{});
  output = takeMemoryFile(name);
  report = reportOf(outcome, converted, preview);
  return outcomeStatus(outcome);
}

const char* hamshiftReport() {
  return report.c_str();
}

std::uint32_t hamshiftReportLength() {
  return static_cast<std::uint32_t>(report.size());
}

// The file's bytes as the conversion left them; the bytes handed in where
// nothing was written.
const std::uint8_t* hamshiftOutput() {
  return output.data();
}

std::uint32_t hamshiftOutputLength() {
  return static_cast<std::uint32_t>(output.size());
}
}
