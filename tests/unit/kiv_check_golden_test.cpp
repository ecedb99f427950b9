// Golden cases of `kiv check`: every NAME.s under tests/diagnostics is
// checked in process and its diagnostics compared with NAME.expected, byte
// for byte. Cases named plain_* are printed as `--plain` prints them.
// KIV_GOLDEN_UPDATE=1 rewrites the .expected files from what is printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kiv/check.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;
using kiv::test::ReadFile;

// The cases' folder: KIV_DIAGNOSTICS_DIR when set, else tests/diagnostics
// of the repository.
fs::path DiagnosticsDir() {
  if (const char* dir = std::getenv("KIV_DIAGNOSTICS_DIR")) return dir;
  return kiv::test::SourceDir() / "tests" / "diagnostics";
}

std::vector<fs::path> Cases() {
  std::vector<fs::path> cases;
  const fs::path dir = DiagnosticsDir();
  if (!fs::is_directory(dir)) return cases;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == ".s") cases.push_back(entry.path());
  }
  std::sort(cases.begin(), cases.end());
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<fs::path>& info) {
  std::string name = info.param.stem().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

class DiagnosticsGolden : public ::testing::TestWithParam<fs::path> {};

TEST_P(DiagnosticsGolden, PrintsExpectedDiagnostics) {
  const fs::path source_path = GetParam();
  const std::string source = ReadFile(source_path);
  const std::string file_name = source_path.filename().string();
  const bool plain = file_name.starts_with("plain_");

  std::ostringstream printed;
  const std::vector<kiv::tool::Diagnostic> diagnostics = kiv::tool::CheckSource(source);
  kiv::tool::PrintDiagnostics(printed, file_name, source, diagnostics, plain);

  fs::path expected_path = source_path;
  expected_path.replace_extension(".expected");
  const char* update = std::getenv("KIV_GOLDEN_UPDATE");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(expected_path, std::ios::binary) << printed.str();
    return;
  }
  ASSERT_TRUE(fs::exists(expected_path)) << expected_path << " is missing";
  EXPECT_EQ(printed.str(), ReadFile(expected_path)) << "case " << file_name;
}

INSTANTIATE_TEST_SUITE_P(Cases, DiagnosticsGolden, ::testing::ValuesIn(Cases()), CaseName);

// The example programs are written by the rules: not one error.
TEST(DiagnosticsGoldenFolder, ExamplesDrawNoError) {
  const fs::path examples = DiagnosticsDir().parent_path().parent_path() / "examples";
  ASSERT_TRUE(fs::is_directory(examples)) << examples;
  size_t checked = 0;
  for (const auto& entry : fs::directory_iterator(examples)) {
    const fs::path source = entry.path() / "in" / "kivAssembly.txt";
    if (!fs::exists(source)) continue;
    ++checked;
    const std::string text = ReadFile(source);
    std::ostringstream printed;
    const std::vector<kiv::tool::Diagnostic> diagnostics = kiv::tool::CheckSource(text);
    kiv::tool::PrintDiagnostics(printed, source.string(), text, diagnostics, true);
    EXPECT_FALSE(kiv::tool::HasError(diagnostics)) << printed.str();
  }
  EXPECT_GE(checked, 3u);
}

// A folder that went missing would otherwise pass as zero cases.
TEST(DiagnosticsGoldenFolder, HoldsCases) { EXPECT_GE(Cases().size(), 20u); }

}  // namespace
