// SPDX-License-Identifier: GPL-3.0-or-later
// The field parser and the prompt, apart from the platform's key input.

#include "console/console_input.h"

#include "console/console_output.h"

static int takeFromStream(InputContext& input) {
  if (input.ended) return kEndOfInput;
  int c = input.heldByte;
  input.heldByte = kNoByte;
  if (c == kNoByte) c = input.stream.read(input.stream.state, -1);
  if (c == kEndOfInput || c == 0x1A) {
    input.ended = true;
    return kEndOfInput;
  }
  if (c == '\r') {
    const int next = input.stream.read(input.stream.state, -1);
    if (next == '\n') return '\n';
    input.heldByte = next;
  }
  return c;
}

static int take(InputContext& input) {
  if (input.pushedBack != kNoByte) {
    const int c = input.pushedBack;
    input.pushedBack = kNoByte;
    return c;
  }
  if (input.stream.read) return takeFromStream(input);
  if (input.readIndex >= input.line.size()) return kEndOfInput;
  return static_cast<unsigned char>(input.line[input.readIndex++]);
}

static bool isBlank(int c) {
  return c == ' ' || c == '\t';
}

// Whether `c` ends the line, taking the LF of a CR LF with it.
static bool takeLineEnd(InputContext& input, int c) {
  if (c == '\r') {
    const int next = take(input);
    if (next != '\n' && next != kEndOfInput) input.pushedBack = next;
  }
  input.lineEnded = c == '\n' || c == '\r' || c == kEndOfInput;
  return input.lineEnded;
}

// After a closing quote or at the limit, with the next character in hand.
static void closeField(InputContext& input, int c) {
  while (isBlank(c)) c = take(input);
  if (c == ',' || takeLineEnd(input, c)) return;
  input.pushedBack = c;
}

// Takes characters into the field until one of `quoted`'s ends; gives the
// field's text.
static std::string readField(InputContext& input, int c, bool quoted) {
  std::string field;
  for (;; c = take(input)) {
    if (takeLineEnd(input, c)) break;
    if (quoted && c == '"') {
      closeField(input, take(input));
      break;
    }
    if (!quoted && c == ',') break;
    field += static_cast<char>(c);
    if (field.size() == kFieldLimit) {
      int next = take(input);
      if (quoted && next == '"')
        next = take(input);
      else
        input.fieldCut =
            !(next == '\n' || next == '\r' || next == kEndOfInput || (!quoted && next == ','));
      closeField(input, next);
      break;
    }
  }
  return field;
}

std::string parseTextField(InputContext& input) {
  int c = take(input);
  while (isBlank(c)) c = take(input);
  if (c == kEndOfInput) {
    input.lineEnded = true;
    return {};
  }
  std::string field = c == '"' ? readField(input, take(input), true) : readField(input, c, false);
  const std::size_t nul = field.find('\0');
  if (nul != std::string::npos) field.resize(nul);
  return field;
}

FieldFit fieldFit(InputContext& input) {
  bool blank = true;
  for (int c = 0; !input.lineEnded;) {
    c = take(input);
    if (!takeLineEnd(input, c) && !isBlank(c)) blank = false;
  }
  if (input.fieldCut) return FieldFit::Cut;
  return blank ? FieldFit::Whole : FieldFit::Followed;
}

int unusedStreamBytes(const InputContext& input) {
  return (input.pushedBack >= 0 ? 1 : 0) + (input.heldByte >= 0 ? 1 : 0);
}

TypedField promptAndReadField(std::string_view prompt) {
  InputContext input;
  TypedField typed;
  if (inputKind() == InputKind::Redirected) {
    input.stream.read = readStandardInputByte;
    typed.text = nameFromStream(parseTextField(input));
    typed.fit = fieldFit(input);
    returnStandardInputBytes(unusedStreamBytes(input));
    return typed;
  }
  showPrompt(std::string(prompt) + "? ");
  const EditedLine edited = editConsoleLine();
  input.line = edited.line;
  printBlankLine();
  typed.text = parseTextField(input);
  typed.fit = fieldFit(input);
  // The screen shows what the terminal echoed; the run goes on with this.
  if (edited.echoDiffers && typed.fit == FieldFit::Whole && !typed.text.empty()) {
    printText("Name used: ");
    printName(typed.text);
    printBlankLine();
  }
  return typed;
}
