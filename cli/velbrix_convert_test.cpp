// End-to-end tests of velbrix-convert: the built program run on real files in temporary folders.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <locale.h>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/base/channel_table.h"
#include "core/convert/conversion.h"
#include "core/os/os_file.h"
#include "core/testing/test_support.h"

extern char** environ;

namespace velbrix {
namespace {

using testing::ListFolder;
using testing::MakeRecording;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct RunResult {
  int exit_status = -1;
  std::string out;
  std::string err;
};

// How to run the program; the setters chain: RunSetup().In(folder).Env("LC_ALL", "C").
struct RunSetup {
  RunSetup& In(const std::filesystem::path& folder) {
    cwd = folder;
    return *this;
  }
  RunSetup& Env(const std::string& name, const std::string& value) {
    env[name] = value;
    return *this;
  }
  RunSetup& Stderr(int fd) {
    stderr_fd = fd;
    return *this;
  }
  RunSetup& Stdout(const std::string& path) {
    stdout_path = path;
    return *this;
  }
  RunSetup& Stdin(const std::string& path) {
    stdin_path = path;
    return *this;
  }
  RunSetup& WhileRunning(std::function<void()> action) {
    while_running = [action = std::move(action)](pid_t) { action(); };
    return *this;
  }
  RunSetup& WhileRunning(std::function<void(pid_t child)> action) {
    while_running = std::move(action);
    return *this;
  }

  std::filesystem::path cwd;                 // empty: the test's own
  std::map<std::string, std::string> env;    // added to an environment without locale settings
  int stderr_fd = -1;                        // where stderr goes; -1: a file, returned in err
  std::string stdout_path;                   // where stdout goes; empty: a file, returned in out
  std::string stdin_path = "/dev/null";      // what stdin reads
  std::function<void(pid_t)> while_running;  // called after the start, before the wait
};

bool IsLocaleVariable(std::string_view entry) {
  return entry.starts_with("LC_") || entry.starts_with("LANG=") || entry.starts_with("LANGUAGE=");
}

// Runs velbrix-convert with `arguments` and waits for it to end.
RunResult RunConvert(const std::vector<std::string>& arguments, const RunSetup& setup = {}) {
  const TempDir streams;
  std::vector<std::string> strings = {VELBRIX_CONVERT_PATH};
  strings.insert(strings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& s : strings) {
    argv.push_back(s.data());
  }
  argv.push_back(nullptr);
  std::vector<std::string> env_strings;
  for (char** e = environ; *e != nullptr; ++e) {
    if (!IsLocaleVariable(*e)) {
      env_strings.emplace_back(*e);
    }
  }
  for (const auto& [name, value] : setup.env) {
    env_strings.push_back(name + "=" + value);
  }
  std::vector<char*> envp;
  for (std::string& s : env_strings) {
    envp.push_back(s.data());
  }
  envp.push_back(nullptr);

  const std::string out_path = streams / "stdout";
  const std::string err_path = streams / "stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, setup.stdin_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(
      &actions, 1, setup.stdout_path.empty() ? out_path.c_str() : setup.stdout_path.c_str(),
      O_WRONLY | O_CREAT, 0600);
  if (setup.stderr_fd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, setup.stderr_fd, 2);
  } else {
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT, 0600);
  }
  if (!setup.cwd.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, setup.cwd.c_str());
  }
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  RunResult result;
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(spawned);
    return result;
  }
  if (setup.while_running) {
    setup.while_running(pid);
  }
  int wait_status = 0;
  while (waitpid(pid, &wait_status, 0) < 0 && errno == EINTR) {
  }
  result.exit_status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  result.out = ReadFile(out_path);
  result.err = ReadFile(err_path);
  return result;
}

bool LocaleInstalled(const char* name) {
  const locale_t locale = newlocale(LC_ALL_MASK, name, nullptr);
  if (locale == nullptr) {
    return false;
  }
  freelocale(locale);
  return true;
}

class VelbrixConvertTest : public ::testing::Test {
 protected:
  // Writes `bytes` as recording `name` in the input folder and returns its path.
  std::string Recording(const std::string& name, const std::string& bytes) {
    WriteFile(in_ / name, bytes);
    return in_ / name;
  }
  // The window's outputs of recording `name` (written by Recording) over all channels.
  std::filesystem::path Reference(const std::string& name, const std::string& separator = ".") {
    const std::filesystem::path folder = reference_ / separator;
    std::filesystem::create_directories(folder);
    ConversionInputs inputs{in_ / name, folder, name, true, "", "", separator};
    ConversionReport report;
    EXPECT_TRUE(RunConversion(inputs, &report).ok());
    return folder;
  }
  // Expects the text files of `channels` for recording `name` in `folder`, each equal byte for
  // byte to the window's, and no other regular file there whose name starts with `name` and "_".
  void ExpectOutputs(const std::filesystem::path& folder, const std::string& name,
                     const std::vector<std::string_view>& channels,
                     const std::string& separator = ".") {
    const std::filesystem::path reference = Reference(name, separator);
    std::set<std::string> expected_names;
    for (const std::string_view channel : channels) {
      const std::filesystem::path leaf = OutputPath({}, name, channel);
      expected_names.insert(leaf.string());
      EXPECT_EQ(ReadFile(folder / leaf), ReadFile(reference / leaf)) << leaf;
    }
    std::set<std::string> names;
    for (const std::string& file : ListFolder(folder)) {
      if (file.starts_with(name + "_") && std::filesystem::is_regular_file(folder / file)) {
        names.insert(file);
      }
    }
    EXPECT_EQ(names, expected_names);
  }
  static std::vector<std::string_view> AllChannels() {
    std::vector<std::string_view> names;
    for (const Channel& channel : ChTable) {
      names.push_back(channel.name);
    }
    return names;
  }

  TempDir in_;
  TempDir out_;
  TempDir reference_;
};

