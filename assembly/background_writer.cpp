#include "assembly/background_writer.h"

namespace kiv::assembly {

BackgroundWriter::BackgroundWriter(OutputFile& file)
    : file_(file), thread_([this] { WritePieces(); }) {}

void BackgroundWriter::Write(std::string_view piece) {
  piece_written_.acquire();
  piece_ = piece;
  piece_ready_.release();
}

bool BackgroundWriter::Finish() {
  if (!finished_) {
    piece_written_.acquire();
    finished_ = true;
    piece_ready_.release();
    thread_.join();
  }
  return written_;
}

void BackgroundWriter::WritePieces() {
  for (;;) {
    piece_ready_.acquire();
    if (finished_) return;
    written_ = file_.Write(piece_) && written_;
    piece_written_.release();
  }
}

}  // namespace kiv::assembly
