// BuildLabelList: the first pass over the normalised source. It reads the
// text line by line, enters every label definition with the current
// instruction index, and advances the index by the room each line takes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "assembly/encoding_state.h"
#include "assembly/label_table.h"
#include "assembly/log.h"
#include "assembly/status.h"

namespace kiv::assembly {

// Where the encoding pass may be split: the label pass notes, at the first
// line start at or after `from` that lies outside any string, the state the
// encoding pass will have there if the two passes count alike there (on odd
// sources they can count apart, so the note is a guess to be checked).
struct SplitNote {
  size_t from = 0;
  std::optional<EncodingState> state;  // none when no such line follows
};

// Logs duplicate labels and .ascii lines without a quote, and goes on:
// the result is always kSuccess. Takes the note when one is asked for.
Status BuildLabelList(std::string_view formatted, LabelTable& table, Log& log,
                      SplitNote* split = nullptr);

// The same, taking each of several notes, asked for in ascending order of
// `from`: for a walk that chooses where to split once the pass has ended.
Status BuildLabelList(std::string_view formatted, LabelTable& table, Log& log,
                      std::span<SplitNote> notes);

// A label definition as the pass read it: where its name and its colon lie
// in the text, and the index it was entered with.
struct DefinedLabel {
  size_t name_offset;
  size_t colon_offset;
  uint32_t index;
};

// The same, also listing every definition in `defined`, in source order,
// duplicates included: for a checker that needs each label's value without
// looking its name up again. `defined` gets its room once, before the pass,
// so its entries stay where they are; with `listed`, the pass stores there,
// every few definitions and at its end, how many are final, for another
// thread that reads them while it goes on. `colons`, when the caller has
// counted them already (as it made the text, say), is the number of colons
// in `formatted`: the room is made from it, and they are not counted again.
Status BuildLabelList(std::string_view formatted, LabelTable& table, Log& log,
                      std::span<SplitNote> notes, std::vector<DefinedLabel>& defined,
                      std::atomic<size_t>* listed = nullptr,
                      std::optional<size_t> colons = std::nullopt);

}  // namespace kiv::assembly
