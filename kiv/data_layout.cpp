#include "kiv/data_layout.h"

#include <string_view>

namespace kiv::tool {
namespace {

constexpr size_t kPairsPerChunk = 2;    // a string is filled to 16 bytes
constexpr size_t kMaxStringBytes = 64;  // keeps the line well inside 100 characters
constexpr char kFillerByte = 0x11;

// Bytes a quoted string on one line cannot hold: its closing quote, the line
// ends, and NUL.
bool StringCanCarry(char c) { return c != '"' && c != '\n' && c != '\r' && c != '\0'; }

// The label pass takes any line holding these for a data line of their kind.
bool HoldsDirectiveName(std::string_view text) {
  return text.find(".rdata") != std::string_view::npos ||
         text.find(".word") != std::string_view::npos;
}

void AppendPairBytes(std::string& out, DataPair pair) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>(pair >> (8 * i));
}

DataItem Item(DataItemKind kind, size_t first_pair, size_t pair_count) {
  DataItem item;
  item.kind = kind;
  item.first_pair = first_pair;
  item.pair_count = pair_count;
  return item;
}

class Layout {
 public:
  Layout(std::span<const DataPair> pairs, std::span<const size_t> labels)
      : pairs_(pairs), labels_(labels) {}

  std::vector<DataItem> Run() {
    size_t i = 0;
    while (i < pairs_.size()) {
      PlaceLabels(i);
      const DataPair pair = pairs_[i];
      if (FirstWord(pair) == 0) {
        AddWord(i);
        i += 1;
      } else if (pair == kFillerPair && odd_words_) {
        Push(Item(DataItemKind::kAlign, i, 1));
        odd_words_ = words_pending_ = false;
        i += 1;
      } else {
        i += AddChunk(i);
      }
    }
    FinishStrings();
    return std::move(items_);
  }

 private:
  // Labels at or before pair i stand before the next directive; pending
  // words are flushed first (no filler at an even count).
  void PlaceLabels(size_t i) {
    if (next_label_ >= labels_.size() || labels_[next_label_] > i) return;
    if (words_pending_ && !odd_words_) {
      Push(Item(DataItemKind::kAlign, i, 0));
      words_pending_ = false;
    }
    while (next_label_ < labels_.size() && labels_[next_label_] <= i) {
      pending_labels_.push_back(labels_[next_label_++]);
    }
  }

  void AddWord(size_t i) {
    DataItem item = Item(DataItemKind::kWord, i, 1);
    item.word = static_cast<int32_t>(SecondWord(pairs_[i]));
    Push(std::move(item));
    odd_words_ = !odd_words_;
    words_pending_ = true;
  }

  // Two pairs of string bytes, joined to the string before when nothing
  // stands between them. Returns the pairs used.
  size_t AddChunk(size_t i) {
    std::string bytes;
    AppendPairBytes(bytes, pairs_[i]);
    const bool whole = i + 1 < pairs_.size();
    if (whole) AppendPairBytes(bytes, pairs_[i + 1]);
    std::string warning = whole ? "" : "an odd last data pair: the string adds a filler pair";
    for (char& c : bytes) {
      if (StringCanCarry(c)) continue;
      c = '?';
      warning = "bytes a string cannot carry (a quote, a line end or NUL) are shown as '?'";
    }
    if (FirstWord(pairs_[i]) == 0xffffffffu || (whole && FirstWord(pairs_[i + 1]) == 0xffffffffu)) {
      warning = "a group of ff ff ff ff would read as the end of the data section";
    }
    DataItem* last = items_.empty() ? nullptr : &items_.back();
    const bool joins = last != nullptr && last->kind == DataItemKind::kAscii &&
                       last->first_pair + last->pair_count == i && pending_labels_.empty() &&
                       last->warning.empty() && warning.empty() &&
                       last->text.size() + bytes.size() <= kMaxStringBytes &&
                       !HoldsDirectiveName(last->text + bytes);
    if (joins) {
      last->text += bytes;
      last->pair_count += kPairsPerChunk;
      return kPairsPerChunk;
    }
    if (HoldsDirectiveName(bytes)) warning = "the string holds a directive name";
    DataItem item = Item(DataItemKind::kAscii, i, whole ? kPairsPerChunk : 1);
    item.text = std::move(bytes);
    item.warning = std::move(warning);
    Push(std::move(item));
    return whole ? kPairsPerChunk : 1;
  }

  // The front end fills the last 16 bytes of a string with 0x11 itself.
  void FinishStrings() {
    for (DataItem& item : items_) {
      if (item.kind != DataItemKind::kAscii || !item.warning.empty()) continue;
      const size_t keep = item.text.size() - 16 + 1;
      while (item.text.size() > keep && item.text.back() == kFillerByte) item.text.pop_back();
    }
  }

  void Push(DataItem item) {
    item.labels = std::move(pending_labels_);
    pending_labels_.clear();
    items_.push_back(std::move(item));
  }

  std::span<const DataPair> pairs_;
  std::span<const size_t> labels_;
  size_t next_label_ = 0;
  std::vector<size_t> pending_labels_;
  bool odd_words_ = false;      // an odd number of words since the last flush
  bool words_pending_ = false;  // words since the last flush
  std::vector<DataItem> items_;
};

}  // namespace

std::vector<DataItem> LayOutData(std::span<const DataPair> pairs,
                                 std::span<const size_t> label_pairs) {
  return Layout(pairs, label_pairs).Run();
}

}  // namespace kiv::tool
