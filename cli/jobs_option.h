// The number of jobs of a call (--jobs N): how many recordings are converted side by side.
#ifndef VELBRIX_CLI_JOBS_OPTION_H_
#define VELBRIX_CLI_JOBS_OPTION_H_

#include <cstddef>
#include <optional>
#include <string>

namespace velbrix::cli {

// The most jobs a call takes: more would only share the same cores and disks thinner.
inline constexpr std::size_t kMostJobs = 256;

// The default number of jobs: the machine's cores (hardware threads), 1 when the system does not
// tell, at most kMostJobs.
std::size_t DefaultJobs();

// Parses the value of --jobs: a whole number 1 .. kMostJobs in decimal digits. Returns the usage
// error's message when `text` is not one; `*jobs` is then unchanged.
std::optional<std::string> ParseJobs(const std::string& text, std::size_t* jobs);

}  // namespace velbrix::cli

#endif  // VELBRIX_CLI_JOBS_OPTION_H_
