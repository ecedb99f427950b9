#include "kiv/listing.h"

#include <algorithm>
#include <charconv>
#include <ostream>
#include <unordered_set>

#include "kiv/disassembly.h"
#include "kiv/image.h"
#include "kiv/label_lines.h"
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

constexpr size_t kFlushBytes = size_t{1} << 20;

class ListingWriter {
 public:
  ListingWriter(std::ostream& out, std::string_view source, const ChainResult& chain,
                const std::vector<Statement>& statements)
      : stream_(out), chain_(chain), source_(source), lines_(source) {
    Image image;
    std::string error;
    ReadBinaryImage(chain.back.image, image, error);
    map_ = MapSlotSources(chain.front.object_text, statements, chain.back.boundaries,
                          image.units.size());
    for (size_t k = 0; k < image.units.size(); ++k) {
      image.kinds[k] = map_.is_data[k] ? UnitKind::kData : UnitKind::kBundle;
    }
    program_ = ReadProgram(image);
    out_.reserve(2 * kFlushBytes);
  }

  void Run() {
    out_ += "ADDRESS   WORD              INSTRUCTION                      LINE  SOURCE\n";
    for (size_t k = 0; k < program_.units.size(); ++k) {
      if (program_.units[k].is_data) {
        DataUnit(k);
      } else {
        BundleUnit(k);
      }
      if (out_.size() >= kFlushBytes) Flush();
    }
    Symbols();
    Flush();
  }

 private:
  void Flush() {
    stream_.write(out_.data(), static_cast<std::streamsize>(out_.size()));
    out_.clear();
  }

  void SourceColumns(uint32_t line) {
    if (line != 0) {
      AppendDecimal(out_, line, 5);
      out_ += "  ";
      out_ += lines_.Line(line);
    }
    out_ += '\n';
  }

  void BundleUnit(size_t k) {
    const ProgramUnit& unit = program_.units[k];
    AppendHexDigits(out_, k * 16, 4);
    out_ += "      bundle, slot count field ";
    out_ += static_cast<char>('0' + (unit.raw & 3));
    out_ += '\n';
    const int count = InstructionCount(unit);
    for (int slot = 0; slot < 3; ++slot) {
      if (slot >= count) {
        if (unit.bundle.kind != BundleKind::kSlots) continue;
        AppendAddress(out_, k, '.', slot + 1);
        out_ += "(padding)\n";
        continue;
      }
      const uint64_t word =
          unit.bundle.kind == BundleKind::kSpawni
              ? uint64_t{unit.bundle.spawni_second} << 32 | unit.bundle.spawni_first
              : unit.bundle.words[slot];
      AppendAddress(out_, k, '.', slot + 1);
      // spawni's two values take 16 digits; every slot word 11.
      AppendHexDigits(out_, word, unit.bundle.kind == BundleKind::kSpawni ? 16 : 11);
      out_.append(unit.bundle.kind == BundleKind::kSpawni ? 2 : 7, ' ');
      AppendColumn(out_, InstructionLine(program_, k, slot).text, kInstructionWidth);
      SourceColumns(map_.slot_lines[3 * k + slot]);
    }
  }

  void DataUnit(size_t k) {
    const ProgramUnit& unit = program_.units[k];
    AppendHexDigits(out_, k * 16, 4);
    out_ += "      data line\n";
    for (int half = 0; half < 2; ++half) {
      AppendAddress(out_, k, '+', 8 * half);
      AppendHexDigits(out_, PairOf(unit.raw, half), 16);
      out_.append(2 + kInstructionWidth, ' ');
      SourceColumns(map_.pair_lines[2 * k + half]);
    }
  }

  // In the order of definition, which is the order of instruction indices
  // in a usual source; a name defined twice is listed once, as the label
  // table holds it.
  void Symbols() {
    out_ += "\nSYMBOLS\n";
    AppendColumn(out_, "LABEL", kLabelWidth);
    out_ += "INDEX  ADDRESS   LINE\n";
    const std::vector<LabelLine> definitions = LabelLines(source_, lines_);
    const bool repeats = definitions.size() != chain_.front.labels.size();
    std::unordered_set<std::string_view> listed;
    constexpr size_t kLookAhead = 8;  // the table's slots are far apart in memory
    for (size_t i = 0; i < definitions.size(); ++i) {
      if (i + kLookAhead < definitions.size()) {
        chain_.front.labels.Prefetch(definitions[i + kLookAhead].name);
      }
      const LabelLine& definition = definitions[i];
      int32_t index = 0;
      if (chain_.front.labels.FindLabel(definition.name, index) != assembly::Status::kSuccess) {
        continue;
      }
      if (repeats && !listed.insert(definition.name).second) continue;
      Symbol(definition.name, index, definition.line);
    }
  }

  void Symbol(std::string_view name, int32_t index, uint32_t line) {
    const uint64_t position = chain_.back.boundaries.SlotPosition(static_cast<uint32_t>(index));
    AppendColumn(out_, name, kLabelWidth);
    AppendDecimal(out_, index, 5);
    out_ += "  ";
    AppendHexDigits(out_, position / 3 * 16, 4);
    out_ += "    ";
    AppendDecimal(out_, line, 5);
    out_ += '\n';
    if (out_.size() >= kFlushBytes) Flush();
  }

  std::ostream& stream_;
  const ChainResult& chain_;
  std::string_view source_;
  LineIndex lines_;
  SlotSources map_;
  Program program_;
  std::string out_;
};

}  // namespace

void WriteListing(std::ostream& out, std::string_view source, const ChainResult& chain,
                  const std::vector<Statement>& statements) {
  ListingWriter(out, source, chain, statements).Run();
}

}  // namespace kiv::tool
