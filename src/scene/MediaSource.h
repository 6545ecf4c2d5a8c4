// MediaSource: where a scene object takes its files from.
//
// Normally the scene media (resource 481, with the media password); tests and tools hand in
// an archive of their own. The scene, the cobweb and the drop set each keep one and extract
// their textures and start files through it; the X-file models read their files and
// textures through one too.
#pragma once

#include <cstdint>
#include <string>

#include "d3d/D3D8.h"
#include "media/MediaArchive.h"

namespace qm {

class MediaSource {
 public:
  // Takes files from this archive from now on; the bytes must outlive the loading.
  void Use(const MediaArchive& archive, const char* password);
  // The archive and password files come from; false when the archive holds nothing.
  bool Open(MediaArchive* archive, const char** password) const;
  // The entry's bytes (to be freed with free()); false when the archive does not hold it.
  bool Extract(const char* name, std::uint8_t** data, std::uint32_t* size) const;
  // Replaces *texture by one made from the entry; a missing entry gives the loader's error.
  HRESULT CreateTexture(IDirect3DDevice8* device, const char* name,
                        IDirect3DTexture8** texture) const;

 private:
  bool m_bOwn = false;
  MediaArchive m_archive;
  std::string m_password;
  bool m_bPassword = false;
};

}  // namespace qm
