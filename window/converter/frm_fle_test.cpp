#include "window/converter/frm_fle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "core/base/channel_table.h"
#include "core/base/record.h"
#include "core/convert/value_line.h"
#include "core/formats/bids_export.h"
#include "core/formats/recording_export.h"
#include "core/os/os_file.h"
#include "core/os/os_file_hooks.h"
#include "core/testing/test_support.h"
#include "velbrix_version.h"
#include "window/testing/fake_desktop.h"
#include "window/testing/fake_frm_fle_view.h"
#include "window/testing/fake_window_thread.h"

namespace velbrix {
namespace {

using testing::FakeDesktop;
using testing::FakeFrmFleView;
using testing::FakeWindowThread;
using testing::ListFolder;
using testing::MakeRecording;
using testing::ReadFile;
using testing::TempDir;
using testing::Utf8Path;
using testing::WriteFile;

class FrmFleTest : public ::testing::Test {
 protected:
  FrmFleTest() : FrmFleTest(false) {}
  // A portable copy, or with `installed` a copy that was installed.
  explicit FrmFleTest(bool installed) {
    window_thread_.Hold();  // a run's work waits at its first post until RunWork
    desktop_.program_folder = program_dir_.path();
    desktop_.installed_copy = installed;
    desktop_.documents_folder = documents_dir_.path();
    form_.Form_Load();
    view_.log.clear();
  }

  // Opens `path` through File > Open.
  void Open(const std::filesystem::path& path) {
    desktop_.dialog_answers.push_back(path);
    form_.mnuopen_Click();
  }
  // Writes a recording of `size` bytes under `name` in the data folder and opens it.
  std::string OpenRecording(std::string_view name, std::size_t size) {
    std::string recording = MakeRecording(size);
    WriteFile(data_dir_ / name, recording);
    Open(data_dir_ / name);
    return recording;
  }
  // OK, and the run's work and its end.
  void Ok() {
    form_.CmdOk_Click();
    FinishWork();
  }
  void ClickList(int index) {
    view_.lst_ch_selected = index;
    form_.LstCh_Click();
  }
  void ClickOption(std::int16_t index) {
    view_.optch_selected = index;
    form_.optch_Click(index);
  }
  void ExpectIdle() {
    EXPECT_FALSE(view_.fra_ch_visible);
    EXPECT_EQ(view_.lbl_file, "File Opened - None");
    EXPECT_EQ(view_.label1, "ASCCII-DECIMAL FILECONVERTER");
    EXPECT_TRUE(view_.mnufile_enabled);
    EXPECT_EQ(form_.state().ChName, "");
  }

  TempDir program_dir_;
  TempDir documents_dir_;
  TempDir data_dir_;
  // A run's work to its end, its end not delivered yet; then the posted tasks delivered.
  void RunWork() {
    window_thread_.Release();
    runner_.Join();
    window_thread_.Hold();
  }
  void DeliverPosted() { window_thread_.Deliver(); }
  void FinishWork() {
    RunWork();
    DeliverPosted();
  }
  ~FrmFleTest() override { window_thread_.Release(); }  // lets a run that was left end

