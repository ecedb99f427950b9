#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "assembler/record_decoder.h"
#include "assembler/record_list.h"
#include "common/instruction_word.h"
#include "common/record_writer.h"
#include "tests/support/record_reader.h"

namespace kiv::assembler {
namespace {

using namespace std::string_literals;

// A record as both readers can tell it; heads compare by the 16 bits kept.
struct Read {
  ItemKind kind;
  uint32_t a = 0;  // head or first word
  uint32_t b = 0;  // body or second word
  uint32_t c = 0;  // a spawni's second value
  bool operator==(const Read&) const = default;
};

struct Reading {
  std::vector<Read> records;
  bool ok = true;
};

void PrintTo(const Read& read, std::ostream* out) {
  *out << "{" << static_cast<int>(read.kind) << " " << std::hex << read.a << " " << read.b << " "
       << read.c << "}";
}

// The shared reader, item by item: the reference.
Reading ReadWithRecordReader(const std::string& text) {
  Reading reading;
  RecordReader reader(text);
  for (Item item = reader.Next(); item.kind != ItemKind::kEndOfFile; item = reader.Next()) {
    switch (item.kind) {
      case ItemKind::kMalformed:
        reading.ok = false;
        return reading;
      case ItemKind::kInstruction:
        reading.records.push_back({item.kind, item.head & 0xffffu, item.body, item.second});
        break;
      case ItemKind::kDataPair:
        reading.records.push_back({item.kind, item.first_word, item.second_word});
        break;
      default:
        reading.records.push_back({item.kind});
        break;
    }
  }
  return reading;
}

// The decoded list walked back into records, as the passes walk it.
Reading ReadWithDecoder(const std::string& text) {
  Reading reading;
  RecordList records;
  reading.ok = DecodeRecords(text, records);
  const auto entries = records.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const uint64_t entry = entries[i];
    if (record_entry::Tag(entry) == record_entry::kInstruction) {
      const uint32_t head = record_entry::Head(entry);
      const bool spawni = OpcodeOfHead(head) == opcode::kSpawni;
      const uint32_t second = spawni ? record_entry::Body(entries[++i]) : 0;
      reading.records.push_back({ItemKind::kInstruction, head, record_entry::Body(entry), second});
      continue;
    }
    reading.records.push_back({ItemKind::kDataMarker});
    for (uint64_t k = record_entry::PairCount(entry); k > 0; --k) {
      const uint64_t pair = entries[++i];
      reading.records.push_back(
          {ItemKind::kDataPair, record_entry::FirstWord(pair), record_entry::SecondWord(pair)});
    }
    if (record_entry::Tag(entry) == record_entry::kClosedSection) {
      reading.records.push_back({ItemKind::kEndOfData});
    }
  }
  return reading;
}

void ExpectSameReading(const std::string& text) {
  const Reading expected = ReadWithRecordReader(text);
  const Reading actual = ReadWithDecoder(text);
  EXPECT_EQ(actual.ok, expected.ok) << '"' << text << '"';
  // On a refusal the list holds the records before the bad one.
  EXPECT_EQ(actual.records, expected.records) << '"' << text << '"';
}

TEST(RecordDecoder, ReadsTheWritersRecordsIntoEntries) {
  std::string text;
  RecordWriter writer(text);
  writer.Instruction(EncodeHead(opcode::kAddi, 3), 0x12345678);
  writer.Spawni(0xdeadbeef, 7);
  writer.DataMarker();
  writer.DataPair(0x01234567, 0x89abcdef);
  writer.DataPair(0, 0xffffffff);
  writer.EndOfData();
  writer.ShortInstruction(EncodeHead(opcode::kHalt, 0));
  writer.DataMarker();
  writer.DataPair(5, 6);

  RecordList records;
  ASSERT_TRUE(DecodeRecords(text, records));
  EXPECT_EQ(records.instruction_count(), 3u);  // the spawni once
  EXPECT_EQ(records.section_count(), 2u);
  EXPECT_EQ(records.pair_count(), 3u);
  const std::vector<uint64_t> expected = {
      record_entry::Instruction(EncodeHead(opcode::kAddi, 3), 0x12345678),
      record_entry::Instruction(0x3f0, 0xdeadbeef),
      7,
      (record_entry::kClosedSection << record_entry::kTagShift) | 2,
      record_entry::Pair(0x01234567, 0x89abcdef),
      record_entry::Pair(0, 0xffffffff),
      record_entry::Instruction(EncodeHead(opcode::kHalt, 0), 0),
      (record_entry::kOpenSection << record_entry::kTagShift) | 1,
      record_entry::Pair(5, 6),
  };
  EXPECT_EQ(std::vector<uint64_t>(records.entries().begin(), records.entries().end()), expected);
}

TEST(RecordDecoder, NumbersOfEveryLengthAndPlaceReadAsTheSharedReaderReadsThem) {
  // Each number both well inside the text (read eight bytes at a time) and in
  // its last bytes (read one at a time), ended by white space, the end, or a
  // stray byte.
  const std::vector<std::string> kNumbers = {
      "0",
      "7",
      "Ab",
      "fffe",
      "1fffe",
      "12345678",
      "FfFfFfFf",
      "0123456789",
      "000000001",
      "00000000ffffffff",
      "100000000",
      "123456789",
      "1234567g",
      "12345678g",
      "-1",
      "0x1",
      "",
      "\x80"
      "1",
      "1\x80",
      "\xe1",
      "1\0"
      "2"s,
  };
  const std::string kPadding = "\n20 1\n20 2\n20 3";  // keeps the record far from the end
  for (const std::string& number : kNumbers) {
    for (const std::string& text :
         {"\n" + number + " 5" + kPadding, "\n5 " + number + kPadding, "\n5 " + number,
          "\n" + number, "\n3f0 " + number + " \n3f0 9 " + kPadding}) {
      ExpectSameReading(text);
    }
  }
}

TEST(RecordDecoder, DataPairsOfEveryShapeReadAsTheSharedReaderReadsThem) {
  const std::vector<std::string> kPairs = {
      "0123456789abcdef",
      "0 0",
      "1 2",
      "12345678 9",
      "12345678\n\n9",
      "123456789",
      "1234567 8",
      "0123456789abcdef0",
      "0123456789abcdeg",
      "ffffffff 0",
      "ffffffffffffffff",
      "fffffff f",
      "12345678",
      "\xff"
      "1 2",
      "1 2\x80",
      "FFFFFFFF0",
  };
  const std::string kPadding = "\n0000000000000001\n0000000000000002\nffffffffffffffff\n20 1";
  for (const std::string& pair : kPairs) {
    for (const std::string& text :
         {"\nfffe\n" + pair + kPadding, "\nfffe\n" + pair, "\nfffe\n" + pair + " "}) {
      ExpectSameReading(text);
    }
  }
}

TEST(RecordDecoder, RandomTextsReadAsTheSharedReaderReadsThem) {
  // Texts mostly made of well-formed tokens, so that reading gets far into
  // them, with now and then a token or separator that is not.
  std::mt19937 random(20261207);
  const std::string kDigits = "0123456789abcdefABCDEF";
  const std::string kSpaces = " \n\t\r\v\f";
  const std::vector<std::string> kSpecial = {"fffe",     "3f0", "ffffffff", "ffffffffffffffff",
                                             "00000000", "g",   "\x80",     std::string(1, '\0')};
  const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    const size_t tokens = pick(40);
    for (size_t t = 0; t < tokens; ++t) {
      if (pick(5) == 0) {
        text += kSpecial[pick(kSpecial.size())];
      } else {
        const size_t length = pick(5) == 0 ? pick(20) : 1 + pick(8);
        for (size_t i = 0; i < length; ++i) text += kDigits[pick(kDigits.size())];
      }
      const size_t spaces = pick(12) == 0 ? 0 : 1 + pick(pick(4) == 0 ? 3 : 1);
      for (size_t i = 0; i < spaces; ++i) text += kSpaces[pick(4) == 0 ? pick(kSpaces.size()) : 1];
    }
    ExpectSameReading(text);
    if (HasFailure()) return;  // one text is enough to look at
  }
}

