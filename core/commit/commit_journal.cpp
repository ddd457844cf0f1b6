// Writing and reading the journal of a commit.
#include "core/commit/commit_journal.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace velbrix {
namespace {

using Path = std::filesystem::path;
using Action = CommitEntry::Action;

// Whether `name` is a relative path of plain names: nothing that leads out of the root.
bool IsPlainRelative(const Path& name) {
  if (name.empty() || name.has_root_name() || name.has_root_directory()) {
    return false;
  }
  for (const Path& part : name) {
    if (part.empty() || part == "." || part == "..") {
      return false;
    }
  }
  return true;
}

void AppendName(std::string* text, char tag, const Path& name) {
  const Path::string_type& units = name.native();
  *text += tag;
  *text += std::to_string(units.size());
  *text += ':';
  text->append(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(units[0]));
}

std::string JournalHeader(const std::string& run_id) {
  std::string header(kJournalHeader);
  header += static_cast<char>('0' + sizeof(Path::value_type));
  header += ' ';
  header += run_id;
  header += '\n';
  return header;
}

// Reads journal text: a header naming `run_id`, folders, entries, a trailer.
class JournalReader {
 public:
  explicit JournalReader(std::string_view text) : text_(text) {}

  // The plan of a complete journal; otherwise nothing, and form() tells why.
  std::optional<CommitPlan> Plan(const std::string& run_id) {
    if (!Take(JournalHeader(run_id))) {
      return std::nullopt;
    }
    CommitPlan plan;
    while (!Take(kJournalTrailer)) {
      if (cut_short_ || text_.empty()) {
        return std::nullopt;
      }
      const char tag = text_[0];
      if (tag != 'F' && tag != 'C' && tag != 'R' && tag != 'D') {
        return std::nullopt;
      }
      text_.remove_prefix(1);
      Path name;
      if (!Name(&name)) {
        return std::nullopt;
      }
      if (tag == 'F') {
        plan.new_folders.push_back(std::move(name));
      } else {
        const Action action = tag == 'C'   ? Action::kCreate
                              : tag == 'R' ? Action::kReplace
                                           : Action::kRemove;
        plan.entries.push_back({std::move(name), action});
      }
    }
    if (!text_.empty()) {
      return std::nullopt;
    }
    complete_ = true;
    return plan;
  }
  // After Plan: what the text was.
  JournalForm form() const {
    return complete_    ? JournalForm::kComplete
           : cut_short_ ? JournalForm::kCutShort
                        : JournalForm::kOther;
  }

 private:
  // Takes `expected` from the text; where the text ends within it, the journal was cut short.
  bool Take(std::string_view expected) {
    const std::size_t n = std::min(expected.size(), text_.size());
    if (text_.substr(0, n) != expected.substr(0, n)) {
      return false;
    }
    if (n < expected.size()) {
      cut_short_ = true;
      return false;
    }
    text_.remove_prefix(n);
    return true;
  }
  bool Name(Path* path) {
    std::size_t units = 0;
    std::size_t i = 0;
    for (; i < text_.size() && i < 6 && text_[i] >= '0' && text_[i] <= '9'; ++i) {
      units = units * 10 + static_cast<std::size_t>(text_[i] - '0');
    }
    const std::size_t bytes = units * sizeof(Path::value_type);
    if (i == text_.size() || (text_[i] == ':' && text_.size() - i - 1 < bytes)) {
      cut_short_ = true;  // the text ends within the name
      return false;
    }
    if (i == 0 || text_[i] != ':') {
      return false;
    }
    Path::string_type name(units, Path::value_type());
    text_.copy(reinterpret_cast<char*>(name.data()), bytes, i + 1);
    text_.remove_prefix(i + 1 + bytes);
    // A NUL would end the name where the system reads it: another name than the one written.
    if (name.find(Path::value_type()) != Path::string_type::npos) {
      return false;
    }
    *path = Path(name);
    return IsPlainRelative(*path);
  }

  std::string_view text_;
  bool cut_short_ = false;
  bool complete_ = false;
};

}  // namespace

std::string JournalText(const std::string& run_id, const CommitPlan& plan) {
  std::string text = JournalHeader(run_id);
  for (const Path& folder : plan.new_folders) {
    AppendName(&text, 'F', folder);
  }
  for (const CommitEntry& entry : plan.entries) {
    const char tag = entry.action == Action::kCreate    ? 'C'
                     : entry.action == Action::kReplace ? 'R'
                                                        : 'D';
    AppendName(&text, tag, entry.name);
  }
  text += kJournalTrailer;
  return text;
}

JournalForm ParseJournal(std::string_view text, const std::string& run_id, CommitPlan* plan) {
  JournalReader reader(text);
  std::optional<CommitPlan> read = reader.Plan(run_id);
  if (read) {
    *plan = std::move(*read);
  }
  return reader.form();
}

}  // namespace velbrix
