// Gamma ramp values, screen quads and the clock's characters.
#include <gtest/gtest.h>

#include "graphics/GammaRamp.h"
#include "graphics/LoadingScreen.h"
#include "graphics/Overlay.h"
#include "graphics/ScreenQuadPool.h"
#include "support/RecordingDevice.h"

namespace qm {
namespace {

TEST(GammaRamp, ValuesAcrossTheSetting) {
  const D3DGAMMARAMP linear = GammaRampFromSetting(100);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(linear.red[i], 256 * i);
  const D3DGAMMARAMP darkest = GammaRampFromSetting(0);
  EXPECT_EQ(darkest.green[1], 56);
  EXPECT_EQ(darkest.green[255], 56 * 255);
  const D3DGAMMARAMP bright = GammaRampFromSetting(101);
  EXPECT_EQ(bright.blue[255], 65355);
  EXPECT_EQ(bright.blue[0], 65355 - 254 * 255);
  const D3DGAMMARAMP brightest = GammaRampFromSetting(255);
  EXPECT_EQ(brightest.red[0], 65355 - 23 * 255);  // step 256 - 232.5, truncated
  EXPECT_EQ(brightest.red[254], 65355 - 23);
  const D3DGAMMARAMP twoHundred = GammaRampFromSetting(200);
  EXPECT_EQ(twoHundred.red[0], 65355 - 106 * 255);
}

std::string Describe(const std::vector<GlyphPlacement>& glyphs) {
  std::string text;
  for (const GlyphPlacement& g : glyphs) {
    const char c = g.glyph < 10 ? char('0' + g.glyph)
                   : g.glyph == kGlyphColon ? ':'
                   : g.glyph == kGlyphA     ? 'A'
                   : g.glyph == kGlyphP     ? 'P'
                   : g.glyph == kGlyphM     ? 'M'
                                            : '.';
    text += std::to_string(g.position) + c + " ";
  }
  return text;
}

TEST(Overlay, TwelveHourClock) {
  int shift = 0;
  EXPECT_EQ(Describe(ClockGlyphs("00:05:09", false, &shift)),
            "01 12 2: 30 45 5: 60 79 8A 9M ");
  EXPECT_EQ(shift, -2);
  EXPECT_EQ(Describe(ClockGlyphs("12:30:00", false, &shift)),
            "01 12 2: 33 40 5: 60 70 8P 9M ");
  // A leading zero of the hour leaves position 0 empty.
  EXPECT_EQ(Describe(ClockGlyphs("13:00:00", false, &shift)), "11 2: 30 40 5: 60 70 8P 9M ");
  EXPECT_EQ(Describe(ClockGlyphs("09:15:00", false, &shift)), "19 2: 31 45 5: 60 70 8A 9M ");
  EXPECT_EQ(Describe(ClockGlyphs("23:59:59", true, &shift)), "02 13 2: 35 49 5: 65 79 ");
  EXPECT_EQ(shift, 0);
}

TEST(Overlay, FrameCounterCharacters) {
  EXPECT_EQ(Describe(FpsGlyphs(57)), "05 17 ");
  EXPECT_EQ(Describe(FpsGlyphs(-3)), "0. 13 ");  // '-' is below '0': the dot picture
}

// A recording device for the quad and overlay cases.
class QuadTest : public ::testing::Test {
 protected:
  RecordingDirect3D8* d3d = nullptr;
  IDirect3DDevice8* device = nullptr;
  void SetUp() override {
    device = testing::CreateRecordingDevice(d3d, {}, testing::TestBackBuffer(1024, 768));
    ASSERT_NE(device, nullptr);
    ScreenQuadPool::Instance().Init(device, 1);
  }
  void TearDown() override {
    ScreenQuadPool::Instance().ReleaseAll();
    d3d->Release();
  }
};

TEST_F(QuadTest, QuadsAreViewportFractionsInStripOrder) {
  ScreenQuadPool& pool = ScreenQuadPool::Instance();
  int slot = -1;
  ASSERT_EQ(pool.CreateBuffer(slot, ScreenQuadPool::kQuadFvf, 4), D3D_OK);
  EXPECT_EQ(slot, 0);
  const float j = 256.0f / 1024, l = 128.0f / 768;
  pool.SetQuad(slot, 1 - j, 1 - l, j, l, 0x80FFFFFF, 0, 0, 1, 1);
  const ScreenVertex* v = pool.Lock(slot);
  ASSERT_NE(v, nullptr);
  // The logo's corners land exactly on pixel edges: 256 x 128 pixels at the bottom right.
  EXPECT_FLOAT_EQ(v[0].x, 768);
  EXPECT_FLOAT_EQ(v[0].y, 768);
  EXPECT_FLOAT_EQ(v[1].y, 640);
  EXPECT_FLOAT_EQ(v[3].x, 1024);
  EXPECT_FLOAT_EQ(v[3].y, 640);
  EXPECT_EQ(v[0].v, 1.0f);
  EXPECT_EQ(v[1].v, 0.0f);
  EXPECT_EQ(v[2].u, 1.0f);
  pool.Unlock(slot);

  int again = slot;  // creating an existing slot reuses it
  ASSERT_EQ(pool.CreateBuffer(again, ScreenQuadPool::kQuadFvf, 4), D3D_OK);
  EXPECT_EQ(again, slot);
  int next = 12345;  // anything not in use takes a new slot
  ASSERT_EQ(pool.CreateBuffer(next, 0x152, 4), D3D_OK);
  EXPECT_EQ(next, 1);
  EXPECT_EQ(StrideOfFvf(0x152), 36u);
  EXPECT_EQ(StrideOfFvf(0x252), 44u);
}

TEST_F(QuadTest, AFullPoolRefusesFurtherSlots) {
  ScreenQuadPool& pool = ScreenQuadPool::Instance();
  for (int i = 0; i < ScreenQuadPool::kMaxSlots; ++i) {
    int slot = -1;
    ASSERT_EQ(pool.CreateBuffer(slot, ScreenQuadPool::kQuadFvf, 4), D3D_OK);
    ASSERT_EQ(slot, i);
  }
  int slot = -1;
  EXPECT_EQ(pool.CreateBuffer(slot, ScreenQuadPool::kQuadFvf, 4), E_OUTOFMEMORY);
  EXPECT_EQ(slot, -1);
  int reused = 17;  // slots in use can still be created again
  EXPECT_EQ(pool.CreateBuffer(reused, ScreenQuadPool::kQuadFvf, 4), D3D_OK);
  EXPECT_EQ(reused, 17);
}

TEST_F(QuadTest, OverlayDrawsEachCharacterTwiceAndRestoresStates) {
  OverlayState overlay;
  ScreenQuadPool::Instance().CreateBuffer(overlay.iQuadSlot, ScreenQuadPool::kQuadFvf, 4);
  SaverSettings settings;
  settings.m_bShowTime = 1;
  settings.m_bDigClock24H = 1;
  settings.m_bShowFPS = 1;
  auto* recording = static_cast<RecordingDevice8*>(device);
  recording->Log().Clear();
  DrawOverlay(device, overlay, settings, 42, std::time_t(1700000000));
  // 8 clock characters and 2 counter digits, each a shadow and a glyph pass.
  EXPECT_EQ(recording->Log().Count("DrawPrimitive"), 20u);
  DWORD value = 0;
  device->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, DWORD(TRUE));
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, DWORD(FALSE));
  device->GetRenderState(D3DRS_DESTBLEND, &value);
  EXPECT_EQ(value, DWORD(D3DBLEND_ONE));