TEST_F(VelbrixConvertTest, AllChannelsGiveTheWindowsBytes) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(32 * 1000));
  const RunResult run = RunConvert({"-o", out_.path(), rec});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "");
  ExpectOutputs(out_.path(), "rec01_eeg", AllChannels());
  // An independent look at one line: byte 0 of the recording is 0, that is -476.25.
  EXPECT_TRUE(ReadFile(out_ / "rec01_eeg_FP2.eeg").starts_with("-476.25 \r\n"));
}

TEST_F(VelbrixConvertTest, OutputsGoToTheCurrentFolderByDefault) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(96));
  const RunResult run = RunConvert({rec}, RunSetup().In(out_.path()));
  EXPECT_EQ(run.exit_status, 0);
  ExpectOutputs(out_.path(), "rec01_eeg", AllChannels());
}

TEST_F(VelbrixConvertTest, NamedChannelsAreConvertedOnceEach) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(320));
  const RunResult run =
      RunConvert({"-c", "Oz", "--channel", "Fz", "-c", "Oz", "-o", out_.path(), rec});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "");
  ExpectOutputs(out_.path(), "rec01_eeg", {"Oz", "Fz"});
}

TEST_F(VelbrixConvertTest, ANameNotEndingInEegIsRefusedWithTheWindowsText) {
  Recording("rec01.eeg", MakeRecording(64));
  const RunResult run = RunConvert({"-o", out_.path(), "rec01.eeg"}, RunSetup().In(in_.path()));
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.err, "velbrix-convert: rec01.eeg: Not a Valid EEG file\n");
  EXPECT_TRUE(ListFolder(out_.path()).empty());
  EXPECT_EQ(ListFolder(in_.path()), std::set<std::string>{"rec01.eeg"});
}

TEST_F(VelbrixConvertTest, AMissingRecordingCreatesNothingAnywhere) {
  const TempDir cwd;
  const std::string missing = in_ / "missing_eeg";
  const RunResult run = RunConvert({"-o", out_.path(), missing}, RunSetup().In(cwd.path()));
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.err, "velbrix-convert: Cannot open " + missing + ": No such file or directory\n");
  EXPECT_TRUE(ListFolder(in_.path()).empty());
  EXPECT_TRUE(ListFolder(out_.path()).empty());
  EXPECT_TRUE(ListFolder(cwd.path()).empty());
}

TEST_F(VelbrixConvertTest, AnUnknownChannelIsAUsageErrorThatListsTheChannels) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(64));
  const RunResult run = RunConvert({"-c", "Fz", "-c", "fz", "-o", out_.path(), rec});
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_NE(run.err.find("\"fz\""), std::string::npos) << run.err;
  for (const Channel& channel : ChTable) {
    EXPECT_NE(run.err.find(" " + std::string(channel.name)), std::string::npos) << channel.name;
  }
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

TEST_F(VelbrixConvertTest, AMissingOutputFolderIsAUsageErrorAndIsNotCreated) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(64));
  const std::string missing = out_ / "missing";
  const RunResult run = RunConvert({"-o", missing, rec});
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_NE(run.err.find(missing + ": No such file or directory"), std::string::npos) << run.err;
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

TEST_F(VelbrixConvertTest, UsageErrorsWithoutRecordingsOrWithABadSeparator) {
  EXPECT_EQ(RunConvert({}).exit_status, 2);
  const std::string rec = Recording("rec01_eeg", MakeRecording(64));
  const RunResult run = RunConvert({"-d", "1", "-o", out_.path(), rec});
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_NE(run.err.find("decimal separator"), std::string::npos) << run.err;
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

TEST_F(VelbrixConvertTest, FailingRecordingsDoNotStopTheOthers) {
  const std::string good1 = Recording("good1_eeg", MakeRecording(640));
  const std::string good2 = Recording("good2_eeg", MakeRecording(96));
  const std::string blocked = Recording("blocked_eeg", MakeRecording(64));
  const std::string missing = in_ / "missing_eeg";
  // A folder where an output of "blocked_eeg" belongs: that recording fails as a whole.
  std::filesystem::create_directory(out_ / "blocked_eeg_Cz.eeg");
  const RunResult run = RunConvert({"-o", out_.path(), good1, missing, "bad.eeg", blocked, good2},
                                   RunSetup().In(in_.path()));
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.err, "velbrix-convert: Cannot open " + missing +
                         ": No such file or directory\n"
                         "velbrix-convert: bad.eeg: Not a Valid EEG file\n"
                         "velbrix-convert: Cannot replace " +
                         (out_ / "blocked_eeg_Cz.eeg").string() + ": Is a directory\n");
  ExpectOutputs(out_.path(), "good1_eeg", AllChannels());
  ExpectOutputs(out_.path(), "good2_eeg", AllChannels());
  ExpectOutputs(out_.path(), "blocked_eeg", {});
  EXPECT_TRUE(std::filesystem::is_directory(out_ / "blocked_eeg_Cz.eeg"));
  EXPECT_EQ(ListFolder(out_.path()).size(), 65u);  // good1's, good2's and the folder
}

TEST_F(VelbrixConvertTest, DecimalSeparatorOptionIsUsed) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(320));
  const RunResult run = RunConvert({"-d", ",", "-o", out_.path(), rec});
  EXPECT_EQ(run.exit_status, 0);
  ExpectOutputs(out_.path(), "rec01_eeg", AllChannels(), ",");
  EXPECT_TRUE(ReadFile(out_ / "rec01_eeg_FP2.eeg").starts_with("-476,25 \r\n"));
}

