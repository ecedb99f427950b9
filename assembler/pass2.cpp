#include "assembler/pass2.h"

#include <cstddef>

#include "assembler/bundle_packer.h"
#include "assembler/index_counter.h"
#include "assembler/relocation.h"
#include "common/instruction_word.h"
#include "common/large_buffer.h"
#include "common/record_reader.h"

namespace kiv::assembler {

Status RunPass2(std::string_view text, const BoundaryTable& table, std::string& image,
                std::string& listing) {
  // Room for the usual sizes (a 16-byte unit per three to four records),
  // so the outputs rarely have to be copied while they grow.
  ReserveLarge(image, image.size() + text.size() * 2);
  ReserveLarge(listing, listing.size() + text.size() * 4);
  RecordReader reader(text);
  IndexCounter counter;
  BundlePacker packer(image, listing);
  const auto boundaries = table.boundaries();
  size_t next_boundary = 0;
  uint32_t padding_in_force = 0;
  uint32_t slot = 1;  // the slot the next instruction fills

  for (;;) {
    // Boundaries are met in ascending order, each once, by equality with the
    // running index, so a cursor walks the table instead of a search per record.
    if (next_boundary < boundaries.size() && boundaries[next_boundary].index == counter.index()) {
      if (slot != 1) {
        packer.Flush();
        slot = 1;
      }
      padding_in_force = boundaries[next_boundary].padding;
      ++next_boundary;
    }

    const Item item = reader.Next();
    switch (item.kind) {
      case ItemKind::kEndOfFile:
        if (slot != 1) packer.Flush();
        packer.Finish();
        return Status::kOk;
      case ItemKind::kMalformed:
        return Status::kMalformedRecord;
      case ItemKind::kDataMarker:
        counter.EnterData();
        if (slot != 1) {
          packer.Flush();
          slot = 1;
        }
        break;
      case ItemKind::kInstruction: {
        const uint32_t body = RelocateBody(OpcodeOfHead(item.head), counter.index(), item.body,
                                           padding_in_force, table);
        packer.PackInstruction(item.head, body, item.second, slot);
        slot = slot % 3 + 1;
        counter.CountInstruction();
        break;
      }
      case ItemKind::kDataPair:
        counter.CountDataPair();
        packer.WriteDataPair(item.first_word, item.second_word, counter.pair_count() % 2 == 0);
        break;
      case ItemKind::kEndOfData:
        if (counter.LeaveData()) packer.WriteDataPair(0, 0, true);
        break;
    }
  }
}

}  // namespace kiv::assembler
