// Resampling for ImageFilter.h: a separable filter whose taps are precomputed per axis,
// area-weighted when reducing and bilinear when enlarging.
#include "d3dx/ImageFilter.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

namespace qm {

namespace {

constexpr int kChannels = 4;

// The source samples that make up one destination sample along one axis.
struct Taps {
  std::uint32_t first = 0;
  std::uint32_t count = 0;
  float firstWeight = 0;
  float lastWeight = 0;
  float spanWeight = 0;  // every tap between the first and the last
};

// Area weights for reducing: destination i covers source [i * s, (i + 1) * s).
Taps AreaTaps(std::uint32_t i, std::uint32_t srcSize, std::uint32_t dstSize) {
  const double scale = static_cast<double>(srcSize) / dstSize;
  const double begin = i * scale, end = (i + 1) * scale;
  Taps t;
  t.first = static_cast<std::uint32_t>(begin);
  const std::uint32_t last =
      std::min(srcSize - 1, static_cast<std::uint32_t>(std::ceil(end)) - 1);
  t.count = last - t.first + 1;
  t.firstWeight = static_cast<float>((std::min(end, t.first + 1.0) - begin) / scale);
  t.lastWeight = t.count > 1 ? static_cast<float>((end - last) / scale) : t.firstWeight;
  t.spanWeight = static_cast<float>(1.0 / scale);
  return t;
}

// Bilinear weights for enlarging, pixel centres aligned, edges clamped.
Taps LinearTaps(std::uint32_t i, std::uint32_t srcSize, std::uint32_t dstSize) {
  const double centre = (i + 0.5) * srcSize / dstSize - 0.5;
  const double clamped = std::clamp(centre, 0.0, static_cast<double>(srcSize - 1));
  Taps t;
  t.first = static_cast<std::uint32_t>(clamped);
  const float frac = static_cast<float>(clamped - t.first);
  t.count = t.first + 1 < srcSize ? 2 : 1;
  t.firstWeight = t.count == 2 ? 1.0f - frac : 1.0f;
  t.lastWeight = frac;
  t.spanWeight = 0;
  return t;
}

float TapWeight(const Taps& t, std::uint32_t k) {
  if (k == 0) return t.firstWeight;
  if (k + 1 == t.count) return t.lastWeight;
  return t.spanWeight;
}

// One axis of taps for every destination index; null when memory is short.
std::unique_ptr<Taps[]> BuildTaps(std::uint32_t srcSize, std::uint32_t dstSize) {
  std::unique_ptr<Taps[]> taps(new (std::nothrow) Taps[dstSize]);
  if (taps == nullptr) return taps;
  for (std::uint32_t i = 0; i < dstSize; ++i) {
    taps[i] = dstSize <= srcSize ? AreaTaps(i, srcSize, dstSize) : LinearTaps(i, srcSize, dstSize);
  }
  return taps;
}

std::uint32_t ToByte(float value) {
  return static_cast<std::uint32_t>(std::clamp(std::lround(value), 0L, 255L));
}

float Channel(std::uint32_t argb, int c) { return static_cast<float>((argb >> (8 * c)) & 0xFF); }

ImageStatus ResampleSeparable(const Image& src, Image& dst) {
  const std::unique_ptr<Taps[]> xTaps = BuildTaps(src.width, dst.width);
  const std::unique_ptr<Taps[]> yTaps = BuildTaps(src.height, dst.height);
  if (xTaps == nullptr || yTaps == nullptr) return ImageStatus::OutOfMemory;
  // Horizontal pass into floats: dst.width x src.height.
  const std::size_t rowFloats = static_cast<std::size_t>(dst.width) * kChannels;
  std::unique_ptr<float[]> rows(new (std::nothrow) float[rowFloats * src.height]);
  if (rows == nullptr) return ImageStatus::OutOfMemory;
  for (std::uint32_t y = 0; y < src.height; ++y) {
    const std::uint32_t* in = src.Row(y);
    float* out = rows.get() + y * rowFloats;
    for (std::uint32_t x = 0; x < dst.width; ++x) {
      const Taps& t = xTaps[x];
      for (int c = 0; c < kChannels; ++c) {
        float sum = 0;
        for (std::uint32_t k = 0; k < t.count; ++k) {
          sum += TapWeight(t, k) * Channel(in[t.first + k], c);
        }
        out[x * kChannels + c] = sum;
      }
    }
  }
  // Vertical pass into the destination.
  for (std::uint32_t y = 0; y < dst.height; ++y) {
    const Taps& t = yTaps[y];
    std::uint32_t* out = dst.Row(y);
    for (std::uint32_t x = 0; x < dst.width; ++x) {
      std::uint32_t argb = 0;
      for (int c = 0; c < kChannels; ++c) {
        float sum = 0;
        for (std::uint32_t k = 0; k < t.count; ++k) {
          sum += TapWeight(t, k) * rows[(t.first + k) * rowFloats + x * kChannels + c];
        }
        argb |= ToByte(sum) << (8 * c);
      }
      out[x] = argb;
    }
  }
  return ImageStatus::Ok;
}

void ResamplePoint(const Image& src, Image& dst) {
  for (std::uint32_t y = 0; y < dst.height; ++y) {
    const std::uint32_t sy = static_cast<std::uint32_t>((y + 0.5) * src.height / dst.height);
    for (std::uint32_t x = 0; x < dst.width; ++x) {
      const std::uint32_t sx = static_cast<std::uint32_t>((x + 0.5) * src.width / dst.width);
      dst.Row(y)[x] = src.Row(std::min(sy, src.height - 1))[std::min(sx, src.width - 1)];
    }
  }
}

void CopyWithoutScaling(const Image& src, Image& dst) {
  for (std::uint32_t y = 0; y < dst.height; ++y) {
    std::uint32_t* out = dst.Row(y);
    std::fill(out, out + dst.width, 0u);
    if (y < src.height) std::copy_n(src.Row(y), std::min(src.width, dst.width), out);
  }
}

// The exact 2 x 2 mean used for the common case of halving even sizes.
void HalveBox(const Image& src, Image& dst) {
  for (std::uint32_t y = 0; y < dst.height; ++y) {
    const std::uint32_t* a = src.Row(2 * y);
    const std::uint32_t* b = src.Row(2 * y + 1);
    for (std::uint32_t x = 0; x < dst.width; ++x) {
      std::uint32_t argb = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t sum =
            ((a[2 * x] >> shift) & 0xFF) + ((a[2 * x + 1] >> shift) & 0xFF) +
            ((b[2 * x] >> shift) & 0xFF) + ((b[2 * x + 1] >> shift) & 0xFF);
        argb |= ((sum + 2) / 4) << shift;
      }
      dst.Row(y)[x] = argb;
    }
  }
}

}  // namespace

