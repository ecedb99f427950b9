// A seeded generator of realistic assembly sources of any size, for the
// benchmarks. One run draws an abstract program (instructions, labels,
// branch and jump targets, data sections) and renders it either in the tool
// chain's own syntax or as an equivalent MIPS32 source for the GNU assembler:
// the same instruction count, labels, branches, jumps and data.
//
// Every source it writes assembles: each label used is defined exactly once,
// branch and jump targets are code labels (data labels are only used by la),
// data directives only stand between .rdata and .text, one statement per line,
// branch distances stay within both formats' offset fields.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::bench {

enum class Profile {
  kTypical,        // a label every few instructions, a short data section now and then
  kLabelHeavy,     // a label on every line, long names
  kBoundaryHeavy,  // most instructions are a branch or jump target
  kDataHeavy,      // large data sections every few dozen instructions
  kLean,           // statements only: no comments, short labels, one small data section
};

enum class Syntax {
  kKiv,  // the tool chain's source syntax
  kGnu,  // MIPS32 for GNU as (.set noreorder, .set noat)
};

struct GeneratorOptions {
  Profile profile = Profile::kTypical;
  Syntax syntax = Syntax::kKiv;
  uint64_t instructions = 1000;  // instruction statements, data directives not counted
  uint64_t seed = 1;
};

std::optional<Profile> ParseProfile(std::string_view name);
std::optional<Syntax> ParseSyntax(std::string_view name);
std::string_view ProfileName(Profile profile);

// Streams the source to `sink` in pieces of about a megabyte. The same options
// always give the same bytes.
void GenerateSource(const GeneratorOptions& options,
                    const std::function<void(std::string_view)>& sink);

// The whole source in one string (for the micro-benchmarks and small sizes).
std::string GenerateSourceText(const GeneratorOptions& options);

}  // namespace kiv::bench
