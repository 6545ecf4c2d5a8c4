// D3DXCreateTextureFromFileInMemory and its Ex form on the recording device: the texture's
// size, level count and format, the pixels of each level, and the error results.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ImageTestFiles.h"
#include "d3d/RecordingDevice8.h"
#include "d3d/RecordingDirect3D8.h"
#include "support/RecordingDevice.h"
#include "d3dx/D3DXTexture.h"

namespace qm::test {
namespace {

// One level read back: its size and pixels as stored (4 or 2 bytes each, no row padding).
struct Level {
  UINT width = 0;
  UINT height = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(UINT x, UINT y) const { return pixels[y * width + x]; }
};

Level ReadLevel(IDirect3DTexture8* texture, UINT level) {
  Level out;
  D3DSURFACE_DESC desc{};
  EXPECT_EQ(texture->GetLevelDesc(level, &desc), D3D_OK);
  out.width = desc.Width;
  out.height = desc.Height;
  out.format = desc.Format;
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  const bool wide = desc.Format == D3DFMT_A8R8G8B8 || desc.Format == D3DFMT_X8R8G8B8;
  for (UINT y = 0; y < desc.Height; ++y) {
    const auto* row = static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch;
    for (UINT x = 0; x < desc.Width; ++x) {
      const std::uint8_t* p = row + x * (wide ? 4 : 2);
      const std::uint32_t low = static_cast<std::uint32_t>(p[0] | p[1] << 8);
      out.pixels.push_back(wide ? low | static_cast<std::uint32_t>(p[2]) << 16 |
                                      static_cast<std::uint32_t>(p[3]) << 24
                                : low);
    }
  }
  texture->UnlockRect(level);
  return out;
}

TestPicture Solid(UINT width, UINT height, std::uint32_t argb) {
  return TestPicture{width, height, std::vector<std::uint32_t>(width * height, argb)};
}

class D3DXTextureTest : public ::testing::Test {
 protected:
  void SetUp() override { CreateDevice(ScriptedAdapter::DefaultCaps()); }
  void TearDown() override {
    if (m_texture) m_texture->Release();
    m_direct3D->Release();
  }

  void CreateDevice(const D3DCAPS8& caps, HRESULT createTextureError = D3D_OK) {
    if (m_direct3D) m_direct3D->Release();
    Direct3DScript script;
    script.adapters.push_back(ScriptedAdapter{});
    script.adapters[0].caps = caps;
    script.createTextureError = createTextureError;
    D3DPRESENT_PARAMETERS parameters = testing::TestBackBuffer(640, 480);
    parameters.Windowed = TRUE;
    m_device = testing::CreateRecordingDevice(m_direct3D, script, parameters);
    ASSERT_NE(m_device, nullptr);
  }

  // The texture table's call: file size, full chain, the file's format, default filters.
  HRESULT LoadLikeTheTable(const Bytes& file, UINT size = 0, D3DFORMAT format = D3DFMT_UNKNOWN,
                           D3DCOLOR colorKey = 0, D3DXIMAGE_INFO* info = nullptr) {
    return D3DXCreateTextureFromFileInMemoryEx(
        m_device, file.data(), static_cast<UINT>(file.size()), size, size, 0, 0, format,
        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, colorKey, info, nullptr, &m_texture);
  }

  std::string LastCreateTexture() {
    const auto calls = m_device->Log().Texts("CreateTexture");
    return calls.empty() ? "" : calls.back();
  }