  FakeFrmFleView view_;
  FakeDesktop desktop_{view_};
  FakeWindowThread window_thread_;
  BackgroundRunner runner_{window_thread_.Poster()};
  FrmFle form_{view_, desktop_, runner_};
};

// Start-up

TEST_F(FrmFleTest, LoadFillsTheListInListOrderAndComesToTheTop) {
  EXPECT_EQ(view_.brought_to_top, 1);
  ASSERT_EQ(view_.lst_ch.size(), 32u);
  EXPECT_EQ(view_.lst_ch[0], "FP2");
  EXPECT_EQ(view_.lst_ch[12], "Oz");
  EXPECT_EQ(view_.lst_ch[22], "EKG");
  EXPECT_EQ(view_.lst_ch[31], "PG2");
  EXPECT_EQ(view_.lst_ch_selected, -1);
  EXPECT_FALSE(view_.fra_ch_visible);
  EXPECT_EQ(form_.state().ChName, "");
}

TEST_F(FrmFleTest, TheFileMenusFurtherItemsFollowTheState) {
  using Items = std::map<MenuItem, bool>;
  const auto items = [](bool edf, bool traces) {
    return Items{{MenuItem::kExport, edf},
                 {MenuItem::kViewTraces, traces},
                 {MenuItem::kOpenOutputFolder, true}};
  };
  EXPECT_EQ(view_.menu_items, items(false, false));  // Idle, nothing opened yet
  OpenRecording("rec01_eeg", 64);
  EXPECT_EQ(view_.menu_items, items(true, true));  // Opened
  form_.CmdCancel_Click();
  EXPECT_EQ(view_.menu_items, items(false, true));  // Idle, a recording was opened
  Open(data_dir_ / "rec01_eeg");
  form_.CmdOk_Click();
  EXPECT_EQ(view_.menu_items, items(true, true));  // converting: the whole menu is shut
  FinishWork();
  EXPECT_EQ(view_.menu_items, items(false, true));  // Idle after a conversion
}

TEST_F(FrmFleTest, ViewTracesOpensTheTraceWindowWhichFollowsRecordingChannelAndEachOpen) {
  form_.mnutraces_Click();  // nothing opened yet: nothing to show
  EXPECT_TRUE(view_.trace_windows_shown.empty());
  OpenRecording("rec01_eeg", 64);
  ClickOption(1);
  ClickOption(0);
  EXPECT_TRUE(view_.trace_updates.empty());  // not open: nothing to follow
  form_.mnutraces_Click();
  const std::filesystem::path rec01 = data_dir_ / "rec01_eeg";
  ASSERT_EQ(view_.trace_windows_shown, (std::vector<TraceSubject>{{rec01, "rec01_eeg", "FP2"}}));

  view_.trace_updates.clear();
  view_.trace_rereads.clear();
  ClickList(22);   // EKG
  ClickOption(1);  // All: no single channel
  ClickOption(0);
  form_.CmdCancel_Click();  // no channel chosen any more; the recording stays
  OpenRecording("rec02_eeg", 64);
  const std::filesystem::path rec02 = data_dir_ / "rec02_eeg";
  const std::vector<TraceSubject> updates{{rec01, "rec01_eeg", "EKG"},
                                          {rec01, "rec01_eeg", ""},
                                          {rec01, "rec01_eeg", "EKG"},
                                          {rec01, "rec01_eeg", ""}};
  ASSERT_GE(view_.trace_updates.size(), 5u);
  EXPECT_EQ(std::vector<TraceSubject>(view_.trace_updates.begin(), view_.trace_updates.begin() + 4),
            updates);
  EXPECT_EQ(view_.trace_updates.back(), (TraceSubject{rec02, "rec02_eeg", "FP2"}));
  EXPECT_EQ(view_.trace_windows_shown.size(), 1u);

  // Each open reads the recording afresh, also the one shown, which may have grown since; choosing
  // a channel does not.
  Open(rec02);
  ASSERT_EQ(view_.trace_rereads.size(), 2u);
  EXPECT_EQ(view_.trace_rereads[0].recording, rec02);
  EXPECT_EQ(view_.trace_rereads[1].recording, rec02);
  EXPECT_EQ(view_.trace_updates.back(), (TraceSubject{rec02, "rec02_eeg", "FP2"}));
}

TEST(FrmFleLoadTest, OutputFolderEndsInExactlyOneSeparator) {
  struct Case {
    const char* folder;
    const char* app_dir;
  };
#ifdef _WIN32
  const Case cases[] = {
      {"C:\\", "C:\\"}, {"C:\\tools", "C:\\tools\\"}, {"C:\\a", "C:\\a\\"}, {"D:\\x/", "D:\\x/"}};
#else
  const Case cases[] = {{"/", "/"},
                        {"/a", "/a/"},
                        {"/opt/velbrix", "/opt/velbrix/"},
                        {"/opt/velbrix/", "/opt/velbrix/"}};
#endif
  for (const Case& c : cases) {
    FakeFrmFleView view;
    FakeDesktop desktop(view);
    FakeWindowThread window_thread;
    BackgroundRunner runner(window_thread.Poster());
    desktop.program_folder = c.folder;
    FrmFle form(view, desktop, runner);
    form.Form_Load();
    EXPECT_EQ(form.state().AppDir, std::filesystem::path(c.app_dir)) << c.folder;
  }
}

TEST(FrmFleLoadTest, OnlyAnInstalledCopyWithADocumentsFolderWritesThere) {
  struct Case {
    bool installed;
    const char* documents;
    const char* app_dir;
  };
#ifdef _WIN32
  const Case cases[] = {{false, "C:\\Users\\u\\Documents", "C:\\Program Files\\Velbrix\\"},
                        {true, "C:\\Users\\u\\Documents", "C:\\Users\\u\\Documents\\Velbrix\\"},
                        {true, "", "C:\\Program Files\\Velbrix\\"}};
  const char* program = "C:\\Program Files\\Velbrix";
#else
  const Case cases[] = {{false, "/home/u/Documents", "/usr/bin/"},
                        {true, "/home/u/Documents", "/home/u/Documents/Velbrix/"},
                        {true, "/home/u/Documents/", "/home/u/Documents/Velbrix/"},
                        {true, "", "/usr/bin/"}};
  const char* program = "/usr/bin";
#endif
  for (const Case& c : cases) {
    FakeFrmFleView view;
    FakeDesktop desktop(view);
    FakeWindowThread window_thread;
    BackgroundRunner runner(window_thread.Poster());
    desktop.program_folder = program;
    desktop.installed_copy = c.installed;
    desktop.documents_folder = c.documents;
    FrmFle form(view, desktop, runner);
    form.Form_Load();
    EXPECT_EQ(form.state().AppDir, std::filesystem::path(c.app_dir)) << c.documents;
  }
}

TEST(FrmFleNameTest, FileNameIsThePartAfterTheLastSeparator) {
#ifdef _WIN32
  EXPECT_EQ(FileNamePart("C:\\data\\rec01_eeg"), "rec01_eeg");
  EXPECT_EQ(FileNamePart("C:/data/rec01_eeg"), "rec01_eeg");
#else
  EXPECT_EQ(FileNamePart("/data/rec01_eeg"), "rec01_eeg");
  EXPECT_EQ(FileNamePart("/data\\x/a\\b_eeg"), "a\\b_eeg");  // a backslash is a letter here
#endif
  EXPECT_EQ(FileNamePart("rec01_eeg"), "rec01_eeg");
  const std::string deep = "d/" + std::string(40000, 'x') + "/long_eeg";
  EXPECT_EQ(FileNamePart(deep), "long_eeg");
}

// File > Open

TEST_F(FrmFleTest, OpenAcceptsANameEndingInUnderscoreEeg) {
  OpenRecording("rec01_eeg", 64);
  EXPECT_EQ(desktop_.filters,
            (std::vector<std::vector<FileFilter>>{{FileFilter{"All Files", "*.*"}}}));
  EXPECT_EQ(form_.state().FlePath, data_dir_ / "rec01_eeg");
  EXPECT_EQ(form_.state().FleName, "rec01_eeg");
  EXPECT_EQ(view_.lbl_file, "File Opened - rec01_eeg");
  EXPECT_TRUE(view_.fra_ch_visible);
  EXPECT_EQ(view_.optch_selected, 0);
  EXPECT_FALSE(form_.state().AllCh);
  EXPECT_TRUE(view_.lst_ch_enabled);
  EXPECT_EQ(view_.lst_ch_selected, 0);
  EXPECT_EQ(form_.state().ChName, "FP2");
  EXPECT_EQ(form_.state().ChPos, "1");
  EXPECT_TRUE(desktop_.messages.empty());
  const std::vector<std::string> order = {
      "ShowCdbOpen()",     "SetLblFileCaption(File Opened - rec01_eeg)",
      "ShowFraCh(true)",   "SelectOptch(0)",
      "EnableLstCh(true)", "SelectLstCh(0)"};
  EXPECT_EQ(view_.log, order);
}

TEST_F(FrmFleTest, OpenRefusesOtherNamesAndChangesNothing) {
  OpenRecording("rec01_eeg", 64);
  ClickOption(1);
  const FrmFleState before = form_.state();
  for (const char* name :
       {"rec01.eeg", "REC01_EEG", "rec01_Eeg", "eeg", "_ee", "rec01_eeg.txt", "rec01_eeg "}) {
    view_.log.clear();
    Open(data_dir_ / name);
    ASSERT_FALSE(desktop_.messages.empty());
    EXPECT_EQ(desktop_.messages.back().text, "Not a Valid EEG file") << name;
    EXPECT_EQ(desktop_.messages.back().icon, MessageIcon::kInformation);
    EXPECT_EQ(view_.log,
              (std::vector<std::string>{"ShowCdbOpen()", "ShowMessage(Not a Valid EEG file)"}));
  }
  EXPECT_EQ(form_.state().FlePath, before.FlePath);
  EXPECT_EQ(form_.state().ChName, "FP2");
  EXPECT_TRUE(form_.state().AllCh);
  EXPECT_EQ(view_.lbl_file, "File Opened - rec01_eeg");
}

TEST_F(FrmFleTest, ClosingTheDialogEndsQuietly) {
  form_.mnuopen_Click();
  EXPECT_TRUE(desktop_.messages.empty());
  EXPECT_EQ(view_.log, std::vector<std::string>{"ShowCdbOpen()"});
  ExpectIdle();
}

TEST_F(FrmFleTest, ANewOpenStartsAgainInSelectionWithTheFirstChannel) {
  OpenRecording("rec01_eeg", 64);
  ClickOption(1);
  ClickList(12);
  OpenRecording("rec02_eeg", 64);
  EXPECT_EQ(form_.state().FleName, "rec02_eeg");
  EXPECT_FALSE(form_.state().AllCh);
  EXPECT_TRUE(view_.lst_ch_enabled);
  EXPECT_EQ(form_.state().ChName, "FP2");
  EXPECT_EQ(form_.state().ChPos, "1");
}

// Mode and channel

TEST_F(FrmFleTest, AllThenSelectionKeepsTheChosenChannel) {
  OpenRecording("rec01_eeg", 64);
  ClickList(12);
  EXPECT_EQ(form_.state().ChName, "Oz");
  EXPECT_EQ(form_.state().ChPos, "28");
  ClickOption(1);
  EXPECT_TRUE(form_.state().AllCh);
  EXPECT_FALSE(view_.lst_ch_enabled);
  EXPECT_EQ(form_.state().ChName, "Oz");
  ClickOption(0);
  EXPECT_FALSE(form_.state().AllCh);
  EXPECT_TRUE(view_.lst_ch_enabled);
  EXPECT_EQ(form_.state().ChName, "Oz");
  EXPECT_EQ(form_.state().ChPos, "28");
  ClickList(23);
  EXPECT_EQ(form_.state().ChName, "BP1");
  EXPECT_EQ(form_.state().ChPos, "32");
}

TEST_F(FrmFleTest, ListClickWithNothingSelectedKeepsThePosition) {
  OpenRecording("rec01_eeg", 64);
  ClickList(9);
  ClickList(-1);
  EXPECT_EQ(form_.state().ChName, "");
  EXPECT_EQ(form_.state().ChPos, "10");
}

// OK and Cancel

TEST_F(FrmFleTest, OkConvertsOneChannelIntoTheProgramFolder) {
  const std::string recording = OpenRecording("rec01_eeg", 96);
  ClickList(12);  // Oz
  Ok();
  EXPECT_EQ(ListFolder(program_dir_.path()), std::set<std::string>{"rec01_eeg_Oz.eeg"});
  std::string expected;
  for (std::size_t r = 0; r < 3; ++r) {
    expected += FormatValueLine(static_cast<std::uint8_t>(recording[r * 32 + 27]), ".");
  }
  EXPECT_EQ(ReadFile(program_dir_ / "rec01_eeg_Oz.eeg"), expected);
  ExpectIdle();
  EXPECT_TRUE(desktop_.messages.empty());
}

TEST_F(FrmFleTest, OkShowsLoadingAndProgressAndLocksTheMenuWhileConverting) {
  OpenRecording("rec01_eeg", 64);
  view_.log.clear();
  form_.CmdOk_Click();
  EXPECT_TRUE(form_.converting());
  // Nothing converted on the window's thread: no output yet (the run's own hidden files may be).
  for (const std::string& name : ListFolder(program_dir_.path())) {
    EXPECT_TRUE(name.starts_with(".velbrix-")) << name;
  }
  FinishWork();
  EXPECT_FALSE(form_.converting());
  const std::vector<std::string> order = {"ShowFraCh(false)",
                                          "SetLabel1Caption(LOADING THE FILES....)",
                                          "EnableMnuFile(false)",
                                          "ShowProgress(true)",
                                          "ShowProgress(false)",
                                          "EnableMnuFile(true)",
                                          "SetLabel1Caption(ASCCII-DECIMAL FILECONVERTER)",
                                          "SetLblFileCaption(File Opened - None)"};
  EXPECT_EQ(view_.log, order);
}

TEST_F(FrmFleTest, AWaitForAnotherRunsLockIsToldUntilTheRunGoesOn) {
  OpenRecording("rec01_eeg", 64);
  FolderLock other_run;
  ASSERT_FALSE(other_run.Acquire(program_dir_.path()));
  form_.CmdOk_Click();
  window_thread_.Release();
  // The wait is told after a second of it.
  for (int i = 0; i < 200 && view_.lbl_file.starts_with("File Opened"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    DeliverPosted();
  }
  EXPECT_EQ(view_.lbl_file, LockWaitMessage(other_run.path()));
  EXPECT_NE(std::find(view_.log.begin(), view_.log.end(),
                      "SetLblFileNotice(" + LockWaitMessage(other_run.path()) + ")"),
            view_.log.end());
  other_run.Release();
  runner_.Join();
  DeliverPosted();
  ExpectIdle();
  EXPECT_TRUE(std::filesystem::exists(program_dir_.path() / "rec01_eeg_FP2.eeg"));
}

// A window of its own, whose posted tasks run when the test delivers them and whose poster may be
// made to fail once.
struct OtherWindow {
  explicit OtherWindow(const std::filesystem::path& program_folder) {
    desktop.program_folder = program_folder;
    form.Form_Load();
  }
  void OpenAndOk(const std::filesystem::path& recording) {
    desktop.dialog_answers.push_back(recording);
    form.mnuopen_Click();
    form.CmdOk_Click();
  }
  FakeFrmFleView view;
  FakeDesktop desktop{view};
  FakeWindowThread window_thread;
  std::atomic<bool> fail_next_post{false};
  BackgroundRunner runner{[this](BackgroundRunner::Task task) {
    if (fail_next_post.exchange(false)) {
      throw std::runtime_error("no room for the task");
    }
    window_thread.Poster()(std::move(task));
  }};
  FrmFle form{view, desktop, runner};
};

// Each run tells its own window of its own wait, also while another window's run waits.
TEST(FrmFleLockWaitTest, TwoWindowsWaitingAtOnceEachShowTheirOwnLock) {
  TempDir data_dir;
  TempDir folder_a;
  TempDir folder_b;
  WriteFile(data_dir / "rec01_eeg", MakeRecording(64));
  FolderLock lock_a;
  FolderLock lock_b;
  ASSERT_FALSE(lock_a.Acquire(folder_a.path()));
  ASSERT_FALSE(lock_b.Acquire(folder_b.path()));
  OtherWindow a(folder_a.path());
  OtherWindow b(folder_b.path());
  a.OpenAndOk(data_dir / "rec01_eeg");
  b.OpenAndOk(data_dir / "rec01_eeg");
  for (int i = 0; i < 200 && (a.view.lbl_file.starts_with("File Opened") ||
                              b.view.lbl_file.starts_with("File Opened"));
       ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    a.window_thread.Deliver();
    b.window_thread.Deliver();
  }
  EXPECT_EQ(a.view.lbl_file, LockWaitMessage(lock_a.path()));
  EXPECT_EQ(b.view.lbl_file, LockWaitMessage(lock_b.path()));
  lock_a.Release();
  lock_b.Release();
  a.runner.Join();
  b.runner.Join();
  a.window_thread.Deliver();
  b.window_thread.Deliver();
  EXPECT_TRUE(std::filesystem::exists(folder_a / "rec01_eeg_FP2.eeg"));
  EXPECT_TRUE(std::filesystem::exists(folder_b / "rec01_eeg_FP2.eeg"));
  EXPECT_FALSE(a.form.converting());
  EXPECT_FALSE(b.form.converting());
}

// A fault of the program inside a run (here the window's queue refuses the wait's task) is told as
// an internal fault with its text, the window back in Idle, nothing written.
TEST(FrmFleFaultTest, AnExceptionInARunIsToldAsAnInternalFaultWithItsText) {
  TempDir data_dir;
  TempDir program_dir;
  WriteFile(data_dir / "rec01_eeg", MakeRecording(64));
  FolderLock other_run;
  ASSERT_FALSE(other_run.Acquire(program_dir.path()));
  OtherWindow window(program_dir.path());
  window.fail_next_post = true;  // the first post is the wait's, after a second
  window.OpenAndOk(data_dir / "rec01_eeg");
  window.runner.Join();
  window.window_thread.Deliver();
  ASSERT_EQ(window.desktop.messages.size(), 1u);
  EXPECT_EQ(window.desktop.messages[0].text, "Internal fault while converting " +
                                                 PathForDisplay(data_dir / "rec01_eeg") +
                                                 ": no room for the task");
  EXPECT_EQ(window.desktop.messages[0].icon, MessageIcon::kWarning);
  EXPECT_FALSE(window.form.converting());
  EXPECT_EQ(window.view.lbl_file, kIdleFileText);
  other_run.Release();
  EXPECT_TRUE(ListFolder(program_dir.path()).empty());
}

// The window is destroyed during a run (at the end of a session, say): the run stops, and its work
// has ended before the controller goes, so nothing of the work reaches a controller that is gone,
// and nothing of the run is left.
TEST(FrmFleUnloadTest, DestroyingTheControllerDuringARunWaitsForTheRunsWork) {
  TempDir data_dir;
  TempDir program_dir;
  WriteFile(data_dir / "rec01_eeg", MakeRecording(8 * kRecordsPerBlock * kRecordSize));
  FakeFrmFleView view;
  FakeDesktop desktop(view);
  desktop.program_folder = program_dir.path();
  std::atomic<bool> controller_gone{false};
  std::atomic<int> posts_once_gone{0};
  std::vector<BackgroundRunner::Task> posted;  // never run
  std::mutex posted_mutex;
  BackgroundRunner* runner_seen = nullptr;
  // The work's posts wait until it is asked to stop, so that the run is still working when the
  // window goes.
  BackgroundRunner runner([&](BackgroundRunner::Task task) {
    while (!runner_seen->stop_requested()) {
      std::this_thread::yield();
    }
    if (controller_gone) {
      ++posts_once_gone;
    }
    const std::lock_guard<std::mutex> lock(posted_mutex);
    posted.push_back(std::move(task));
  });
  runner_seen = &runner;
  auto form = std::make_unique<FrmFle>(view, desktop, runner);
  form->Form_Load();
  desktop.dialog_answers.push_back(data_dir / "rec01_eeg");
  form->mnuopen_Click();
  form->optch_Click(1);  // all channels
  form->CmdOk_Click();
  ASSERT_TRUE(form->converting());
  form->Form_Unload();
  form.reset();
  controller_gone = true;
  runner.Join();
  EXPECT_EQ(posts_once_gone, 0);
  EXPECT_FALSE(posted.empty());  // at least the run's end, before the controller went
  EXPECT_TRUE(ListFolder(program_dir.path()).empty());
}

TEST_F(FrmFleTest, ProgressFollowsTheBytesReadInWholePercents) {
  // Four blocks: three whole ones and 100 records.
  OpenRecording("rec01_eeg", (3 * kRecordsPerBlock + 100) * kRecordSize);
  form_.CmdOk_Click();
  EXPECT_TRUE(view_.progress_visible);
  RunWork();
  EXPECT_EQ(view_.progress, std::vector<int>{0});  // nothing delivered yet
  EXPECT_EQ(view_.label1, "LOADING THE FILES....");
  DeliverPosted();
  EXPECT_EQ(view_.progress, (std::vector<int>{0, 33, 66, 99, 100}));
  EXPECT_FALSE(view_.progress_visible);
  ExpectIdle();
}

TEST_F(FrmFleTest, OkOverAllChannelsUsesTheUsersDecimalSeparator) {
  desktop_.decimal_separator = ",";
  const std::string recording = OpenRecording("rec01_eeg", 64);
  ClickList(5);
  ClickOption(1);
  Ok();
  EXPECT_EQ(ListFolder(program_dir_.path()).size(), 32u);
  EXPECT_EQ(ReadFile(program_dir_ / "rec01_eeg_FP2.eeg"),
            FormatValueLine(static_cast<std::uint8_t>(recording[0]), ",") +
                FormatValueLine(static_cast<std::uint8_t>(recording[32]), ","));
  ExpectIdle();
}

TEST_F(FrmFleTest, OkDoesNothingWithoutAChannel) {
  form_.CmdOk_Click();  // before any open
  EXPECT_TRUE(view_.log.empty());

  OpenRecording("rec01_eeg", 64);
  form_.CmdCancel_Click();
  view_.log.clear();
  form_.CmdOk_Click();  // after Cancel
  EXPECT_TRUE(view_.log.empty());

  OpenRecording("rec01_eeg", 64);
  Ok();
  view_.log.clear();
  form_.CmdOk_Click();  // after a conversion
  EXPECT_TRUE(view_.log.empty());
  EXPECT_EQ(ListFolder(program_dir_.path()).size(), 1u);
}

TEST_F(FrmFleTest, CancelReturnsToIdleAndKeepsTheRest) {
  OpenRecording("rec01_eeg", 64);
  ClickList(9);
  ClickOption(1);
  form_.CmdCancel_Click();
  ExpectIdle();
  EXPECT_EQ(form_.state().FleName, "rec01_eeg");
  EXPECT_EQ(form_.state().ChPos, "10");
  EXPECT_TRUE(form_.state().AllCh);
  EXPECT_EQ(view_.lst_ch_selected, 9);
  EXPECT_EQ(view_.optch_selected, 1);
  EXPECT_TRUE(ListFolder(program_dir_.path()).empty());
}

TEST_F(FrmFleTest, FailedRunShowsTheErrorAndReturnsToIdle) {
  OpenRecording("rec01_eeg", 64);
  std::filesystem::remove(data_dir_ / "rec01_eeg");
  Ok();
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].text, "Cannot open " + PathForDisplay(data_dir_ / "rec01_eeg") +
                                           ": No such file or directory");
  EXPECT_EQ(desktop_.messages[0].icon, MessageIcon::kWarning);
  ExpectIdle();
  EXPECT_TRUE(ListFolder(program_dir_.path()).empty());
  EXPECT_TRUE(ListFolder(data_dir_.path()).empty());
}

TEST_F(FrmFleTest, PartialTailIsReportedOnceBackInIdle) {
  OpenRecording("rec01_eeg", 70);
  Ok();
  ASSERT_EQ(desktop_.messages.size(), 1u);
  const auto& message = desktop_.messages[0];
  EXPECT_EQ(message.text, "The last 6 bytes of " + PathForDisplay(data_dir_ / "rec01_eeg") +
                              " do not make a whole record of 32 bytes and were not converted.");
  EXPECT_EQ(message.icon, MessageIcon::kInformation);
  EXPECT_EQ(message.label1, "ASCCII-DECIMAL FILECONVERTER");
  EXPECT_EQ(message.lbl_file, "File Opened - None");
  EXPECT_TRUE(message.mnufile_enabled);
  const std::string fp2 = ReadFile(program_dir_ / "rec01_eeg_FP2.eeg");
  EXPECT_EQ(std::count(fp2.begin(), fp2.end(), '\n'), 2);
}

// What the run left alone of a killed run's files comes after the tail's note, in one message.
TEST_F(FrmFleTest, WhatARunLeftAloneIsToldAfterThePartialTail) {
  const std::filesystem::path journal = program_dir_ / ".velbrix-00000000000000aa.journal";
  WriteFile(journal, "velbrix-journal 3 1 00000000000000aa\nR5:a.eeg\nend\n");
  OpenRecording("rec01_eeg", 70);
  Ok();
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].text,
            "The last 6 bytes of " + PathForDisplay(data_dir_ / "rec01_eeg") +
                " do not make a whole record of 32 bytes and were not converted. Left alone " +
                PathForDisplay(journal) +
                ": Not a journal of this version: the run's files are left alone.");
  EXPECT_TRUE(std::filesystem::exists(journal));
}

