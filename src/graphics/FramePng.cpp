#include "graphics/FramePng.h"

#include <png.h>

#include <cstdio>

namespace qm {

bool WriteFramePng(const std::string& path, const std::vector<DWORD>& pixels, UINT width,
                   UINT height) {
  if (pixels.size() < std::size_t(width) * height || width == 0 || height == 0) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(std::size_t(width) * 3);
  bool ok = png && info;
  if (ok && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (UINT y = 0; y < height; ++y) {
      const DWORD* src = pixels.data() + std::size_t(y) * width;
      for (UINT x = 0; x < width; ++x) {
        row[x * 3 + 0] = png_byte(src[x] >> 16);
        row[x * 3 + 1] = png_byte(src[x] >> 8);
        row[x * 3 + 2] = png_byte(src[x]);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
  } else {
    ok = false;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  ok = std::fclose(file) == 0 && ok;
  return ok;
}

}  // namespace qm