  RecordingDirect3D8* m_direct3D = nullptr;
  RecordingDevice8* m_device = nullptr;
  IDirect3DTexture8* m_texture = nullptr;
};

TEST_F(D3DXTextureTest, AlphaFileKeepsItsSizeAndGetsAFullChain) {
  const TestPicture picture = MakeGradient(256, 128, 0);
  const Bytes file = WriteTga(picture, 32, true, false);
  ASSERT_EQ(D3DXCreateTextureFromFileInMemory(m_device, file.data(),
                                              static_cast<UINT>(file.size()), &m_texture),
            D3D_OK);
  EXPECT_EQ(LastCreateTexture(), "CreateTexture(256, 128, 9, 0, 21, 1)");
  ASSERT_EQ(m_texture->GetLevelCount(), 9u);
  const Level top = ReadLevel(m_texture, 0);
  EXPECT_EQ(top.format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(top.pixels, picture.pixels);  // B, G, R, A bytes, exactly the file's

  // Each lower level is the 2 x 2 mean of the one above.
  const Level second = ReadLevel(m_texture, 1);
  EXPECT_EQ(second.width, 128u);
  std::uint32_t sums[4] = {0, 0, 0, 0};
  for (UINT dy = 0; dy < 2; ++dy) {
    for (UINT dx = 0; dx < 2; ++dx) {
      for (int c = 0; c < 4; ++c) sums[c] += (picture.At(20 + dx, 14 + dy) >> (8 * c)) & 0xFF;
    }
  }
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ((second.At(10, 7) >> (8 * c)) & 0xFF, (sums[c] + 2) / 4) << "channel " << c;
  }
  const Level last = ReadLevel(m_texture, 8);
  EXPECT_EQ(last.width, 1u);
  EXPECT_EQ(last.height, 1u);
}

TEST_F(D3DXTextureTest, OpaqueFileRoundsUpToPowersOfTwo) {
  ASSERT_EQ(LoadLikeTheTable(WriteJpeg(Solid(100, 60, 0xFF3080C0u), 90)), D3D_OK);
  EXPECT_EQ(LastCreateTexture(), "CreateTexture(128, 64, 8, 0, 22, 1)");
  const Level top = ReadLevel(m_texture, 0);
  EXPECT_EQ(top.format, D3DFMT_X8R8G8B8);
  EXPECT_TRUE(ColorsClose(top.At(127, 63), 0xFF3080C0u, 3));  // stretched, not padded
  EXPECT_TRUE(ColorsClose(ReadLevel(m_texture, 7).At(0, 0), 0xFF3080C0u, 3));
}

TEST_F(D3DXTextureTest, DxtFilesBecomeA8R8G8B8) {
  Bytes block = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};  // solid red
  ASSERT_EQ(LoadLikeTheTable(WriteDdsDxt(4, 4, "DXT1", block)), D3D_OK);
  EXPECT_EQ(LastCreateTexture(), "CreateTexture(4, 4, 3, 0, 21, 1)");
  EXPECT_EQ(ReadLevel(m_texture, 2).At(0, 0), 0xFFFF0000u);
}

TEST_F(D3DXTextureTest, TheFallbackRequestResizesAndConvertsTo16Bits) {
  // The texture table's second try: 256 x 256 in R5G6B5.
  ASSERT_EQ(LoadLikeTheTable(WriteBmp(Solid(40, 20, 0xFFFF0000u), 24), 256, D3DFMT_R5G6B5),
            D3D_OK);
  EXPECT_EQ(LastCreateTexture(), "CreateTexture(256, 256, 9, 0, 23, 1)");
  const Level top = ReadLevel(m_texture, 0);
  EXPECT_EQ(top.At(255, 255), 0xF800u);
  EXPECT_EQ(ReadLevel(m_texture, 8).At(0, 0), 0xF800u);
}

TEST_F(D3DXTextureTest, SixteenBitFormatsRoundAndKeepOneBitAlpha) {
  TestPicture picture = Solid(2, 1, 0xFF808080u);
  picture.pixels[1] = 0x7FFFFFFFu;
  const Bytes file = WriteTga(picture, 32, false, true);
  ASSERT_EQ(LoadLikeTheTable(file, 2, D3DFMT_A1R5G5B5), D3D_OK);
  Level top = ReadLevel(m_texture, 0);
  EXPECT_EQ(top.At(0, 0), 0x8000u | 16u << 10 | 16u << 5 | 16u);  // 128 of 255 -> 16 of 31
  EXPECT_EQ(top.At(1, 0), 0x7FFFu);                               // alpha below half -> 0
  m_texture->Release();
  m_texture = nullptr;
  ASSERT_EQ(LoadLikeTheTable(file, 2, D3DFMT_A4R4G4B4), D3D_OK);
  top = ReadLevel(m_texture, 0);
  EXPECT_EQ(top.At(1, 0), 0x7FFFu);
  EXPECT_EQ(top.At(0, 0), 0xF888u);
}

TEST_F(D3DXTextureTest, DdsLevelsComeFromTheFileWhenTheSizeIsKept) {
  // A file whose second level is not the mean of the first: only copying gives green.
  Bytes file = WriteDdsMasked(Solid(4, 4, 0xFFFF0000u), 32, 0xFF0000, 0xFF00, 0xFF, 0, 3);
  const std::size_t secondLevel = 128 + 4 * 4 * 4;
  for (std::size_t i = secondLevel; i < secondLevel + 2 * 2 * 4; i += 4) {
    file[i] = 0x00;
    file[i + 1] = 0xFF;
    file[i + 2] = 0x00;
  }
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(LoadLikeTheTable(file, 0, D3DFMT_UNKNOWN, 0, &info), D3D_OK);
  EXPECT_EQ(ReadLevel(m_texture, 1).At(1, 1), 0xFF00FF00u);
  EXPECT_EQ(ReadLevel(m_texture, 2).At(0, 0), 0xFFFF0000u);  // the file's third level
  EXPECT_EQ(info.MipLevels, 3u);
  EXPECT_EQ(info.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);

  // At another size the levels are made again from the resized top.
  m_texture->Release();
  m_texture = nullptr;
  ASSERT_EQ(LoadLikeTheTable(file, 8), D3D_OK);
  EXPECT_EQ(ReadLevel(m_texture, 2).At(1, 1), 0xFFFF0000u);
}

TEST_F(D3DXTextureTest, ColourKeyMakesTransparentBlackAndAddsAlpha) {
  TestPicture picture = Solid(4, 4, 0xFF00FF00u);
  picture.pixels[5] = 0xFFFF00FFu;
  ASSERT_EQ(LoadLikeTheTable(WriteBmp(picture, 24), 0, D3DFMT_UNKNOWN, 0xFFFF00FFu), D3D_OK);
  const Level top = ReadLevel(m_texture, 0);
  EXPECT_EQ(top.format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(top.At(1, 1), 0u);
  EXPECT_EQ(top.At(2, 1), 0xFF00FF00u);
}

TEST_F(D3DXTextureTest, ImageInfoDescribesTheFile) {
  D3DXIMAGE_INFO info{};
  const Bytes tga = WriteTga(MakeGradient(6, 3), 24, false, false);
  ASSERT_EQ(LoadLikeTheTable(tga, 0, D3DFMT_UNKNOWN, 0, &info), D3D_OK);
  EXPECT_EQ(info.Width, 6u);
  EXPECT_EQ(info.Height, 3u);
  EXPECT_EQ(info.Depth, 1u);
  EXPECT_EQ(info.MipLevels, 1u);
  EXPECT_EQ(info.Format, D3DFMT_R8G8B8);
  EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA);

  D3DXIMAGE_INFO fromInfo{};
  EXPECT_EQ(
      D3DXGetImageInfoFromFileInMemory(tga.data(), static_cast<UINT>(tga.size()), &fromInfo),
      D3D_OK);
  EXPECT_EQ(fromInfo.Width, 6u);
  const Bytes jpeg = WriteJpeg(MakeGradient(8, 8), 80, true);
  EXPECT_EQ(
      D3DXGetImageInfoFromFileInMemory(jpeg.data(), static_cast<UINT>(jpeg.size()), &fromInfo),
      D3D_OK);
  EXPECT_EQ(fromInfo.Format, D3DFMT_L8);
  EXPECT_EQ(fromInfo.ImageFileFormat, D3DXIFF_JPG);
}

TEST_F(D3DXTextureTest, DeviceLimitsShrinkTheTextureAndTheChain) {
  D3DCAPS8 caps = ScriptedAdapter::DefaultCaps();
  caps.MaxTextureWidth = 64;
  caps.TextureCaps |= D3DPTEXTURECAPS_POW2;
  CreateDevice(caps);
  const Bytes file = WriteBmp(Solid(128, 8, 0xFF102030u), 24);
  ASSERT_EQ(LoadLikeTheTable(file), D3D_OK);
  EXPECT_EQ(LastCreateTexture(), "CreateTexture(64, 8, 7, 0, 22, 1)");
  m_texture->Release();
  m_texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(
                m_device, file.data(), static_cast<UINT>(file.size()), 50, 30, 2, 0,
                D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_BOX, 0, nullptr,
                nullptr, &m_texture),
            D3D_OK);
  EXPECT_EQ(LastCreateTexture(), "CreateTexture(64, 32, 2, 0, 22, 1)");

