#include "kiv/checker_comments.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

#include "assembly/byte_set_bits.h"
#include "kiv/source_map.h"

namespace kiv::tool {

namespace {

Diagnostic OddQuotes(size_t first_quote) {
  return Diagnostic{Severity::kWarning, first_quote,
                    "odd number of double quotes in a comment: the programs count them too, so "
                    "the lines after it are read as if inside a string (comments kept, , $ ( ) "
                    "not blanked) up to the next double quote; remove the quote or write two",
                    1};
}

// Bits of a block from bit `from` on, and below bit `to`.
uint64_t BitsFrom(size_t from) { return from >= 64 ? 0 : ~uint64_t{0} << from; }
uint64_t BitsBelow(size_t to) { return to >= 64 ? ~uint64_t{0} : (uint64_t{1} << to) - 1; }

// One 64-byte block's bits of each kind of byte that matters.
struct BlockBits {
  uint64_t ends;      // line ends
  uint64_t quotes;    // double quotes
  uint64_t comments;  // # and ;
};

BlockBits BitsOf(std::string_view source, size_t block) {
  const char* bytes = source.data() + block;
  const size_t left = source.size() - block;
  if (left >= assembly::kByteBlock) {
    // Most blocks hold line ends alone: the quotes are told from the comment
    // starts only in a block that holds either.
    const uint64_t specials = assembly::ByteSetBits<'"', '#', ';'>(bytes);
    const uint64_t ends = assembly::ByteSetBits<'\n'>(bytes);
    if (specials == 0) return {ends, 0, 0};
    const uint64_t quotes = assembly::ByteSetBits<'"'>(bytes);
    return {ends, quotes, specials & ~quotes};
  }
  return {assembly::ByteSetBitsOfTail<'\n'>(bytes, left),
          assembly::ByteSetBitsOfTail<'"'>(bytes, left),
          assembly::ByteSetBitsOfTail<'#', ';'>(bytes, left)};
}

size_t ColonsOf(std::string_view source, size_t block) {
  const char* bytes = source.data() + block;
  const size_t left = source.size() - block;
  return assembly::CountSetBits(left >= assembly::kByteBlock
                                    ? assembly::ByteSetBits<':'>(bytes)
                                    : assembly::ByteSetBitsOfTail<':'>(bytes, left));
}

// A comment open across blocks: where it starts, its quotes so far, and
// where the first is.
struct OpenComment {
  bool open = false;
  size_t start = 0;
  size_t quotes = 0;
  size_t first_quote = 0;

  // Takes the comment's quotes among `quote_bits` of the block at `block`.
  void Count(uint64_t quote_bits, size_t block) {
    if (quote_bits == 0) return;
    if (quotes == 0) first_quote = block + static_cast<size_t>(std::countr_zero(quote_bits));
    quotes += assembly::CountSetBits(quote_bits);
  }
};

}  // namespace

std::vector<Diagnostic> CheckQuotesInComments(std::string_view source, CommentMap* comments,
                                              size_t* colons) {
  std::vector<Diagnostic> found;
  bool in_quote = false;  // carries over line ends, also out of a comment
  OpenComment comment;
  size_t colon_count = 0;
  for (size_t block = 0; block < source.size(); block += assembly::kByteBlock) {
    const BlockBits bits = BitsOf(source, block);
    if (colons != nullptr) colon_count += ColonsOf(source, block);
    size_t from = 0;  // the block's bits before it are taken
    while (from < assembly::kByteBlock) {
      if (comment.open) {
        // Quotes count up to the line end, which closes the comment; a
        // comment with an odd number changes how the lines after it read.
        const uint64_t ends = bits.ends & BitsFrom(from);
        const size_t end = ends == 0 ? assembly::kByteBlock : std::countr_zero(ends);
        comment.Count(bits.quotes & BitsFrom(from) & BitsBelow(end), block);
        if (ends == 0) break;
        if (comment.quotes % 2 != 0) {
          in_quote = !in_quote;
          found.push_back(OddQuotes(comment.first_quote));
        }
        if (comments != nullptr) comments->Add(comment.start, block + end);
        comment = OpenComment{};
        from = end + 1;
        continue;
      }
      // Outside comments only quotes and comment starts matter.
      const uint64_t specials = (bits.quotes | bits.comments) & BitsFrom(from);
      if (specials == 0) break;
      const size_t at = std::countr_zero(specials);
      from = at + 1;
      if (((bits.quotes >> at) & 1) != 0) {
        in_quote = !in_quote;
      } else if (!in_quote) {
        comment.open = true;
        comment.start = block + at;
      }
    }
  }
  // A comment on the last line changes no line after it, and moves no
  // offset of the normalised text: it is dropped at the end.
  if (colons != nullptr) *colons = colon_count;
  return found;
}

std::vector<size_t> CommentMap::DroppedBefore(std::span<const size_t> offsets) const {
  std::vector<size_t> dropped(offsets.size());
  // In ascending order, one sweep over the comments places them all.
  const std::vector<size_t> order = AscendingOrder(offsets);
  // The first comment not before the offsets so far: found at once for the
  // first, as a piece of the text far into it asks.
  size_t next = 0;
  if (!order.empty()) {
    next = static_cast<size_t>(std::lower_bound(at_.begin(), at_.end(), offsets[order.front()]) -
                               at_.begin());
  }
  for (const size_t i : order) {
    while (next < at_.size() && at_[next] < offsets[i]) ++next;
    dropped[i] = next == 0 ? 0 : dropped_by_[next - 1];
  }
  return dropped;
}

std::vector<Diagnostic> CheckQuotesInCommentsPlain(std::string_view source) {
  std::vector<Diagnostic> found;
  bool in_quote = false;
  bool in_comment = false;
  size_t quotes = 0;  // in the current comment
  size_t first_quote = 0;
  for (size_t i = 0; i < source.size(); ++i) {
    const char c = source[i];
    if (c == '"') {
      in_quote = !in_quote;
      if (in_comment && quotes++ == 0) first_quote = i;
    } else if (c == '\n') {
      if (in_comment && quotes % 2 != 0) found.push_back(OddQuotes(first_quote));
      in_comment = false;
    } else if ((c == '#' || c == ';') && !in_quote && !in_comment) {
      in_comment = true;
      quotes = 0;
    }
  }
  return found;
}

void MergeDiagnostics(std::vector<Diagnostic>& diagnostics, std::vector<Diagnostic> extra) {
  if (extra.empty()) return;
  std::vector<Diagnostic> merged;
  merged.reserve(diagnostics.size() + extra.size());
  size_t next = 0;
  for (Diagnostic& d : diagnostics) {
    if (d.severity != Severity::kNote) {
      while (next < extra.size() && extra[next].offset <= d.offset) {
        merged.push_back(std::move(extra[next++]));
      }
    }
    merged.push_back(std::move(d));
  }
  while (next < extra.size()) merged.push_back(std::move(extra[next++]));
  diagnostics = std::move(merged);
}

}  // namespace kiv::tool
