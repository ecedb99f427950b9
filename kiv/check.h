// Everything `kiv check` finds in a source: the errors either program would
// stop at, and the warnings for what the fixed rules accept silently.
#pragma once

#include <string_view>
#include <vector>

#include "kiv/diagnostics.h"

namespace kiv::tool {

// In source order; notes follow the diagnostic they belong to.
std::vector<Diagnostic> CheckSource(std::string_view source);

bool HasError(const std::vector<Diagnostic>& diagnostics);

}  // namespace kiv::tool
