#include <cstdio>

#include "assembler/driver.h"
#include "common/program_info.h"

int main(int argc, char** argv) {
  if (const auto status = kiv::AnswerProgramRequest(kiv::kAssemblerInfo, argc, argv, stdout)) {
    return *status;
  }
  return kiv::assembler::RunAssembler(kiv::assembler::FileNames{}, stdout, stderr);
}
