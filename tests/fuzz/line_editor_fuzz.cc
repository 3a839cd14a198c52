// Fuzz target: key bytes, decoded as a terminal sends them, applied to the
// line editor and to a model of the key table that keeps the line as a list
// of whole characters. After every key the two agree on the line, the
// insertion point and the outcome, and the line holds no byte below 32.
//
// Input: a flags byte (bit 0: UTF-8 console), a width byte, then the keys.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "console/key_decoder.h"
#include "console/line_editor.h"
#include "memory_input.h"

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

struct Model {
  std::vector<std::string> characters;
  std::size_t cursor = 0;  // in characters
};

bool isContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// One character of the console's code page, none of them a control byte.
bool modelAccepts(const std::string& text, bool utf8) {
  if (text.empty() || static_cast<unsigned char>(text[0]) < 0x20) return false;
  if (!utf8) return text.size() == 1;
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 0;
  if (lead < 0x80)
    length = 1;
  else if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  if (text.size() != length) return false;
  for (std::size_t i = 1; i < length; ++i)
    if (!isContinuationByte(text[i])) return false;
  return true;
}

// The key table, one character at a time.
EditOutcome applyToModel(Model& model, const EditKey& key, std::size_t width, bool utf8) {
  auto& line = model.characters;
  const auto at = line.begin() + static_cast<std::ptrdiff_t>(model.cursor);
  switch (key.action) {
    case KeyAction::Insert:
      if (modelAccepts(key.text, utf8)) {
        line.insert(at, key.text);
        ++model.cursor;
      }
      break;
    case KeyAction::Tab: {
      const std::size_t blanks = 8 - model.cursor % 8;
      line.insert(at, blanks, " ");
      model.cursor += blanks;
      break;
    }
    case KeyAction::Backspace:
      if (model.cursor > 0) {
        line.erase(at - 1);
        --model.cursor;
      }
      break;
    case KeyAction::Delete:
      if (model.cursor == line.size()) return EditOutcome::Beep;
      line.erase(at);
      break;
    case KeyAction::Escape:
      line.clear();
      model.cursor = 0;
      break;
    case KeyAction::Home: model.cursor = 0; break;
    case KeyAction::End: model.cursor = line.size(); break;
    case KeyAction::Left:
      if (model.cursor > 0) --model.cursor;
      break;
    case KeyAction::Right:
      if (model.cursor < line.size()) ++model.cursor;
      break;
    case KeyAction::Up:
      if (width > 0 && model.cursor >= width) model.cursor -= width;
      break;
    case KeyAction::Down:
      if (width > 0 && model.cursor + width <= line.size()) model.cursor += width;
      break;
    case KeyAction::Enter: return EditOutcome::Finished;
    case KeyAction::Interrupt:
    case KeyAction::Nothing: break;
  }
  return EditOutcome::Continue;
}

void requireAgreement(const LineEditor& editor, const Model& model) {
  std::string line;
  std::size_t pointBytes = 0;
  for (std::size_t i = 0; i < model.characters.size(); ++i) {
    if (i == model.cursor) pointBytes = line.size();
    line += model.characters[i];
  }
  if (model.cursor == model.characters.size()) pointBytes = line.size();
  require(editor.line == line);
  require(editor.point == pointBytes);
  for (const char c : editor.line) require(static_cast<unsigned char>(c) >= 0x20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool utf8 = (data[0] & 1) != 0;
  const std::size_t width = data[1] % 128;  // 0 stands for a width that cannot be told
  MemoryKeys memory{std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2)};
  KeyBytes input = keyBytesFrom(memory);

  LineEditor editor;
  editor.utf8 = utf8;
  Model model;
  while (memory.at < memory.bytes.size() || input.held != kNoKeyByte) {
    const std::size_t before = memory.at;
    const int heldBefore = input.held;
    const EditKey key = decodeKey(input, utf8);
    // Each key takes at least one byte, so decoding always comes to an end.
    require(memory.at > before || heldBefore != kNoKeyByte);
    require(key.action != KeyAction::Insert || !key.text.empty());
    const EditOutcome outcome = applyKey(editor, key, width);
    require(outcome == applyToModel(model, key, width, utf8));
    requireAgreement(editor, model);
  }
  return 0;
}
