// The Montage Editor's behaviour.
#include "window/montage/montage_editor_controller.h"

#include <algorithm>
#include <utility>

namespace velbrix {

MontageEditorController::MontageEditorController(MontageEditorView& view,
                                                 MontageEditorSubject subject)
    : view_(view), subject_(std::move(subject)), source_(subject_.start) {}

void MontageEditorController::Open() {
  view_.SetName(source_.name);
  chosen_ = source_.lines.empty() ? -1 : 0;
  ShowRows();
}

void MontageEditorController::ShowRows() {
  std::vector<MontageEditorRow> rows;
  std::vector<MontageProblem> problems;
  for (std::size_t i = 0; i < source_.lines.size(); ++i) {
    const MontageSource one{source_.name, {source_.lines[i]}};
    std::vector<MontageProblem> found;
    const std::vector<std::size_t> number = {i + 1};
    BuildMontage(one, &found, &number);
    rows.push_back({source_.lines[i], found.empty() ? "" : found.front().why});
    problems.insert(problems.end(), found.begin(), found.end());
  }
  view_.SetRows(rows, chosen_);
  const bool any = chosen_ >= 0;
  view_.SetRowFields(
      any ? source_.lines[static_cast<std::size_t>(chosen_)] : MontageLine{"", "", ""}, any);
  view_.SetMessage(MontageProblemsText(problems, "Row"));
}

void MontageEditorController::RowChosen(int row) {
  chosen_ = row >= 0 && row < static_cast<int>(source_.lines.size()) ? row : -1;
  ShowRows();
}

void MontageEditorController::RowEdited(const std::string& derivation, const std::string& label,
                                        const std::string& factor) {
  if (chosen_ < 0) {
    return;
  }
  MontageLine& line = source_.lines[static_cast<std::size_t>(chosen_)];
  line.derivation = derivation;
  line.label = label;
  line.factor = factor;
  ShowRows();
}

void MontageEditorController::AddRow() {
  if (source_.lines.size() >= kMostMontageRows) {
    view_.SetMessage("A montage holds at most " + std::to_string(kMostMontageRows) + " rows");
    return;
  }
  const auto at = static_cast<std::size_t>(chosen_ + 1);
  source_.lines.insert(source_.lines.begin() + static_cast<std::ptrdiff_t>(at),
                       MontageLine{"Cz-Pz", "", "1", true});
  chosen_ = static_cast<int>(at);
  ShowRows();
}

void MontageEditorController::RemoveRow() {
  if (chosen_ < 0) {
    return;
  }
  source_.lines.erase(source_.lines.begin() + chosen_);
  chosen_ = std::min(chosen_, static_cast<int>(source_.lines.size()) - 1);
  ShowRows();
}

void MontageEditorController::MoveRow(int by) {
  const int to = chosen_ + by;
  if (chosen_ < 0 || to < 0 || to >= static_cast<int>(source_.lines.size())) {
    return;
  }
  std::swap(source_.lines[static_cast<std::size_t>(chosen_)],
            source_.lines[static_cast<std::size_t>(to)]);
  chosen_ = to;
  ShowRows();
}

void MontageEditorController::ToggleShown() {
  if (chosen_ >= 0) {
    source_.lines[static_cast<std::size_t>(chosen_)].shown ^= true;
    ShowRows();
  }
}

bool MontageEditorController::Accept() {
  source_.name = view_.Name();
  while (!source_.name.empty() && source_.name.back() == ' ') {
    source_.name.pop_back();
  }
  while (!source_.name.empty() && source_.name.front() == ' ') {
    source_.name.erase(0, 1);
  }
  // The name must read back as the montage's name line does.
  std::vector<MontageProblem> problems;
  std::vector<std::size_t> numbers;
  const MontageSource named = ParseMontageText("name: " + source_.name, "", &problems, &numbers);
  if (source_.name.empty() || !problems.empty() || named.name != source_.name) {
    view_.SetMessage(source_.name.empty() ? "The montage needs a name"
                     : problems.empty()   ? "The name holds a control character"
                                          : "In the name: " + problems.front().why);
    return false;
  }
  if (std::find(subject_.built_in.begin(), subject_.built_in.end(), source_.name) !=
      subject_.built_in.end()) {
    view_.SetMessage("\"" + source_.name + "\" is a built-in montage: give yours another name");
    return false;
  }
  const Montage montage = BuildMontage(source_, &problems);
  if (!problems.empty()) {
    view_.SetMessage(MontageProblemsText(problems, "Row"));
    return false;
  }
  if (montage.rows.empty()) {
    view_.SetMessage("The montage shows no rows");
    return false;
  }
  const std::filesystem::path file = MontageFileOf(subject_.folder, source_.name);
  std::error_code ec;
  if (file != subject_.file && std::filesystem::exists(std::filesystem::symlink_status(file, ec))) {
    view_.SetMessage("A montage of this name exists already: give this one another name");
    return false;
  }
  if (const Status s = SaveMontageFile(source_, file, subject_.file); !s.ok()) {
    view_.SetMessage(s.message());
    return false;
  }
  saved_ = file;
  return true;
}

}  // namespace velbrix
