#include "kiv/listing.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <ostream>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "common/processors.h"
#include "kiv/disassembly.h"
#include "kiv/image.h"
#include "kiv/label_lines.h"
#include "kiv/lookup_ring.h"
#include "kiv/program.h"
#include "kiv/slot_sources.h"

namespace kiv::tool {
namespace {

constexpr size_t kInstructionWidth = 32;
constexpr size_t kLabelWidth = 32;

void AppendHexDigits(std::string& out, uint64_t value, int digits) {
  char buffer[16];
  for (int i = digits - 1; i >= 0; --i) {
    buffer[i] = "0123456789abcdef"[value & 0xf];
    value >>= 4;
  }
  out.append(buffer, static_cast<size_t>(digits));
}

// The number right-aligned in `width` columns.
void AppendDecimal(std::string& out, int64_t value, size_t width) {
  char digits[24];
  const auto length =
      static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
  if (length < width) out.append(width - length, ' ');
  out.append(digits, length);
}

// The text left-aligned in `width` columns, then one blank at least.
void AppendColumn(std::string& out, std::string_view text, size_t width) {
  out += text;
  out.append(text.size() < width ? width - text.size() : 1, ' ');
}

// A unit's address, then its slot (".1") or half (+0, +8).
void AppendAddress(std::string& out, size_t unit, char separator, int part) {
  AppendHexDigits(out, unit * 16, 4);
  out += separator;
  out += static_cast<char>('0' + part);
  out += "    ";
}

constexpr size_t kSymbolPartBytes = size_t{1} << 20;

// Whose turn it is to write: pieces are made on either thread but written
// strictly in order, so the listing's bytes never depend on the threads.
class WritingTurns {
 public:
  void WaitFor(size_t piece) const {
    for (size_t now = next_.load(std::memory_order_acquire); now != piece;
         now = next_.load(std::memory_order_acquire)) {
      next_.wait(now, std::memory_order_acquire);
    }
  }
  void Done(size_t piece) {
    next_.store(piece + 1, std::memory_order_release);
    next_.notify_all();
  }

 private:
  std::atomic<size_t> next_{0};
};

// Reads only what the constructor made, so two threads may each make pieces
// of the listing at once.
class ListingWriter {
 public:
  ListingWriter(const ListingInput& input, const ListingOptions& options)
      : block_units_(std::max<size_t>(options.block_units, 1)),
        symbols_ahead_(options.symbols_ahead),
        chain_(input.chain),
        lines_(input.source.lines),
        labels_(input.source.labels) {
    Image image;
    std::string error;
    ReadBinaryImage(chain_.back.image, image, error);
    map_ = MapSlotSources(chain_.front.object_text, input.statements, chain_.back.boundaries,
                          image.units.size());
    for (size_t k = 0; k < image.units.size(); ++k) {
      image.kinds[k] = map_.is_data[k] ? UnitKind::kData : UnitKind::kBundle;
    }
    program_ = ReadProgram(image);
  }

  // The pieces are the blocks of units, then the symbol table. With a second
  // thread, each thread makes every other piece and waits for its turn to
  // write it; the buffer it made it in is used again for its next piece.
  void Run(std::ostream& stream, bool second_thread) const {
    stream << "ADDRESS   WORD              INSTRUCTION                      LINE  SOURCE\n";
    WritingTurns turns;
    std::jthread helper;
    if (second_thread) helper = StartPieces(1, stream, turns);
    WritePieces(0, helper.joinable() ? 2 : 1, stream, turns);
  }

 private:
  std::jthread StartPieces(size_t first, std::ostream& stream, WritingTurns& turns) const {
    try {
      return StartBeside([this, first, &stream, &turns] { WritePieces(first, 2, stream, turns); });
    } catch (const std::system_error&) {
      return {};  // no thread to be had: this one makes every piece
    }
  }

  void WritePieces(size_t first, size_t step, std::ostream& stream, WritingTurns& turns) const {
    const size_t count = program_.units.size();
    const size_t blocks = (count + block_units_ - 1) / block_units_;
    std::string text;
    for (size_t piece = first; piece < blocks; piece += step) {
      text.clear();
      Units(piece * block_units_, std::min(count, (piece + 1) * block_units_), text);
      turns.WaitFor(piece);
      Write(stream, text);
      turns.Done(piece);
    }
    if (blocks < first || (blocks - first) % step != 0) return;  // the other thread's
    const std::vector<std::string> symbols = Symbols();
    turns.WaitFor(blocks);
    for (const std::string& part : symbols) Write(stream, part);
  }

  static void Write(std::ostream& stream, std::string_view text) {
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
  }

  void Units(size_t begin, size_t end, std::string& out) const {
    for (size_t k = begin; k < end; ++k) {
      if (program_.units[k].is_data) {
        DataUnit(k, out);
      } else {
        BundleUnit(k, out);
      }
    }
  }