TEST_F(VelbrixConvertTest, DefaultSeparatorFollowsTheLocale) {
  if (!LocaleInstalled("de_DE.UTF-8")) {
    GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed";
  }
  const std::string rec = Recording("rec01_eeg", MakeRecording(320));
  const RunResult german =
      RunConvert({"-o", out_.path(), "-c", "FP2", rec}, RunSetup().Env("LC_ALL", "de_DE.UTF-8"));
  EXPECT_EQ(german.exit_status, 0);
  ExpectOutputs(out_.path(), "rec01_eeg", {"FP2"}, ",");

  // LANG alone is read too; "-d ." wins over the locale; "C" gives a full stop.
  const TempDir lang_out, dot_out, c_out;
  EXPECT_EQ(
      RunConvert({"-o", lang_out.path(), "-c", "FP2", rec}, RunSetup().Env("LANG", "de_DE.UTF-8"))
          .exit_status,
      0);
  ExpectOutputs(lang_out.path(), "rec01_eeg", {"FP2"}, ",");
  EXPECT_EQ(RunConvert({"-d", ".", "-o", dot_out.path(), "-c", "FP2", rec},
                       RunSetup().Env("LC_ALL", "de_DE.UTF-8"))
                .exit_status,
            0);
  ExpectOutputs(dot_out.path(), "rec01_eeg", {"FP2"}, ".");
  EXPECT_EQ(
      RunConvert({"-o", c_out.path(), "-c", "FP2", rec}, RunSetup().Env("LC_ALL", "C")).exit_status,
      0);
  ExpectOutputs(c_out.path(), "rec01_eeg", {"FP2"}, ".");
}

TEST_F(VelbrixConvertTest, APartialRecordIsWarnedAboutUnlessQuiet) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(70));
  const RunResult run = RunConvert({"-o", out_.path(), rec});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "velbrix-convert: warning: the last 6 bytes of " + rec +
                         " do not make a whole record of 32 bytes and were not converted\n");
  ExpectOutputs(out_.path(), "rec01_eeg", AllChannels());

  const RunResult quiet = RunConvert({"-q", "-o", out_.path(), rec});
  EXPECT_EQ(quiet.exit_status, 0);
  EXPECT_EQ(quiet.err, "");
}

// A killed run's journal in another version's form is left alone with everything of its run, and
// the conversion and the export still end and say so.
TEST_F(VelbrixConvertTest, WhatARunLeavesAloneIsWarnedAbout) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(64));
  const std::filesystem::path journal = out_ / ".velbrix-00000000000000aa.journal";
  WriteFile(journal, "velbrix-journal 3 1 00000000000000aa\nR5:a.eeg\nend\n");
  const std::string warning = "velbrix-convert: warning: left alone " + journal.string() +
                              ": Not a journal of this version: the run's files are left alone\n";
  const RunResult text = RunConvert({"-c", "Cz", "-o", out_.path(), rec});
  EXPECT_EQ(text.exit_status, 0);
  EXPECT_EQ(text.err, warning);
  const RunResult edf =
      RunConvert({"--format", "edf", "--sample-rate", "2", "-c", "Cz", "-o", out_.path(), rec});
  EXPECT_EQ(edf.exit_status, 0);
  EXPECT_EQ(edf.err, warning);
  EXPECT_EQ(ListFolder(out_.path()), (std::set<std::string>{".velbrix-00000000000000aa.journal",
                                                            "rec01_eeg.edf", "rec01_eeg_Cz.eeg"}));
}