TEST_F(FrmFleTest, NonAsciiNamesConvert) {
  const std::filesystem::path name = Utf8Path("Ålesund ñ 01_eeg");
  WriteFile(data_dir_.path() / name, MakeRecording(32));
  Open(data_dir_.path() / name);
  EXPECT_EQ(view_.lbl_file, "File Opened - Ålesund ñ 01_eeg");
  Ok();
  EXPECT_EQ(ListFolder(program_dir_.path()), std::set<std::string>{"Ålesund ñ 01_eeg_FP2.eeg"});
}

// During a run: the question whether to stop

TEST_F(FrmFleTest, OutsideARunEscapeDoesNothingAndClosingIsAtOnce) {
  EXPECT_TRUE(form_.Form_QueryUnload());
  OpenRecording("rec01_eeg", 64);
  view_.log.clear();
  form_.Form_Escape();
  EXPECT_TRUE(form_.Form_QueryUnload());
  EXPECT_TRUE(view_.log.empty());
  EXPECT_TRUE(view_.fra_ch_visible);
}

TEST_F(FrmFleTest, EscapeAndYesStopsTheRunAndLeavesEveryFileAsItWas) {
  OpenRecording("rec01_eeg", 64);
  Ok();
  const std::string earlier = ReadFile(program_dir_ / "rec01_eeg_FP2.eeg");
  OpenRecording("rec01_eeg", 3 * kRecordsPerBlock * kRecordSize);
  ClickOption(1);
  form_.CmdOk_Click();
  desktop_.yes_no_answers = {true};
  form_.Form_Escape();
  ASSERT_EQ(desktop_.questions, 1);
  EXPECT_EQ(view_.log.back(),
            "AskYesNo(Stop the conversion? Files that were already there stay "
            "as they were.)");
  form_.Form_Escape();  // already stopping: not asked again
  EXPECT_EQ(desktop_.questions, 1);
  FinishWork();
  ExpectIdle();
  EXPECT_TRUE(desktop_.messages.empty());
  EXPECT_EQ(ListFolder(program_dir_.path()), std::set<std::string>{"rec01_eeg_FP2.eeg"});
  EXPECT_EQ(ReadFile(program_dir_ / "rec01_eeg_FP2.eeg"), earlier);
}

