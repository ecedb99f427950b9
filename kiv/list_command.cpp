#include "kiv/commands.h"

namespace kiv::tool {

int RunListCommand(Arguments /*args*/, std::ostream& /*out*/, std::ostream& err) {
  err << "kiv list: not built yet\n";
  return kExitUsage;
}

}  // namespace kiv::tool
