#include <string>

#include "common/file_io.h"
#include "kiv/chain.h"
#include "kiv/commands.h"
#include "kiv/listing.h"
#include "kiv/source_map.h"

namespace kiv::tool {

int RunListCommand(Arguments args, std::ostream& out, std::ostream& err) {
  if (args.size() > 1 || (args.size() == 1 && args[0].starts_with("-"))) {
    err << "usage: kiv list [SOURCE]\n";
    return kExitUsage;
  }
  const std::string path = args.empty() ? "kivAssembly.txt" : std::string(args[0]);
  FileBuffer source;
  if (!ReadWholeFile(path.c_str(), source)) {
    err << "kiv list: cannot read " << path << "\n";
    return kExitInputError;
  }
  StatementLog statements;
  const ChainResult chain = RunChain(source.view(), &statements);
  if (!SourceIsClean(source.view(), chain)) {
    ReportFailure(err, path, source.view(), chain);
    return kExitInputError;
  }
  const std::string listing = MakeListing(source.view(), chain, statements.events());
  out.write(listing.data(), static_cast<std::streamsize>(listing.size()));
  return kExitOk;
}

}  // namespace kiv::tool
