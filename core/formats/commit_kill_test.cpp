// Runs killed at every file operation of their commit, and runs at the same time into one BIDS
// dataset: what the next run finds is all of the old state or all of the new.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/convert/conversion.h"
#include "core/formats/bids_export.h"
#include "core/formats/brainvision_export.h"
#include "core/formats/edf_export.h"
#include "core/formats/recording_export.h"
#include "core/os/os_file_hooks.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

namespace fs = std::filesystem;
using testing::MakeRecording;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

#ifndef _WIN32

// Every file below `root` with its content (folders as "/"), the lock's file left out.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = entry.path().lexically_relative(root).string();
    files[name] = entry.is_directory() ? "/" : ReadFile(entry.path());
  }
  return files;
}

// Runs `run` in a child that ends at its `k`th file operation; returns whether it ran to its end
// (k was past its last operation).
bool RunKilledAt(int k, const std::function<Status()>& run) {
  const pid_t child = ::fork();
  if (child == 0) {
    int count = 0;
    SetFileOperationHook([&] {
      if (++count == k) {
        std::_Exit(9);
      }
    });
    std::_Exit(run().ok() ? 0 : 1);
  }
  int status = 0;
  EXPECT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  return WEXITSTATUS(status) == 0;
}

// What is left of run-owned names below `root`: staging folders, lock files, empty folders.
std::vector<std::string> Leftovers(const fs::path& root) {
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(".velbrix", 0) == 0 || (entry.is_directory() && fs::is_empty(entry.path()))) {
      left.push_back(entry.path().string());
    }
  }
  return left;
}

class CommitKillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(in_ / "rec01_eeg", MakeRecording(300 * 32));
    WriteFile(in_ / "rec02_eeg", MakeRecording(200 * 32));
    ASSERT_TRUE(ParseHertz("256", "sample rate", &rate_).ok());
    ASSERT_TRUE(ChooseEdfRecordLayout(rate_, positions_.size(), &layout_).ok());
  }
  Status Bids(const fs::path& root, BidsEntities entities, ExportFormat format,
              const char* recording = "rec01_eeg") {
    const BidsExportInputs inputs{in_ / recording, root,       std::move(entities),
                                  format,          positions_, rate_,
                                  layout_,         {},         {},
                                  "1.0.0",         {},         {}};
    ExportReport report;
    return ExportBids(inputs, &report);
  }
  // For k = 1, 2, ...: a copy of `before` gets `run` killed at its kth file operation, then
  // `next`; the folder is then `before` or `after` as `next` leaves them, with nothing left over.
  void KillAtEveryOperation(const fs::path& before, const std::function<Status(fs::path)>& run,
                            const std::function<Status(fs::path)>& next) {
    TempDir work;
    const auto fresh = [&](const char* name) {
      const fs::path copy = work / name;
      fs::remove_all(copy);
      fs::copy(before, copy, fs::copy_options::recursive);
      return copy;
    };
    const fs::path old_state = fresh("old");
    ASSERT_TRUE(next(old_state).ok());
    const fs::path new_state = fresh("new");
    ASSERT_TRUE(run(new_state).ok());
    ASSERT_TRUE(next(new_state).ok());
    const auto expect_old = Snapshot(old_state);
    const auto expect_new = Snapshot(new_state);
    ASSERT_NE(expect_old, expect_new);
    int k = 1;
    for (;; ++k) {
      const fs::path killed = fresh("killed");
      const bool finished = RunKilledAt(k, [&] { return run(killed); });
      ASSERT_TRUE(next(killed).ok()) << "killed at operation " << k;
      const auto state = Snapshot(killed);
      EXPECT_TRUE(state == expect_old || state == expect_new) << "killed at operation " << k;
      EXPECT_EQ(Leftovers(killed), std::vector<std::string>()) << "killed at operation " << k;
      if (finished || ::testing::Test::HasFailure()) {
        break;
      }
    }
    EXPECT_GT(k, 5);
  }

  TempDir in_;
  TempDir out_;
  std::vector<int> positions_ = {1, 23};
  Hertz rate_;
  EdfRecordLayout layout_;
};

// Killed at each step: the recording switching from EDF to BrainVision, and a new subject whose
// session's folders the transaction creates; the next run writes another subject.
TEST_F(CommitKillTest, ABidsTransactionKilledAnywhereIsWholeOrNotAtAllAfterTheNextRun) {
  const fs::path before = out_ / "before";
  ASSERT_TRUE(Bids(before, {"01", "", "rest", ""}, ExportFormat::kBidsEdf).ok());
  const auto next = [&](const fs::path& root) {
    return Bids(root, {"09", "", "rest", ""}, ExportFormat::kBidsEdf, "rec02_eeg");
  };
  KillAtEveryOperation(
      before,
      [&](const fs::path& root) {
        return Bids(root, {"01", "", "rest", ""}, ExportFormat::kBidsBrainVision, "rec02_eeg");
      },
      next);
  KillAtEveryOperation(
      before,
      [&](const fs::path& root) {
        return Bids(root, {"02", "a", "rest", "1"}, ExportFormat::kBidsEdf);
      },
      next);
}

