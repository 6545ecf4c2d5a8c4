// DecodeJpeg: baseline and progressive JPEG through libjpeg (the IJG 6 interface).
//
// libjpeg reports fatal errors through error_exit, which by default prints and calls
// exit(); here it longjmps back to the decode call instead, and its messages go nowhere.
// A file that ends early is refused (libjpeg would silently pad it with grey). Everything
// the decode owns lives outside the setjmp frame, so nothing leaks or stays half-built.
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <memory>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

#include "d3dx/ImageFormatDecoders.h"

namespace qm {

namespace {

// libjpeg's error manager with the jump target and what went wrong.
struct JpegErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jumpBuffer;
  bool truncated = false;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
  std::longjmp(errors->jumpBuffer, 1);
}

void OnJpegMessage(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
  // A warning about the end of the data means the picture is incomplete.
  if (level < 0 && errors->base.msg_code == JWRN_JPEG_EOF) errors->truncated = true;
}

void IgnoreJpegOutput(j_common_ptr) {}

// The decoder state kept outside the frame that calls setjmp.
struct JpegJob {
  jpeg_decompress_struct info;
  JpegErrorManager errors;
  bool created = false;
  ImageStatus failure = ImageStatus::InvalidData;
  JSAMPROW rowBuffer = nullptr;
};

// Converts one decoded scanline to 0xAARRGGBB.
void ConvertScanline(const JSAMPLE* in, J_COLOR_SPACE space, std::uint32_t width,
                     std::uint32_t* out) {
  for (std::uint32_t x = 0; x < width; ++x) {
    switch (space) {
      case JCS_GRAYSCALE:
        out[x] = PackArgb(0xFF, in[x], in[x], in[x]);
        break;
      case JCS_CMYK: {  // Adobe writes CMYK inverted: each byte is already 255 - ink
        const JSAMPLE* p = in + 4 * x;
        out[x] = PackArgb(0xFF, p[0] * p[3] / 255, p[1] * p[3] / 255, p[2] * p[3] / 255);
        break;
      }
      default: {
        const JSAMPLE* p = in + 3 * x;
        out[x] = PackArgb(0xFF, p[0], p[1], p[2]);
        break;
      }
    }
  }
}

// Reads the header and picks the output colour space; returns false to refuse the file.
bool StartJpeg(JpegJob& job, std::uint32_t maxDimension) {
  jpeg_read_header(&job.info, TRUE);
  if (job.info.image_width == 0 || job.info.image_height == 0) return false;
  if (job.info.image_width > maxDimension || job.info.image_height > maxDimension) {
    job.failure = ImageStatus::TooLarge;
    return false;
  }
  switch (job.info.jpeg_color_space) {
    case JCS_GRAYSCALE: job.info.out_color_space = JCS_GRAYSCALE; break;
    case JCS_CMYK:
    case JCS_YCCK: job.info.out_color_space = JCS_CMYK; break;
    default: job.info.out_color_space = JCS_RGB; break;
  }
  jpeg_start_decompress(&job.info);
  const int components = job.info.output_components;
  return components == 1 || components == 3 || components == 4;
}

// The part that may longjmp. Only job (outside this frame) changes after setjmp.
bool RunJpeg(JpegJob& job, ImageBytes bytes, DecodedImage& out, std::uint32_t maxDimension) {
  if (setjmp(job.errors.jumpBuffer) != 0) return false;
  jpeg_create_decompress(&job.info);
  job.created = true;
  jpeg_mem_src(&job.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  if (!StartJpeg(job, maxDimension)) return false;

  Image& image = out.levels[0];
  if (!image.Allocate(job.info.output_width, job.info.output_height)) {
    job.failure = ImageStatus::OutOfMemory;
    return false;
  }
  job.rowBuffer = (*job.info.mem->alloc_sarray)(
      reinterpret_cast<j_common_ptr>(&job.info), JPOOL_IMAGE,
      job.info.output_width * static_cast<JDIMENSION>(job.info.output_components), 1)[0];
  while (job.info.output_scanline < job.info.output_height) {
    const JDIMENSION y = job.info.output_scanline;
    if (jpeg_read_scanlines(&job.info, &job.rowBuffer, 1) != 1) return false;
    ConvertScanline(job.rowBuffer, job.info.out_color_space, image.width, image.Row(y));
  }
  jpeg_finish_decompress(&job.info);
  return !job.errors.truncated;
}

}  // namespace

ImageStatus DecodeJpeg(ImageBytes bytes, DecodedImage& out, std::uint32_t maxDimension) {
  // Held on the heap: the libjpeg structures are large, and their addresses must not change.
  std::unique_ptr<JpegJob> job(new (std::nothrow) JpegJob());
  if (job == nullptr) return ImageStatus::OutOfMemory;
  job->info.err = jpeg_std_error(&job->errors.base);
  job->errors.base.error_exit = OnJpegError;
  job->errors.base.emit_message = OnJpegMessage;
  job->errors.base.output_message = IgnoreJpegOutput;

  const bool decoded = RunJpeg(*job, bytes, out, maxDimension);
  if (job->created) jpeg_destroy_decompress(&job->info);
  if (!decoded) return job->failure;

  out.fileFormat = ImageFileFormat::Jpg;
  out.sourceFormat = job->info.out_color_space == JCS_GRAYSCALE ? ImagePixelFormat::L8
                                                                : ImagePixelFormat::X8R8G8B8;
  out.hasAlpha = false;
  out.levelCount = 1;
  return ImageStatus::Ok;
}

}  // namespace qm
