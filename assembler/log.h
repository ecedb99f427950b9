// The back end's log, kept in memory until the run ends. Errors go to the log
// only, so a failing run stays silent on the console; info lines go to both.
#pragma once

#include <string>
#include <string_view>

namespace kiv::assembler {

class Log {
 public:
  void Error(std::string_view message);  // "ERROR: %s\n", log only
  void Info(std::string_view message);   // "INFO: %s\n", log and console

  // What the log file holds, and what the console shows, so far.
  const std::string& text() const { return text_; }
  const std::string& console() const { return console_; }

 private:
  std::string text_;
  std::string console_;
};

}  // namespace kiv::assembler