TEST_F(VelbrixConvertTest, HelpAndVersion) {
  const RunResult help = RunConvert({"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_NE(help.out.find("--decimal-separator"), std::string::npos);
  EXPECT_NE(help.out.find("'-d .'"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("numpy"), std::string::npos);
  for (const char* text : {"brainvision", "--bids ROOT", "--subject LABEL", "--task LABEL",
                           "--session LABEL", "--run N", "--line-freq HZ", "ECG for EKG"}) {
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  }
  const RunResult version = RunConvert({"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.out, "velbrix-convert " VELBRIX_VERSION "\n");
}

TEST_F(VelbrixConvertTest, EdfFormatWritesOneFileAndWarnsOfPaddingAndLeftOutBytes) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(300 * 32 + 3));
  const RunResult run =
      RunConvert({"--format", "edf", "--sample-rate", "256", "-c", "Cz", "-o", out_.path(), rec},
                 RunSetup().In(in_.path()));
  EXPECT_EQ(run.exit_status, 0);
  const std::string edf = (out_ / "rec01_eeg.edf").string();
  EXPECT_EQ(run.err, "velbrix-convert: warning: the last 3 bytes of " + rec +
                         " do not make a whole record of 32 bytes and were not converted\n"
                         "velbrix-convert: warning: the last data record of " +
                         edf + " was completed with 212 samples of 0 uV per channel\n");
  EXPECT_EQ(ListFolder(out_.path()), std::set<std::string>{"rec01_eeg.edf"});
  const std::string bytes = ReadFile(edf);
  ASSERT_EQ(bytes.size(), 512u + 2 * 256 * 2);
  EXPECT_EQ(bytes.substr(236, 20), "2       1       1   ");
  EXPECT_EQ(bytes.substr(256, 16), "Cz              ");

  const RunResult quiet =
      RunConvert({"-q", "--format", "edf", "--sample-rate", "256", "-o", out_.path(), rec});
  EXPECT_EQ(quiet.exit_status, 0);
  EXPECT_EQ(quiet.err, "");
}

TEST_F(VelbrixConvertTest, EdfUsageErrors) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(64));
  struct Case {
    std::vector<std::string> arguments;
    std::string says;
  };
  for (const Case& c : std::vector<Case>{
           {{"--format", "edf"}, "needs --sample-rate"},
           {{"--format", "edf", "--sample-rate", "0.000000001"}, "no data record duration"},
           {{"--format", "edf", "--sample-rate", "fast"}, "not a positive number"},
           {{"--format", "edf", "--sample-rate", "256", "--start", "2024-02-30 10:00:00"},
            "not a real date"},
           {{"--format", "edf", "--sample-rate", "256", "-d", "."}, "--format text only"},
           {{"--sample-rate", "256"}, "--format edf or brainvision only"},
           {{"--format", "csv"}, "--format"}}) {
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.end(), {"-o", out_.path(), rec});
    const RunResult run = RunConvert(arguments);
    EXPECT_EQ(run.exit_status, 2) << c.says;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

TEST_F(VelbrixConvertTest, EdfFailuresNameThePathAndSpareTheOtherRecordings) {
  const std::string good = Recording("good_eeg", MakeRecording(64));
  const std::string missing = in_ / "missing_eeg";
  const RunResult run =
      RunConvert({"--format", "edf", "--sample-rate", "2", "-o", out_.path(), missing, good});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.err, "velbrix-convert: Cannot open " + missing + ": No such file or directory\n");
  EXPECT_EQ(ListFolder(out_.path()), std::set<std::string>{"good_eeg.edf"});
}

TEST_F(VelbrixConvertTest, ARecordingWithoutAWholeRecordIsNotExportedInAnyFormat) {
  const std::string empty = Recording("empty_eeg", "");
  const std::string short_one = Recording("short_eeg", MakeRecording(31));
  const std::string good = Recording("good_eeg", MakeRecording(64));
  const std::string root = out_ / "study";
  for (const std::vector<std::string>& format : std::vector<std::vector<std::string>>{
           {"--format", "edf", "-o", out_.path()},
           {"--format", "brainvision", "-o", out_.path()},
           {"--bids", root, "--subject", "01", "--task", "rest"}}) {
    std::vector<std::string> arguments = format;
    arguments.insert(arguments.end(), {"-q", "--sample-rate", "256", empty, short_one, good});
    const RunResult run = RunConvert(arguments);
    EXPECT_EQ(run.exit_status, 1) << format[1];
    EXPECT_EQ(run.err, "velbrix-convert: " + empty +
                           ": holds no whole record; nothing to export\n"
                           "velbrix-convert: " +
                           short_one + ": holds no whole record; nothing to export\n");
  }
  EXPECT_EQ(ListFolder(out_.path()),
            (std::set<std::string>{"good_eeg.edf", "good_eeg.vhdr", "good_eeg.vmrk", "good_eeg.eeg",
                                   "study"}));
  EXPECT_EQ(
      ListFolder(out_ / "study/sub-01/eeg"),
      (std::set<std::string>{"sub-01_task-rest_run-3_eeg.edf", "sub-01_task-rest_run-3_eeg.json",
                             "sub-01_task-rest_run-3_channels.tsv"}));
}

TEST_F(VelbrixConvertTest, DifferentRecordingsOfOneNameAreRefusedBeforeAnythingIsWritten) {
  std::filesystem::create_directory(in_ / "d1");
  std::filesystem::create_directory(in_ / "d2");
  const std::string first = Recording("d1/rec_eeg", MakeRecording(64));
  const std::string second = Recording("d2/rec_eeg", MakeRecording(96));
  const std::string other = Recording("other_eeg", MakeRecording(64));
  for (const char* format : {"text", "edf", "brainvision"}) {
    std::vector<std::string> arguments = {"--format", format, "-o",  out_.path(),
                                          other,      first,  second};
    if (std::string(format) != "text") {
      arguments.insert(arguments.begin(), {"--sample-rate", "256"});
    }
    const RunResult run = RunConvert(arguments);
    EXPECT_EQ(run.exit_status, 2) << format;
    EXPECT_TRUE(run.err.starts_with("velbrix-convert: " + first + " and " + second +
                                    " are different recordings of the same file name"))
        << run.err;
  }
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

TEST_F(VelbrixConvertTest, ARecordingNamedTwiceIsConvertedOnce) {
  std::filesystem::create_directory(in_ / "d");
  const std::string rec = Recording("rec_eeg", MakeRecording(70));
  const RunResult run = RunConvert({"-c", "Fz", "-o", out_.path(), "rec_eeg", rec, "d/../rec_eeg"},
                                   RunSetup().In(in_.path()));
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err,
            "velbrix-convert: warning: the last 6 bytes of rec_eeg do not make a whole "
            "record of 32 bytes and were not converted\n");
  ExpectOutputs(out_.path(), "rec_eeg", {"Fz"});
}

TEST_F(VelbrixConvertTest, BrainVisionFormatWritesThreeFiles) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(300 * 32));
  const RunResult run = RunConvert(
      {"--format", "brainvision", "--sample-rate", "250.5", "-c", "Cz", "-o", out_.path(), rec});
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ListFolder(out_.path()),
            (std::set<std::string>{"rec01_eeg.vhdr", "rec01_eeg.vmrk", "rec01_eeg.eeg"}));
  EXPECT_EQ(ReadFile(out_ / "rec01_eeg.eeg").size(), 300u * 2);
  EXPECT_NE(ReadFile(out_ / "rec01_eeg.vhdr").find("\r\nSamplingInterval=3992.015968063872\r\n"),
            std::string::npos);
}

