#include <future>
#include <string>
#include <string_view>
#include <system_error>

#include "assembly/second_thread.h"
#include "common/heap_on_huge_pages.h"
#include "common/mapped_file.h"
#include "common/process_end.h"
#include "kiv/chain.h"
#include "kiv/commands.h"
#include "kiv/label_lines.h"
#include "kiv/listing.h"
#include "kiv/slot_sources.h"

namespace kiv::tool {
namespace {

// The source's lines and labels read on a thread of their own while the
// front end starts, which is sequential up to its encoding pass; read when
// asked for where no thread is to be had.
std::future<SourceLines> ReadSourceLinesBeside(std::string_view source, bool second_thread) {
  if (second_thread) {
    try {
      return std::async(std::launch::async, ReadSourceLines, source);
    } catch (const std::system_error&) {
    }
  }
  return std::async(std::launch::deferred, ReadSourceLines, source);
}

}  // namespace

int RunListCommand(Arguments args, std::ostream& out, std::ostream& err) {
  if (args.size() > 1 || (args.size() == 1 && args[0].starts_with("-"))) {
    err << "usage: kiv list [SOURCE]\n";
    return kExitUsage;
  }
  const std::string path = args.empty() ? "kivAssembly.txt" : std::string(args[0]);
  // Mapped from the file cache: the listing reads the source as written, and
  // a large one need not be copied into fresh memory first.
  MappedFile source;
  if (!MapWholeFile(path.c_str(), source)) {
    err << "kiv list: cannot read " << path << "\n";
    return kExitInputError;
  }
  // The chain's files, the decoded program and the listing take several
  // times the source: from the heap, on huge pages, for a large one.
  if (source.view().size() >= kHugeHeapFromSource) KeepHeapOnHugePages(8 * source.view().size());
  const bool two_threads = assembly::WorthASecondThread(source.view().size());
  std::future<SourceLines> source_lines = ReadSourceLinesBeside(source.view(), two_threads);
  StatementLog statements;
  statements.Reserve(source.view().size() / 16);  // at most one instruction per short line
  const ChainResult chain = RunChain(source.view(), statements);
  // The checker runs only to explain a failure: a listing needs no more
  // than both programs' success.
  if (!chain.succeeded()) {
    ReportFailure(err, path, source.view(), chain);
    return kExitInputError;
  }
  const SourceLines lines = source_lines.get();
  WriteListing(out, {lines, chain, statements}, {.second_thread = two_threads});
  out.flush();
  // Nothing is left to do but take apart the chain's files and the listing.
  EndProcessIfAllowed(kExitOk);
  return kExitOk;
}

}  // namespace kiv::tool
