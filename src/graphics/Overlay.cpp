#include "graphics/Overlay.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "graphics/ScreenQuadPool.h"
#include "media/MediaArchive.h"
#include "shell/RunLog.h"

namespace qm {

namespace {

constexpr int kDigitsArchive = 452;
constexpr const char* kDigitsFolder = "Digits\\";
constexpr const char* kDigitEntries[OverlayState::kDigitCount] = {
    "digit_0.JPG", "digit_1.JPG", "digit_2.JPG", "digit_3.JPG",    "digit_4.JPG",
    "digit_5.JPG", "digit_6.JPG", "digit_7.JPG", "digit_8.JPG",    "digit_9.JPG",
    "digit_ddot.JPG", "digit_dot.JPG", "digit_A.JPG", "digit_M.JPG", "digit_P.JPG"};
constexpr float kShadowScale = 1.07f;

void DrawGlyph(IDirect3DDevice8* device, const OverlayState& overlay, int glyph, int position,
               float x, float y) {
  ScreenQuadPool& pool = ScreenQuadPool::Instance();
  const float advance = overlay.fDigitWidth * overlay.fDigitSpacing;
  const float left = x + float(position) * advance;
  TextureTable::Instance().SetTexture(0, overlay.aDigitTextures[glyph].iIndex);

  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
  pool.SetQuad(overlay.iQuadSlot, left, y, overlay.fDigitWidth * kShadowScale,
               overlay.fDigitHeight * kShadowScale, 0xFFFFFFFF, 0, 0, 1, 1);
  device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);

  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  const D3DCOLOR tint = 0xFF000000u | (DWORD(overlay.rgbClock[0]) << 16) |
                        (DWORD(overlay.rgbClock[1]) << 8) | DWORD(overlay.rgbClock[2]);
  pool.SetQuad(overlay.iQuadSlot, left, y, overlay.fDigitWidth, overlay.fDigitHeight, tint, 0, 0,
               1, 1);
  device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

}  // namespace

std::vector<GlyphPlacement> ClockGlyphs(const char* t, bool form24, int* originShift) {
  std::vector<GlyphPlacement> glyphs;
  if (form24) {
    *originShift = 0;
    for (int p = 0; p < 8; ++p) glyphs.push_back({t[p] - '0', p});
    return glyphs;
  }
  *originShift = -2;
  int hour = (t[0] - '0') * 10 + (t[1] - '0');
  const bool am = hour < 12;
  if (hour == 0) hour = 12;
  else if (hour > 12) hour -= 12;
  if (hour / 10 != 0) glyphs.push_back({hour / 10, 0});
  glyphs.push_back({hour % 10, 1});
  for (int p = 2; p < 8; ++p) glyphs.push_back({t[p] - '0', p});
  glyphs.push_back({am ? kGlyphA : kGlyphP, 8});
  glyphs.push_back({kGlyphM, 9});
  return glyphs;
}

std::vector<GlyphPlacement> FpsGlyphs(int framesPerSecond) {
  char text[16];
  std::snprintf(text, sizeof text, "%i", framesPerSecond);
  std::vector<GlyphPlacement> glyphs;
  for (int p = 0; text[p]; ++p) {
    const int k = text[p] - '0';
    glyphs.push_back({k < 0 ? kGlyphDot : k, p});
  }
  return glyphs;
}

void LoadDigitTextures(IDirect3DDevice8*, OverlayState& overlay) {
  MediaArchive archive = LoadMediaArchive(kDigitsArchive);
  for (int k = 0; k < OverlayState::kDigitCount; ++k) {
    const std::string path = std::string(kDigitsFolder) + kDigitEntries[k];
    std::uint8_t* bytes = nullptr;
    std::uint32_t size = 0;
    if (!ExtractEntry(path.c_str(), &archive, kDigitsPassword, &bytes, &size)) continue;
    overlay.aDigitTextures[k] =
        TextureTable::Instance().LoadFromMemory(bytes, size, kDigitEntries[k], kDigitsFolder);
    std::free(bytes);
  }
  LogLine("Load Digit textures complete");
}

void DrawOverlay(IDirect3DDevice8* device, OverlayState& overlay, const SaverSettings& settings,
                 int framesPerSecond, std::time_t now) {
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetTexture(0, nullptr);
  device->SetRenderState(D3DRS_ALPHAREF, 0);
  ScreenQuadPool::Instance().Bind(overlay.iQuadSlot);

  if (settings.m_bShowTime) {
    if (now == 0) now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    int shift = 0;
    const auto glyphs = ClockGlyphs(text, settings.m_bDigClock24H != 0, &shift);
    const float x = overlay.fClockX + float(shift) * overlay.fDigitWidth * overlay.fDigitSpacing;
    for (const GlyphPlacement& g : glyphs)
      DrawGlyph(device, overlay, g.glyph, g.position, x, overlay.fClockY);
  }
  if (settings.m_bShowFPS) {
    for (const GlyphPlacement& g : FpsGlyphs(framesPerSecond))
      DrawGlyph(device, overlay, g.glyph, g.position, overlay.fFpsX, overlay.fFpsY);
  }
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

}  // namespace qm
