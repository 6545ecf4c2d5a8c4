#include "d3d/gl/GlTexture8.h"

#include <SDL.h>

#include "d3d/FormatInfo.h"
#include "d3d/gl/GlFunctions.h"

namespace qm {

namespace {

// How a Direct3D format is handed to glTexImage2D.
struct GlUpload {
  GLint internalFormat;
  GLenum format;
  GLenum type;
  bool compressed;
};

bool LookupUpload(D3DFORMAT format, GlUpload* upload) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
      *upload = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, false};
      return true;
    case D3DFMT_X8R8G8B8:
      *upload = {GL_RGB8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, false};
      return true;
    case D3DFMT_R8G8B8:
      *upload = {GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, false};
      return true;
    case D3DFMT_R5G6B5:
      *upload = {GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, false};
      return true;
    case D3DFMT_X1R5G5B5:
      *upload = {GL_RGB8, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, false};
      return true;
    case D3DFMT_A1R5G5B5:
      *upload = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, false};
      return true;
    case D3DFMT_A4R4G4B4:
      *upload = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, false};
      return true;
    case D3DFMT_X4R4G4B4:
      *upload = {GL_RGB4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, false};
      return true;
    case D3DFMT_L8:
      *upload = {GL_LUMINANCE8, GL_LUMINANCE, GL_UNSIGNED_BYTE, false};
      return true;
    case D3DFMT_A8:
      *upload = {GL_ALPHA8, GL_ALPHA, GL_UNSIGNED_BYTE, false};
      return true;
    case D3DFMT_A8L8:
      *upload = {GL_LUMINANCE8_ALPHA8, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, false};
      return true;
    case D3DFMT_DXT1:
      *upload = {GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, true};
      return true;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
      *upload = {GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, true};
      return true;
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      *upload = {GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, true};
      return true;
    default:
      return false;
  }
}

}  // namespace

bool GlTexture8::Supported(D3DFORMAT format, bool hasS3tc) {
  GlUpload upload{};
  return LookupUpload(format, &upload) && (!upload.compressed || hasS3tc);
}

GlTexture8::GlTexture8(std::weak_ptr<GlContextToken> context, UINT width, UINT height,
                       UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : MemoryTexture(width, height, levels, usage, format, pool),
      m_context(std::move(context)),
      m_dirty(GetLevelCount(), true) {}

GlTexture8::~GlTexture8() {
  if (m_name != 0 && !m_context.expired()) glDeleteTextures(1, &m_name);
}

bool GlTexture8::ContextCurrent() const {
  const auto context = m_context.lock();
  return context && context->context == SDL_GL_GetCurrentContext();
}

void GlTexture8::OnUnlock(UINT level) {
  m_dirty[level] = true;
  m_pendingUploads = true;
  if (!ContextCurrent()) return;
  // Uploaded now, so that the system copy is gone before the loader makes the next level;
  // the device's binding on the active unit is left as it was.
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  BindName();
  UploadPending();
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
}

bool GlTexture8::RestoreLevelBits(UINT level, std::uint8_t* bits) {
  GlUpload upload{};
  if (m_name == 0 || !ContextCurrent() || !LookupUpload(Format(), &upload)) return false;
  const auto context = m_context.lock();
  if (upload.compressed && !context->functions->GetCompressedTexImage) return false;
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glBindTexture(GL_TEXTURE_2D, m_name);
  if (upload.compressed) {
    context->functions->GetCompressedTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), bits);
  } else {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), upload.format, upload.type, bits);
  }
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
  return true;
}

void GlTexture8::Bind() {
  BindName();
  UploadPending();
}

void GlTexture8::BindName() {
  if (m_name == 0) {
    glGenTextures(1, &m_name);
    glBindTexture(GL_TEXTURE_2D, m_name);
    // Filters are set per draw from the stage states; until then the level count bounds
    // the chain so the texture is complete.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(GetLevelCount() - 1));
    m_sampler.maxLevel = static_cast<GLint>(GetLevelCount() - 1);
  } else {
    glBindTexture(GL_TEXTURE_2D, m_name);
  }
}

void GlTexture8::UploadPending() {
  if (!m_pendingUploads) return;
  for (UINT level = 0; level < m_dirty.size(); ++level) {
    if (m_dirty[level]) UploadLevel(level);
  }
  m_pendingUploads = false;
}

void GlTexture8::UploadLevel(UINT level) {
  m_dirty[level] = false;
  GlUpload upload{};
  if (!LookupUpload(Format(), &upload)) return;
  const auto width = static_cast<GLsizei>(LevelWidth(level));
  const auto height = static_cast<GLsizei>(LevelHeight(level));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (upload.compressed) {
    const auto context = m_context.lock();
    if (!context || !context->functions->CompressedTexImage2D) return;
    const auto size = static_cast<GLsizei>(LevelPitch(level) * FormatRows(Format(), LevelHeight(level)));
    context->functions->CompressedTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level),
                                             static_cast<GLenum>(upload.internalFormat), width,
                                             height, 0, size, LevelBits(level));
  } else {
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), upload.internalFormat, width, height,
                 0, upload.format, upload.type, LevelBits(level));
  }
  ReleaseLevelBits(level);
}

}  // namespace qm
