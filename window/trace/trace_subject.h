// What the trace window shows: a recording, named for the caption, and the channel to highlight.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_SUBJECT_H_
#define VELBRIX_WINDOW_TRACE_TRACE_SUBJECT_H_

#include <filesystem>
#include <string>

namespace velbrix {

struct TraceSubject {
  std::filesystem::path recording;  // the recording's full path
  std::filesystem::path name;       // its file name, for the caption
  std::string channel;              // the channel to highlight, by its exact name; "" for none

  bool operator==(const TraceSubject&) const = default;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_TRACE_SUBJECT_H_
