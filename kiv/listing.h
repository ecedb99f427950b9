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

// Written out in pieces as it is made. With `second_thread`, a second
// thread makes the second half of the bundles and the symbol table while
// this one writes the first half: the same bytes, sooner on a large program.
void WriteListing(std::ostream& out, const ListingInput& input, bool second_thread = false);

}  // namespace kiv::tool
