#include "assembler/pass2.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "assembler/bundle_packer.h"
#include "assembler/index_counter.h"
#include "assembler/output_buffer.h"
#include "assembler/relocation.h"
#include "assembler/target_cursor.h"
#include "assembler/transfer_target.h"
#include "common/instruction_word.h"
#include "common/large_buffer.h"
#include "common/record_format.h"

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

// The most bytes the listing of these records can take.
size_t LargestListingSize(const RecordList& records) {
  return records.instruction_count() * kListingBytesPerInstruction +
         (records.pair_count() + records.section_count()) * kListingBytesPerPair;
}

// Boundaries are met in ascending order, each once, by equality with the
// running index, so a cursor walks the table instead of a search per record.
class BoundaryCursor {
 public:
  explicit BoundaryCursor(const BoundaryTable& table) : boundaries_(table.boundaries()) {
    LoadNext();
  }

  // Whether `index` is the next boundary; if so, steps past it and keeps its padding.
  bool Reach(uint32_t index) {
    if (index != next_index_) return false;
    padding_in_force_ = boundaries_[next_].padding;
    ++next_;
    LoadNext();
    return true;
  }
  uint32_t padding_in_force() const { return padding_in_force_; }

 private:
  // The next boundary's index kept at hand, so that the test of every record
  // is one compare; past the last boundary, a value no index takes.
  void LoadNext() {
    next_index_ = next_ < boundaries_.size() ? boundaries_[next_].index : uint64_t{1} << 32;
  }

  std::span<const Boundary> boundaries_;
  size_t next_ = 0;
  uint64_t next_index_ = 0;
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

// One walk over the records: the running index, the boundaries met on the
// way, the bundles and data lines built, and the part not yet handed on.
class Pass2Walk {
 public:
  // The image takes at most `image_room` bytes; listing parts start with
  // room for `part_room` bytes.
  Pass2Walk(const BoundaryTable& table, OutputSink& sink, size_t image_room, size_t part_room)
      : table_(table), sink_(sink), image_(image_room), listing_(part_room) {}

  void Run(std::span<const uint64_t> entries) {
    for (size_t i = 0; i < entries.size(); ++i) {
      StartRecord();
      if (record_entry::Tag(entries[i]) == record_entry::kInstruction) {
        i += PackInstruction(entries.subspan(i));
      } else {
        i += CopyDataSection(entries.subspan(i));
      }
    }
    ReachIndex();
    packer_.EndBundle();
    packer_.Finish();
    sink_.Take(image_.view(), listing_.view());
  }

 private:
  // Every record, and each data pair, is first met by the boundary check.
  // The image is built whole where it is handed on at the end, so that its
  // bytes cross memory once; the listing goes on a part at a time.
  void StartRecord() {
    if (listing_.size() >= kPartSize) {
      sink_.Take({}, listing_.view());
      listing_.Clear();
    }
    ReachIndex();
  }
  // A boundary ends the pending bundle.
  void ReachIndex() {
    if (cursor_.Reach(counter_.index())) packer_.EndBundle();
  }

  // The instruction's body with its target, if any, relocated: as
  // RelocateBody does, with the targets' paddings taken in turn.
  uint32_t Relocate(uint32_t op, uint32_t body) {
    const uint32_t index = counter_.index();
    if (IsBranchOpcode(op)) {
      const uint32_t target_padding = targets_.PaddingOf(BranchTarget(index, body));
      return BranchBody(index, body, cursor_.padding_in_force(), target_padding);
    }
    if (op == opcode::kJ || op == opcode::kJal) return JumpBody(body, targets_.PaddingOf(body));
    if (op == opcode::kLa) return RelocateAddress(body, table_);
    return body;
  }

  // The instruction at the front of `entries`; returns how many entries
  // after it it took (a spawni's second word).
  size_t PackInstruction(std::span<const uint64_t> entries) {
    const uint32_t head = record_entry::Head(entries[0]);
    const uint32_t op = OpcodeOfHead(head);
    const bool spawni = op == opcode::kSpawni;
    const uint32_t second = spawni ? record_entry::Body(entries[1]) : 0;
    packer_.PackInstruction(head, Relocate(op, record_entry::Body(entries[0])), second);
    counter_.CountInstruction();
    return spawni ? 1 : 0;
  }

  // The section whose header is at the front of `entries`; returns how many
  // pairs followed it.
  size_t CopyDataSection(std::span<const uint64_t> entries) {
    counter_.EnterData();
    packer_.EndBundle();  // the marker ends the pending bundle
    const uint64_t pairs = record_entry::PairCount(entries[0]);
    for (uint64_t k = 1; k <= pairs; ++k) {
      StartRecord();  // each pair is a record of its own
      counter_.CountDataPair();
      packer_.WriteDataPair(record_entry::FirstWord(entries[k]),
                            record_entry::SecondWord(entries[k]), counter_.pair_count() % 2 == 0);
    }
    if (record_entry::Tag(entries[0]) == record_entry::kClosedSection) {
      ReachIndex();
      if (counter_.LeaveData()) {
        packer_.WriteDataPair(record_format::kFillerFirstWord, record_format::kFillerSecondWord,
                              true);
      }
    }
    return pairs;
  }

  const BoundaryTable& table_;
  OutputSink& sink_;
  OutputBuffer image_;
  OutputBuffer listing_;
  IndexCounter counter_;
  BoundaryCursor cursor_{table_};
  TargetCursor targets_{table_};
  BundlePacker packer_{image_, listing_};
};

}  // namespace

void RunPass2(const RecordList& records, const BoundaryTable& table, OutputSink& sink) {
  // A small program's parts need only a little room: fresh memory that is
  // never used still costs a mapping at start-up.
  const size_t part_room = std::min(kPartSize, LargestListingSize(records)) + kMostPerRecord;
  Pass2Walk(table, sink, LargestImageSize(records), part_room).Run(records.entries());
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
  ReserveLarge(listing, listing.size() + LargestListingSize(records));
  StringSink sink(image, listing);
  RunPass2(records, table, sink);
}

}  // namespace kiv::assembler
