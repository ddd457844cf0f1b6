// Reading --jobs, and the machine's cores.
#include "cli/jobs_option.h"

#include <algorithm>
#include <charconv>
#include <thread>

namespace velbrix::cli {

std::size_t DefaultJobs() {
  const std::size_t cores = std::thread::hardware_concurrency();  // 0: not known
  return std::clamp<std::size_t>(cores, 1, kMostJobs);
}

std::optional<std::string> ParseJobs(const std::string& text, std::size_t* jobs) {
  const char* first = text.data();
  const char* last = first + text.size();
  std::size_t value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  const bool digits_only = !text.empty() && text.find_first_not_of("0123456789") == text.npos;
  if (!digits_only || ec != std::errc() || end != last) {
    if (digits_only) {  // too many digits for any number
      return "--jobs " + text + ": at most " + std::to_string(kMostJobs) + " jobs";
    }
    return "--jobs \"" + text + "\" is not a number of jobs: a whole number, as in --jobs 4";
  }
  if (value == 0) {
    return "--jobs 0: at least 1 job is needed";
  }
  if (value > kMostJobs) {
    return "--jobs " + text + ": at most " + std::to_string(kMostJobs) + " jobs";
  }
  *jobs = value;
  return std::nullopt;
}

}  // namespace velbrix::cli
