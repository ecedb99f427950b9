#include "assembler/pass2.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "assembler/bundle_packer.h"
#include "assembler/index_counter.h"
#include "assembler/record_decoder.h"
#include "assembler/relocation.h"
#include "common/instruction_word.h"
#include "common/large_buffer.h"

namespace kiv::assembler {
namespace {

// A part is handed on once its listing reaches this size: small enough to
// stay in the cache, large enough that writing it costs few system calls.
constexpr size_t kPartSize = size_t{256} << 10;
// The most one record adds to the listing (a bundle line and a data line),
// and the image never grows faster than the listing.
constexpr size_t kMostPerRecord = 2 * 38;

// Bytes of each output per record at most: a bundle per instruction, a
// listing line of 38 characters; 8 bytes and 18 characters per data pair and
// per section for the zero pair that may complete it.
constexpr size_t kImageBytesPerInstruction = 16;
constexpr size_t kListingBytesPerInstruction = 38;
constexpr size_t kImageBytesPerPair = 8;
constexpr size_t kListingBytesPerPair = 18;
constexpr size_t kClosingBytes = 4;

// Boundaries are met in ascending order, each once, by equality with the
// running index, so a cursor walks the table instead of a search per record.
class BoundaryCursor {
 public:
  explicit BoundaryCursor(const BoundaryTable& table) : boundaries_(table.boundaries()) {}

  // Whether `index` is the next boundary; if so, steps past it and keeps its padding.
  bool Reach(uint32_t index) {
    if (next_ == boundaries_.size() || boundaries_[next_].index != index) return false;
    padding_in_force_ = boundaries_[next_].padding;
    ++next_;
    return true;
  }
  uint32_t padding_in_force() const { return padding_in_force_; }

 private:
  std::span<const Boundary> boundaries_;
  size_t next_ = 0;
  uint32_t padding_in_force_ = 0;
};

// Appends every part to two strings.
class StringSink : public OutputSink {
 public:
  StringSink(std::string& image, std::string& listing) : image_(image), listing_(listing) {}
  void Take(std::string_view image_part, std::string_view listing_part) override {
    image_.append(image_part);
    listing_.append(listing_part);
  }

 private:
  std::string& image_;
  std::string& listing_;
};

}  // namespace

void RunPass2(const RecordList& records, const BoundaryTable& table, OutputSink& sink) {
  std::string image;
  std::string listing;
  image.reserve(kPartSize + kMostPerRecord);
  listing.reserve(kPartSize + kMostPerRecord);
  const auto hand_on_when_full = [&] {
    if (listing.size() < kPartSize) return;
    sink.Take(image, listing);
    image.clear();
    listing.clear();
  };

  IndexCounter counter;
  BundlePacker packer(image, listing);
  BoundaryCursor cursor(table);
  uint32_t slot = 1;  // the slot the next instruction fills
  // A boundary ends the pending bundle.
  const auto reach = [&](uint32_t index) {
    if (cursor.Reach(index) && slot != 1) {
      packer.Flush();
      slot = 1;
    }
  };

  const auto entries = records.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    hand_on_when_full();
    reach(counter.index());
    const uint64_t entry = entries[i];
    if (record_entry::Tag(entry) == record_entry::kInstruction) {
      const uint32_t head = record_entry::Head(entry);
      const uint32_t op = OpcodeOfHead(head);
      const uint32_t second = op == opcode::kSpawni ? record_entry::Body(entries[++i]) : 0;
      const uint32_t body = RelocateBody(op, counter.index(), record_entry::Body(entry),
                                         cursor.padding_in_force(), table);
      packer.PackInstruction(head, body, second, slot);
      slot = slot % 3 + 1;
      counter.CountInstruction();
      continue;
    }
    // A data section: the marker ends the pending bundle.
    counter.EnterData();
    if (slot != 1) {
      packer.Flush();
      slot = 1;
    }
    const uint64_t pairs = record_entry::PairCount(entry);
    for (uint64_t k = 0; k < pairs; ++k) {
      // Each pair is a record of its own, met by the boundary check like any other.
      hand_on_when_full();
      reach(counter.index());
      const uint64_t pair = entries[++i];
      counter.CountDataPair();
      packer.WriteDataPair(record_entry::FirstWord(pair), record_entry::SecondWord(pair),
                           counter.pair_count() % 2 == 0);
    }
    if (record_entry::Tag(entry) == record_entry::kClosedSection) {
      reach(counter.index());
      if (counter.LeaveData()) packer.WriteDataPair(0, 0, true);
    }
  }
  reach(counter.index());
  if (slot != 1) packer.Flush();
  packer.Finish();
  sink.Take(image, listing);
}

size_t LargestImageSize(const RecordList& records) {
  return records.instruction_count() * kImageBytesPerInstruction +
         (records.pair_count() + records.section_count()) * kImageBytesPerPair + kClosingBytes;
}

void RunPass2(const RecordList& records, const BoundaryTable& table, std::string& image,
              std::string& listing) {
  // Room for the largest outputs the records can give, so that the outputs
  // are never copied while they grow; pages never written cost no memory.
  ReserveLarge(image, image.size() + LargestImageSize(records));
  ReserveLarge(listing,
               listing.size() + records.instruction_count() * kListingBytesPerInstruction +
                   (records.pair_count() + records.section_count()) * kListingBytesPerPair);
  StringSink sink(image, listing);
  RunPass2(records, table, sink);
}

Status RunPass2(std::string_view text, const BoundaryTable& table, std::string& image,
                std::string& listing) {
  RecordList records;
  if (!DecodeRecords(text, records)) return Status::kMalformedRecord;
  RunPass2(records, table, image, listing);
  return Status::kOk;
}

}  // namespace kiv::assembler