  void SourceColumns(uint32_t line, std::string& out) const {
    if (line != 0) {
      AppendDecimal(out, line, 5);
      out += "  ";
      out += lines_.Line(line);
    }
    out += '\n';
  }

  void BundleUnit(size_t k, std::string& out) const {
    const ProgramUnit& unit = program_.units[k];
    AppendHexDigits(out, k * 16, 4);
    out += "      bundle, slot count field ";
    out += static_cast<char>('0' + (unit.raw & 3));
    out += '\n';
    const int count = InstructionCount(unit);
    const bool spawni = unit.bundle.kind == BundleKind::kSpawni;
    for (int slot = 0; slot < 3; ++slot) {
      if (slot >= count) {
        if (unit.bundle.kind != BundleKind::kSlots) continue;
        AppendAddress(out, k, '.', slot + 1);
        out += "(padding)\n";
        continue;
      }
      const uint64_t word =
          spawni ? uint64_t{unit.bundle.spawni_second} << 32 | unit.bundle.spawni_first
                 : unit.bundle.words[slot];
      AppendAddress(out, k, '.', slot + 1);
      // spawni's two values take 16 digits; every slot word 11.
      AppendHexDigits(out, word, spawni ? 16 : 11);
      out.append(spawni ? 2 : 7, ' ');
      const size_t before = out.size();
      AppendInstructionText(out, program_, k, slot);
      const size_t written = out.size() - before;
      out.append(written < kInstructionWidth ? kInstructionWidth - written : 1, ' ');
      SourceColumns(map_.slot_lines[3 * k + slot], out);
    }
  }

  void DataUnit(size_t k, std::string& out) const {
    const ProgramUnit& unit = program_.units[k];
    AppendHexDigits(out, k * 16, 4);
    out += "      data line\n";
    for (int half = 0; half < 2; ++half) {
      AppendAddress(out, k, '+', 8 * half);
      AppendHexDigits(out, PairOf(unit.raw, half), 16);
      out.append(2 + kInstructionWidth, ' ');
      SourceColumns(map_.pair_lines[2 * k + half], out);
    }
  }

  // In the order of definition, which is the order of instruction indices
  // in a usual source; a name defined twice is listed once, as the label
  // table holds it. Made whole, in parts of a megabyte, before its turn to
  // be written comes: the last piece then costs only its writing.
  std::vector<std::string> Symbols() const {
    std::vector<std::string> parts(1);
    parts.back() += "\nSYMBOLS\n";
    AppendColumn(parts.back(), "LABEL", kLabelWidth);
    parts.back() += "INDEX  ADDRESS   LINE\n";
    const bool repeats = labels_.size() != chain_.front.labels.size();
    std::unordered_set<std::string_view> listed;
    const assembly::LabelTable& table = chain_.front.labels;
    // The table's slots are far apart in memory: each name is hashed and its
    // slot fetched a few names before it is looked up, in order (LookupRing).
    struct Pending {
      const LabelLine* definition;
      assembly::LabelTable::Query query;
    };
    LookupRing<Pending, kMostSymbolsAhead> ring(symbols_ahead_);
    const auto list = [&](const Pending& pending) {
      const LabelLine& definition = *pending.definition;
      int32_t index = 0;
      if (table.FindLabel(pending.query, index) != assembly::Status::kSuccess) return;
      if (repeats && !listed.insert(definition.name).second) return;
      if (parts.back().size() >= kSymbolPartBytes) parts.emplace_back();
      Symbol(definition.name, index, definition.line, parts.back());
    };
    // The names themselves lie a line or more apart: each is fetched further
    // ahead still, before its hashing.
    constexpr size_t kNamesAhead = 2 * kMostSymbolsAhead;
    for (size_t i = 0; i < labels_.size(); ++i) {
      if (i + kNamesAhead < labels_.size())
        __builtin_prefetch(labels_[i + kNamesAhead].name.data());
      ring.Add(Pending{&labels_[i], table.PrepareFind(labels_[i].name)}, list);
    }
    ring.Drain(list);
    return parts;
  }

  void Symbol(std::string_view name, int32_t index, uint32_t line, std::string& out) const {
    const uint64_t position = chain_.back.boundaries.SlotPosition(static_cast<uint32_t>(index));
    AppendColumn(out, name, kLabelWidth);
    AppendDecimal(out, index, 5);
    out += "  ";
    AppendHexDigits(out, position / 3 * 16, 4);
    out += "    ";
    AppendDecimal(out, line, 5);
    out += '\n';
  }

  size_t block_units_;
  size_t symbols_ahead_;
  const ChainResult& chain_;
  const LineIndex& lines_;
  const std::vector<LabelLine>& labels_;
  SlotSources map_;
  Program program_;
};

}  // namespace

void WriteListing(std::ostream& out, const ListingInput& input, const ListingOptions& options) {
  ListingWriter(input, options).Run(out, options.second_thread);
}

}  // namespace kiv::tool
