// The back end's log. Errors go to the log file only, so a failing run stays
// silent on the console; info lines go to the console and then the log file.
#pragma once

#include <ostream>
#include <string_view>

namespace kiv::assembler {

class Log {
 public:
  Log(std::ostream& console, std::ostream& file) : console_(console), file_(file) {}

  void Error(std::string_view message);  // "ERROR: %s\n", log file only
  void Info(std::string_view message);   // "INFO: %s\n", console, then log file

 private:
  std::ostream& console_;
  std::ostream& file_;
};

}  // namespace kiv::assembler
