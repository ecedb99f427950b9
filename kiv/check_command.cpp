#include <string>

#include "common/heap_on_huge_pages.h"
#include "common/mapped_file.h"
#include "common/process_end.h"
#include "kiv/check.h"
#include "kiv/commands.h"

namespace kiv::tool {
namespace {

constexpr std::string_view kCheckUsage = "usage: kiv check [--plain] [SOURCE]\n";
constexpr std::string_view kDefaultSource = "kivAssembly.txt";

}  // namespace

int RunCheckCommand(Arguments args, std::ostream& out, std::ostream& err) {
  bool plain = false;
  std::string_view source_name = kDefaultSource;
  bool named = false;
  for (const std::string_view arg : args) {
    if (arg == "--help" || arg == "-h") {
      out << kCheckUsage;
      return kExitOk;
    }
    if (arg == "--plain") {
      plain = true;
    } else if (arg.size() > 1 && arg.front() == '-') {
      err << "kiv check: unknown option '" << arg << "'\n" << kCheckUsage;
      return kExitUsage;
    } else if (named) {
      err << "kiv check: more than one source given\n" << kCheckUsage;
      return kExitUsage;
    } else {
      source_name = arg;
      named = true;
    }
  }

  // Mapped from the file cache: the check only reads the source, and a large
  // one need not be copied into fresh memory first. Its pages are entered as
  // they are read: two threads read it from the start, and entering them
  // all first (3 ms for 31 MB) held up the second thread's start as well.
  MappedFile source;
  if (!MapWholeFile(std::string(source_name).c_str(), source, /*enter_all_pages=*/false)) {
    err << "kiv check: error: cannot read '" << source_name << "'\n";
    return kExitInputError;
  }
  if (source.view().size() >= kHugeHeapFromSource) KeepHeapOnHugePages(4 * source.view().size());
  const std::vector<Diagnostic> diagnostics = CheckSource(source.view());
  PrintDiagnostics(err, source_name, source.view(), diagnostics, plain);
  err.flush();
  const int status = HasError(diagnostics) ? kExitInputError : kExitOk;
  // Nothing is left to do but free the messages one by one.
  EndProcessIfAllowed(status);
  return status;
}

}  // namespace kiv::tool