  caps.TextureCaps &= ~D3DPTEXTURECAPS_MIPMAP;
  m_texture->Release();
  m_texture = nullptr;
  CreateDevice(caps);
  ASSERT_EQ(LoadLikeTheTable(file), D3D_OK);
  EXPECT_EQ(m_texture->GetLevelCount(), 1u);
}

TEST_F(D3DXTextureTest, BadArgumentsAndBadDataFailWithoutATexture) {
  const Bytes good = WriteBmp(Solid(2, 2, 0xFFFFFFFFu), 24);
  const UINT size = static_cast<UINT>(good.size());
  IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(&m_device);  // not null
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(nullptr, good.data(), size, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(m_device, nullptr, size, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(m_device, good.data(), 0, &texture),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(m_device, good.data(), size, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(LoadLikeTheTable(good, 9000), D3DERR_INVALIDCALL);

  const Bytes garbage = {'B', 'M', 1, 2, 3, 4, 5};
  EXPECT_EQ(LoadLikeTheTable(garbage), D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXERR_INVALIDDATA, static_cast<HRESULT>(0x88760B59u));
  EXPECT_EQ(LoadLikeTheTable(Bytes(good.begin(), good.end() - 1)), D3DXERR_INVALIDDATA);
  Bytes tooWide = WriteDdsMasked(Solid(1, 1, 0), 32, 0xFF0000, 0xFF00, 0xFF, 0);
  tooWide[16] = 0x01;  // width 8193
  tooWide[17] = 0x20;
  EXPECT_EQ(LoadLikeTheTable(tooWide), D3DXERR_INVALIDDATA);
  EXPECT_EQ(m_texture, nullptr);
  EXPECT_EQ(m_device->Log().Count("CreateTexture"), 0u);
}

TEST_F(D3DXTextureTest, DeviceErrorsPassThrough) {
  CreateDevice(ScriptedAdapter::DefaultCaps(), D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(LoadLikeTheTable(WriteBmp(Solid(2, 2, 0xFFFFFFFFu), 24)), D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(m_texture, nullptr);
}

TEST_F(D3DXTextureTest, FromFileReadsTheDisk) {
  const std::string path = std::string(QM_BINARY_DIR) + "/d3dx_texture_test.tga";
  const Bytes file = WriteTga(Solid(4, 2, 0x80FFFFFFu), 32, true, true);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(file.data(), 1, file.size(), out);
  std::fclose(out);
  ASSERT_EQ(D3DXCreateTextureFromFileA(m_device, path.c_str(), &m_texture), D3D_OK);
  EXPECT_EQ(ReadLevel(m_texture, 0).At(3, 1), 0x80FFFFFFu);
  std::remove(path.c_str());
  IDirect3DTexture8* missing = nullptr;
  EXPECT_EQ(D3DXCreateTextureFromFileA(m_device, path.c_str(), &missing), D3DXERR_INVALIDDATA);
}

}  // namespace
}  // namespace qm::test
