#include "kiv/commands.h"

namespace kiv::tool {

int RunCheckCommand(Arguments /*args*/, std::ostream& /*out*/, std::ostream& err) {
  err << "kiv check: not built yet\n";
  return kExitUsage;
}

}  // namespace kiv::tool
