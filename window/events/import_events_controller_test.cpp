#include "window/events/import_events_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/testing/test_support.h"

namespace velbrix {
namespace {

// Keeps what the dialog shows and answers with what a test entered.
class FakeImportView : public ImportEventsView {
 public:
  std::filesystem::path File() const override { return file; }
  ImportForm Form() const override { return form; }
  std::string OnsetColumn() const override { return onset; }
  std::string DurationColumn() const override { return duration; }
  std::string LabelColumn() const override { return label; }
  EventTimeUnit Unit() const override { return unit; }
  std::string RateText() const override { return rate; }

  void SetFile(const std::filesystem::path& f) override { file = f; }
  void SetRateText(const std::string& text) override { rate = text; }
  void SetColumnChoices(const std::vector<std::string>& names) override { choices = names; }
  void SetColumns(const std::string& o, const std::string& d, const std::string& l) override {
    onset = o;
    duration = d;
    label = l;
  }
  void SetLabTableEnabled(bool enabled) override { lab_enabled = enabled; }
  void SetMessage(const std::string& text) override { message = text; }

  std::filesystem::path file;
  ImportForm form = ImportForm::kToldByHeader;
  std::string onset, duration, label, rate;
  EventTimeUnit unit = EventTimeUnit::kSeconds;
  std::vector<std::string> choices;
  bool lab_enabled = true;
  std::string message;
};

class ImportEventsControllerTest : public ::testing::Test {
 protected:
  ImportEventsController Controller(const char* rate) {
    EventsDialogSubject subject{dir_ / "rec.eeg", 1000, std::nullopt, ","};
    if (rate) subject.rate = Hertz{rate, std::stod(rate)};
    return ImportEventsController(view_, subject);
  }
  std::filesystem::path Table(std::string_view text) {
    const std::filesystem::path file = dir_ / "events.tsv";
    testing::WriteFile(file, text);
    return file;
  }

  testing::TempDir dir_;
  FakeImportView view_;
};

TEST_F(ImportEventsControllerTest, BidsTableImportsAtTheWindowsRate) {
  ImportEventsController controller = Controller("100");
  controller.Open();
  EXPECT_EQ(view_.rate, "100");
  EXPECT_FALSE(view_.lab_enabled);
  controller.FileChosen(Table("onset\tduration\ttrial_type\n0.5\t0.1\tgo\n2\tn/a\tstop\n"));
  EXPECT_EQ(view_.message, "2 events to import.");
  ASSERT_TRUE(controller.Accept());
  EXPECT_EQ(*controller.result(),
            (std::vector<Event>{{50, 10, "go"}, {200, 0, "stop"}}));
}

TEST_F(ImportEventsControllerTest, ColumnsComeFromTheHeaderAndAreUsedForALabTable) {
  ImportEventsController controller = Controller(nullptr);
  controller.Open();
  controller.FileChosen(Table("time;what;note\n12;blink;x\n30;yawn;y\n"));
  EXPECT_EQ(view_.choices, (std::vector<std::string>{"time", "what", "note"}));
  EXPECT_EQ(view_.onset, "time");
  view_.form = ImportForm::kLabTable;
  view_.label = "what";
  view_.unit = EventTimeUnit::kRecords;
  controller.EntriesChanged();
  EXPECT_TRUE(view_.lab_enabled);
  ASSERT_TRUE(controller.Accept());
  EXPECT_EQ(*controller.result(), (std::vector<Event>{{12, 0, "blink"}, {30, 0, "yawn"}}));
}

TEST_F(ImportEventsControllerTest, BadLinesAreListedWithNumbersAndNothingIsImported) {
  ImportEventsController controller = Controller(nullptr);
  controller.Open();
  view_.form = ImportForm::kLabTable;
  view_.unit = EventTimeUnit::kRecords;
  controller.FileChosen(Table("onset\tlabel\n1\ta\nsoon\tb\n5000\tc\n"));
  view_.label = "label";
  EXPECT_FALSE(controller.Accept());
  EXPECT_NE(view_.message.find("line 3"), std::string::npos) << view_.message;
  EXPECT_NE(view_.message.find("line 4"), std::string::npos) << view_.message;
  EXPECT_FALSE(controller.result());
  EXPECT_EQ(view_.label, "label");  // what was entered stays
}

TEST_F(ImportEventsControllerTest, SecondsWithoutARateAreRefused) {
  ImportEventsController controller = Controller(nullptr);
  controller.Open();
  controller.FileChosen(Table("onset\tduration\n1.5\t0\n"));
  EXPECT_FALSE(controller.Accept());
  EXPECT_NE(view_.message.find("rate"), std::string::npos) << view_.message;
  view_.rate = "2,5";  // the user's separator
  ASSERT_TRUE(controller.Accept()) << view_.message;
  EXPECT_EQ(controller.result()->at(0).start, 4u);
}

TEST_F(ImportEventsControllerTest, AMissingFileIsShownAndNotImported) {
  ImportEventsController controller = Controller("100");
  controller.Open();
  controller.FileChosen(dir_ / "none.tsv");
  EXPECT_NE(view_.message.find("none.tsv"), std::string::npos) << view_.message;
  EXPECT_FALSE(controller.Accept());
  EXPECT_FALSE(controller.result());
}

}  // namespace
}  // namespace velbrix
