#include "assembler/log.h"

namespace kiv::assembler {

void Log::Error(std::string_view message) { file_ << "ERROR: " << message << '\n'; }

void Log::Info(std::string_view message) {
  console_ << "INFO: " << message << '\n';
  file_ << "INFO: " << message << '\n';
}

}  // namespace kiv::assembler
