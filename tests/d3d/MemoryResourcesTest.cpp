// System-memory textures and buffers: level chains, pitches and bounds-checked locks.
#include "d3d/MemoryResources.h"

#include <gtest/gtest.h>

#include "d3d/FormatInfo.h"

namespace qm {
namespace {

TEST(MemoryTextureTest, FullChainHalvesDownToOnePixel) {
  auto* texture = new MemoryTexture(256, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
  ASSERT_TRUE(texture->Valid());
  EXPECT_EQ(texture->GetLevelCount(), 9u);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(texture->GetLevelDesc(8, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 1u);
  EXPECT_EQ(desc.Height, 1u);
  ASSERT_EQ(texture->GetLevelDesc(2, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 64u);
  EXPECT_EQ(desc.Height, 16u);
  EXPECT_EQ(texture->GetLevelDesc(9, &desc), D3DERR_INVALIDCALL);
  texture->Release();
}

TEST(MemoryTextureTest, CompressedLevelsCountInBlocks) {
  EXPECT_EQ(FormatPitch(D3DFMT_DXT1, 16), 32u);
  EXPECT_EQ(FormatPitch(D3DFMT_DXT5, 16), 64u);
  EXPECT_EQ(FormatPitch(D3DFMT_DXT1, 2), 8u);  // a partial block still takes a whole one
  EXPECT_EQ(FormatRows(D3DFMT_DXT3, 6), 2u);
  auto* texture = new MemoryTexture(8, 8, 0, 0, D3DFMT_DXT5, D3DPOOL_MANAGED);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(locked.Pitch, 32);
  EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
  texture->Release();
}

TEST(MemoryTextureTest, LocksAreCheckedAndExclusive) {
  auto* texture = new MemoryTexture(16, 16, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED);
  D3DLOCKED_RECT locked{};
  const RECT outside{8, 8, 17, 12};
  EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
  const RECT inside{4, 2, 8, 4};
  ASSERT_EQ(texture->LockRect(0, &locked, &inside, 0), D3D_OK);
  EXPECT_EQ(locked.Pitch, 32);
  EXPECT_EQ(static_cast<BYTE*>(locked.pBits) - texture->LevelBits(0), 2 * 32 + 4 * 2);
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
  EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  texture->Release();
}

TEST(MemoryTextureTest, RefusesSizesAndFormatsItCannotHold) {
  for (auto [w, h, format] : {std::tuple{0u, 4u, D3DFMT_A8R8G8B8},
                              std::tuple{kMaxTextureSide * 2, 4u, D3DFMT_A8R8G8B8},
                              std::tuple{4u, 4u, D3DFMT_D16}, std::tuple{4u, 4u, D3DFMT_UNKNOWN}}) {
    auto* texture = new MemoryTexture(w, h, 1, 0, format, D3DPOOL_MANAGED);
    EXPECT_FALSE(texture->Valid()) << w << "x" << h << " format " << format;
    texture->Release();
  }
}

TEST(MemoryBufferTest, LockRangeMustLieInsideTheBuffer) {
  auto* buffer = new MemoryVertexBuffer(112, D3DUSAGE_WRITEONLY, 0x144, D3DPOOL_MANAGED);
  BYTE* data = nullptr;
  EXPECT_EQ(buffer->Lock(100, 20, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Lock(113, 0, &data, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
  EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Unlock(), D3D_OK);
  D3DVERTEXBUFFER_DESC desc{};
  ASSERT_EQ(buffer->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Size, 112u);
  EXPECT_EQ(desc.FVF, 0x144u);
  buffer->Release();
}

TEST(FvfLayoutTest, ScreenQuadAndRibbonLayouts) {
  const FvfLayout quad = GetFvfLayout(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  EXPECT_EQ(quad.stride, 28u);
  EXPECT_EQ(quad.positionFloats, 4);
  EXPECT_EQ(quad.diffuse, 16);
  EXPECT_EQ(quad.texCoord[0], 20);
  EXPECT_EQ(GetFvfLayout(0x152).stride, 36u);
  EXPECT_EQ(GetFvfLayout(0x252).stride, 44u);
  EXPECT_EQ(GetFvfLayout(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1).stride, 32u);
  const FvfLayout mixed = GetFvfLayout(D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(0));
  EXPECT_EQ(mixed.texSize[0], 3);
  EXPECT_EQ(mixed.texCoord[1], 24);
  EXPECT_EQ(mixed.stride, 32u);
}

}  // namespace
}  // namespace qm