TEST_F(VelbrixConvertTest, BidsUsageErrorsSayWhyAndWriteNothing) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(64));
  const std::string rec2 = Recording("rec02_eeg", MakeRecording(64));
  const std::string root = out_ / "study";
  struct Case {
    std::vector<std::string> arguments;
    std::string says;
  };
  for (const Case& c : std::vector<Case>{
           {{"--subject", "01", "--task", "rest"}, "--bids needs --sample-rate"},
           {{"--sample-rate", "256", "--task", "rest"}, "needs --subject LABEL and --task LABEL"},
           {{"--sample-rate", "256", "--subject", "sub-01", "--task", "rest"},
            "The subject label \"sub-01\" may hold only letters A-Z, a-z and digits 0-9"},
           {{"--sample-rate", "256", "--subject", "01", "--task", "eyes_closed"},
            "The task label \"eyes_closed\""},
           {{"--sample-rate", "256", "--subject", "01", "--task", "rest", "--session", ""},
            "The session label is empty"},
           {{"--sample-rate", "256", "--subject", "01", "--task", "rest", "--run", "x"},
            "The run \"x\" may hold only digits"},
           {{"--sample-rate", "256", "--subject", "01", "--task", "rest", "--line-freq", "mains"},
            "The power line frequency \"mains\""},
           {{"--sample-rate", "256", "--subject", "01", "--task", "rest", "--line-freq", "55"},
            "The power line frequency \"55\" is neither 50 nor 60 Hz"},
           {{"--sample-rate", "256", "--subject", "01", "--task", "rest", "--run", "1", rec2},
            "--run applies to one recording"},
           {{"--sample-rate", "256", "--subject", "01", "--task", "rest", "-o", out_.path()},
            "-o does not apply"},
           {{"--sample-rate", "256", "--subject", "01", "--task", "rest", "--format", "text"},
            "--bids writes EDF or BrainVision files"},
           {{"--sample-rate", "256", "--subject", "01", "--task", "rest", "--reference", " "},
            "--reference needs a text that is not empty"},
           {{"--sample-rate", "256", "--subject", "01", "--task", "rest", "--authors", ";"},
            "--authors names no author"}}) {
    std::vector<std::string> arguments = {"--bids", root};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    arguments.push_back(rec);
    const RunResult run = RunConvert(arguments);
    EXPECT_EQ(run.exit_status, 2) << c.says;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
  for (const char* option : {"--session", "--reference", "--ground", "--authors", "--license"}) {
    const RunResult loose = RunConvert({option, "1", "-o", out_.path(), rec});
    EXPECT_EQ(loose.exit_status, 2);
    EXPECT_NE(loose.err.find("apply to --bids only"), std::string::npos) << loose.err;
  }
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

TEST_F(VelbrixConvertTest, BidsRecordingsTakeRunsInTheOrderGiven) {
  const std::string rec1 = Recording("rec01_eeg", MakeRecording(64));
  const std::string rec3 = Recording("rec03_eeg", MakeRecording(64));
  const std::string root = out_ / "study";
  const RunResult run =
      RunConvert({"--bids", root, "--subject", "01", "--task", "rest", "--format", "brainvision",
                  "--sample-rate", "256", rec1, in_ / "missing_eeg", rec3, rec1});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.err, "velbrix-convert: Cannot open " + (in_ / "missing_eeg").string() +
                         ": No such file or directory\n");
  std::set<std::string> vhdr;
  for (const std::string& name : ListFolder(out_ / "study/sub-01/eeg")) {
    if (name.ends_with(".vhdr")) {
      vhdr.insert(name);
    }
  }
  EXPECT_EQ(vhdr, (std::set<std::string>{"sub-01_task-rest_run-1_eeg.vhdr",
                                         "sub-01_task-rest_run-3_eeg.vhdr"}));
}

TEST_F(VelbrixConvertTest, AListFileAddsItsRecordingsAfterTheCommandLinesAndMissingOnesFail) {
  const std::string first = Recording("first_eeg", MakeRecording(64));
  Recording("listed_eeg", MakeRecording(64));
  const std::string missing = in_ / "missing_eeg";
  WriteFile(in_ / "list", "\n" + missing + "\r\n\nlisted_eeg\r\n" + first + "\n");
  for (const std::string& list : {std::string("list"), std::string("-")}) {
    const TempDir out;
    const RunResult run =
        RunConvert({"-c", "Fz", "-o", out.path(), "--recordings-from", list, first},
                   RunSetup().In(in_.path()).Stdin(in_ / "list"));
    EXPECT_EQ(run.exit_status, 1) << list;
    EXPECT_EQ(run.err, "velbrix-convert: Cannot open " + missing + ": No such file or directory\n");
    ExpectOutputs(out.path(), "first_eeg", {"Fz"});
    ExpectOutputs(out.path(), "listed_eeg", {"Fz"});
  }
  const RunResult no_list = RunConvert({"--recordings-from", in_ / "nolist", "-o", out_.path()});
  EXPECT_EQ(no_list.exit_status, 2);
  EXPECT_TRUE(no_list.err.starts_with("velbrix-convert: Cannot read the list of recordings " +
                                      (in_ / "nolist").string() + ": No such file or directory\n"))
      << no_list.err;
  WriteFile(in_ / "blank", "\n\r\n");
  EXPECT_EQ(RunConvert({"--recordings-from", in_ / "blank"}).exit_status, 2);
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

TEST_F(VelbrixConvertTest, ShardsWriteDisjointPartsOfWhatOneRunWrites) {
  std::string list;
  for (int i = 1; i <= 5; ++i) {
    list += Recording("rec0" + std::to_string(i) + "_eeg", MakeRecording(64)) + "\n";
  }
  WriteFile(in_ / "list", list);
  // The BIDS files of one subject's recordings: their names hold the runs.
  const auto eeg_files = [&](const std::string& shard) {
    std::string folder = "study" + shard;
    std::replace(folder.begin(), folder.end(), '/', '-');
    const std::string root = out_ / folder;
    std::vector<std::string> arguments = {
        "--bids",        root,  "--subject",         "01",        "--task", "rest",
        "--sample-rate", "256", "--recordings-from", in_ / "list"};
    if (!shard.empty()) {
      arguments.insert(arguments.end(), {"--shard", shard});
    }
    const RunResult run = RunConvert(arguments);
    EXPECT_EQ(run.exit_status, 0) << run.err;
    return ListFolder(std::filesystem::path(root) / "sub-01/eeg");
  };
  const std::set<std::string> whole = eeg_files("");
  EXPECT_EQ(whole.size(), 5u * 3);
  std::set<std::string> shards;
  for (const std::string shard : {"1/3", "2/3", "3/3"}) {
    for (const std::string& name : eeg_files(shard)) {
      EXPECT_TRUE(shards.insert(name).second) << name << " in two shares";
    }
  }
  EXPECT_EQ(shards, whole);
}

TEST_F(VelbrixConvertTest, ABadShardIsAUsageError) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(64));
  for (const char* shard : {"0/2", "3/2", "1/0", "a/b", "2"}) {
    const RunResult run = RunConvert({"--shard", shard, "-o", out_.path(), rec});
    EXPECT_EQ(run.exit_status, 2) << shard;
    EXPECT_TRUE(run.err.starts_with("velbrix-convert: --shard ")) << run.err;
  }
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

