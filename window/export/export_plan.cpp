// The window's export: its entries checked.
#include "window/export/export_plan.h"

#include <utility>

#include "core/events/export_events.h"
#include "core/formats/output_names.h"

namespace velbrix {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  return first == std::string::npos ? std::string()
                                    : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The path of UTF-8 `text`, in the system's encoding of file names.
std::filesystem::path PathFromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

Status PlanBids(const ExportSettings& settings, std::string_view decimal_separator,
                ExportRequest* plan) {
  const std::string& root = settings[ExportField::kBidsRoot];
  if (root.empty()) {
    return Status::InvalidArgument(
        "Type the folder of the BIDS dataset, or choose it with Browse...");
  }
  plan->root = PathFromUtf8(root);
  if (!plan->root.is_absolute()) {
    return Status::InvalidArgument("The dataset folder " + Quoted(root) +
                                   " is not a full path: begin it with the drive or the root");
  }
  plan->entities = {settings[ExportField::kSubject], settings[ExportField::kSession],
                    settings[ExportField::kTask], settings[ExportField::kRun]};
  if (Status status = CheckBidsEntities(plan->entities); !status.ok()) {
    return status;
  }
  plan->line_frequency.reset();
  if (const std::string& text = settings[ExportField::kLineFrequency]; !text.empty()) {
    Hertz frequency;
    if (Status status = ParseBidsLineFrequency(text, &frequency, decimal_separator); !status.ok()) {
      return status;
    }
    plan->line_frequency = frequency;
  }
  plan->lab = {settings[ExportField::kReference], settings[ExportField::kGround],
               SplitBidsAuthors(settings[ExportField::kAuthors]), settings[ExportField::kLicense]};
  if (!settings[ExportField::kAuthors].empty() && plan->lab.authors.empty()) {
    return Status::InvalidArgument(
        "The authors name no author: give them as \"A. Smith; B. Jones\"");
  }
  return CheckBidsRoot(plan->root);
}

}  // namespace

ExportSettings TrimmedSettings(const ExportSettings& settings) {
  ExportSettings trimmed = settings;
  for (std::string& text : trimmed.texts) {
    text = Trimmed(text);
  }
  return trimmed;
}

Status PlanExport(const ExportSettings& entered, const std::filesystem::path& recording,
                  const std::filesystem::path& output_folder,
                  const std::filesystem::path& file_name, std::vector<int> positions,
                  std::string_view decimal_separator, ExportRequest* plan) {
  const ExportSettings settings = TrimmedSettings(entered);
  *plan = ExportRequest{};
  plan->format = settings.target;
  plan->recording = recording;
  plan->output_dir = output_folder;
  plan->file_name = file_name;
  plan->positions = std::move(positions);
  Status status = ParseHertz(settings[ExportField::kSampleRate], "sample rate", &plan->sample_rate,
                             decimal_separator);
  if (status.ok() && WritesEdf(plan->format)) {
    status = ChooseEdfRecordLayout(plan->sample_rate, plan->positions.size(), &plan->edf_layout);
  }
  if (status.ok() && !settings[ExportField::kStart].empty()) {
    plan->start.emplace();
    status = ParseEdfStart(settings[ExportField::kStart], &*plan->start);
  }
  if (!status.ok()) {
    return status;
  }
  if (IsBids(plan->format)) {
    if (status = PlanBids(settings, decimal_separator, plan); !status.ok()) {
      return status;
    }
    return CheckRecordingOutputs(recording, LongestBidsOutput(plan->root, plan->entities), false);
  }
  return CheckRecordingOutputs(recording, ExportDataOutput(output_folder, file_name, plan->format),
                               plan->format == ExportFormat::kBrainVision);
}

Status AddPlannedEvents(ExportRequest* plan, const StopRequest* stop) {
  return EventsForExport(plan->recording, plan->sample_rate, ExportEventsChoice(), &plan->events,
                         {}, stop);
}

}  // namespace velbrix
