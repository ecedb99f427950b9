#include <cstdio>
#include <iostream>

#include "assembler/driver.h"
#include "common/program_info.h"

int main(int argc, char** argv) {
  if (const auto status = kiv::AnswerProgramRequest(kiv::kAssemblerInfo, argc, argv, stdout)) {
    return *status;
  }
  constexpr kiv::assembler::FileNames kFiles{
      .log = "kivAssemblerLog.txt",
      .input = "kivAssembler.txt",
      .listing = "kivBundle.txt",
      .image = "kivBinary.txt",
  };
  return kiv::assembler::RunAssembler(kFiles, std::cout);
}
