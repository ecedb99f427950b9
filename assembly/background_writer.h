// Writes a file's pieces on a second thread while the caller makes the next
// one: making a piece and writing the one before overlap, each on its CPU.
#pragma once

#include <semaphore>
#include <string_view>
#include <thread>

#include "common/file_io.h"

namespace kiv::assembly {

class BackgroundWriter {
 public:
  // Throws std::system_error when no thread can be had.
  explicit BackgroundWriter(OutputFile& file);
  ~BackgroundWriter() { Finish(); }
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Hands the piece on once the one before it is written. Its bytes must
  // stay as they are until the next Write or Finish returns.
  void Write(std::string_view piece);
  // Waits for the last piece; false when any write failed.
  bool Finish();

 private:
  void WritePieces();

  OutputFile& file_;
  std::binary_semaphore piece_ready_{0};
  std::binary_semaphore piece_written_{1};
  std::string_view piece_;
  bool finished_ = false;
  bool written_ = true;
  std::jthread thread_;  // last: it starts once the rest is ready
};

}  // namespace kiv::assembly