ImageFilterKind FilterKindFromD3DX(std::uint32_t filter, ImageFilterKind fallback) {
  switch (filter & 0xFF) {
    case 1: return ImageFilterKind::None;
    case 2: return ImageFilterKind::Point;
    case 3: return ImageFilterKind::Linear;
    case 4: return ImageFilterKind::Triangle;
    case 5: return ImageFilterKind::Box;
    default: return fallback;
  }
}

ImageStatus ResizeImage(const Image& src, std::uint32_t width, std::uint32_t height,
                        ImageFilterKind filter, Image& dst) {
  if (src.Empty() || width == 0 || height == 0) return ImageStatus::InvalidData;
  if (!dst.Allocate(width, height)) return ImageStatus::OutOfMemory;
  if (width == src.width && height == src.height) {
    std::copy_n(src.pixels.get(), src.PixelCount(), dst.pixels.get());
    return ImageStatus::Ok;
  }
  switch (filter) {
    case ImageFilterKind::None: CopyWithoutScaling(src, dst); return ImageStatus::Ok;
    case ImageFilterKind::Point: ResamplePoint(src, dst); return ImageStatus::Ok;
    default: return ResampleSeparable(src, dst);
  }
}

ImageStatus HalveImage(const Image& src, ImageFilterKind filter, Image& dst) {
  const std::uint32_t width = std::max<std::uint32_t>(1, src.width / 2);
  const std::uint32_t height = std::max<std::uint32_t>(1, src.height / 2);
  const bool evenSizes = src.width % 2 == 0 && src.height % 2 == 0;
  if (filter == ImageFilterKind::Point || filter == ImageFilterKind::None || !evenSizes) {
    // Odd sizes and strips (n x 1) go through the general area filter.
    return ResizeImage(src, width, height,
                       filter == ImageFilterKind::None ? ImageFilterKind::Point : filter, dst);
  }
  if (!dst.Allocate(width, height)) return ImageStatus::OutOfMemory;
  HalveBox(src, dst);
  return ImageStatus::Ok;
}

void ApplyColorKey(Image& image, std::uint32_t key) {
  std::replace(image.pixels.get(), image.pixels.get() + image.PixelCount(), key, 0u);
}

}  // namespace qm
