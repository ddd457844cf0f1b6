#include "core/formats/png_file.h"

#include <gtest/gtest.h>

#include "core/testing/stored_png.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::ReadFile;
using testing::TempDir;

RgbImage Gradient(int width, int height) {
  RgbImage image{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.pixels.push_back(static_cast<std::uint8_t>(x));
      image.pixels.push_back(static_cast<std::uint8_t>(y));
      image.pixels.push_back(static_cast<std::uint8_t>(x ^ y));
    }
  }
  return image;
}

TEST(PngFileTest, APictureLargerThanABlockReadsBackAsWritten) {
  TempDir dir;
  const RgbImage image = Gradient(300, 200);  // 180,200 bytes of rows: three stored blocks
  ASSERT_TRUE(WritePngFile(dir / "page.png", image).ok());
  const std::string png = ReadFile(dir / "page.png");
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
  RgbImage back;
  ASSERT_TRUE(DecodeStoredPng(png, &back));
  EXPECT_EQ(back.width, 300);
  EXPECT_EQ(back.height, 200);
  EXPECT_EQ(back.pixels, image.pixels);
  EXPECT_EQ(testing::ListFolder(dir.path()), std::set<std::string>{"page.png"});
}

TEST(PngFileTest, AFolderThatCannotBeWrittenNamesThePicture) {
  TempDir dir;
  const Status status = WritePngFile(dir / "missing" / "page.png", Gradient(2, 2));
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(
      status.message().rfind("Cannot create " + PathForDisplay(dir / "missing" / "page.png"), 0),
      0u)
      << status.message();
}

}  // namespace
}  // namespace velbrix
