// The texture cache: one texture per name and folder, the small fallback, one warning.
#include "graphics/TextureTable.h"

#include <gtest/gtest.h>

#include "shell/MessageBox.h"
#include "support/RecordingDevice.h"

namespace qm {
namespace {

// A 2 x 2 24-bit BMP, bottom row first.
std::vector<std::uint8_t> TinyBmp() {
  std::vector<std::uint8_t> bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                                   40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,
                                   0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, 0, 0, 0, 0};
  for (int row = 0; row < 2; ++row) {
    for (int px = 0; px < 2; ++px) bmp.insert(bmp.end(), {0x10, 0x80, 0xF0});
    bmp.insert(bmp.end(), {0, 0});  // rows are padded to 4 bytes
  }
  return bmp;
}

class TextureTableTest : public ::testing::Test {
 protected:
  RecordingDirect3D8* d3d = nullptr;
  IDirect3DDevice8* device = nullptr;
  std::vector<std::string> boxes;
  TextureTable& table = TextureTable::Instance();

  virtual HRESULT TextureError() const { return D3D_OK; }
  void SetUp() override {
    Direct3DScript script;
    script.createTextureError = TextureError();
    device = testing::CreateRecordingDevice(d3d, script, testing::TestBackBuffer(800, 600));
    ASSERT_NE(device, nullptr);
    table.Clear();
    table.Init(d3d, device, D3DFMT_X8R8G8B8, 1);
    SetMessageBoxSink([this](HWND, std::string_view t, std::string_view c, UINT) {
      boxes.push_back(std::string(c) + ": " + std::string(t));
    });
  }
  void TearDown() override {
    SetMessageBoxSink(nullptr);
    table.Clear();
    d3d->Release();
  }
  std::size_t Creations() const { return d3d->Log()->Count("CreateTexture"); }
};

TEST_F(TextureTableTest, SameNameAndFolderIsCreatedOnce) {
  const auto bmp = TinyBmp();
  const TextureRef first = table.LoadFromMemory(bmp.data(), bmp.size(), "digit_0.JPG", "Digits\\");
  ASSERT_EQ(first.iIndex, 0);
  EXPECT_TRUE(table.Entry(0).bLoaded);
  const std::size_t created = Creations();
  const TextureRef again = table.LoadFromMemory(bmp.data(), bmp.size(), "digit_0.JPG", "Digits\\");
  EXPECT_EQ(again.iIndex, 0);
  EXPECT_EQ(Creations(), created) << "the device is not touched again";
  const TextureRef other = table.LoadFromMemory(bmp.data(), bmp.size(), "digit_0.JPG", "Other\\");
  EXPECT_EQ(other.iIndex, 1);
  const TextureRef caseMatters =
      table.LoadFromMemory(bmp.data(), bmp.size(), "DIGIT_0.JPG", "Digits\\");
  EXPECT_EQ(caseMatters.iIndex, 2);
  EXPECT_EQ(table.FallbackFormat(), D3DFMT_A1R5G5B5);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(TextureTableTest, TwoFailuresShowOneWarningAndLeaveEmptyEntries) {
  const std::uint8_t garbage[] = {1, 2, 3, 4, 5, 6, 7, 8};
  const TextureRef a = table.LoadFromMemory(garbage, sizeof garbage, "a.jpg", "");
  const TextureRef b = table.LoadFromMemory(garbage, sizeof garbage, "b.jpg", "");
  EXPECT_EQ(a.iIndex, 0);
  EXPECT_EQ(b.iIndex, 1);
  EXPECT_FALSE(table.Entry(0).bLoaded);
  EXPECT_EQ(table.Entry(1).pTexture, nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0],
            "Warning!: Some textures was not loaded. There why some objects will be white color.");
  table.SetTexture(0, a.iIndex);  // an empty entry draws untextured
  IDirect3DBaseTexture8* bound = reinterpret_cast<IDirect3DBaseTexture8*>(1);
  device->GetTexture(0, &bound);
  EXPECT_EQ(bound, nullptr);
}

// A device whose video memory is full.
class FullVideoMemoryTest : public TextureTableTest {
  HRESULT TextureError() const override { return D3DERR_OUTOFVIDEOMEMORY; }
};

TEST_F(FullVideoMemoryTest, RetriesSmallThenSaysSo) {
  const auto bmp = TinyBmp();
  table.LoadFromMemory(bmp.data(), bmp.size(), "big.jpg", "");
  EXPECT_EQ(Creations(), 2u);  // the file's size, then the 16-bit fallback
  const auto calls = d3d->Log()->Texts("CreateTexture");
  // 256 x 256 (the cap on the device's widest texture) in A1R5G5B5 (25).
  EXPECT_EQ(calls.back().rfind("CreateTexture(256, 256, ", 0), 0u) << calls.back();
  EXPECT_NE(calls.back().find(", 25, "), std::string::npos) << calls.back();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0],
            "Warning!: Not enought video memory. There why some objects will be white color.");
}

TEST_F(TextureTableTest, BadIndicesAndStagesDoNothing) {
  d3d->Log()->Clear();
  table.SetTexture(0, 5);   // past the table
  table.SetTexture(8, -1);  // a stage above 7
  EXPECT_EQ(d3d->Log()->Count("SetTexture"), 0u);
  table.SetTexture(3, -1);  // -1 unbinds
  EXPECT_EQ(d3d->Log()->Count("SetTexture"), 1u);
}

TEST_F(TextureTableTest, AFullTableRefusesFurtherTextures) {
  const auto bmp = TinyBmp();
  for (int i = 0; i < TextureTable::kMaxEntries; ++i) {
    const std::string name = "t" + std::to_string(i);
    ASSERT_EQ(table.LoadFromMemory(bmp.data(), bmp.size(), name.c_str(), "").iIndex, i);
  }
  EXPECT_EQ(table.LoadFromMemory(bmp.data(), bmp.size(), "one more", "").iIndex, -1);
  EXPECT_EQ(table.Count(), TextureTable::kMaxEntries);
  EXPECT_EQ(table.LoadFromMemory(bmp.data(), bmp.size(), "t7", "").iIndex, 7);  // still found
}

TEST(TextureTableWithoutDevice, LoadsNothing) {
  TextureTable::Instance().Clear();
  const std::uint8_t byte = 0;
  EXPECT_EQ(TextureTable::Instance().LoadFromMemory(&byte, 1, "x", "y").iIndex, -1);
}

}  // namespace
}  // namespace qm
