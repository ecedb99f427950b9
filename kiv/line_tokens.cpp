#include "kiv/line_tokens.h"

namespace kiv::tool {

bool NextOnLinePlain(std::string_view text, size_t& pos, std::string_view& token) {
  const size_t start = SkipLineSpacePlain(text, pos);
  if (start == text.size() || text[start] == '\n') {
    pos = start;
    return false;
  }
  pos = TokenEndPlain(text, start);
  token = text.substr(start, pos - start);
  return true;
}

}  // namespace kiv::tool
