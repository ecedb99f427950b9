// The listing `kiv list` prints, after GNU as's -al (line, address,
// encoding, source): every bundle with its address and slot count field,
// every slot with its word, its instruction as `kiv dis` prints it and the
// source line it came from; data lines with their pairs and source lines;
// then the symbol table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "assembly/statement_observer.h"
#include "kiv/chain.h"

namespace kiv::tool {

// `chain` succeeded on `source`; `events` are the statements it reported.
std::string MakeListing(std::string_view source, const ChainResult& chain,
                        const std::vector<assembly::StatementEvent>& events);

}  // namespace kiv::tool
