#include "kiv/token_scan.h"

namespace kiv::tool {

size_t SkipLineSpacePlain(std::string_view text, size_t pos) {
  while (pos < text.size() && IsLineSpace(text[pos])) ++pos;
  return pos;
}

size_t TokenEndPlain(std::string_view text, size_t pos) {
  while (pos < text.size() && !IsSpace(text[pos])) ++pos;
  return pos;
}

}  // namespace kiv::tool
