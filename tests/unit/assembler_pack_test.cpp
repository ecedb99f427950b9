#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "assembler/pack.h"

namespace kiv::assembler {
namespace {

// li; loop: subi; bne loop; halt. The branch target (index 1) and the index
// after halt begin bundles.
constexpr std::string_view kLoop = "\n20 100003\n38 10100001\n14 13fffe\n3fc 0";
constexpr std::string_view kSuccessLine = "INFO: assembler.exe runs successfully\n";
constexpr std::string_view kOutputError =
    "ERROR: file read/write error - assembler.txt, bundle.txt, instructions.txt\n";

TEST(Pack, KeepsBothOutputsAndTheSuccessLineInTheResult) {
  const PackResult packed = Pack(kLoop);
  ASSERT_EQ(packed.status, Status::kOk);
  EXPECT_EQ(packed.listing,
            "00000000000 00000000000 02000100003 1\n"
            "3fc00000000 01400100000 03810100001 3\n");
  EXPECT_EQ(packed.image.size(), 2u * 16 + 4);
  EXPECT_EQ(packed.log, kSuccessLine);
  EXPECT_EQ(packed.console, kSuccessLine);
}

TEST(Pack, SlotPositionPlacesEachInstructionWhereTheListingShowsIt) {
  const PackResult packed = Pack(kLoop);
  ASSERT_EQ(packed.status, Status::kOk);
  // li alone in bundle 0, slot 1; the loop fills bundle 1.
  EXPECT_EQ(packed.boundaries.SlotPosition(0), 0u);
  EXPECT_EQ(packed.boundaries.SlotPosition(1), 3u);
  EXPECT_EQ(packed.boundaries.SlotPosition(2), 4u);
  EXPECT_EQ(packed.boundaries.SlotPosition(3), 5u);
}

TEST(Pack, LayoutOnlyPlacesAlikeAndBuildsNoOutputs) {
  const PackResult layout = Pack(kLoop, {.layout_only = true});
  ASSERT_EQ(layout.status, Status::kOk);
  EXPECT_EQ(layout.boundaries.SlotPosition(1), 3u);
  EXPECT_EQ(layout.boundaries.SlotPosition(3), 5u);
  EXPECT_TRUE(layout.image.empty());
  EXPECT_TRUE(layout.listing.empty());
  EXPECT_TRUE(layout.log.empty());
  // A refusal is the same as in a full run.
  EXPECT_EQ(Pack("\n3fc 0\n20", {.layout_only = true}).status, Status::kMalformedRecord);
}

TEST(Pack, RefusalLeavesNoOutputsAndLogsOnlyTheError) {
  const PackResult malformed = Pack("\n3fc 0\n20");
  EXPECT_EQ(malformed.status, Status::kMalformedRecord);
  EXPECT_EQ(malformed.log, "ERROR: Malformed record in assembler.txt\n");
  EXPECT_TRUE(malformed.console.empty());
  EXPECT_TRUE(malformed.image.empty());
  EXPECT_TRUE(malformed.listing.empty());

  const PackResult into_data =
      Pack("\n8 2\nfffe\n0000000000000001\n0000000000000002\nffffffffffffffff");
  EXPECT_EQ(into_data.status, Status::kTargetInData);
  EXPECT_EQ(into_data.log, "ERROR: Jump or branch target inside data section\n");
  EXPECT_TRUE(into_data.image.empty());
}

// Collects what Pack streams, and can refuse to open or to close.
class RecordingOutput : public PackOutput {
 public:
  bool Open(size_t largest_image_size) override {
    ++opened;
    largest_image = largest_image_size;
    return open_succeeds;
  }
  void Take(std::string_view image_part, std::string_view listing_part) override {
    image.append(image_part);
    listing.append(listing_part);
  }
  bool Close() override {
    ++closed;
    return close_succeeds;
  }

  bool open_succeeds = true;
  bool close_succeeds = true;
  int opened = 0;
  int closed = 0;
  size_t largest_image = 0;
  std::string image;
  std::string listing;
};

TEST(Pack, StreamsTheSameBytesToAnOutputAndKeepsNoneItself) {
  const PackResult whole = Pack(kLoop);
  RecordingOutput output;
  const PackResult streamed = Pack(kLoop, PackOptions{.output = &output});
  ASSERT_EQ(streamed.status, Status::kOk);
  EXPECT_EQ(output.image, whole.image);
  EXPECT_EQ(output.listing, whole.listing);
  EXPECT_GE(output.largest_image, whole.image.size());
  EXPECT_TRUE(streamed.image.empty());
  EXPECT_TRUE(streamed.listing.empty());
  EXPECT_EQ(streamed.log, kSuccessLine);
  EXPECT_EQ(output.opened, 1);
  EXPECT_EQ(output.closed, 1);
}

TEST(Pack, OutputIsOpenedOnlyOnceTheTextIsAccepted) {
  RecordingOutput output;
  EXPECT_EQ(Pack("\nzz 0", PackOptions{.output = &output}).status, Status::kMalformedRecord);
  EXPECT_EQ(output.opened, 0);
  EXPECT_EQ(output.closed, 0);
}

TEST(Pack, OutputThatCannotBeOpenedOrWrittenIsAFileError) {
  RecordingOutput unopenable;
  unopenable.open_succeeds = false;
  const PackResult not_opened = Pack(kLoop, PackOptions{.output = &unopenable});
  EXPECT_EQ(not_opened.status, Status::kFileError);
  EXPECT_EQ(not_opened.log, kOutputError);
  EXPECT_TRUE(not_opened.console.empty());
  EXPECT_TRUE(unopenable.listing.empty());
  EXPECT_EQ(unopenable.closed, 0);

  RecordingOutput unwritable;
  unwritable.close_succeeds = false;
  const PackResult not_written = Pack(kLoop, PackOptions{.output = &unwritable});
  EXPECT_EQ(not_written.status, Status::kFileError);
  EXPECT_EQ(not_written.log, kOutputError);
  EXPECT_TRUE(not_written.console.empty());
}

}  // namespace
}  // namespace kiv::assembler
