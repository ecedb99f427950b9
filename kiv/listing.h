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
#include "kiv/slot_sources.h"

namespace kiv::tool {

// `chain` succeeded on `source`; `statements` are those it reported.
// Written out in pieces as it is made.
void WriteListing(std::ostream& out, std::string_view source, const ChainResult& chain,
                  const std::vector<Statement>& statements);

}  // namespace kiv::tool
