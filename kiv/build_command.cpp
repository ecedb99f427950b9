#include "kiv/commands.h"

namespace kiv::tool {

int RunBuildCommand(Arguments /*args*/, std::ostream& /*out*/, std::ostream& err) {
  err << "kiv build: not built yet\n";
  return kExitUsage;
}

}  // namespace kiv::tool
