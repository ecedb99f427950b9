// Ending a program whose work is done without taking apart what it made.
// A large run ends holding tens of thousands of messages and lists of
// every line and label; freed one by one, then unmapped, they cost a
// millisecond and more that the system spends anyway, at once, when it
// takes the whole address space back.
#pragma once

namespace kiv {

// Called by a program's main: from then on EndProcessIfAllowed ends the
// process. Code run inside another program, such as a test, never calls it,
// so there it returns and everything is freed as usual.
void AllowEndingProcessEarly();

// With standard output and error flushed, ends the process with `status`
// at once when AllowEndingProcessEarly was called; returns otherwise.
void EndProcessIfAllowed(int status);

}  // namespace kiv
