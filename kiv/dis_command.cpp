#include "kiv/commands.h"

namespace kiv::tool {

int RunDisCommand(Arguments /*args*/, std::ostream& /*out*/, std::ostream& err) {
  err << "kiv dis: not built yet\n";
  return kExitUsage;
}

}  // namespace kiv::tool
