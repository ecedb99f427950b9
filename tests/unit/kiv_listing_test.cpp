// The listing of `kiv list` made in pieces, on one thread or two, against
// the listing made by one thread in large pieces, on random programs that
// the chain assembles: every way of cutting and sharing the work, and the
// symbols looked up ahead or at once, gives the same bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>

#include "kiv/chain.h"
#include "kiv/label_lines.h"
#include "kiv/listing.h"
#include "kiv/slot_sources.h"

namespace kiv::tool {
namespace {

// Code with labels, jumps, branches and `la` to them, instructions that end
// a bundle early (so padding shows), and now and then a data section.
class ListedProgram {
 public:
  explicit ListedProgram(uint32_t seed) : random_(seed) {}

  // Every fifth statement defines the next label; now and then another
  // defines one again (the first definition counts).
  std::string Make(int statements) {
    const int labels = (statements + 4) / 5;
    std::string source;
    for (int i = 0; i < statements; ++i) {
      if (i % 5 == 0) {
        source += Label(static_cast<uint32_t>(i / 5)) + ": ";
      } else if (Below(40) == 0) {
        source += Label(Below(static_cast<uint32_t>(i / 5) + 1)) + ": ";
      }
      source += Statement(labels) + "\n";
    }
    return source;
  }

 private:
  uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(random_() % bound); }
  // Built by appending: GCC 12 warns wrongly about a literal + std::string.
  static std::string Numbered(char prefix, uint32_t number) {
    std::string name(1, prefix);
    name += std::to_string(number);
    return name;
  }
  static std::string Label(uint32_t number) { return Numbered('L', number); }
  std::string Register() { return Numbered('$', Below(32)); }
  std::string Target(int labels) { return Label(Below(static_cast<uint32_t>(labels))); }

  std::string Statement(int labels) {
    switch (Below(12)) {
      case 0:
        return "beq " + Register() + ", " + Register() + ", " + Target(labels);
      case 1:
        return (Below(2) == 0 ? "j " : "jal ") + Target(labels);
      case 2:
        return "la 4, " + Target(labels);
      case 3:
        return Below(2) == 0 ? "fork" : "halt";
      case 4:
        return "spawni " + std::to_string(Below(9)) + ", " + std::to_string(Below(9));
      case 5:
        return Below(8) == 0
                   ? ".rdata\n.word " + std::to_string(Below(99)) + "\n.ascii \"ab\"\n.text"
                   : "join";
      case 6:
        return "lw " + Register() + ", " + std::to_string(Below(64)) + "(" + Register() + ")";
      case 7:
        return "li " + Register() + ", " + std::to_string(Below(999));
      default:
        return "add " + Register() + ", " + Register() + ", " + Register();
    }
  }

  std::mt19937 random_;
};

std::string Listing(const ListingInput& input, const ListingOptions& options) {
  std::ostringstream out;
  WriteListing(out, input, options);
  return out.str();
}

TEST(KivListing, PiecesAndThreadsGiveTheSameBytes) {
  int listed = 0;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const std::string source = ListedProgram(seed).Make(static_cast<int>(20 + seed * 15));
    StatementLog statements;
    const ChainResult chain = RunChain(source, statements);
    if (!chain.succeeded()) continue;
    ++listed;
    const SourceLines lines = ReadSourceLines(source);
    const ListingInput input{lines, chain, statements};
    const std::string plain = Listing(input, {});
    ASSERT_NE(plain.find("SYMBOLS"), std::string::npos);
    // The symbols looked up a few names behind their slots' fetches, or at once.
    EXPECT_EQ(Listing(input, {.symbols_ahead = 0}), plain) << "seed " << seed << "\n" << source;
    for (const size_t block_units : {1, 2, 7, 64}) {
      EXPECT_EQ(Listing(input, {.second_thread = false, .block_units = block_units}), plain)
          << "seed " << seed << ", one thread, " << block_units << " units a piece\n"
          << source;
      EXPECT_EQ(Listing(input, {.second_thread = true, .block_units = block_units}), plain)
          << "seed " << seed << ", two threads, " << block_units << " units a piece\n"
          << source;
    }
  }
  EXPECT_GE(listed, 20);
}

// The instructions' lines are kept apart from the directives': a data
// section between instructions still lists every line where it belongs.
TEST(KivListing, InstructionsAndDataKeepTheirLines) {
  const std::string source =
      "main: li $1, 5\n"
      ".rdata\n"
      "tbl: .word 7\n"
      ".text\n"
      "      la 4, tbl\n"
      "      halt\n";
  StatementLog statements;
  const ChainResult chain = RunChain(source, statements);
  ASSERT_TRUE(chain.succeeded()) << chain.front.log << chain.back.log;
  const SourceLines lines = ReadSourceLines(source);
  const std::string listing = Listing({lines, chain, statements}, {.second_thread = true});
  EXPECT_NE(listing.find("    1  main: li $1, 5\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("    3  tbl: .word 7\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("    5        la 4, tbl\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("    6        halt\n"), std::string::npos) << listing;
}

}  // namespace
}  // namespace kiv::tool
