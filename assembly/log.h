// The front end's log: every line goes to the console first, then to the log
// text, which the driver writes to the log file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kiv::assembly {

class Log {
 public:
  // `console` may be null (tests, fuzzing): then lines are only kept.
  explicit Log(std::FILE* console = nullptr) : console_(console) {}

  // "!!ERROR: %s %ld": the number is -1 for a file that cannot be opened,
  // else the instruction index at which the fault was met.
  void Error(std::string_view message, int64_t number);
  // " INFO: %s " with a blank before the line end.
  void Info(std::string_view message);

  // The lines another log kept, as if they were made here now.
  void Append(const Log& later);

  const std::string& text() const { return text_; }

 private:
  void Emit(const std::string& line);

  std::FILE* console_;
  std::string text_;
};

}  // namespace kiv::assembly
