// Runs the front end's stages in memory on a source text.
#pragma once

#include <string>
#include <string_view>

#include "assembly/encoding_pass.h"
#include "assembly/label_pass.h"
#include "assembly/label_table.h"
#include "assembly/log.h"
#include "assembly/normaliser.h"

namespace kiv::assembly::testing {

struct FrontEndResult {
  Status status = Status::kSuccess;
  std::string object;  // kivAssembler.txt
  std::string log;     // error lines of both passes
  LabelTable labels;
};

inline FrontEndResult AssembleSource(std::string_view source) {
  FrontEndResult result;
  Log log;
  const std::string formatted = NormaliseSource(source);
  CreateLabelTable(result.labels);
  BuildLabelList(formatted, result.labels, log);
  result.status = EncodeProgram(formatted, result.labels, log, result.object);
  result.log = log.text();
  return result;
}

inline int32_t LabelValue(const LabelTable& labels, std::string_view name) {
  int32_t value = -12345;
  labels.FindLabel(name, value);
  return value;
}

}  // namespace kiv::assembly::testing
