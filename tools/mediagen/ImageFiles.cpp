// Picture file writers: see ImageFiles.h.
#include "ImageFiles.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace qm::gen {

static uint8_t Q(float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

static void Put16(Bytes& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
static void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

Bytes EncodeJpeg(const Image& img, int quality) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buf, &size);
  cinfo.image_width = static_cast<JDIMENSION>(img.Width());
  cinfo.image_height = static_cast<JDIMENSION>(img.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(img.Width()) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < img.Width(); ++x) {
      const Rgba& p = img.At(x, y);
      row[x * 3] = Q(p.r);
      row[x * 3 + 1] = Q(p.g);
      row[x * 3 + 2] = Q(p.b);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes out(buf, buf + size);
  jpeg_destroy_compress(&cinfo);
  free(buf);
  return out;
}

Bytes EncodeTga(const Image& img) {
  Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(b, static_cast<uint32_t>(img.Width()));
  Put16(b, static_cast<uint32_t>(img.Height()));
  b.push_back(32);
  b.push_back(8);  // eight alpha bits, rows stored bottom-up
  for (int y = img.Height() - 1; y >= 0; --y)
    for (int x = 0; x < img.Width(); ++x) {
      const Rgba& p = img.At(x, y);
      b.insert(b.end(), {Q(p.b), Q(p.g), Q(p.r), Q(p.a)});
    }
  return b;
}

Bytes EncodeBmp(const Image& img) {
  int stride = (img.Width() * 3 + 3) & ~3;
  uint32_t pixels = static_cast<uint32_t>(stride * img.Height());
  Bytes b = {'B', 'M'};
  Put32(b, 54 + pixels);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(img.Width()));
  Put32(b, static_cast<uint32_t>(img.Height()));
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);
  Put32(b, pixels);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = img.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < img.Width(); ++x) {
      const Rgba& p = img.At(x, y);
      b.insert(b.end(), {Q(p.b), Q(p.g), Q(p.r)});
    }
    for (int pad = img.Width() * 3; pad < stride; ++pad) b.push_back(0);
  }
  return b;
}

Bytes EncodeDds(const Image& img) {
  int levels = 1;
  for (int s = std::max(img.Width(), img.Height()); s > 1; s /= 2) ++levels;
  Bytes b = {'D', 'D', 'S', ' '};
  Put32(b, 124);
  Put32(b, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000 | 0x20000);  // caps, size, pitch, format, mips
  Put32(b, static_cast<uint32_t>(img.Height()));
  Put32(b, static_cast<uint32_t>(img.Width()));
  Put32(b, static_cast<uint32_t>(img.Width() * 4));
  Put32(b, 0);
  Put32(b, static_cast<uint32_t>(levels));
  for (int i = 0; i < 11; ++i) Put32(b, 0);
  Put32(b, 32);
  Put32(b, 0x41);  // RGB with alpha
  Put32(b, 0);
  Put32(b, 32);
  Put32(b, 0x00FF0000);
  Put32(b, 0x0000FF00);
  Put32(b, 0x000000FF);
  Put32(b, 0xFF000000);
  Put32(b, 0x1000 | 0x400000 | 0x8);  // texture, mipmap, complex
  for (int i = 0; i < 4; ++i) Put32(b, 0);
  Image level = img;
  for (int l = 0; l < levels; ++l) {
    for (int y = 0; y < level.Height(); ++y)
      for (int x = 0; x < level.Width(); ++x) {
        const Rgba& p = level.At(x, y);
        b.insert(b.end(), {Q(p.b), Q(p.g), Q(p.r), Q(p.a)});
      }
    level = level.Resized(std::max(1, level.Width() / 2), std::max(1, level.Height() / 2));
  }
  return b;
}

Bytes EncodePng(const Image& img) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t len) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + len);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(img.Width()), static_cast<png_uint_32>(img.Height()), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(static_cast<size_t>(img.Width()) * 4);
  for (int y = 0; y < img.Height(); ++y) {
    for (int x = 0; x < img.Width(); ++x) {
      const Rgba& p = img.At(x, y);
      row[x * 4] = Q(p.r);
      row[x * 4 + 1] = Q(p.g);
      row[x * 4 + 2] = Q(p.b);
      row[x * 4 + 3] = Q(p.a);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

bool WriteFileBytes(const std::string& path, const Bytes& data) {
  std::error_code ec;
  std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace qm::gen
