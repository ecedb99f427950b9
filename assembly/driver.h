// The front end as a program: the stages run through the in-memory entry
// point, with the source, the formatted text, the records and the log kept
// in the files of the working directory.
#pragma once

#include <cstdio>

namespace kiv::assembly {

struct FrontEndFiles {
  const char* source = "kivAssembly.txt";
  const char* formatted = "kivAssemblyFormatted.txt";
  const char* object = "kivAssembler.txt";
  const char* log = "kivAssemblyLog.txt";
};

// Exit status: 0 success, 255 (-1) a stage failed, 10 the log cannot be created.
int RunAssembly(const FrontEndFiles& files, std::FILE* console);

}  // namespace kiv::assembly
