#include <iostream>
#include <string_view>
#include <vector>

#include "common/process_end.h"
#include "kiv/commands.h"

int main(int argc, char** argv) {
  kiv::AllowEndingProcessEarly();
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  return kiv::tool::RunKiv(args, std::cout, std::cerr);
}