TEST_F(VelbrixConvertTest, BidsLabFactsGoIntoTheSidecarAndANewDatasetDescriptionOnly) {
  const std::string rec = Recording("rec01_eeg", MakeRecording(64));
  const std::string root = out_ / "study";
  const std::vector<std::string> common = {"-q",
                                           "--bids",
                                           root,
                                           "--subject",
                                           "01",
                                           "--task",
                                           "rest",
                                           "--sample-rate",
                                           "256",
                                           "--reference",
                                           "linked mastoids",
                                           "--ground",
                                           "AFz"};
  std::vector<std::string> first = common;
  first.insert(first.end(), {"--authors", "A. Smith; B. Jones", "--license", "CC0", rec});
  ASSERT_EQ(RunConvert(first).exit_status, 0);
  const std::string description = ReadFile(out_ / "study/dataset_description.json");
  EXPECT_NE(description.find("\"License\": \"CC0\",\n  \"Authors\": [\"A. Smith\", \"B. Jones\"]"),
            std::string::npos)
      << description;
  const std::string sidecar = ReadFile(out_ / "study/sub-01/eeg/sub-01_task-rest_eeg.json");
  EXPECT_NE(sidecar.find("\"EEGReference\": \"linked mastoids\",\n  \"EEGGround\": \"AFz\""),
            std::string::npos)
      << sidecar;
  std::vector<std::string> second = common;
  second.insert(second.end(), {"--authors", "C. Other", "--license", "PDDL", rec});
  ASSERT_EQ(RunConvert(second).exit_status, 0);
  EXPECT_EQ(ReadFile(out_ / "study/dataset_description.json"), description);
}

// Refused before anything is written: an empty output folder, a name too long for the folder
// (temporaries never are), and, for BrainVision, a name that is not UTF-8. Help that cannot be
// written is a failure. Missing recordings of one name are missing, not different.
TEST_F(VelbrixConvertTest, NamesAndFoldersAreCheckedBeforeAnythingIsWritten) {
  const std::string rec = Recording("rec_eeg", MakeRecording(64));
  EXPECT_EQ(RunConvert({"-o", "", rec}).exit_status, 2);
  const std::string longest = Recording(std::string(255 - 4 - 7, 'a') + "_eeg", MakeRecording(64));
  EXPECT_EQ(RunConvert({"-c", "Fz", "-o", out_.path(), longest}).exit_status, 0);
  const RunResult too_long = RunConvert({"-c", "EKG", "-o", out_.path(), longest});
  EXPECT_EQ(too_long.exit_status, 2);
  EXPECT_NE(too_long.err.find("_eeg_EKG.eeg is too long: 256 characters"), std::string::npos)
      << too_long.err;
  const std::string not_utf8 = Recording("r\xFF_eeg", MakeRecording(64));
  const RunResult brainvision =
      RunConvert({"--format", "brainvision", "--sample-rate", "256", "-o", out_.path(), not_utf8});
  EXPECT_EQ(brainvision.exit_status, 2);
  EXPECT_NE(brainvision.err.find("not valid UTF-8"), std::string::npos) << brainvision.err;
  EXPECT_EQ(ListFolder(out_.path()).size(), 1u);
  EXPECT_EQ(RunConvert({"--help"}, RunSetup().Stdout("/dev/full")).exit_status, 1);
  EXPECT_EQ(RunConvert({"--version"}, RunSetup().Stdout("/dev/full")).exit_status, 1);
  const RunResult missing = RunConvert({"-o", out_.path(), in_ / "a/rec_eeg", in_ / "b/rec_eeg"});
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_EQ(missing.err.find("different recordings"), std::string::npos) << missing.err;
}

// Every regular file below `root`, by its path relative to `root`, with its bytes.
std::map<std::string, std::string> TreeContents(const std::filesystem::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files[entry.path().lexically_relative(root).string()] = ReadFile(entry.path());
    }
  }
  return files;
}

// Recordings of different sizes, the biggest first, so that jobs finish out of their order; the
// second's partial record gives it a warning, and EDF's padding others.
class JobsTest : public VelbrixConvertTest,
                 public ::testing::WithParamInterface<std::vector<std::string>> {
 protected:
  void SetUp() override {
    for (const auto& [name, size] :
         {std::pair{"rec01_eeg", 3 * 1024 * 1024}, std::pair{"rec02_eeg", 64 * 1024 + 5},
          std::pair{"rec03_eeg", 32 * 1024}, std::pair{"rec04_eeg", 320},
          std::pair{"rec05_eeg", 32 * 100}}) {
      recordings_.push_back(Recording(name, MakeRecording(static_cast<std::size_t>(size))));
    }
  }
  // Runs the test's format with `jobs` into a folder of its own; returns what is there, and
  // what was said.
  std::pair<std::map<std::string, std::string>, std::string> Convert(const std::string& jobs) {
    const std::filesystem::path folder = out_ / ("jobs" + jobs);
    std::filesystem::create_directory(folder);
    std::vector<std::string> arguments = GetParam();
    const bool bids = arguments[0] == "--bids";
    if (bids) {
      arguments.insert(arguments.begin() + 1, (folder / "study").string());
    } else {
      arguments.insert(arguments.end(), {"-o", folder.string()});
    }
    arguments.insert(arguments.end(), {"--jobs", jobs});
    std::string said;
    for (const std::string subject : {"02", "01"}) {
      std::vector<std::string> call = arguments;
      if (bids) {
        call.insert(call.end(), {"--subject", subject});
      }
      call.insert(call.end(), recordings_.begin(), recordings_.end());
      const RunResult run = RunConvert(call);
      EXPECT_EQ(run.exit_status, 0) << run.err;
      said += run.err;
      if (!bids) {
        break;  // one call
      }
    }
    std::string warning = "the last 5 bytes of " + recordings_[1] + " do not make a whole record";
    EXPECT_NE(said.find(warning), std::string::npos) << said;
    // The messages name the outputs: in a folder of the same name for each number of jobs.
    for (std::size_t at; (at = said.find(folder.string())) != std::string::npos;) {
      said.replace(at, folder.string().size(), "OUT");
    }
    return {TreeContents(folder), said};
  }
  std::vector<std::string> recordings_;
};

