// SPDX-License-Identifier: GPL-3.0-or-later
// Console line input: the typed file name. promptAndReadField shows the
// prompt and lets the user type and edit a line, or, with standard input
// redirected, reads the stream without any prompt; parseTextField cuts the
// line's first field out, and fieldFit tells whether that field was all the
// line held. Nothing here prints a message: whatever goes wrong gives an
// empty or shorter field.

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class InputKind { Interactive, Redirected };

inline constexpr int kEndOfInput = -1;
// No byte: none came within a wait, or none is held.
inline constexpr int kNoByte = -2;
inline constexpr std::size_t kFieldLimit = 4096;
// The exit status of a run whose terminal or console went while the name
// was typed: 128 and SIGHUP's number, as a shell reports a hang-up.
inline constexpr int kHangUpStatus = 129;

// Bytes from redirected input, a terminal or memory: `read` gives the next
// one, waiting at most `waitMs` (forever when negative), as a byte 0-255,
// kNoByte when the wait ran out, or kEndOfInput when the input has ended.
struct ByteSource {
  int (*read)(void* state, int waitMs) = nullptr;
  void* state = nullptr;
};

// Where parseTextField takes its characters from: the typed line, or, where
// `stream` has a reader, a raw byte stream with the two text-mode rules
// applied (CR LF arrives as LF; the byte 0x1A ends the input).
struct InputContext {
  std::string line;
  std::size_t readIndex = 0;
  ByteSource stream;
  int pushedBack = kNoByte;  // the one character put back, if any
  int heldByte = kNoByte;    // a byte read ahead after a CR
  bool ended = false;        // 0x1A or the stream's end was met
  bool lineEnded = false;    // the field's line end has been taken
  bool fieldCut = false;     // the field went on past kFieldLimit
};

// How the first field stood on its line.
enum class FieldFit {
  Whole,     // nothing but blanks and tabs followed it, after one comma at most
  Followed,  // more text followed it: after a comma, or after a closing quote
  Cut,       // it went on past kFieldLimit bytes and was cut there
};

struct TypedField {
  std::string text;
  FieldFit fit = FieldFit::Whole;
};

// The first field: leading blanks and tabs skipped; quoted or ended by a
// comma or a line end; at most kFieldLimit bytes; cut before any byte 0.
std::string parseTextField(InputContext& input);

// After parseTextField: takes the rest of the field's line and tells how the
// field stood on it.
FieldFit fieldFit(InputContext& input);

// How many bytes the context read from its stream but did not use.
int unusedStreamBytes(const InputContext& input);

TypedField promptAndReadField(std::string_view prompt);

// Platform operations, defined in console_input_posix.cc / _win32.cc.
InputKind inputKind();
// A ByteSource reader that always waits for its byte.
int readStandardInputByte(void* unused, int waitMs);
// The field read from redirected input, as the tool holds a name: POSIX
// keeps the bytes; Windows takes them as UTF-8 where they are that, and
// otherwise in the ANSI code page, as older Windows programs write text.
std::string nameFromStream(std::string field);
// Puts the last `count` bytes read back in front of standard input, where
// the input can seek; otherwise does nothing.
void returnStandardInputBytes(int count);
// Writes the prompt's line, "? " included. A terminal is made ready for the typed
// line first, so that no key typed once the prompt shows is taken by it.
void showPrompt(std::string_view prompt);
// The typed line, and whether the screen may show another: where the
// terminal echoed the keys itself, the key table may have dropped or changed
// some of what it showed (an arrow key's escape sequence, say).
struct EditedLine {
  std::string line;
  bool echoDiffers = false;  // the terminal's own echo showed other bytes than `line`
};

// Reads a line from the console with echo and editing; the cursor is left
// just after the text. Only Enter ends the line: Ctrl+C ends the process as
// an interrupt, and a terminal or console that has gone ends it as a hang-up
// (kHangUpStatus on Windows, which has no such signal).
EditedLine editConsoleLine();
