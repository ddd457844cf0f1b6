#include "core/convert/record_blocks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/base/record.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::MakeRecording;
using testing::TempDir;
using testing::WriteFile;

// Reading in turns: the two buffers alternate, a block stays as it was read until the call after
// next, and the consumer is drained before the reading returns, whether it ends, fails or stops.
TEST(RecordBlocksTest, InTurnsBlocksStayValidOneCallMoreAndTheConsumerIsAlwaysDrained) {
  TempDir dir;
  const std::string recording = MakeRecording((3 * kRecordsPerBlock + 5) * kRecordSize + 7);
  WriteFile(dir / "rec_eeg", recording);
  for (const int failing_call : {-1, 2}) {
    SCOPED_TRACE(failing_call);
    FileTable files;
    ASSERT_TRUE(files.OpenForBinaryInput(1, dir / "rec_eeg").ok());
    std::vector<const std::uint8_t*> blocks;
    std::size_t offset = 0;
    int drains = 0;
    const auto consume = [&](const std::uint8_t* records, std::size_t count) {
      if (!blocks.empty()) {  // the block before is still whole
        const std::size_t before = offset - kRecordsPerBlock * kRecordSize;
        EXPECT_EQ(0, std::memcmp(blocks.back(), recording.data() + before,
                                 kRecordsPerBlock * kRecordSize));
        EXPECT_NE(blocks.back(), records);
      }
      EXPECT_EQ(0, std::memcmp(records, recording.data() + offset, count * kRecordSize));
      blocks.push_back(records);
      offset += count * kRecordSize;
      return static_cast<int>(blocks.size()) == failing_call
                 ? Status::IoError("Cannot write to", "out", "no space")
                 : Status::Ok();
    };
    RecordBlocksRead read;
    const Status status = ReadRecordBlocksInTurns(
        files, 1, consume, [&] { return ++drains, Status::Ok(); }, {}, &read);
    EXPECT_EQ(drains, 1);
    if (failing_call < 0) {
      EXPECT_TRUE(status.ok()) << status.message();
      EXPECT_EQ(read.records, 3 * kRecordsPerBlock + 5);
      EXPECT_EQ(read.bytes_left_out, 7u);
      EXPECT_EQ(blocks.size(), 4u);
    } else {
      EXPECT_EQ(status.message(), "Cannot write to out: no space");
    }
  }

  // A stop, and a failure told only by the drain.
  FileTable files;
  ASSERT_TRUE(files.OpenForBinaryInput(1, dir / "rec_eeg").ok());
  StopRequest stop;
  stop.Request();
  int drains = 0;
  RecordBlocksRead read;
  const Status stopped = ReadRecordBlocksInTurns(
      files, 1, [](const std::uint8_t*, std::size_t) { return Status::Ok(); },
      [&] { return ++drains, Status::IoError("Cannot write to", "out", "late"); }, {}, &read,
      &stop);
  EXPECT_TRUE(stopped.stopped());
  EXPECT_EQ(drains, 1);
  FileTable again;
  ASSERT_TRUE(again.OpenForBinaryInput(1, dir / "rec_eeg").ok());
  EXPECT_EQ(ReadRecordBlocksInTurns(
                again, 1, [](const std::uint8_t*, std::size_t) { return Status::Ok(); },
                [] { return Status::IoError("Cannot write to", "out", "late"); }, {}, &read)
                .message(),
            "Cannot write to out: late");
}

}  // namespace
}  // namespace velbrix
