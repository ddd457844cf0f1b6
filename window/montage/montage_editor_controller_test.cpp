#include "window/montage/montage_editor_controller.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <string>
#include <vector>

#include "core/testing/test_support.h"

namespace velbrix {
namespace {

class FakeMontageEditorView : public MontageEditorView {
 public:
  std::string Name() const override { return name; }
  void SetName(const std::string& text) override { name = text; }
  void SetRows(const std::vector<MontageEditorRow>& shown, int row) override {
    rows = shown;
    chosen = row;
  }
  void SetRowFields(const MontageLine& line, bool on) override {
    fields = line;
    enabled = on;
  }
  void SetMessage(const std::string& text) override { message = text; }

  std::string name;
  std::vector<MontageEditorRow> rows;
  int chosen = -2;
  MontageLine fields;
  bool enabled = false;
  std::string message;
};

class MontageEditorTest : public ::testing::Test {
 protected:
  MontageEditorSubject Subject(MontageKind kind) {
    const Montage& montage = BuiltInMontage(kind);
    return {folder_, MontageSourceOf(montage), {}, {"As recorded", "Bipolar longitudinal"}};
  }
  std::vector<std::string> Labels(const MontageLibrary& library, std::size_t index) {
    std::vector<std::string> labels;
    for (const MontageRow& row : library.at(index).montage->rows) {
      labels.push_back(row.label);
    }
    return labels;
  }

  testing::TempDir dir_;
  std::filesystem::path folder_ = dir_ / "config" / "Velbrix" / "montages";
  FakeMontageEditorView view_;
};

// A reader starts from the bipolar montage, edits, reorders and hides rows, and saves it as her
// own: the trace window's list then offers it after the built-in ones, with those rows.
TEST_F(MontageEditorTest, ABuiltInMontageBecomesOnesOwnFile) {
  MontageEditorController editor(view_, Subject(MontageKind::kBipolarLongitudinal));
  editor.Open();
  ASSERT_EQ(view_.rows.size(), 28u);
  EXPECT_EQ(view_.chosen, 0);
  EXPECT_EQ(view_.fields.derivation, "FP1-F7");
  EXPECT_TRUE(view_.message.empty());

  editor.RowEdited("FP1-(A1+A2)/2", "FP1-ears", "2");
  editor.RowChosen(1);
  editor.ToggleShown();  // F7-T3 hidden
  editor.RowChosen(17);  // Cz-Pz
  editor.MoveRow(-1);
  EXPECT_EQ(view_.chosen, 16);
  editor.AddRow();
  EXPECT_EQ(view_.chosen, 17);
  editor.RowEdited("C4 - avg", "", "1");
  editor.RowChosen(28);
  editor.RemoveRow();  // PG2
  EXPECT_EQ(view_.rows.size(), 28u);

  view_.name = "As recorded";
  EXPECT_FALSE(editor.Accept());
  EXPECT_EQ(view_.message, "\"As recorded\" is a built-in montage: give yours another name");
  view_.name = " Banana / mine ";
  ASSERT_TRUE(editor.Accept()) << view_.message;
  EXPECT_EQ(*editor.saved(), folder_ / "Banana _ mine.montage");

  MontageLibrary library;
  library.Load(folder_);
  ASSERT_EQ(library.size(), 5u);
  const std::size_t mine = library.Find("Banana / mine");
  ASSERT_EQ(mine, 4u);
  EXPECT_TRUE(library.at(mine).problems.empty());
  const std::vector<std::string> labels = Labels(library, mine);
  ASSERT_EQ(labels.size(), 27u);  // 28 rows, F7-T3 hidden
  EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + 3),
            (std::vector<std::string>{"FP1-ears", "T3-T5", "T5-O1"}));
  EXPECT_EQ(labels[15], "Cz-Pz");
  EXPECT_EQ(labels[16], "C4-avg");
  EXPECT_EQ(labels[17], "Fz-Cz");
  EXPECT_EQ(labels.back(), "PG1");
  EXPECT_EQ(library.at(mine).montage->rows[0].factor, 2);

