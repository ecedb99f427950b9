// The promise of `kiv dis`: assembling the disassembly of an image gives the
// same image, for every example and every golden case whose source the chain
// assembles and that is in the usual form.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "kiv/chain.h"
#include "tests/support/test_files.h"

namespace kiv::tool {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::SourceDir;

// Returns whether the chain made an image to read back.
bool ExpectRoundTrip(const fs::path& source_path, const std::string& name) {
  const RoundTrip trip = RunRoundTrip(ReadFile(source_path));
  if (!trip.applies) return false;  // the chain refuses the source
  EXPECT_TRUE(trip.same) << name << ": the disassembly assembles to another image\n"
                         << trip.disassembly.text;
  EXPECT_TRUE(trip.disassembly.warnings.empty()) << name << ": " << trip.disassembly.warnings[0];
  return true;
}

TEST(KivRoundTrip, EveryExample) {
  int cases = 0;
  for (const auto& entry : fs::directory_iterator(SourceDir() / "examples")) {
    const fs::path source = entry.path() / "in" / "kivAssembly.txt";
    if (!fs::exists(source)) continue;
    cases += ExpectRoundTrip(source, entry.path().filename().string());
  }
  EXPECT_GE(cases, 3);
}

TEST(KivRoundTrip, EveryGoldenCase) {
  int cases = 0;
  for (const auto& entry : fs::directory_iterator(SourceDir() / "tests" / "golden")) {
    const fs::path source = entry.path() / "in" / "kivAssembly.txt";
    if (!fs::exists(source)) continue;
    cases += ExpectRoundTrip(source, entry.path().filename().string());
  }
  std::cout << cases << " golden cases went round\n";
  EXPECT_GE(cases, 20);
}

}  // namespace
}  // namespace kiv::tool
