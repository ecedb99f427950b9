#include "assembly/normaliser.h"

namespace kiv::assembly {

std::string NormaliseSource(std::string_view source) {
  std::string out;
  out.reserve(source.size());
  bool in_quote = false;
  bool in_comment = false;
  for (const char c : source) {
    // A quote toggles even inside a comment: an odd number of quotes in a
    // comment changes how the rest of the file is read.
    if (c == '"') in_quote = !in_quote;
    if (in_comment) {
      if (c == '\n') {
        in_comment = false;
        out.push_back(c);
      }
      continue;
    }
    if (!in_quote) {
      if (c == ';' || c == '#') {
        in_comment = true;
        continue;
      }
      if (c == ',' || c == '$' || c == '(' || c == ')') {
        out.push_back(' ');
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace kiv::assembly