TEST(RecordDecoder, LinesNearThePlainShapeReadAsTheSharedReaderReadsThem) {
  // Long texts of "head body" lines, the shape the decoder reads sixteen
  // bytes at once, with lines a little off it now and then: numbers of 0 or
  // 9 and more digits, another or a second separator, a stray byte, a data
  // section, a spawni, a line break missing, and lines near the end.
  std::mt19937 random(7);
  const std::string kDigits = "0123456789abcdefABCDEF";
  const std::vector<std::string> kSeparators = {" ", " ", " ", " ", "\t", "  ", "\n", "\r\n", "g"};
  const std::vector<std::string> kSpecialHeads = {"fffe", "3f0", "1fffe", "00000003f0", "0fffe"};
  const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  const auto number = [&] {
    std::string digits;
    const size_t length = pick(8) == 0 ? pick(12) : 1 + pick(8);
    for (size_t i = 0; i < length; ++i) digits += kDigits[pick(kDigits.size())];
    return digits;
  };
  for (int round = 0; round < 1500; ++round) {
    std::string text;
    const size_t lines = pick(60);
    for (size_t line = 0; line < lines; ++line) {
      text += pick(30) == 0 ? kSeparators[pick(kSeparators.size())] : "\n";
      if (pick(20) == 0) {
        text += kSpecialHeads[pick(kSpecialHeads.size())];
      } else {
        text += number();
      }
      text += pick(10) == 0 ? kSeparators[pick(kSeparators.size())] : " ";
      text += number();
      if (pick(40) == 0) text += "\x80";
    }
    ExpectSameReading(text);
    if (HasFailure()) return;  // one text is enough to look at
  }
}

