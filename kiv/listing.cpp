#include "kiv/listing.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "kiv/disassembly.h"
#include "kiv/image.h"
#include "kiv/program.h"
#include "kiv/source_map.h"

namespace kiv::tool {
namespace {

constexpr int kInstructionWidth = 32;

// The first line on which each label is defined: the text before a colon
// outside quotes, leading blanks left out, as the label pass reads it.
std::unordered_map<std::string_view, uint32_t> LabelLines(std::string_view source) {
  std::unordered_map<std::string_view, uint32_t> lines;
  uint32_t line = 1;
  size_t start = 0;  // of the text that a colon would make a label
  bool quoted = false;
  for (size_t i = 0; i < source.size(); ++i) {
    const char c = source[i];
    if (c == '\n') {
      ++line;
      start = i + 1;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ':' && !quoted) {
      std::string_view name = source.substr(start, i - start);
      while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
      lines.try_emplace(name, line);
      start = i + 1;
    } else if ((c == '#' || c == ';') && !quoted) {
      start = source.size();  // a colon in a comment names nothing
    }
  }
  return lines;
}

class ListingWriter {
 public:
  ListingWriter(std::string_view source, const ChainResult& chain,
                const std::vector<assembly::StatementEvent>& events)
      : source_(source), chain_(chain), lines_(source) {
    Image image;
    std::string error;
    ReadBinaryImage(chain.back.image, image, error);
    map_ = MapSource(chain.front.formatted, chain.front.object_text, events, chain.back.boundaries,
                     image.units.size());
    for (size_t k = 0; k < image.units.size(); ++k) {
      image.kinds[k] = map_.is_data[k] ? UnitKind::kData : UnitKind::kBundle;
    }
    program_ = ReadProgram(image);
    out_.reserve(image.units.size() * 3 * 96);
  }

  std::string Run() {
    Append("ADDRESS   WORD         INSTRUCTION                        LINE  SOURCE\n");
    for (size_t k = 0; k < program_.units.size(); ++k) {
      if (program_.units[k].is_data) {
        DataUnit(k);
      } else {
        BundleUnit(k);
      }
    }
    Symbols();
    return std::move(out_);
  }

 private:
  void Append(std::string_view text) { out_.append(text); }

  void Printf(const char* format, auto... values) {
    char buffer[128];
    const int length = std::snprintf(buffer, sizeof buffer, format, values...);
    out_.append(buffer, static_cast<size_t>(std::min<int>(length, sizeof buffer - 1)));
  }

  void SourceColumns(uint32_t line) {
    if (line == 0) {
      Append("\n");
      return;
    }
    Printf("%5u  ", line);
    Append(lines_.Line(line));
    Append("\n");
  }

  void BundleUnit(size_t k) {
    const ProgramUnit& unit = program_.units[k];
    Printf("%04zx      bundle, slot count field %d\n", k * 16, static_cast<int>(unit.raw & 3));
    const int count = InstructionCount(unit);
    for (int slot = 0; slot < 3; ++slot) {
      if (slot >= count) {
        if (unit.bundle.kind == BundleKind::kSlots)
          Printf("%04zx.%d    (padding)\n", k * 16, slot + 1);
        continue;
      }
      const uint64_t word =
          unit.bundle.kind == BundleKind::kSpawni
              ? uint64_t{unit.bundle.spawni_second} << 32 | unit.bundle.spawni_first
              : unit.bundle.words[slot];
      Printf("%04zx.%d    %011llx  ", k * 16, slot + 1, static_cast<unsigned long long>(word));
      const SourceLine line = InstructionLine(program_, k, slot);
      Printf("%-*s", kInstructionWidth, line.text.c_str());
      SourceColumns(map_.slot_lines[3 * k + slot]);
    }
  }

  void DataUnit(size_t k) {
    const ProgramUnit& unit = program_.units[k];
    Printf("%04zx      data line\n", k * 16);
    for (int half = 0; half < 2; ++half) {
      const DataPair pair = PairOf(unit.raw, half);
      Printf("%04zx+%d    %016llx  %*s", k * 16, 8 * half, static_cast<unsigned long long>(pair),
             kInstructionWidth - 5, "");
      SourceColumns(map_.pair_lines[2 * k + half]);
    }
  }

  void Symbols() {
    struct Symbol {
      std::string_view name;
      int32_t index;
    };
    std::vector<Symbol> symbols;
    chain_.front.labels.ForEachLabel([&](std::string_view name, int32_t index) {
      symbols.push_back({name, index});
    });
    std::sort(symbols.begin(), symbols.end(), [](const Symbol& a, const Symbol& b) {
      return a.index != b.index ? a.index < b.index : a.name < b.name;
    });
    const auto label_lines = LabelLines(source_);
    Append("\nSYMBOLS\nLABEL                            INDEX  ADDRESS   LINE\n");
    for (const Symbol& symbol : symbols) {
      const uint64_t position =
          chain_.back.boundaries.SlotPosition(static_cast<uint32_t>(symbol.index));
      const auto found = label_lines.find(symbol.name);
      const std::string name(symbol.name);
      Printf("%-31s %6d  %04llx   %5u\n", name.c_str(), symbol.index,
             static_cast<unsigned long long>(position / 3 * 16),
             found == label_lines.end() ? 0u : found->second);
    }
  }

  std::string_view source_;
  const ChainResult& chain_;
  LineIndex lines_;
  SourceMap map_;
  Program program_;
  std::string out_;
};

}  // namespace

std::string MakeListing(std::string_view source, const ChainResult& chain,
                        const std::vector<assembly::StatementEvent>& events) {
  return ListingWriter(source, chain, events).Run();
}

}  // namespace kiv::tool
