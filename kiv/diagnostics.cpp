#include "kiv/diagnostics.h"

namespace kiv::tool {

void PrintDiagnostics(std::ostream& out, std::string_view source_name, std::string_view /*source*/,
                      std::span<const Diagnostic> diagnostics, bool /*plain*/) {
  for (const Diagnostic& d : diagnostics) out << source_name << ": " << d.message << '\n';
}

}  // namespace kiv::tool
