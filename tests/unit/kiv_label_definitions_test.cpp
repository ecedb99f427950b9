// The label definitions the checker finds, against a byte-by-byte reading of
// the rule the label pass follows: every colon outside double quotes ends a
// name, which starts after the line start or the previous colon, blanks and
// tabs skipped. Random text dense in colons, quotes and line ends puts
// several labels on a line, labels inside and after strings that run over
// lines, and empty names.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "kiv/checker_labels.h"

namespace {

struct Found {
  size_t name_offset;
  size_t colon_offset;
  std::string_view name;
  bool operator==(const Found&) const = default;
};

std::vector<Found> ByteByByte(std::string_view text) {
  std::vector<Found> found;
  bool in_quote = false;
  size_t name_from = 0;  // just past the last line end or colon
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') in_quote = !in_quote;
    if (text[i] == '\n') name_from = i + 1;
    if (text[i] != ':' || in_quote) continue;
    size_t first = name_from;
    while (first < i && (text[first] == ' ' || text[first] == '\t')) ++first;
    found.push_back(Found{first, i, text.substr(first, i - first)});
    name_from = i + 1;
  }
  return found;
}

TEST(KivLabelDefinitions, MatchTheLabelPassRuleByteByByte) {
  std::mt19937 random(11);
  constexpr std::string_view kBytes = "::\"\n\n  \tabc_1";
  std::uniform_int_distribution<size_t> pick(0, kBytes.size() - 1);
  std::uniform_int_distribution<size_t> size(0, 400);
  size_t compared = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string text(size(random), ' ');
    for (char& c : text) c = kBytes[pick(random)];
    std::vector<Found> found;
    for (const auto& d : kiv::tool::ScanLabelDefinitions(text)) {
      found.push_back(Found{d.name_offset, d.colon_offset, d.name});
    }
    ASSERT_EQ(found, ByteByByte(text)) << text;
    compared += found.size();
  }
  EXPECT_GT(compared, 10000u);
}

}  // namespace
