// Runs the programs' own stages in memory, writing no file, and makes sure
// the check is never silent about a source they refuse.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/boundary_table.h"
#include "assembly/encoding_state.h"
#include "assembly/label_pass.h"
#include "assembly/label_table.h"
#include "assembly/status.h"
#include "common/large_block.h"
#include "kiv/checker_facts.h"
#include "kiv/checker_report.h"

namespace kiv::tool {

struct FrontEndRun {
  assembly::Status status = assembly::Status::kSuccess;
  // The normalised text, made straight into room of the source's size: it
  // is never longer than the source, and is not copied piece by piece. Made
  // by RunLabelPass unless it is that large already.
  LargeBlock formatted_room;
  std::string_view formatted;
  assembly::LabelTable labels;
  // Every label definition as the label pass read and entered it.
  std::vector<assembly::DefinedLabel> defined;
  std::string object_text;
  std::string log;
  // Where the encoding pass stopped, in the normalised text, when it failed.
  std::optional<size_t> failing_offset;
  size_t failing_length = 1;
  // The end of the line on which the failing statement's operands end.
  size_t failing_line_end = 0;
  // Where the label pass found the encoding pass's state at the middle of a
  // large text, for encoding it in two halves.
  std::optional<assembly::EncodingState> split_state;
  // The same at line starts spread over a large text, in ascending order:
  // where the check's walk may be split.
  std::vector<assembly::EncodingState> walk_starts;
};

// How many equal parts the line starts of FrontEndRun::walk_starts divide a
// large text into.
inline constexpr size_t kWalkStarts = 256;

// The front end's stages up to the encoding pass: normaliser, label table
// and label pass. `formatted_ready` is called as soon as the normalised text
// is final, before the label pass, for work that needs the text alone; from
// then on the text stays where it is.
// With `listed`, the pass tells there how many entries of `run.defined` are
// final as it goes (see BuildLabelList).
// With `label_room`, another thread may make the label table and room in it
// and in `run.defined` while the normaliser runs (MakeLabelRoom, for as many
// labels as the source has colons: never fewer than the text has). Called
// once the text is final, it returns that count when the room is made, or
// nothing when it is to be made here. No colon is counted while the text is
// normalised then.
void RunLabelPass(std::string_view source, FrontEndRun& run,
                  const std::function<void()>& formatted_ready = {},
                  std::atomic<size_t>* listed = nullptr,
                  const std::function<std::optional<size_t>()>& label_room = {});

// The label table made (CreateLabelTable) with room for `labels`, and room
// in the list of definitions.
void MakeLabelRoom(FrontEndRun& run, size_t labels);

// The encoding pass over what RunLabelPass made, when that succeeded.
void RunEncodingPass(FrontEndRun& run);

// All of the front end's stages. `labels_ready` is called between the label
// and encoding passes; from then on the labels are final and stay where they
// are, so it may hand them to work that runs beside the encoding pass.
void RunFrontEnd(std::string_view source, FrontEndRun& run,
                 const std::function<void()>& labels_ready = {},
                 const std::function<void()>& formatted_ready = {});

// When the front end failed and no error stands at or before the statement
// it stopped at, one is added there with the program's own message.
void ReportFrontEndFailure(const FrontEndRun& run, Report& report);

struct BackEndLayout {
  // Padded, when pass 1 accepted the text.
  std::optional<assembler::BoundaryTable> table;
  std::string refusal;  // the back end's message when it did not
};

// The back end's pass 1 and padding over the front end's records; no image
// is built.
BackEndLayout RunBackEndLayout(std::string_view object_text);

// A refusal the check found no error for gets one, with the back end's
// message.
void ReportBackEndRefusal(const BackEndLayout& layout, const ProgramFacts& facts, Report& report);

}  // namespace kiv::tool
