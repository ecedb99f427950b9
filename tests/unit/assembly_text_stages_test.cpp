// The normaliser, the scanner, the number parser and the mnemonic classification.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "assembly/byte_set_bits.h"
#include "assembly/mnemonic_table.h"
#include "assembly/normaliser.h"
#include "assembly/number_parser.h"
#include "assembly/operand_reader.h"
#include "assembly/source_scanner.h"
#include "assembly/space_bits.h"
#include "assembly/split_normaliser.h"

namespace kiv::assembly {
namespace {

TEST(Normaliser, ReplacesPunctuationAndDropsCommentKeepingBlanksBeforeIt) {
  EXPECT_EQ(NormaliseSource("lw $8, 4($sp)   # load\n"), "lw  8  4  sp    \n");
}

TEST(Normaliser, LeavesQuotedTextAlone) {
  EXPECT_EQ(NormaliseSource(".ascii \"a, b; c#($)\"\n"), ".ascii \"a, b; c#($)\"\n");
}

TEST(Normaliser, CommentOnlyLineBecomesEmptyAndLineCountIsKept) {
  EXPECT_EQ(NormaliseSource("; note\nadd $1,$2,$3 ; x\n# y"), "\nadd  1  2  3 \n");
  EXPECT_EQ(NormaliseSource(""), "");
}

TEST(Normaliser, OddQuoteInsideCommentFlipsQuotingForTheRestOfTheFile) {
  // After the comment's quote, ';' starts no comment and ',' stays.
  EXPECT_EQ(NormaliseSource("# it's \"odd\nadd 1,2 ; c\nsub\"x,y\n"), "\nadd 1,2 ; c\nsub\"x y\n");
}

TEST(Normaliser, PassesOtherBytesThrough) {
  const std::string junk("a\tb:c-d.e\r\n\0\xff", 14);
  EXPECT_EQ(NormaliseSource(junk), junk);
}

TEST(Normaliser, GivesTheSameTextWhereverTheSourceIsCutIntoPieces) {
  // Quote and comment state must carry from one piece to the next.
  const std::string source =
      "a: add $1,$2,$3 # x \"q\n.ascii \"s;#,$()\" ; c\"\nlw $8, 4($sp)\r\n# \"\nj a\n";
  const std::string whole = NormaliseSource(source);
  for (size_t cut = 0; cut <= source.size(); ++cut) {
    for (size_t second = cut; second <= source.size(); second += 7) {
      std::string out(source.size(), '?');
      Normaliser normaliser;
      char* o = normaliser.Normalise(std::string_view(source).substr(0, cut), out.data());
      o = normaliser.Normalise(std::string_view(source).substr(cut, second - cut), o);
      o = normaliser.Normalise(std::string_view(source).substr(second), o);
      out.resize(static_cast<size_t>(o - out.data()));
      ASSERT_EQ(out, whole) << "cut at " << cut << " and " << second;
    }
  }
}

// The normaliser's rules, a byte at a time.
std::string NormaliseByHand(const std::string& source) {
  std::string out;
  bool quote = false, comment = false;
  for (const char c : source) {
    if (c == '"') {
      quote = !quote;
      if (!comment) out += c;
    } else if (comment) {
      if (c == '\n') {  // ends the comment, quoted or not
        comment = false;
        out += c;
      }
    } else if (quote) {
      out += c;
    } else if (c == ';' || c == '#') {
      comment = true;
    } else if (c == ',' || c == '$' || c == '(' || c == ')') {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

// Long plain runs and every special byte, so that the runs copied many
// bytes at a time end at every place.
std::string RandomText(std::mt19937& random) {
  const std::string specials = "\";#,$()\n";
  std::string source(random() % 300, 'x');
  for (char& c : source) {
    const auto pick = random() % 16;
    c = pick == 0  ? specials[random() % specials.size()]
        : pick < 4 ? static_cast<char>(random())
                   : 'a';
  }
  return source;
}

TEST(Normaliser, AgreesWithAByteByByteReadingOnRandomText) {
  std::mt19937 random(3);
  for (int round = 0; round < 3000; ++round) {
    const std::string source = RandomText(random);
    ASSERT_EQ(NormaliseSource(source), NormaliseByHand(source)) << round;
  }
}

TEST(Normaliser, InTwoHalvesGivesTheTextOfOnePieceFromAnyStart) {
  // The second half's start anywhere, inside a quote or a comment included:
  // a wrong guess is thrown away, a right one taken, and either way the text
  // is the same. A sink that refuses a piece stops the run.
  std::mt19937 random(13);
  int taken = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::string source = RandomText(random);
    const size_t from = random() % (source.size() + 2);
    std::string out;
    bool second_taken = false;
    const bool done = NormaliseInPieces(
        source, [&out](std::string_view piece) { return out.append(piece), true; }, from,
        &second_taken);
    ASSERT_TRUE(done);
    ASSERT_EQ(out, NormaliseSource(source)) << "second half from " << from;
    taken += second_taken ? 1 : 0;
  }
  // Most guesses hold: a run that always went on alone would pass the above.
  EXPECT_GT(taken, 500);
  EXPECT_FALSE(NormaliseInPieces(
      "a\nb\n", [](std::string_view) { return false; }, 2));
}

TEST(SourceScanner, TokensAreTheRunsBetweenScanSpaceWhereverTheyEnd) {
  // Tokens and blanks of every length up to past a word, ending at the end
  // of the text or not, against a byte-by-byte split.
  const std::string spaces = " \t\n\v\f\r";
  for (size_t lead = 0; lead < 11; ++lead) {
    for (size_t length = 1; length < 19; ++length) {
      for (size_t trail = 0; trail < 3; ++trail) {
        std::string text;
        for (size_t i = 0; i < lead; ++i) text += spaces[i % spaces.size()];
        for (size_t i = 0; i < length; ++i)
          text += static_cast<char>(i % 3 == 0 ? '\x80' : 'a' + i);
        text += std::string(trail, ' ') + "\x1fz\x0e";
        SourceScanner scanner(text);
        std::string_view token;
        ASSERT_TRUE(scanner.NextToken(token));
        EXPECT_EQ(token, std::string_view(text).substr(lead, length + (trail == 0 ? 3 : 0)));
        if (trail != 0) {
          ASSERT_TRUE(scanner.NextToken(token));
          EXPECT_EQ(token, "\x1fz\x0e");
        }
        EXPECT_FALSE(scanner.NextToken(token));
        EXPECT_EQ(scanner.position(), text.size());
      }
    }
  }
}

// Reads the next token byte by byte from `p` (moved past it, or to the end)
// and checks that the scanner reads the same token and stops at the same place.
void ExpectPlainNextToken(SourceScanner& scanner, std::string_view text, size_t& p) {
  while (p < text.size() && IsScanSpace(text[p])) ++p;
  const size_t start = p;
  while (p < text.size() && !IsScanSpace(text[p])) ++p;
  std::string_view token;
  ASSERT_EQ(scanner.NextToken(token), p > start);
  ASSERT_EQ(token, text.substr(start, p - start));
  ASSERT_EQ(scanner.position(), p);
}

TEST(SourceScanner, AgreesWithAByteByByteScanOnRandomText) {
  // Texts of every length around the 64-byte blocks the scanner tests at
  // once, with tokens read in turn with raw bytes, which move the scanner
  // anywhere within a block.
  std::mt19937 random(7);
  const std::string alphabet = std::string(
      " \t\n\v\f\r\0\x08\x0e\x1f\x20\x80\xa0\xff"
      "ab",
      16);
  for (int round = 0; round < 3000; ++round) {
    std::string text(random() % 200, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    SourceScanner scanner(text);
    size_t p = 0;
    for (;;) {
      if (random() % 4 == 0) {
        char c = 0;
        const bool read = scanner.NextChar(c);
        ASSERT_EQ(read, p < text.size());
        if (!read) break;
        ASSERT_EQ(c, text[p++]);
        continue;
      }
      const size_t start = p;
      ASSERT_NO_FATAL_FAILURE(ExpectPlainNextToken(scanner, text, p)) << round;
      if (p == start) break;
    }
  }
}

TEST(SourceScanner, TokensAndGapsOfEveryLengthAgreeWithAByteByByteScan) {
  // Runs of white space and of token bytes from 0 to 40 long: tokens and
  // gaps that fit in the 16 bytes tested at once, that cross them and that
  // cross the 64-byte blocks.
  std::mt19937 random(9);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (bool gap = true; text.size() < 150; gap = !gap) {
      const std::string_view kind = gap ? " \t\n\r\v\f" : "ab$\x80\xff,";
      for (size_t n = random() % 41; n > 0; --n) text.push_back(kind[random() % kind.size()]);
    }
    text.resize(random() % text.size());
    SourceScanner scanner(text);
    size_t p = 0;
    for (;;) {
      const size_t start = p;
      ASSERT_NO_FATAL_FAILURE(ExpectPlainNextToken(scanner, text, p)) << round;
      if (p == start) break;
    }
  }
}

TEST(SpaceBits, BothWaysOfTestingABlockAgree) {
  std::mt19937 random(11);
  std::string block(64, ' ');
  for (int round = 0; round < 20000; ++round) {
    for (char& c : block)
      c = static_cast<char>(random() % 4 == 0 ? "\t\n\v\f\r \x08\x0e"[random() % 8] : random());
    uint64_t expected = 0;
    for (size_t i = 0; i < block.size(); ++i) {
      if (IsScanSpace(block[i])) expected |= uint64_t{1} << i;
    }
    ASSERT_EQ(SpaceBitsPortable(block.data()), expected) << round;
    ASSERT_EQ(SpaceBits(block.data()), expected) << round;
    const size_t tail = random() % 64;
    ASSERT_EQ(SpaceBitsOfTail(block.data(), tail), expected | (~uint64_t{0} << tail)) << round;
  }
}

TEST(ByteSetBits, FinderAndCountAgreeWithAByteByByteSearch) {
  std::mt19937 random(5);
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % 400, 'a');
    for (char& c : text)
      c = random() % 8 == 0 ? ":\n\"."[random() % 4] : static_cast<char>(random());
    const auto special = [](char c) { return c == ':' || c == '\n' || c == '"' || c == '.'; };
    ASSERT_EQ(CountByteSet<':'>(text),
              static_cast<size_t>(std::count(text.begin(), text.end(), ':')));
    ByteSetFinder<'\n', '"', ':', '.'> finder(text);
    size_t p = random() % 3;
    while (p <= text.size()) {
      size_t expected = p;
      while (expected < text.size() && !special(text[expected])) ++expected;
      ASSERT_EQ(finder.Next(p), expected) << round;
      p = expected + 1 + random() % 3;
    }
    std::string block(64, 'a');
    for (char& c : block)
      c = random() % 4 == 0 ? ":\n\"."[random() % 4] : static_cast<char>(random());
    ASSERT_EQ((ByteSetBits<'\n', '"', ':', '.'>(block.data())),
              (ByteSetBitsPortable<'\n', '"', ':', '.'>(block.data())));
    ASSERT_EQ((ByteSetBits16<'\n', ':'>(block.data() + round % 48)),
              (ByteSetBits16Portable<'\n', ':'>(block.data() + round % 48)));
  }
}

TEST(NumberParser, ReadsDecimalWithMinusAnywhereAndCountsEveryByte) {
  EXPECT_EQ(ParseNumber("12"), 12);
  EXPECT_EQ(ParseNumber("007"), 7);
  EXPECT_EQ(ParseNumber("5-"), -5);
  EXPECT_EQ(ParseNumber("-5"), -5);
  EXPECT_EQ(ParseNumber("1-2"), -12);
  EXPECT_EQ(ParseNumber("1x"), 82);
  EXPECT_EQ(ParseNumber("0x10"), 7210);
  EXPECT_EQ(ParseNumber("sp"), 734);  // how la reads its register
  EXPECT_EQ(ParseNumber(""), 0);
}

TEST(NumberParser, DigitRunsReadAtOnceAgreeWithByteByByteOnRandomTokens) {
  // Mostly digits, with the bytes next to them ('/' and ':'), signs, blanks
  // and bytes above 0x7f, from empty to longer than the eight read at once.
  std::mt19937 random(13);
  const std::string alphabet = "0123456789012345678901234567890123456789/:- x\x80\xb0\xff";
  for (int round = 0; round < 200000; ++round) {
    std::string text(random() % 12, '0');
    for (char& c : text) c = alphabet[random() % (round % 2 == 0 ? 10 : alphabet.size())];
    ASSERT_EQ(ParseNumber(text), ParseNumberByteByByte(text)) << text;
  }
  for (int value = 0; value < 100000; ++value) {
    ASSERT_EQ(ParseNumber(std::to_string(value)), value);
    ASSERT_EQ(ParseNumber(std::to_string(value) + "-"), -value);
  }
  EXPECT_EQ(ParseNumber("99999999"), 99999999);
}

TEST(NumberParser, WrapsAt32Bits) {
  EXPECT_EQ(ParseNumber("4294967296"), 0);
  EXPECT_EQ(ParseNumber("4294967295"), -1);
  EXPECT_EQ(ParseNumber("99999999999999999999999"), -159383553);  // 0xf67fffff
}

TEST(DecimalConversion, IsExactWithin64BitsAndSaturatesBeyond) {
  EXPECT_EQ(ConvertDecimal(false, "4294967298"), 2);
  EXPECT_EQ(ConvertDecimal(true, "2"), -2);
  EXPECT_EQ(ConvertDecimal(false, "2147483648"), INT32_MIN);
  EXPECT_EQ(ConvertDecimal(false, "9223372036854775807"), -1);
  EXPECT_EQ(ConvertDecimal(false, "99999999999999999999"), -1);  // saturated to the long maximum
  EXPECT_EQ(ConvertDecimal(true, "99999999999999999999"), 0);    // saturated to the long minimum
}

TEST(MnemonicTable, HoldsFiftySevenDistinctMnemonics) {
  const auto mnemonics = Mnemonics();
  ASSERT_EQ(mnemonics.size(), 57u);
  for (const Mnemonic& m : mnemonics) {
    const Classification c = Classify(m.token);
    EXPECT_EQ(c.kind, TokenKind::kInstruction) << m.token;
    EXPECT_EQ(c.cls, m.cls) << m.token;
    EXPECT_EQ(c.mnemonic, &m) << m.token;
  }
}

TEST(MnemonicTable, ClassifiesLabelsDirectivesAndRefusesNearMisses) {
  EXPECT_EQ(Classify("loop:").kind, TokenKind::kLabelDefinition);
  EXPECT_EQ(Classify("a:b").kind, TokenKind::kLabelDefinition);
  EXPECT_EQ(Classify("loop:add").kind, TokenKind::kLabelDefinition);
  EXPECT_EQ(Classify(".word").cls, InstructionClass::kWord);
  EXPECT_EQ(Classify(".text").cls, InstructionClass::kText);
  EXPECT_EQ(Classify("addiu").mnemonic->opcode, 9);
  EXPECT_EQ(Classify("jalr").cls, InstructionClass::kRegister);
  EXPECT_EQ(Classify("jal").cls, InstructionClass::kJump);
  EXPECT_EQ(Classify("spawni").cls, InstructionClass::kSpawni);
  EXPECT_EQ(Classify("psm").cls, InstructionClass::kImmediate);
  for (const char* bad : {"ADD", "Add", "ad", "c.lt.d", "bc1t", ".Word", ".data", ""}) {
    EXPECT_EQ(Classify(bad).kind, TokenKind::kNotFound) << bad;
  }
  // Tokens are compared with their length: trailing NUL bytes, or a
  // mnemonic as the first eight bytes of a longer token, do not match.
  using std::string_literals::operator""s;
  for (const std::string& bad : {"add\0"s, "\0"s, "\0\0\0\0\0\0\0\0"s, "spawnix"s, "spawni\0\0\0"s,
                                 "addiu123"s, ".rdata.."s}) {
    EXPECT_EQ(Classify(bad).kind, TokenKind::kNotFound) << bad;
  }
  // A colon anywhere, also in the ninth byte and beyond or after a NUL byte.
  for (const std::string& label :
       {":"s, "12345678:"s, "\0:"s, "abcdefg:"s, std::string(300, 'x') + ":"}) {
    EXPECT_EQ(Classify(label).kind, TokenKind::kLabelDefinition) << label;
  }
}

TEST(MnemonicTable, SubstringScanFindsMnemonicsInsideWords) {
  EXPECT_TRUE(ContainsMnemonicString("  halt\n"));
  EXPECT_TRUE(ContainsMnemonicString("xjx"));    // "j"
  EXPECT_TRUE(ContainsMnemonicString("glory"));  // "or"
  EXPECT_TRUE(ContainsMnemonicString("mul.d 1 2 3"));
  EXPECT_FALSE(ContainsMnemonicString("   \n"));
  EXPECT_FALSE(ContainsMnemonicString("xyz 123"));
  EXPECT_FALSE(ContainsMnemonicString("ADD 1 2 3"));
  // Longer mnemonics are found through the shorter ones they hold, also at
  // the very end of the text, but a mnemonic cut off by the end is not one.
  EXPECT_TRUE(ContainsMnemonicString("xmult"));
  EXPECT_TRUE(ContainsMnemonicString("zzs.lt.d"));
  EXPECT_TRUE(ContainsMnemonicString("q c.lt.s"));
  EXPECT_FALSE(ContainsMnemonicString("zz c.lt."));
  EXPECT_FALSE(ContainsMnemonicString("mul"));
  EXPECT_FALSE(ContainsMnemonicString("mu\0t"));
  EXPECT_FALSE(ContainsMnemonicString("ddu ub.d pawni lt.s ovei ult"));
  // Every mnemonic is found on its own, after anything, and inside a word.
  for (const Mnemonic& m : Mnemonics()) {
    const std::string token(m.token);
    EXPECT_TRUE(ContainsMnemonicString(token)) << token;
    EXPECT_TRUE(ContainsMnemonicString("\t" + token + " 1 2 3")) << token;
    EXPECT_TRUE(ContainsMnemonicString("Q9" + token + "Q9")) << token;
  }
}

// The plain meaning of the staged search: some mnemonic is a substring.
bool ContainsMnemonicByPlainSearch(std::string_view text) {
  const auto mnemonics = Mnemonics();
  return std::any_of(mnemonics.begin(), mnemonics.end(), [&](const Mnemonic& m) {
    return text.find(m.token) != std::string_view::npos;
  });
}

// Lines built from mnemonics, pieces of them and the bytes around them, so
// that near misses, cut-off tokens and blanks of every length are common.
std::string RandomLine(std::mt19937& random) {
  static const std::vector<std::string> kPieces = {
      " ", "\t", "  ", "        ", "\n", "\r", "1",
      "9", "$",  ".",  "x",        "Q",  ":",  std::string(1, '\0')};
  const auto mnemonics = Mnemonics();
  std::string line;
  const int parts = std::uniform_int_distribution<int>(0, 12)(random);
  for (int i = 0; i < parts; ++i) {
    if (random() % 3 == 0) {
      line += kPieces[random() % kPieces.size()];
      continue;
    }
    // A whole mnemonic, or a piece of one cut at either end.
    const std::string_view token = mnemonics[random() % mnemonics.size()].token;
    const size_t from = random() % 2 == 0 ? 0 : random() % token.size();
    const size_t to =
        random() % 2 == 0 ? token.size() : from + random() % (token.size() - from + 1);
    line += token.substr(from, to - from);
  }
  return line;
}

TEST(MnemonicTable, StagedSubstringSearchAgreesWithAPlainSearchOnRandomLines) {
  std::mt19937 random(7);
  int found = 0;
  for (int round = 0; round < 200000; ++round) {
    const std::string line = RandomLine(random);
    const bool expected = ContainsMnemonicByPlainSearch(line);
    ASSERT_EQ(ContainsMnemonicString(line), expected) << '"' << line << '"';
    found += expected ? 1 : 0;
  }
  // Both answers are common, so neither half of the search goes untried.
  EXPECT_GT(found, 20000);
  EXPECT_LT(found, 180000);
}

TEST(MnemonicTable, DirectiveNamesFoundAfterDotsAgreeWithSearchingForEach) {
  // Names, pieces of names, dots and letters run together, so that names
  // overlap, follow each other and are cut off by the end of the text.
  static const std::vector<std::string> kPieces = {
      ".rdata", ".word", ".ascii", ".align", ".text", ".",   "..",  "rdata", "wor", ".asc",
      "ign",    "t",     "x",      " ",      "\n",    ".te", ".wo", ".r",    "\0"};
  std::mt19937 random(23);
  for (int round = 0; round < 100000; ++round) {
    std::string line;
    for (int parts = static_cast<int>(random() % 8); parts > 0; --parts) {
      line += kPieces[random() % kPieces.size()];
    }
    uint32_t expected = 0;
    const std::string_view names[] = {".rdata", ".word", ".ascii", ".align", ".text"};
    for (uint32_t k = 0; k < 5; ++k) {
      if (line.find(names[k]) != std::string::npos) expected |= uint32_t{1} << k;
    }
    ASSERT_EQ(DirectiveNamesIn(line), expected) << '"' << line << '"';
  }
  EXPECT_EQ(DirectiveNamesIn("x .word 3 .rdata"), uint32_t{kRdataName | kWordName});
}

TEST(MnemonicTable, OneLoadClassificationAgreesWithClassifyOnRandomTokens) {
  // Tokens of every length up to past eight, followed by anything: bytes of
  // another token, blanks, a colon, zero bytes.
  std::mt19937 random(17);
  for (int round = 0; round < 200000; ++round) {
    std::string token = RandomLine(random);
    std::erase_if(token, [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
    if (random() % 8 == 0) token.insert(random() % (token.size() + 1), 1, ':');
    if (token.empty()) continue;
    std::string text = token;
    for (int i = 0; i < 8; ++i) text.push_back(":\0 x."[random() % 5]);
    const Classification expected = Classify(token);
    const Classification found = ClassifyFollowed(std::string_view(text).substr(0, token.size()));
    ASSERT_EQ(found.kind, expected.kind) << token;
    ASSERT_EQ(found.cls, expected.cls) << token;
    ASSERT_EQ(found.mnemonic, expected.mnemonic) << token;
  }
}

TEST(RegisterNumber, AgreesWithItsPlainReadingOnRandomTokens) {
  const auto plain = [](std::string_view token) {
    const bool sp = token.size() >= 2 && (token[0] == 's' || token[0] == 'S') &&
                    (token[1] == 'p' || token[1] == 'P');
    return sp ? 29u : static_cast<uint32_t>(ParseNumberByteByByte(token));
  };
  std::mt19937 random(19);
  const std::string alphabet = "0123456789sSpP-x/:\x80";
  for (int round = 0; round < 100000; ++round) {
    std::string token(1 + random() % 10, '0');
    for (char& c : token) c = alphabet[random() % (round % 2 == 0 ? 10 : alphabet.size())];
    ASSERT_EQ(RegisterNumber(token), plain(token)) << token;
  }
}

}  // namespace
}  // namespace kiv::assembly
