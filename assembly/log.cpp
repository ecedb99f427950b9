#include "assembly/log.h"

namespace kiv::assembly {

void Log::Error(std::string_view message, int64_t number) {
  std::string line = "!!ERROR: ";
  line.append(message);
  line.push_back(' ');
  line.append(std::to_string(number));
  line.push_back('\n');
  Emit(line);
}

void Log::Info(std::string_view message) {
  std::string line = " INFO: ";
  line.append(message);
  line.append(" \n");
  Emit(line);
}

void Log::Append(const Log& later) { Emit(later.text_); }

void Log::Emit(const std::string& line) {
  if (console_ != nullptr) std::fwrite(line.data(), 1, line.size(), console_);
  text_ += line;
}

}  // namespace kiv::assembly