  settings.m_bShowTime = settings.m_bShowFPS = 0;
  recording->Log().Clear();
  DrawOverlay(device, overlay, settings, 42);
  EXPECT_EQ(recording->Log().Count("DrawPrimitive"), 0u);
  EXPECT_EQ(recording->Log().Count("SetRenderState"), 5u);  // still switched and restored
}

TEST_F(QuadTest, LoadingScreenFillsBothBuffersAndRestoresStates) {
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  auto* recording = static_cast<RecordingDevice8*>(device);
  recording->Log().Clear();
  int slot = -1, parity = 1;
  ASSERT_EQ(DrawLoadingScreen(device, slot, parity), 0);
  EXPECT_GE(slot, 0);
  EXPECT_EQ(parity, 1);  // toggled twice
  EXPECT_EQ(recording->Log().Count("Present"), 2u);
  EXPECT_EQ(recording->Log().Count("DrawPrimitive"), 10u);  // backdrop and four corners, twice
  EXPECT_EQ(recording->Log().Count("CreateTexture"), 5u);   // the five pictures the program carries
  DWORD value = 0;
  device->GetRenderState(D3DRS_SRCBLEND, &value);
  EXPECT_EQ(value, DWORD(D3DBLEND_ONE));
  device->GetTextureStageState(0, D3DTSS_ALPHAOP, &value);
  EXPECT_EQ(value, DWORD(D3DTOP_SELECTARG1));
  device->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, DWORD(TRUE));
  // The quad kept for the overlay sits at depth 0.99 with rhw 1.
  const ScreenVertex* v = ScreenQuadPool::Instance().Lock(slot);
  ASSERT_NE(v, nullptr);
  EXPECT_FLOAT_EQ(v[0].z, 0.99f);
  EXPECT_FLOAT_EQ(v[0].rhw, 1.0f);
  ScreenQuadPool::Instance().Unlock(slot);
}

}  // namespace
}  // namespace qm
