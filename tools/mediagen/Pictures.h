// Painters of the saver's pictures: the five out-of-focus forest backdrops, their bright and
// dim thumbnails, the loading-screen backdrop and corner pictures, the dialog and preview
// bitmaps, the program icon and the fifteen clock glyphs. Deterministic, like Textures.h.
#pragma once

#include <string>

#include "Image.h"

namespace qm::gen {

// Backdrop 1..5: morning, midday, evening, mist, after rain.
Image PaintBackground(int mood, int size);
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
