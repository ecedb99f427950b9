#include "kiv/check.h"

#include <algorithm>

namespace kiv::tool {

std::vector<Diagnostic> CheckSource(std::string_view /*source*/) { return {}; }

bool HasError(const std::vector<Diagnostic>& diagnostics) {
  return std::any_of(diagnostics.begin(), diagnostics.end(),
                     [](const Diagnostic& d) { return d.severity == Severity::kError; });
}

}  // namespace kiv::tool
