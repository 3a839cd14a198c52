// Reading the typed file name. Until the prompt is built, no name is read.

#include "console/console_input.h"

std::string promptAndReadField(std::string_view) {
  return {};
}