TEST_F(FrmFleTest, ClosingDuringARunAsksAndClosesOnceTheRunHasStopped) {
  OpenRecording("rec01_eeg", 2 * kRecordsPerBlock * kRecordSize);
  form_.CmdOk_Click();
  desktop_.yes_no_answers = {false, true};
  EXPECT_FALSE(form_.Form_QueryUnload());  // No: the run goes on
  EXPECT_TRUE(form_.converting());
  EXPECT_FALSE(form_.Form_QueryUnload());  // Yes: the window closes once the run has stopped
  EXPECT_EQ(desktop_.questions, 2);
  EXPECT_FALSE(view_.closed);
  FinishWork();
  EXPECT_TRUE(view_.closed);
  EXPECT_TRUE(desktop_.messages.empty());
  EXPECT_TRUE(ListFolder(program_dir_.path()).empty());
}

// The run ends on its own while the question is shown (its end is posted meanwhile, as a modal
// message box lets it be), or after Yes but before its end reached the window.
TEST_F(FrmFleTest, ARunThatEndsBeforeItCouldStopCountsAsFinished) {
  struct Case {
    bool closing;
    bool yes;
    bool end_while_asking;
  };
  for (const Case c : {Case{false, true, true}, Case{false, false, true}, Case{true, true, true},
                       Case{true, false, true}, Case{false, true, false}}) {
    SCOPED_TRACE(std::to_string(c.closing) + std::to_string(c.yes) +
                 std::to_string(c.end_while_asking));
    std::filesystem::remove_all(program_dir_.path());
    std::filesystem::create_directory(program_dir_.path());
    view_.closed = false;
    OpenRecording("rec01_eeg", 70);
    form_.CmdOk_Click();
    if (c.end_while_asking) {
      desktop_.while_asking = [&] { FinishWork(); };
    } else {
      RunWork();  // done; its end not delivered yet
    }
    desktop_.yes_no_answers = {c.yes};
    const bool closes = c.closing ? form_.Form_QueryUnload() : (form_.Form_Escape(), false);
    DeliverPosted();
    EXPECT_FALSE(form_.converting());
    EXPECT_EQ(ListFolder(program_dir_.path()), std::set<std::string>{"rec01_eeg_FP2.eeg"});
    EXPECT_EQ(closes, c.closing && c.yes);
    if (!closes) {
      ExpectIdle();
      EXPECT_EQ(desktop_.messages.back().text.rfind("The last 6 bytes of ", 0), 0u);
    }
  }
}

