#include "assembler/log.h"

namespace kiv::assembler {

void Log::Error(std::string_view message) {
  text_.append("ERROR: ").append(message).push_back('\n');
}

void Log::Info(std::string_view message) {
  const size_t start = text_.size();
  text_.append("INFO: ").append(message).push_back('\n');
  console_.append(text_, start);
}

}  // namespace kiv::assembler