// The same files, byte for byte, whatever the number of jobs; into a BIDS dataset, two subjects'
// calls, whose runs and rows of participants.tsv and scans.tsv keep the recordings' order.
TEST_P(JobsTest, SeveralJobsWriteTheFilesOfOne) {
  const auto [one, said_by_one] = Convert("1");
  ASSERT_GE(one.size(), 5u);
  for (const std::string jobs : {"2", "3"}) {
    const auto [several, said] = Convert(jobs);
    EXPECT_EQ(said, said_by_one) << jobs;
    ASSERT_EQ(several.size(), one.size()) << jobs;
    for (const auto& [name, bytes] : one) {
      EXPECT_TRUE(several.count(name) == 1 && several.at(name) == bytes)
          << name << " differs with --jobs " << jobs;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, JobsTest,
    ::testing::Values(std::vector<std::string>{"-c", "Fz", "-c", "EKG"},
                      std::vector<std::string>{"--format", "edf", "--sample-rate", "256"},
                      std::vector<std::string>{"--format", "brainvision", "--sample-rate", "256"},
                      std::vector<std::string>{"--bids", "--task", "rest", "--sample-rate", "256"},
                      std::vector<std::string>{"--bids", "--task", "rest", "--sample-rate", "256",
                                               "--format", "brainvision", "--session", "1"}),
    [](const ::testing::TestParamInfo<std::vector<std::string>>& param) {
      const std::vector<std::string>& arguments = param.param;
      if (arguments[0] == "--bids") {
        return std::string(arguments.size() > 5 ? "BidsBrainVision" : "BidsEdf");
      }
      return std::string(arguments[0] == "-c"    ? "Text"
                         : arguments[1] == "edf" ? "Edf"
                                                 : "BrainVision");
    });

// A failing recording among good ones, with jobs finishing out of order: the messages come in
// the recordings' order, the others are converted, and the exit status says that one failed.
TEST_F(VelbrixConvertTest, SeveralJobsTellFailuresInTheRecordingsOrder) {
  const std::string big = Recording("big_eeg", MakeRecording(2 * 1024 * 1024 + 3));
  const std::string missing = in_ / "missing_eeg";
  const std::string good = Recording("good_eeg", MakeRecording(96));
  const std::string blocked = Recording("blocked_eeg", MakeRecording(64));
  std::filesystem::create_directory(out_ / "blocked_eeg_Cz.eeg");
  const RunResult run =
      RunConvert({"--jobs", "3", "-o", out_.path(), big, missing, "bad.eeg", good, blocked},
                 RunSetup().In(in_.path()));
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.err, "velbrix-convert: warning: the last 3 bytes of " + big +
                         " do not make a whole record of 32 bytes and were not converted\n"
                         "velbrix-convert: Cannot open " +
                         missing +
                         ": No such file or directory\n"
                         "velbrix-convert: bad.eeg: Not a Valid EEG file\n"
                         "velbrix-convert: Cannot replace " +
                         (out_ / "blocked_eeg_Cz.eeg").string() + ": Is a directory\n");
  ExpectOutputs(out_.path(), "big_eeg", AllChannels());
  ExpectOutputs(out_.path(), "good_eeg", AllChannels());
  EXPECT_EQ(ListFolder(out_.path()).size(), 65u);  // big's, good's and the folder
}

TEST_F(VelbrixConvertTest, ABadJobCountIsAUsageError) {
  const std::string rec = Recording("rec_eeg", MakeRecording(64));
  for (const auto& [value, message] :
       {std::pair<std::string, std::string>{"0", "--jobs 0: at least 1 job is needed"},
        {"257", "--jobs 257: at most 256 jobs"},
        {"two", "--jobs \"two\" is not a number of jobs: a whole number, as in --jobs 4"},
        {"-1", "--jobs \"-1\" is not a number of jobs"}}) {
    const RunResult run = RunConvert({"--jobs", value, "-o", out_.path(), rec});
    EXPECT_EQ(run.exit_status, 2) << value;
    EXPECT_EQ(run.err.find("velbrix-convert: " + message), 0u) << run.err;
  }
  EXPECT_EQ(RunConvert({"-o", out_.path(), rec, "--jobs"}).exit_status, 2);
  EXPECT_TRUE(ListFolder(out_.path()).empty());
}

// Another run holds the folder's lock for a while: the run says so once, naming the lock's file,
// and goes on when it is free.
TEST_F(VelbrixConvertTest, AWaitForAnotherRunIsTold) {
  const std::string rec = Recording("rec_eeg", MakeRecording(64));
  auto lock = std::make_unique<FolderLock>();
  ASSERT_FALSE(lock->Acquire(out_.path()));
  const RunResult run =
      RunConvert({"-q", "-c", "Fz", "-o", out_.path(), rec}, RunSetup().WhileRunning([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1800));
        lock.reset();
      }));
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "velbrix-convert: " + rec + ": Waiting for another run, which holds " +
                         (out_ / ".velbrix-lock").string() + " (at most 120 s)\n");
}

