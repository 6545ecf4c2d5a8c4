#include "shell/ResourcePicture.h"

#include "d3dx/ImageDecoder.h"
#include "platform/EmbeddedResources.h"

namespace qm {

namespace {

// Dialog pictures are small; a larger one is not a picture this saver carries.
constexpr std::uint32_t kMaxPictureSide = 1024;

}  // namespace

bool ResourcePicture::Load(int resourceId, std::string_view type) {
  Release();
  const auto bytes = FindEmbeddedResource(type, resourceId);
  if (bytes.empty()) return false;
  DecodedImage image;
  if (DecodeImage(bytes, image, kMaxPictureSide) != ImageStatus::Ok || image.levelCount == 0)
    return false;
  const Image& top = image.levels[0];
  m_pixels.width = int(top.width);
  m_pixels.height = int(top.height);
  m_pixels.argb.assign(top.pixels.get(), top.pixels.get() + top.PixelCount());
  // Pictures are opaque whatever alpha their file carries.
  for (std::uint32_t& pixel : m_pixels.argb) pixel |= 0xFF000000u;
  return true;
}

void ResourcePicture::Release() { m_pixels = PicturePixels{}; }

void ResourcePicture::Draw(ItemCanvas& canvas, const RECT& rect) const {
  if (!Empty()) canvas.DrawPicture(m_pixels, rect);
}

}  // namespace qm
