// The subcommands of kiv. Each takes the arguments after its name and
// returns the process exit status: 0 success, 1 an error in the input,
// 2 bad usage.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace kiv::tool {

using Arguments = std::span<const std::string_view>;

inline constexpr int kExitOk = 0;
inline constexpr int kExitInputError = 1;
inline constexpr int kExitUsage = 2;

int RunKiv(Arguments args, std::ostream& out, std::ostream& err);

int RunCheckCommand(Arguments args, std::ostream& out, std::ostream& err);
int RunListCommand(Arguments args, std::ostream& out, std::ostream& err);
int RunDisCommand(Arguments args, std::ostream& out, std::ostream& err);
int RunBuildCommand(Arguments args, std::ostream& out, std::ostream& err);

}  // namespace kiv::tool
