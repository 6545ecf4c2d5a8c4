// Overlay: the digital clock and the frames-per-second counter drawn over the scene.
//
// Fifteen digit pictures from the digits archive become textures of the TextureTable;
// every character is drawn twice on the application's screen quad: a darkening shadow a
// little larger, then the glyph added on top in the clock's tint. The forest saver draws
// the overlay once per frame inside its scene; the base application does the same.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "d3d/D3D8.h"
#include "graphics/TextureTable.h"
#include "shell/SaverSettings.h"

namespace qm {

// The overlay's part of the application object.
struct OverlayState {
  static constexpr int kDigitCount = 15;
  TextureRef aDigitTextures[kDigitCount];
  int iQuadSlot = -1;
  std::uint8_t rgbClock[3] = {255, 255, 255};
  float fDigitHeight = 0.06375f;
  float fDigitWidth = 0.047f;
  float fDigitSpacing = 0.79f;
  float fClockX = 0.69f;
  float fClockY = 0.92f;
  float fFpsX = 0.01f;
  float fFpsY = 0.01f;
};

// Picture index of the colon, the dot and the letters.
inline constexpr int kGlyphColon = 10;
inline constexpr int kGlyphDot = 11;
inline constexpr int kGlyphA = 12;
inline constexpr int kGlyphM = 13;
inline constexpr int kGlyphP = 14;

// One character of a line: picture index at a character position.
struct GlyphPlacement {
  int glyph;
  int position;
};

// The clock's characters for a time of day "HH:MM:SS": 24-hour form at positions 0-7, or
// 12-hour form with AM/PM (a leading zero of the hour is left out), and the origin shift
// in character advances (-2 for the 12-hour form).
std::vector<GlyphPlacement> ClockGlyphs(const char* timeOfDay, bool form24, int* originShift);
// The counter's characters for a frame rate.
std::vector<GlyphPlacement> FpsGlyphs(int framesPerSecond);

void LoadDigitTextures(IDirect3DDevice8* device, OverlayState& overlay);
// `now` is the local time to show (tests pass a fixed one; 0 means the current time).
void DrawOverlay(IDirect3DDevice8* device, OverlayState& overlay, const SaverSettings& settings,
                 int framesPerSecond, std::time_t now = 0);

}  // namespace qm
