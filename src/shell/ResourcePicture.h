// ResourcePicture: a picture carried as a resource, decoded once for the dialogs.
//
// The scene page keeps ten of them, the bright and the dim thumbnail of each background,
// and draws one into each background button; the dialog views use the same class for the
// decorative bitmaps. Load finds the resource by type and id and decodes it (JPEG or BMP)
// into 32-bit pixels; a missing or unreadable resource leaves the picture empty, and an
// empty picture draws nothing.
#pragma once

#include <string_view>

#include "shell/DialogModel.h"

namespace qm {

class ResourcePicture {
 public:
  // Replaces any earlier picture; false (and empty) when the resource is absent or broken.
  bool Load(int resourceId, std::string_view type = "Images");
  void Release();
  // Stretches the picture over `rect` of an owner-drawn item; nothing when empty.
  void Draw(ItemCanvas& canvas, const RECT& rect) const;

  bool Empty() const { return m_pixels.argb.empty(); }
  int Width() const { return m_pixels.width; }
  int Height() const { return m_pixels.height; }
  const PicturePixels& Pixels() const { return m_pixels; }

 private:
  PicturePixels m_pixels;
};

}  // namespace qm
