// generate_source: writes a seeded, realistic assembly source of any size.
//
//   generate_source --profile typical --instructions 1000000 --seed 1 --syntax kiv > file
//
// --profile      typical | label-heavy | boundary-heavy | data-heavy | lean (default typical)
// --instructions instruction statements; k, M suffixes allowed (default 1000)
// --seed         any unsigned number (default 1)
// --syntax       kiv (the tool chain's syntax) | gnu (MIPS32 for GNU as) (default kiv)
// --output FILE  write to FILE instead of standard output
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "bench/source_generator.h"

namespace {

int Usage(const char* message) {
  std::fprintf(
      stderr,
      "generate_source: %s\n"
      "usage: generate_source [--profile typical|label-heavy|boundary-heavy|data-heavy|lean]\n"
      "                       [--instructions N[k|M]] [--seed N] [--syntax kiv|gnu]\n"
      "                       [--output FILE]\n",
      message);
  return 2;
}

bool ParseCount(std::string_view text, uint64_t& value) {
  uint64_t multiplier = 1;
  if (!text.empty() && (text.back() == 'k' || text.back() == 'K')) multiplier = 1000;
  if (!text.empty() && text.back() == 'M') multiplier = 1000000;
  if (multiplier != 1) text.remove_suffix(1);
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  value *= multiplier;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  kiv::bench::GeneratorOptions options;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      Usage("writes a generated source");
      return 0;
    }
    if (i + 1 >= argc) return Usage("missing value after an option");
    const std::string_view value = argv[++i];
    if (arg == "--profile") {
      const auto profile = kiv::bench::ParseProfile(value);
      if (!profile) return Usage("unknown profile");
      options.profile = *profile;
    } else if (arg == "--syntax") {
      const auto syntax = kiv::bench::ParseSyntax(value);
      if (!syntax) return Usage("unknown syntax");
      options.syntax = *syntax;
    } else if (arg == "--instructions") {
      if (!ParseCount(value, options.instructions)) return Usage("bad instruction count");
    } else if (arg == "--seed") {
      if (!ParseCount(value, options.seed)) return Usage("bad seed");
    } else if (arg == "--output") {
      output = argv[i];
    } else {
      return Usage("unknown option");
    }
  }

  std::FILE* file = output != nullptr ? std::fopen(output, "wb") : stdout;
  if (file == nullptr) {
    std::fprintf(stderr, "generate_source: cannot write %s: %s\n", output, std::strerror(errno));
    return 1;
  }
  bool ok = true;
  kiv::bench::GenerateSource(options, [&](std::string_view piece) {
    if (ok && std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) ok = false;
  });
  if (std::fflush(file) != 0) ok = false;
  if (output != nullptr && std::fclose(file) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "generate_source: write failed\n");
    return 1;
  }
  return 0;
}
