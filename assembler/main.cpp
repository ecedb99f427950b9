#include <iostream>

#include "assembler/driver.h"

int main() {
  constexpr kiv::assembler::FileNames kFiles{
      .log = "kivAssemblerLog.txt",
      .input = "kivAssembler.txt",
      .listing = "kivBundle.txt",
      .image = "kivBinary.txt",
  };
  return kiv::assembler::RunAssembler(kFiles, std::cout);
}
