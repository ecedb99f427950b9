#include <cstdio>

#include "assembly/driver.h"
#include "common/program_info.h"

int main(int argc, char** argv) {
  if (const auto status = kiv::AnswerProgramRequest(kiv::kAssemblyInfo, argc, argv, stdout)) {
    return *status;
  }
  return kiv::assembly::RunAssembly(kiv::assembly::FrontEndFiles{}, stdout);
}