// File > Export...

// The Export dialog's entries: `target`, and `texts` over the defaults.
ExportSettings Entries(ExportFormat target,
                       std::initializer_list<std::pair<ExportField, std::string>> texts) {
  ExportSettings settings;
  settings.target = target;
  for (const auto& [field, text] : texts) {
    settings[field] = text;
  }
  return settings;
}

// Every file below `root` with its bytes, by its path relative to `root`.
std::map<std::string, std::string> TreeContents(const std::filesystem::path& root) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      contents[entry.path().lexically_relative(root).generic_string()] = ReadFile(entry.path());
    }
  }
  return contents;
}

TEST_F(FrmFleTest, ExportEdfWritesTheWindowsChoiceAsTheCommandLineWould) {
  const std::string recording = OpenRecording("rec01_eeg", 300 * kRecordSize + 5);
  ClickList(12);  // Oz
  desktop_.export_answers = {Entries(
      ExportFormat::kEdf,
      {{ExportField::kSampleRate, " 250.5 "}, {ExportField::kStart, "2024-05-17 09:30:00"}})};
  view_.log.clear();
  form_.mnuexport_Click();
  EXPECT_EQ(desktop_.export_dialogs, std::vector<ExportSettings>{ExportSettings{}});
  EXPECT_EQ(view_.label1, "LOADING THE FILES....");
  EXPECT_TRUE(view_.progress_visible);
  FinishWork();
  ExpectIdle();

  // The same file as the core's export, which the command line uses, with the same settings.
  TempDir expected_dir;
  const int oz[] = {28};
  Hertz rate;
  EdfRecordLayout layout;
  ASSERT_TRUE(ParseHertz("250.5", "sample rate", &rate).ok());
  ASSERT_TRUE(ChooseEdfRecordLayout(rate, 1, &layout).ok());
  EdfStart start;
  ASSERT_TRUE(ParseEdfStart("2024-05-17 09:30:00", &start).ok());
  ExportReport report;
  ASSERT_TRUE(ExportRecording({ExportFormat::kEdf, data_dir_ / "rec01_eeg", expected_dir.path(),
                               "rec01_eeg", oz, rate, layout, start},
                              &report)
                  .ok());
  EXPECT_EQ(ListFolder(program_dir_.path()), std::set<std::string>{"rec01_eeg.edf"});
  EXPECT_EQ(ReadFile(program_dir_ / "rec01_eeg.edf"), ReadFile(report.data));
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].text,
            "The last 5 bytes of " + PathForDisplay(data_dir_ / "rec01_eeg") +
                " do not make a whole record of 32 bytes and were not converted. The last data "
                "record of " +
                PathForDisplay(program_dir_ / "rec01_eeg.edf") +
                " was completed with 201 samples of 0 uV per channel.");
}

