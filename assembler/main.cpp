#include <iostream>

#include "assembler/driver.h"

int main() { return kiv::assembler::RunAssembler(kiv::assembler::FileNames{}, std::cout); }
