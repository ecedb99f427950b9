#pragma once

// What the programs of the tool chain say about themselves: the answers to --help and
// --version, kept in one place so that the texts and the version cannot drift apart. The
// version is the project version in the top-level CMakeLists.txt.

#include <cstdio>
#include <optional>
#include <span>
#include <string_view>

#ifndef KIV_VERSION
#error "KIV_VERSION is defined by the top-level CMakeLists.txt from the project version"
#endif

namespace kiv {

inline constexpr std::string_view kToolChainVersion = KIV_VERSION;

enum class ProgramRequest { kRun, kHelp, kVersion };

// The programs work on fixed file names and take no arguments: every argument other than
// these two is ignored, as it always was. The first of the two decides.
constexpr ProgramRequest ReadProgramRequest(std::span<const char* const> arguments) {
  for (const std::string_view argument : arguments) {
    if (argument == "--help") return ProgramRequest::kHelp;
    if (argument == "--version") return ProgramRequest::kVersion;
  }
  return ProgramRequest::kRun;
}

struct ProgramInfo {
  std::string_view name;
  std::string_view usage;  // the whole --help text
};

inline constexpr ProgramInfo kAssemblyInfo{
    "assembly",
    "Usage: assembly [--help | --version]\n"
    "\n"
    "Front end of the kiv tool chain. Reads kivAssembly.txt in the current directory and\n"
    "writes kivAssemblyFormatted.txt, kivAssembler.txt (the records for `assembler`) and\n"
    "kivAssemblyLog.txt there. Any other argument is ignored.\n"
    "Exit status: 0 success, 255 a stage failed, 10 the log cannot be created.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "`kiv check`, `kiv list`, `kiv dis` and `kiv build` show where and why a source fails,\n"
    "what it became and what an image holds: see `kiv --help`.\n"
    "Manual: docs/manual.md (share/doc/kiv-toolchain once installed), `man assembly`.\n"};

inline constexpr ProgramInfo kAssemblerInfo{
    "assembler",
    "Usage: assembler [--help | --version]\n"
    "\n"
    "Back end of the kiv tool chain. Reads kivAssembler.txt (written by `assembly`) in the\n"
    "current directory, packs its instructions three to a 128-bit bundle and writes\n"
    "kivBinary.txt (the bundle image), kivBundle.txt (the bundle listing) and\n"
    "kivAssemblerLog.txt there. Any other argument is ignored.\n"
    "Exit status: 0 success, 255 a stage failed, 10 the log cannot be created.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "`kiv check`, `kiv list`, `kiv dis` and `kiv build` show where and why a source fails,\n"
    "what it became and what an image holds: see `kiv --help`.\n"
    "Manual: docs/manual.md (share/doc/kiv-toolchain once installed), `man assembler`.\n"};

// Prints the help or version text when the arguments ask for one and returns the exit
// status to end with; std::nullopt when the program should do its work. Opens no file.
inline std::optional<int> AnswerProgramRequest(const ProgramInfo& program, int argc,
                                               const char* const* argv, std::FILE* out) {
  const auto count = argc > 1 ? static_cast<std::size_t>(argc - 1) : 0;
  const ProgramRequest request = ReadProgramRequest({argv + 1, count});
  if (request == ProgramRequest::kRun) return std::nullopt;
  if (request == ProgramRequest::kHelp) {
    std::fwrite(program.usage.data(), 1, program.usage.size(), out);
  } else {
    std::fprintf(out, "%.*s (kiv tool chain) %.*s\n", static_cast<int>(program.name.size()),
                 program.name.data(), static_cast<int>(kToolChainVersion.size()),
                 kToolChainVersion.data());
  }
  // A text that could not be written (a closed or full standard output) is a failure.
  return std::fflush(out) == 0 && std::ferror(out) == 0 ? 0 : 1;
}

}  // namespace kiv