TEST_F(FrmFleTest, ExportBrainVisionAndBidsWriteWhatTheCoresExportsWrite) {
  OpenRecording("rec01_eeg", 500 * kRecordSize);
  ClickOption(1);
  const ExportSettings brainvision =
      Entries(ExportFormat::kBrainVision, {{ExportField::kSampleRate, "500"}});
  TempDir bids_dir;
  const std::filesystem::path root = bids_dir / "study";
  const ExportSettings bids =
      Entries(ExportFormat::kBidsBrainVision, {{ExportField::kSampleRate, "500"},
                                               {ExportField::kStart, "2024-05-17 09:30:00"},
                                               {ExportField::kBidsRoot, PathForDisplay(root)},
                                               {ExportField::kSubject, "01"},
                                               {ExportField::kSession, "a"},
                                               {ExportField::kTask, "rest"},
                                               {ExportField::kLineFrequency, "50"},
                                               {ExportField::kReference, "Cz"},
                                               {ExportField::kAuthors, "A. Smith; B. Jones"}});
  desktop_.export_answers = {brainvision};
  form_.mnuexport_Click();
  FinishWork();
  Open(data_dir_ / "rec01_eeg");
  ClickOption(1);
  desktop_.export_answers = {bids};
  form_.mnuexport_Click();
  FinishWork();
  ExpectIdle();
  EXPECT_TRUE(desktop_.messages.empty());
  ASSERT_EQ(desktop_.export_dialogs.size(), 2u);
  EXPECT_EQ(desktop_.export_dialogs[1], brainvision);  // the last entries, offered again

  Hertz rate;
  ASSERT_TRUE(ParseHertz("500", "sample rate", &rate).ok());
  EdfStart start;
  ASSERT_TRUE(ParseEdfStart("2024-05-17 09:30:00", &start).ok());
  TempDir expected;
  ExportReport report;
  ASSERT_TRUE(ExportRecording({ExportFormat::kBrainVision,
                               data_dir_ / "rec01_eeg",
                               expected.path(),
                               "rec01_eeg",
                               kAllPositions,
                               rate,
                               {},
                               std::nullopt},
                              &report)
                  .ok());
  BidsExportInputs inputs;
  inputs.recording = data_dir_ / "rec01_eeg";
  inputs.root = expected / "study";
  inputs.entities = {"01", "a", "rest", ""};
  inputs.format = ExportFormat::kBidsBrainVision;
  inputs.positions = kAllPositions;
  inputs.sample_rate = rate;
  inputs.start = start;
  inputs.line_frequency = Hertz{"50", 50};
  inputs.software_version = VELBRIX_VERSION;
  inputs.lab = {"Cz", "", {"A. Smith", "B. Jones"}, ""};
  ExportReport bids_report;
  ASSERT_TRUE(ExportBids(inputs, &bids_report).ok());
  EXPECT_EQ(TreeContents(program_dir_.path()), [&] {
    auto files = TreeContents(expected.path());
    std::erase_if(files, [](const auto& file) { return file.first.starts_with("study/"); });
    return files;
  }());
  EXPECT_EQ(TreeContents(root), TreeContents(expected / "study"));
}

