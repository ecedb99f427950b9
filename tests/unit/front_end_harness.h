// Runs the front end in memory on a source text.
#pragma once

#include <string>
#include <string_view>

#include "assembly/assemble.h"
#include "assembly/label_table.h"
#include "assembly/log.h"

namespace kiv::assembly::testing {

struct FrontEndResult {
  Status status = Status::kSuccess;
  std::string object;  // kivAssembler.txt
  std::string log;     // error lines of both passes, without the success line
  LabelTable labels;
};

inline FrontEndResult AssembleSource(std::string_view source) {
  AssemblyResult run = Assemble(source);
  FrontEndResult result;
  result.status = run.status;
  result.object = std::move(run.object_text);
  result.log = std::move(run.log);
  Log success;
  success.Info(kSuccessMessage);
  if (result.log.ends_with(success.text()))
    result.log.resize(result.log.size() - success.text().size());
  result.labels = std::move(run.labels);
  return result;
}

inline int32_t LabelValue(const LabelTable& labels, std::string_view name) {
  int32_t value = -12345;
  labels.FindLabel(name, value);
  return value;
}

}  // namespace kiv::assembly::testing
