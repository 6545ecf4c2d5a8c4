// Painters of the saver's pictures: the five out-of-focus forest backdrops, their bright and
// dim thumbnails, the loading-screen backdrop and corner pictures, the dialog and preview
// bitmaps, the program icon and the fifteen clock glyphs. Deterministic, like Textures.h.
#pragma once

#include <string>

#include "Image.h"

namespace qm::gen {

// The scene stretches a backdrop over a quad 255 wide and 212 high.
constexpr float kBackdropQuadAspect = 255.0f / 212.0f;

// Backdrop 1..5 (morning, midday, evening, mist, after rain) as it is seen on the quad:
// `height` pixels high and kBackdropQuadAspect times as wide.
Image PaintBackdropView(int mood, int height);
// The backdrop's file: the view squeezed into a size x size square.
Image BackdropTexture(const Image& view, int size);
// The largest centred part of a picture with the proportions w:h, resized to w x h.
Image CroppedTo(const Image& img, int w, int h);
// The pictures below take a backdrop's view and crop it to their own proportions.
// The thumbnail of a backdrop; dim ones are darker and greyer.
Image Thumbnail(const Image& background, int size, bool dim);
Image PaintLoadingBackdrop(const Image& background);
Image PaintLogo();                       // 256 x 128 with alpha
Image PaintBlankCorner();                // 1 x 1, white, alpha 0
Image PaintEmblemPicture(const Image& background, int w, int h);
Image PaintIcon(int size);
// Glyph names as in the archive: "0".."9", "A", "M", "P", "ddot", "dot".
Image PaintDigit(const std::string& glyph, int size);

}  // namespace qm::gen