TEST_F(FrmFleTest, ExportSaysWhatIsWrongAndAsksAgainWithWhatWasEntered) {
  OpenRecording("rec01_eeg", 64);
  ClickOption(1);
  TempDir bids_dir;
  const std::string root = PathForDisplay(bids_dir.path());
  WriteFile(bids_dir / "taken", "");
  const std::vector<std::optional<ExportSettings>> answers = {
      Entries(ExportFormat::kEdf, {{ExportField::kSampleRate, "fast"}}),
      Entries(ExportFormat::kEdf, {{ExportField::kStart, "2024-13-01 00:00:00"}}),
      Entries(ExportFormat::kBidsEdf, {{ExportField::kSubject, "01"}, {ExportField::kTask, "x"}}),
      Entries(ExportFormat::kBidsEdf, {{ExportField::kBidsRoot, "study"}}),
      Entries(ExportFormat::kBidsEdf, {{ExportField::kBidsRoot, root}, {ExportField::kTask, "x"}}),
      Entries(ExportFormat::kBidsEdf, {{ExportField::kBidsRoot, root},
                                       {ExportField::kSubject, "0-1"},
                                       {ExportField::kTask, "x"}}),
      Entries(ExportFormat::kBidsEdf, {{ExportField::kBidsRoot, root},
                                       {ExportField::kSubject, "01"},
                                       {ExportField::kTask, "x"},
                                       {ExportField::kLineFrequency, "55"}}),
      Entries(ExportFormat::kBidsEdf, {{ExportField::kBidsRoot, root + "/taken"},
                                       {ExportField::kSubject, "01"},
                                       {ExportField::kTask, "x"}}),
      Entries(ExportFormat::kBidsEdf, {{ExportField::kBidsRoot, root},
                                       {ExportField::kSubject, "01"},
                                       {ExportField::kTask, std::string(300, 'x')}}),
      std::nullopt};
  desktop_.export_answers = {answers.begin(), answers.end()};
  form_.mnuexport_Click();
  ASSERT_EQ(desktop_.export_dialogs.size(), answers.size());
  for (std::size_t i = 1; i < answers.size(); ++i) {
    EXPECT_EQ(desktop_.export_dialogs[i], answers[i - 1]);  // as entered
  }
  std::vector<std::string> texts;
  for (const auto& message : desktop_.messages) {
    EXPECT_EQ(message.icon, MessageIcon::kWarning);
    texts.push_back(message.text.substr(0, message.text.find(": ")));
  }
  EXPECT_EQ(
      texts,
      (std::vector<std::string>{
          "The sample rate \"fast\" is not a positive number of hertz written with digits and "
          "at most one full stop",
          "The start \"2024-13-01 00:00:00\" is not a real date and time",
          "Type the folder of the BIDS dataset, or choose it with Browse...",
          "The dataset folder \"study\" is not a full path",
          "The subject label is empty",
          "The subject label \"0-1\" may hold only letters A-Z, a-z and digits 0-9, "
          "as BIDS wants its labels",
          "The power line frequency \"55\" is neither 50 nor 60 Hz",
          "Cannot use the BIDS dataset folder " + root + "/taken",
          PathForDisplay(data_dir_ / "rec01_eeg"),
      }));
  // Cancelled: still Opened, nothing written, and the last entries remembered.
  EXPECT_FALSE(form_.converting());
  EXPECT_TRUE(view_.fra_ch_visible);
  EXPECT_EQ(form_.state().ChName, "FP2");
  EXPECT_TRUE(ListFolder(program_dir_.path()).empty());
  EXPECT_EQ(ListFolder(bids_dir.path()), std::set<std::string>{"taken"});
  EXPECT_EQ(desktop_.remembered, answers[answers.size() - 2]);
}

TEST_F(FrmFleTest, ANewWindowOffersTheEntriesRememberedForTheUser) {
  const ExportSettings remembered = Entries(
      ExportFormat::kBidsEdf, {{ExportField::kSampleRate, "1000"}, {ExportField::kSubject, "07"}});
  FakeFrmFleView view;
  FakeDesktop desktop{view};
  desktop.program_folder = program_dir_.path();
  desktop.remembered = remembered;
  FrmFle form{view, desktop, runner_};
  form.Form_Load();
  desktop.dialog_answers.push_back(data_dir_ / "rec01_eeg");
  WriteFile(data_dir_ / "rec01_eeg", MakeRecording(64));
  form.mnuopen_Click();
  view.optch_selected = 1;
  form.optch_Click(1);
  form.mnuexport_Click();  // cancelled
  EXPECT_EQ(desktop.export_dialogs, std::vector<ExportSettings>{remembered});
  EXPECT_EQ(desktop.saves, 0);
}

