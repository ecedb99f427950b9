// The process exit statuses both programs share: a script that runs the two
// in turn tells their outcomes apart the same way.
#pragma once

namespace kiv {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitNoLog = 10;         // the log file cannot be created
inline constexpr int kExitStageFailed = 255;  // -1 as a process exit status: a stage failed

}  // namespace kiv
