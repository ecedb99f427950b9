#include <cstdio>

#include "assembly/driver.h"

int main() { return kiv::assembly::RunAssembly(kiv::assembly::FrontEndFiles{}, stdout); }