// A remembered entry of 10 MB (written by hand, say) is offered cut to its start, and the message
// that says it is wrong quotes only the start of it.
TEST_F(FrmFleTest, AHugeRememberedEntryIsOfferedCutAndQuotedByItsStart) {
  ExportSettings huge;
  huge[ExportField::kSampleRate] = std::string(10 << 20, 'x');
  desktop_.remembered = huge;
  FrmFle form(view_, desktop_, runner_);
  form.Form_Load();
  desktop_.dialog_answers.push_back(data_dir_ / "rec01_eeg");
  WriteFile(data_dir_ / "rec01_eeg", MakeRecording(64));
  form.mnuopen_Click();
  ExportSettings offered;
  offered[ExportField::kSampleRate] = std::string(kRememberedEntryMaxBytes, 'x');
  desktop_.export_answers = {offered};
  form.mnuexport_Click();
  ASSERT_EQ(desktop_.export_dialogs.size(), 2u);  // asked again after the message, cancelled
  EXPECT_EQ(desktop_.export_dialogs[0], offered);
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].text, "The sample rate \"" + std::string(kQuotedStartBytes, 'x') +
                                           "...\" is not a positive number of hertz written with "
                                           "digits and at most one full stop");
}

TEST(QuotedTest, QuotesShortTextsWholeAndLongOnesByTheirStartInWholeCharacters) {
  EXPECT_EQ(Quoted(""), "\"\"");
  EXPECT_EQ(Quoted(std::string(60, 'a')), "\"" + std::string(60, 'a') + "\"");
  EXPECT_EQ(Quoted(std::string(61, 'a')), "\"" + std::string(60, 'a') + "...\"");
  // "\xC3\xA9" (e acute) across the 60th byte is left out whole.
  EXPECT_EQ(Quoted(std::string(59, 'a') + "\xC3\xA9" + "b"), "\"" + std::string(59, 'a') + "...\"");
}

TEST(RememberedEntriesTest, ALongValueIsCutInWholeCharacters) {
  const std::string long_value = std::string(kRememberedEntryMaxBytes - 1, 'a') + "\xC3\xA9";
  const ExportSettings settings =
      FromRememberedEntries([&](std::string_view key) -> std::optional<std::string> {
        return key == "subject" ? std::optional<std::string>(long_value) : std::nullopt;
      });
  EXPECT_EQ(settings[ExportField::kSubject], std::string(kRememberedEntryMaxBytes - 1, 'a'));
}

TEST_F(FrmFleTest, ExportEdfFailsAsOkDoes) {
  OpenRecording("rec01_eeg", 64);
  std::filesystem::remove(data_dir_ / "rec01_eeg");
  desktop_.export_answers = {ExportSettings{}};
  form_.mnuexport_Click();
  FinishWork();
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].text, "Cannot open " + PathForDisplay(data_dir_ / "rec01_eeg") +
                                           ": No such file or directory");
  EXPECT_EQ(desktop_.messages[0].label1, "LOADING THE FILES....");
  ExpectIdle();
  EXPECT_TRUE(ListFolder(program_dir_.path()).empty());
}

TEST_F(FrmFleTest, ExportEdfOfARecordingWithoutAWholeRecordFailsAndWritesNothing) {
  OpenRecording("rec01_eeg", 31);
  desktop_.export_answers = {ExportSettings{}};
  form_.mnuexport_Click();
  FinishWork();
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].text,
            PathForDisplay(data_dir_ / "rec01_eeg") + ": holds no whole record; nothing to export");
  ExpectIdle();
  EXPECT_TRUE(ListFolder(program_dir_.path()).empty());
}

// Where the files go, and File > Open Output Folder

class FrmFleInstalledTest : public FrmFleTest {
 protected:
  FrmFleInstalledTest() : FrmFleTest(true) {}
  const std::filesystem::path output_ = documents_dir_ / "Velbrix";
};

TEST_F(FrmFleInstalledTest, WritesIntoDocumentsVelbrixMadeAtTheFirstConversion) {
  EXPECT_EQ(form_.state().AppDir, WithTrailingSeparator(output_));
  EXPECT_FALSE(std::filesystem::exists(output_));
  OpenRecording("rec01_eeg", 64);
  ClickOption(1);
  Ok();
  EXPECT_TRUE(desktop_.messages.empty());
  EXPECT_EQ(ListFolder(output_).size(), 32u);
  EXPECT_TRUE(ListFolder(program_dir_.path()).empty());
  ExpectIdle();
}

TEST_F(FrmFleInstalledTest, AFolderThatCannotBeMadeIsNamedWithTheReason) {
  WriteFile(output_, "a file in the folder's place");
  OpenRecording("rec01_eeg", 64);
  form_.CmdOk_Click();
  ASSERT_EQ(desktop_.messages.size(), 1u);
  const std::string prefix =
      "Cannot create the folder " + PathForDisplay(form_.state().AppDir) + ": ";
  EXPECT_EQ(desktop_.messages[0].text.rfind(prefix, 0), 0u) << desktop_.messages[0].text;
  EXPECT_GT(desktop_.messages[0].text.size(), prefix.size());
  EXPECT_EQ(desktop_.messages[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(desktop_.messages[0].label1, "LOADING THE FILES....");
  ExpectIdle();
  EXPECT_EQ(ReadFile(output_), "a file in the folder's place");

  form_.mnufolder_Click();  // the same message, and nothing to show
  EXPECT_EQ(desktop_.messages.size(), 2u);
  EXPECT_TRUE(desktop_.shown_folders.empty());
}

TEST_F(FrmFleInstalledTest, OpenOutputFolderMakesTheFolderAndShowsIt) {
  form_.mnufolder_Click();
  EXPECT_TRUE(std::filesystem::is_directory(output_));
  EXPECT_EQ(desktop_.shown_folders, std::vector{form_.state().AppDir});
  EXPECT_TRUE(desktop_.messages.empty());

  desktop_.show_folder_works = false;  // no file manager: the user at least learns where it is
  form_.mnufolder_Click();
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].text, "No file manager could show the output folder " +
                                           PathForDisplay(form_.state().AppDir) + ".");
}

TEST_F(FrmFleTest, OpenOutputFolderOfAPortableCopyShowsTheProgramFolder) {
  form_.mnufolder_Click();
  EXPECT_EQ(desktop_.shown_folders, std::vector{WithTrailingSeparator(program_dir_.path())});
  EXPECT_TRUE(ListFolder(documents_dir_.path()).empty());
  EXPECT_TRUE(desktop_.messages.empty());
}

}  // namespace
}  // namespace velbrix
