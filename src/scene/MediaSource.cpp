#include "scene/MediaSource.h"

#include <cstdlib>

#include "d3dx/D3DXTexture.h"
#include "scene/XFileModel.h"

namespace qm {

void MediaSource::Use(const MediaArchive& archive, const char* password) {
  m_bOwn = true;
  m_archive = archive;
  m_bPassword = password != nullptr;
  m_password = password ? password : "";
}

bool MediaSource::Open(MediaArchive* archive, const char** password) const {
  if (m_bOwn) {
    *archive = m_archive;
    *password = m_bPassword ? m_password.c_str() : nullptr;
  } else {
    *archive = LoadMediaArchive(kSceneMediaArchive);
    *password = kMediaPassword;
  }
  return archive->nSize != 0;
}

bool MediaSource::Extract(const char* name, std::uint8_t** data, std::uint32_t* size) const {
  MediaArchive archive;
  const char* password = nullptr;
  Open(&archive, &password);
  *data = nullptr;
  *size = 0;
  return ExtractEntry(name, &archive, password, data, size);
}

HRESULT MediaSource::CreateTexture(IDirect3DDevice8* device, const char* name,
                                   IDirect3DTexture8** texture) const {
  std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  Extract(name, &data, &size);
  if (*texture) (*texture)->Release();
  *texture = nullptr;
  const HRESULT hr = D3DXCreateTextureFromFileInMemory(device, data, size, texture);
  std::free(data);
  return hr;
}

}  // namespace qm
