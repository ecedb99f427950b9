// The listing `kiv list` prints, after GNU as's -al (line, address,
// encoding, source): every bundle with its address and slot count field,
// every slot with its word, its instruction as `kiv dis` prints it and the
// source line it came from; data lines with their pairs and source lines;
// then the symbol table.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "kiv/chain.h"
#include "kiv/label_lines.h"
#include "kiv/slot_sources.h"

namespace kiv::tool {

struct ListingInput {
  const SourceLines& source;  // of the source `chain` succeeded on
  const ChainResult& chain;
  const StatementLog& statements;  // those the chain reported
};

// The most symbols looked up behind their slots' fetches (ListingOptions).
inline constexpr size_t kMostSymbolsAhead = 16;

struct ListingOptions {
  // A second thread makes every other piece of the listing while this one
  // makes the others: the same bytes, sooner on a large program.
  bool second_thread = false;
  size_t block_units = 4096;  // units in one piece, about a megabyte of listing
  // The symbols' labels are looked up this many names after their slots are
  // fetched (the table is far larger than the caches); 0 looks each up at
  // once, the plain way; at most kMostSymbolsAhead.
  size_t symbols_ahead = kMostSymbolsAhead;
};

// Written out in pieces as it is made.
void WriteListing(std::ostream& out, const ListingInput& input, const ListingOptions& options = {});

}  // namespace kiv::tool