TEST(RecordDecoder, DataLinesNearThePlainShapeReadAsTheSharedReaderReadsThem) {
  // Long data sections of sixteen-digit lines, the shape the decoder reads
  // at once, with lines a little off it now and then: fewer or more digits,
  // a blank inside, a stray byte, another line break, the end-of-data record
  // (which must end the section) and sections that run to the end.
  std::mt19937 random(5);
  const std::string kDigits = "0123456789abcdefABCDEF";
  const std::vector<std::string> kOdd = {"ffffffffffffffff",
                                         "ffffffff00000000",
                                         "12345678 9abcdef0",
                                         "0123456789abcde",
                                         "0123456789abcdef0",
                                         "\r",
                                         "0123456789abcdeg",
                                         "\x80",
                                         ""};
  const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  for (int round = 0; round < 1500; ++round) {
    std::string text;
    const size_t lines = pick(80);
    for (size_t line = 0; line < lines; ++line) {
      if (pick(25) == 0) {
        text += "\nfffe";
        continue;
      }
      text += pick(40) == 0 ? "\r\n" : "\n";
      if (pick(15) == 0) {
        text += kOdd[pick(kOdd.size())];
      } else if (pick(30) == 0) {
        text += "20 5";  // an instruction, where one is read
      } else {
        for (int i = 0; i < 16; ++i) text += kDigits[pick(kDigits.size())];
      }
    }
    ExpectSameReading(text);
    if (HasFailure()) return;  // one text is enough to look at
  }
}

TEST(RecordDecoder, AppendsToAListThatAlreadyHoldsRecords) {
  RecordList records;
  ASSERT_TRUE(DecodeRecords("\n20 1", records));
  ASSERT_TRUE(DecodeRecords("\n20 2", records));
  EXPECT_EQ(records.instruction_count(), 2u);
  EXPECT_EQ(record_entry::Body(records.entries()[1]), 2u);
}

}  // namespace
}  // namespace kiv::assembler