// The same for the text, EDF and BrainVision runs of one folder, each replacing its files.
TEST_F(CommitKillTest, TextEdfAndBrainVisionRunsKilledAnywhereAreWholeOrNotAtAll) {
  const fs::path before = out_ / "before";
  fs::create_directory(before);
  Converter converter;
  const auto text = [&](const fs::path& folder, const char* recording) {
    ConversionReport report;
    return converter.ConvertChannels(in_ / recording, folder, recording, positions_, ".", &report);
  };
  const auto edf = [&](const fs::path& folder, const char* recording) {
    ExportReport report;
    return ExportRecording(
        {ExportFormat::kEdf, in_ / recording, folder, recording, positions_, rate_, layout_, {}},
        &report);
  };
  const auto brainvision = [&](const fs::path& folder, const char* recording) {
    ExportReport report;
    return ExportRecording({ExportFormat::kBrainVision,
                            in_ / recording,
                            folder,
                            recording,
                            positions_,
                            rate_,
                            layout_,
                            {}},
                           &report);
  };
  using Run = std::function<Status(const fs::path&, const char*)>;
  for (const Run& run : std::vector<Run>{text, edf, brainvision}) {
    ASSERT_TRUE(run(before, "rec01_eeg").ok());
    WriteFile(in_ / "rec03_eeg", ReadFile(in_ / "rec02_eeg"));
    KillAtEveryOperation(
        before,
        [&](const fs::path& folder) {
          WriteFile(in_ / "rec01_eeg", MakeRecording(100 * 32));
          return run(folder, "rec01_eeg");
        },
        [&](const fs::path& folder) { return run(folder, "rec03_eeg"); });
    WriteFile(in_ / "rec01_eeg", MakeRecording(300 * 32));
  }
}

// 20 rounds, each into a new dataset: 4 processes add subjects 1 to 4 while 2 write one recording,
// one as EDF and one as BrainVision. Every run succeeds, every subject has its row once, and the
// recording has one data format.
TEST_F(CommitKillTest, RunsAtTheSameTimeIntoOneDatasetLoseNothing) {
  for (int round = 0; round < 20; ++round) {
    const fs::path root = out_ / ("study" + std::to_string(round));
    std::vector<pid_t> children;
    for (int process = 0; process < 6; ++process) {
      const pid_t child = ::fork();
      if (child == 0) {
        const Status s =
            process < 4
                ? Bids(root, {std::to_string(process + 1), "", "rest", ""}, ExportFormat::kBidsEdf)
                : Bids(root, {"x", "", "rest", ""},
                       process == 4 ? ExportFormat::kBidsEdf : ExportFormat::kBidsBrainVision);
        if (!s.ok()) {
          std::fprintf(stderr, "%s\n", s.message().c_str());
        }
        std::_Exit(s.ok() ? 0 : 1);
      }
      children.push_back(child);
    }
    for (const pid_t child : children) {
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
    }
    const std::string table = ReadFile(root / "participants.tsv");
    for (const char* subject : {"sub-1\t", "sub-2\t", "sub-3\t", "sub-4\t", "sub-x\t"}) {
      const std::size_t at = table.find(subject);
      EXPECT_TRUE(at != std::string::npos && table.find(subject, at + 1) == std::string::npos)
          << "round " << round << ": " << table;
    }
    const fs::path x = root / "sub-x/eeg/sub-x_task-rest_eeg";
    EXPECT_NE(fs::exists(fs::path(x) += ".edf"), fs::exists(fs::path(x) += ".vhdr"))
        << "round " << round;
    EXPECT_EQ(fs::exists(fs::path(x) += ".vhdr"), fs::exists(fs::path(x) += ".eeg"));
    EXPECT_EQ(Leftovers(root), std::vector<std::string>());
  }
}

// Rounds of two runs into a new dataset at the same time: one fails once its outputs are open (its
// recording holds no whole record), and removes the dataset's folders it created; the other, a
// good one, never fails for it, and its subject is the dataset's one row.
TEST_F(CommitKillTest, AFailedRunIntoANewDatasetNeverFailsAGoodOne) {
  WriteFile(in_ / "short_eeg", "less than a record");
  for (int round = 0; round < 50; ++round) {
    const fs::path root = out_ / ("lab" + std::to_string(round)) / "study";
    std::vector<pid_t> children;
    for (const bool good : {false, true}) {
      const pid_t child = ::fork();
      if (child == 0) {
        const Status s =
            good ? Bids(root, {"1", "", "rest", ""}, ExportFormat::kBidsEdf)
                 : Bids(root, {"2", "", "rest", ""}, ExportFormat::kBidsEdf, "short_eeg");
        if (good && !s.ok()) {
          std::fprintf(stderr, "%s\n", s.message().c_str());
        }
        std::_Exit(s.ok() == good ? 0 : 1);
      }
      children.push_back(child);
    }
    for (const pid_t child : children) {
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
    }
    EXPECT_EQ(ReadFile(root / "participants.tsv").find("sub-2"), std::string::npos);
    EXPECT_EQ(Leftovers(root), std::vector<std::string>());
  }
}

#endif

}  // namespace
}  // namespace velbrix