  // Opened again on her montage and renamed: the file follows the name.
  MontageEditorSubject again = Subject(MontageKind::kAsRecorded);
  again.start = library.at(mine).source;
  again.file = library.at(mine).file;
  MontageEditorController rename(view_, again);
  rename.Open();
  EXPECT_EQ(view_.rows[1].line.shown, false);
  view_.name = "Banana";
  ASSERT_TRUE(rename.Accept()) << view_.message;
  EXPECT_EQ(testing::ListFolder(folder_), std::set<std::string>{"Banana.montage"});
}

TEST_F(MontageEditorTest, BadRowsAreShownWithTheirNumberAndNothingIsSaved) {
  MontageEditorController editor(view_, Subject(MontageKind::kAsRecorded));
  editor.Open();
  editor.RowChosen(2);
  editor.RowEdited("T4-Fx9", "", "1");
  editor.RowChosen(4);
  editor.RowEdited("F4+C4", "", "0");
  EXPECT_EQ(view_.rows[2].problem, "\"Fx9\" is not a channel");
  EXPECT_EQ(view_.message,
            "Row 3: \"Fx9\" is not a channel\n"
            "Row 5: the added channels weigh more than one channel: write a mean, as (F3+F4)/2");
  view_.name = "Mine";
  EXPECT_FALSE(editor.Accept());
  EXPECT_NE(view_.message.find("Row 3"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(folder_));
  EXPECT_FALSE(editor.saved());

  // A folder that cannot be made: the save says why, and the dialog stays.
  editor.RowChosen(2);
  editor.RowEdited("T4", "", "1");
  editor.RowChosen(4);
  editor.RowEdited("F4", "", "0.5");
  testing::WriteFile(dir_ / "config", "a file where a folder must go");
  EXPECT_FALSE(editor.Accept());
  EXPECT_NE(view_.message.find("config"), std::string::npos) << view_.message;
}

// The folder as another user or a careless copy may leave it: a file with bad lines gives its
// good rows and says what is wrong with the others; a pipe or an oversized file is listed with
// why and never read to its end.
TEST_F(MontageEditorTest, TheLibraryReadsWhatItCanAndSaysWhatItCannot) {
  std::filesystem::create_directories(folder_);
  testing::WriteFile(folder_ / "a.montage", "name: Temporal\nFP1-F7\nF7-Tx3\nT3-T5; factor x\n");
  testing::WriteFile(folder_ / "b.montage", std::string(kMostMontageFileBytes + 1, '#'));
#ifdef _WIN32
  std::filesystem::create_directory(folder_ / "c.montage");
#else
  ASSERT_EQ(::mkfifo((folder_ / "c.montage").c_str(), 0600), 0);
#endif
  testing::WriteFile(folder_ / "notes.txt", "not a montage");
  testing::WriteFile(folder_ / "d.montage", "name: Temporal\nCz\n");
  testing::WriteFile(folder_ / (std::string(40, 'e') + ".montage"), "Cz\n");
  MontageLibrary library;
  library.Load(folder_);
  ASSERT_EQ(library.size(), 9u);
  EXPECT_EQ(library.at(4).montage->name, "Temporal");
  EXPECT_EQ(Labels(library, 4), std::vector<std::string>{"FP1-F7"});
  EXPECT_NE(library.at(4).problems.find("line 3: \"Tx3\" is not a channel\nline 4: the factor"),
            std::string::npos)
      << library.at(4).problems;
  EXPECT_EQ(library.at(5).montage->name, "b");
  EXPECT_NE(library.at(5).problems.find("larger than the 64 KiB"), std::string::npos);
  EXPECT_EQ(library.at(6).montage->name, "c");
  EXPECT_FALSE(library.at(6).problems.empty());
  EXPECT_TRUE(library.at(6).montage->rows.empty());
  EXPECT_EQ(library.at(7).montage->name, "Temporal (2)");
  EXPECT_EQ(library.at(8).montage->name, std::string(29, 'e') + "\u2026");
}

}  // namespace
}  // namespace velbrix
