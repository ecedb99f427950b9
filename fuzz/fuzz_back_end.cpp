// The whole back end on an in-memory intermediate text, checking what must
// hold of the table and the two outputs, and that the back end's decoder
// reads what the record reader reads.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "assembler/boundary_table.h"
#include "assembler/pack.h"
#include "assembler/record_decoder.h"
#include "assembler/record_list.h"
#include "common/instruction_word.h"
#include "fuzz/invariants.h"
#include "tests/support/record_reader.h"

using namespace kiv::assembler;
using kiv::fuzz::Check;

namespace {

void CheckTable(const BoundaryTable& table) {
  const auto boundaries = table.boundaries();
  for (size_t i = 0; i < boundaries.size(); ++i) {
    Check((boundaries[i].index + boundaries[i].padding) % 3 == 0,
          "a boundary does not begin a bundle");
    if (i > 0) {
      Check(boundaries[i - 1].index < boundaries[i].index, "boundaries not strictly ascending");
      Check(boundaries[i - 1].padding <= boundaries[i].padding, "padding went down");
    }
  }
}

// The back end decodes the text with its own fast decoder; the record
// reader is the plain reading of the same format. Both must see the same
// records and refuse the same texts.
void CheckDecoderAgreesWithReader(std::string_view text) {
  RecordList expected;
  kiv::RecordReader reader(text);
  bool accepted = true;
  for (kiv::Item item = reader.Next(); item.kind != kiv::ItemKind::kEndOfFile;
       item = reader.Next()) {
    switch (item.kind) {
      case kiv::ItemKind::kMalformed:
        accepted = false;
        break;
      case kiv::ItemKind::kInstruction:
        if (kiv::OpcodeOfHead(item.head) == kiv::opcode::kSpawni) {
          expected.AddSpawni(item.head, item.body, item.second);
        } else {
          expected.AddInstruction(item.head, item.body);
        }
        break;
      case kiv::ItemKind::kDataMarker:
        expected.OpenSection();
        break;
      case kiv::ItemKind::kDataPair:
        expected.AddPair(item.first_word, item.second_word);
        break;
      case kiv::ItemKind::kEndOfData:
        expected.CloseSection();
        break;
      case kiv::ItemKind::kEndOfFile:
        break;
    }
    if (!accepted) break;
  }
  RecordList decoded;
  Check(DecodeRecords(text, decoded) == accepted,
        "the decoder and the reader disagree on a refusal");
  const auto a = expected.entries();
  const auto b = decoded.entries();
  Check(a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin()),
        "the decoder and the reader read other records");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckDecoderAgreesWithReader(text);

  const PackResult packed = Pack(text);
  if (packed.status != Status::kOk) {
    Check(packed.image.empty() && packed.listing.empty(), "a refused text left outputs");
    return 0;
  }
  CheckTable(packed.boundaries);
  kiv::fuzz::CheckOutputs(packed.image, packed.listing, kiv::fuzz::EndsInOddDataSection(text));

  // Digits of either case and CR LF line ends read as the same records.
  std::string variant;
  for (const char c : text) {
    if (c == '\n') variant.push_back('\r');
    variant.push_back(c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c);
  }
  const PackResult variant_packed = Pack(variant);
  Check(variant_packed.status == Status::kOk, "the text in capitals with CR LF was refused");
  Check(variant_packed.image == packed.image && variant_packed.listing == packed.listing,
        "the text in capitals with CR LF gave other outputs");
  return 0;
}
