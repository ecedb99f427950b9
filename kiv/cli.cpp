#include <string_view>

#include "kiv/commands.h"

namespace kiv::tool {
namespace {

constexpr std::string_view kUsage =
    "usage: kiv COMMAND [OPTIONS] [FILE]\n"
    "\n"
    "  kiv check [--plain] [SOURCE]     report every problem in SOURCE (default kivAssembly.txt)\n"
    "  kiv list [SOURCE]                listing: bundles, slots, encodings, source lines, symbols\n"
    "  kiv dis [--listing] [--no-addresses] [--no-raw] [IMAGE]\n"
    "                                   disassemble IMAGE (default kivBinary.txt) into source\n"
    "  kiv build SOURCE [-o DIR]        assemble SOURCE into DIR in one step, or write nothing\n"
    "  kiv --help | --version\n"
    "\n"
    "See docs/manual.md (man kiv) for the details.\n";

}  // namespace

int RunKiv(Arguments args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return kExitUsage;
  }
  const std::string_view command = args.front();
  const Arguments rest = args.subspan(1);
  if (command == "--help" || command == "-h" || command == "help") {
    out << kUsage;
    return kExitOk;
  }
  if (command == "--version") {
    out << "kiv " KIV_VERSION "\n";
    return kExitOk;
  }
  if (command == "check") return RunCheckCommand(rest, out, err);
  if (command == "list") return RunListCommand(rest, out, err);
  if (command == "dis") return RunDisCommand(rest, out, err);
  if (command == "build") return RunBuildCommand(rest, out, err);
  err << "kiv: unknown command '" << command << "'\n" << kUsage;
  return kExitUsage;
}

}  // namespace kiv::tool