// A recording that arrives through a pipe: half a megabyte at once, then, after a pause longer
// than the quiet start of the progress display, another half.
class SlowRecordingTest : public VelbrixConvertTest {
 protected:
  void SetUp() override { ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0) << std::strerror(errno); }
  void Feed() const {
    const int fd = open(fifo_.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const std::string half = MakeRecording(512 * 1024);
    ASSERT_EQ(write(fd, half.data(), half.size()), static_cast<ssize_t>(half.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(write(fd, half.data(), half.size()), static_cast<ssize_t>(half.size()));
    close(fd);
  }
  const std::string fifo_ = in_ / "slow_eeg";
};

TEST_F(SlowRecordingTest, NoProgressWhenStderrIsNotATerminal) {
  const RunResult run = RunConvert({"-o", out_.path(), "-c", "Cz", fifo_},
                                   RunSetup().WhileRunning([this] { Feed(); }));
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "");
}

TEST_F(SlowRecordingTest, ProgressOnATerminalIsErasedAtTheEnd) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  const RunResult run = RunConvert({"-o", out_.path(), "-c", "Cz", fifo_},
                                   RunSetup().Stderr(terminal).WhileRunning([this] { Feed(); }));
  close(terminal);
  std::string shown;
  char buffer[4096];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) {
    shown.append(buffer, static_cast<std::size_t>(n));
  }
  close(master);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_NE(shown.find("\rslow_eeg  0 MB  "), std::string::npos) << shown;
  EXPECT_NE(shown.find(" MB/s"), std::string::npos) << shown;
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), '\r');  // the line is wiped and the cursor back at its start
}

// A big recording arrives through a pipe; Ctrl-C (SIGINT, or SIGTERM) once the run has read 4 MB
// of it stops the run as the window's Stop does: nothing of it is left, the recordings after it
// are not started (one job), and the program ends with 130.
class InterruptTest : public VelbrixConvertTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0) << std::strerror(errno);
    std::signal(SIGPIPE, SIG_IGN);  // the program stops reading: writes fail instead
  }
  void TearDown() override { std::signal(SIGPIPE, SIG_DFL); }
  // Writes 4 MB into the pipe (once written, at most the pipe's buffer is unread, so the run is
  // under way), sends the signal, writes on until the program stops reading, and closes.
  void FeedAndInterrupt(pid_t child, int signal) const {
    const int fd = open(fifo_.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const std::string chunk = MakeRecording(1024 * 1024);
    for (int i = 0; i < 4; ++i) {
      ASSERT_EQ(write(fd, chunk.data(), chunk.size()), static_cast<ssize_t>(chunk.size()));
    }
    ASSERT_EQ(kill(child, signal), 0);
    for (int i = 0; i < 1024 && write(fd, chunk.data(), chunk.size()) > 0; ++i) {
    }
    close(fd);
  }
  const std::string fifo_ = in_ / "big_eeg";
};

TEST_P(InterruptTest, StopsTheRunAndLeavesNothingOfIt) {
  WriteFile(out_ / "big_eeg_FP2.eeg", "kept");
  const std::string later = Recording("later_eeg", MakeRecording(64));
  const RunResult run = RunConvert(
      {"-q", "--jobs", "1", "-o", out_.path(), fifo_, later},
      RunSetup().WhileRunning([&](pid_t child) { FeedAndInterrupt(child, GetParam()); }));
  EXPECT_EQ(run.exit_status, 130);
  EXPECT_EQ(run.err, "velbrix-convert: Stopped converting " + fifo_ + "\n");
  EXPECT_EQ(ListFolder(out_.path()), std::set<std::string>{"big_eeg_FP2.eeg"});
  EXPECT_EQ(ReadFile(out_ / "big_eeg_FP2.eeg"), "kept");
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& signal) {
                           return std::string(signal.param == SIGINT ? "Sigint" : "Sigterm");
                         });

// Two big recordings arrive through pipes to two jobs, a third waits for a job; Ctrl-C once both
// runs are under way stops both: nothing of any job is left in the output folder (no temporary,
// and no dataset folder that the runs made), the third recording is not started, and each stopped
// run is told in order. As text files, and into a BIDS dataset.
class JobsInterruptTest : public VelbrixConvertTest, public ::testing::WithParamInterface<bool> {};

TEST_P(JobsInterruptTest, CtrlCStopsEveryJobAndLeavesNothingOfAny) {
  std::signal(SIGPIPE, SIG_IGN);
  const std::string first = in_ / "big1_eeg";
  const std::string second = in_ / "big2_eeg";
  for (const std::string& fifo : {first, second}) {
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
  }
  const std::string later = Recording("later_eeg", MakeRecording(64));
  const std::string chunk = MakeRecording(1024 * 1024);
  std::vector<std::string> arguments = {"-q", "--jobs", "2", first, second, later};
  if (GetParam()) {
    arguments.insert(arguments.end(), {"--bids", out_ / "study", "--subject", "01", "--task",
                                       "rest", "--sample-rate", "256"});
  } else {
    arguments.insert(arguments.end(), {"-o", out_.path()});
  }
  const RunResult run = RunConvert(arguments, RunSetup().WhileRunning([&](pid_t child) {
    int fds[2];
    for (int i = 0; i < 2; ++i) {  // each job opens its own pipe
      fds[i] = open((i == 0 ? first : second).c_str(), O_WRONLY);
      ASSERT_GE(fds[i], 0);
    }
    for (int i = 0; i < 4; ++i) {
      for (const int fd : fds) {
        ASSERT_EQ(write(fd, chunk.data(), chunk.size()), static_cast<ssize_t>(chunk.size()));
      }
    }
    ASSERT_EQ(kill(child, SIGINT), 0);
    std::vector<std::thread> feeders;
    for (const int fd : fds) {
      feeders.emplace_back([&, fd] {
        for (int i = 0; i < 1024 && write(fd, chunk.data(), chunk.size()) > 0; ++i) {
        }
        close(fd);
      });
    }
    for (std::thread& feeder : feeders) {
      feeder.join();
    }
  }));
  std::signal(SIGPIPE, SIG_DFL);
  EXPECT_EQ(run.exit_status, 130);
  EXPECT_EQ(run.err, "velbrix-convert: Stopped converting " + first +
                         "\nvelbrix-convert: Stopped converting " + second + "\n");
  EXPECT_EQ(ListFolder(out_.path()), std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Formats, JobsInterruptTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& bids) {
                           return std::string(bids.param ? "Bids" : "Text");
                         });

}  // namespace
}  // namespace velbrix
