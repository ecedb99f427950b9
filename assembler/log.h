// The back end's log, kept in memory until the run ends. Errors go to the log
// and to standard error, never to standard output; info lines go to the log
// and standard output.
#pragma once

#include <string>
#include <string_view>

namespace kiv::assembler {

class Log {
 public:
  void Error(std::string_view message);  // "ERROR: %s\n", log and standard error
  void Info(std::string_view message);   // "INFO: %s\n", log and console

  // What the log file holds, what the console shows and what standard error
  // shows, so far.
  const std::string& text() const { return text_; }
  const std::string& console() const { return console_; }
  const std::string& errors() const { return errors_; }

 private:
  std::string text_;
  std::string console_;
  std::string errors_;
};

}  // namespace kiv::assembler
