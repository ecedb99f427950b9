#include <string>
#include <vector>

#include "common/file_io.h"
#include "kiv/commands.h"
#include "kiv/disassembly.h"
#include "kiv/image.h"
#include "kiv/program.h"

namespace kiv::tool {
namespace {

constexpr std::string_view kDisUsage =
    "usage: kiv dis [--listing] [--no-addresses] [--no-raw] [IMAGE]\n";

struct DisArguments {
  bool listing = false;
  DisassemblyOptions options;
  std::string path;
};

bool ParseDisArguments(Arguments args, DisArguments& parsed) {
  bool have_path = false;
  for (const std::string_view arg : args) {
    if (arg == "--listing") {
      parsed.listing = true;
    } else if (arg == "--no-addresses") {
      parsed.options.addresses = false;
    } else if (arg == "--no-raw") {
      parsed.options.raw = false;
    } else if (arg.starts_with("-") || have_path) {
      return false;
    } else {
      parsed.path = arg;
      have_path = true;
    }
  }
  if (!have_path) parsed.path = parsed.listing ? "kivBundle.txt" : "kivBinary.txt";
  return true;
}

}  // namespace

int RunDisCommand(Arguments args, std::ostream& out, std::ostream& err) {
  DisArguments parsed;
  if (!ParseDisArguments(args, parsed)) {
    err << kDisUsage;
    return kExitUsage;
  }
  FileBuffer bytes;
  if (!ReadWholeFile(parsed.path.c_str(), bytes)) {
    err << "kiv dis: cannot read " << parsed.path << "\n";
    return kExitInputError;
  }
  Image image;
  std::string error;
  const bool read = parsed.listing ? ReadListing(bytes.view(), image, error)
                                   : ReadBinaryImage(bytes.view(), image, error);
  if (!read) {
    err << parsed.path << ": error: " << error << "\n";
    return kExitInputError;
  }
  const Disassembly disassembly = Disassemble(ReadProgram(image), parsed.options);
  out << disassembly.text;
  for (const std::string& warning : disassembly.warnings) {
    err << parsed.path << ": warning: " << warning << "\n";
  }
  return kExitOk;
}

}  // namespace kiv::tool
