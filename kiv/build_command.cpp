#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "common/file_io.h"
#include "kiv/chain.h"
#include "kiv/commands.h"

namespace kiv::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBuildUsage = "usage: kiv build SOURCE [-o DIR]\n";

struct BuildArguments {
  std::string source = "kivAssembly.txt";
  fs::path directory = ".";
};

bool ParseBuildArguments(Arguments args, BuildArguments& parsed) {
  bool have_source = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      parsed.directory = std::string(args[++i]);
    } else if (args[i].starts_with("-") || have_source) {
      return false;
    } else {
      parsed.source = args[i];
      have_source = true;
    }
  }
  return true;
}

struct OutputFile {
  std::string_view name;
  std::string_view contents;
};

bool WriteFile(const fs::path& path, std::string_view contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  out.close();
  return !out.fail();
}

// Every file goes to a temporary beside its place first; only when all six
// are written whole are they renamed into place, so a failed write leaves
// the directory as it was.
bool WriteAll(const fs::path& directory, const std::array<OutputFile, 6>& files,
              std::string& error) {
  const std::string suffix = ".kiv-build-" + std::to_string(::getpid());
  std::array<fs::path, 6> temporaries;
  bool written = true;
  for (size_t i = 0; i < files.size() && written; ++i) {
    temporaries[i] = directory / (std::string(files[i].name) + suffix);
    written = WriteFile(temporaries[i], files[i].contents);
    if (!written) error = "cannot write " + temporaries[i].string();
  }
  std::error_code ignored;
  for (size_t i = 0; i < files.size() && written; ++i) {
    std::error_code renamed;
    fs::rename(temporaries[i], directory / files[i].name, renamed);
    if (renamed) {
      written = false;
      error = "cannot rename " + temporaries[i].string() + ": " + renamed.message();
    }
  }
  for (const fs::path& temporary : temporaries) {
    if (!temporary.empty()) fs::remove(temporary, ignored);
  }
  return written;
}

}  // namespace

int RunBuildCommand(Arguments args, std::ostream& /*out*/, std::ostream& err) {
  BuildArguments parsed;
  if (!ParseBuildArguments(args, parsed)) {
    err << kBuildUsage;
    return kExitUsage;
  }
  FileBuffer source;
  if (!ReadWholeFile(parsed.source.c_str(), source)) {
    err << "kiv build: cannot read " << parsed.source << "\n";
    return kExitInputError;
  }
  const ChainResult chain = RunChain(source.view());
  if (!SourceIsClean(source.view(), chain)) {
    ReportFailure(err, parsed.source, source.view(), chain);
    return kExitInputError;
  }
  // The files `assembly && assembler` leave, byte for byte.
  const std::array<OutputFile, 6> files{{
      {"kivAssemblyFormatted.txt", chain.front.formatted},
      {"kivAssembler.txt", chain.front.object_text},
      {"kivAssemblyLog.txt", chain.front.log},
      {"kivBinary.txt", chain.back.image},
      {"kivBundle.txt", chain.back.listing},
      {"kivAssemblerLog.txt", chain.back.log},
  }};
  std::string error;
  if (!WriteAll(parsed.directory, files, error)) {
    err << "kiv build: " << error << "\n";
    return kExitInputError;
  }
  return kExitOk;
}

}  // namespace kiv::tool
