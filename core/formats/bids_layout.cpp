// BIDS names and channel types.
#include "core/formats/bids_layout.h"

#include <cassert>
#include <system_error>

#include "core/base/channel_table.h"

namespace velbrix {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

Status CheckBidsLabel(std::string_view what, std::string_view label) {
  if (label.empty()) {
    return Status::InvalidArgument("The " + std::string(what) + " label is empty");
  }
  for (const char c : label) {
    if (!IsLetter(c) && !IsDigit(c)) {
      return Status::InvalidArgument("The " + std::string(what) + " label " + Quoted(label) +
                                     " may hold only letters A-Z, a-z and digits 0-9, as BIDS "
                                     "wants its labels");
    }
  }
  return Status::Ok();
}

Status CheckBidsIndex(std::string_view what, std::string_view index) {
  for (const char c : index) {
    if (!IsDigit(c)) {
      return Status::InvalidArgument("The " + std::string(what) + " " + Quoted(index) +
                                     " may hold only digits 0-9, as BIDS wants its indexes");
    }
  }
  if (index.empty()) {
    return Status::InvalidArgument("The " + std::string(what) + " is empty");
  }
  return Status::Ok();
}

Status CheckBidsEntities(const BidsEntities& entities) {
  if (Status s = CheckBidsLabel("subject", entities.subject); !s.ok()) {
    return s;
  }
  if (Status s = CheckBidsLabel("task", entities.task); !s.ok()) {
    return s;
  }
  if (!entities.session.empty()) {
    if (Status s = CheckBidsLabel("session", entities.session); !s.ok()) {
      return s;
    }
  }
  return entities.run.empty() ? Status::Ok() : CheckBidsIndex("run", entities.run);
}

Status ParseBidsLineFrequency(std::string_view text, Hertz* hertz,
                              std::string_view user_separator) {
  Hertz parsed;
  Status status = ParseHertz(text, "power line frequency", &parsed, user_separator);
  if (status.ok() && parsed.value != 50 && parsed.value != 60) {
    status = Status::InvalidArgument("The power line frequency " + Quoted(text) +
                                     " is neither 50 nor 60 Hz");
  }
  if (status.ok()) {
    *hertz = parsed;
  }
  return status;
}

Status CheckBidsRoot(const std::filesystem::path& root) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(root, ec);
  if (status.type() == std::filesystem::file_type::not_found) {
    return Status::Ok();
  }
  if (!ec && !std::filesystem::is_directory(status)) {
    ec = std::make_error_code(std::errc::not_a_directory);
  }
  if (ec) {
    return Status::InvalidArgument("Cannot use the BIDS dataset folder " + PathForDisplay(root) +
                                   ": " + ec.message());
  }
  return Status::Ok();
}

std::string BidsPrefix(const BidsEntities& entities) {
  std::string prefix = "sub-" + entities.subject;
  if (!entities.session.empty()) {
    prefix += "_ses-" + entities.session;
  }
  prefix += "_task-" + entities.task;
  if (!entities.run.empty()) {
    prefix += "_run-" + entities.run;
  }
  return prefix;
}

std::filesystem::path BidsRecordingFolder(const std::filesystem::path& root,
                                          const BidsEntities& entities) {
  return BidsScansPath(root, entities).parent_path() / kBidsModality;
}

std::filesystem::path BidsScansPath(const std::filesystem::path& root,
                                    const BidsEntities& entities) {
  std::filesystem::path folder = root / ("sub-" + entities.subject);
  std::string name = "sub-" + entities.subject;
  if (!entities.session.empty()) {
    folder /= "ses-" + entities.session;
    name += "_ses-" + entities.session;
  }
  return folder / (name + "_scans.tsv");
}

std::string_view BidsTypeName(ChannelKind kind) {
  switch (kind) {
    case ChannelKind::kEeg:
      return "EEG";
    case ChannelKind::kEcg:
      return "ECG";
    case ChannelKind::kMisc:
      return "MISC";
  }
  assert(false && "every kind has a name");
  return "MISC";
}

}  // namespace velbrix
