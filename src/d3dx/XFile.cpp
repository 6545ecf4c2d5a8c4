// XFile: template registration and enumeration of a file's top-level objects.
#include "d3dx/XFile.h"

#include <fstream>
#include <iterator>
#include <new>

#include "d3dx/XFileParser.h"

namespace {

bool ReadWholeFile(const char* path, std::vector<BYTE>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

HRESULT XFileEnumObject::GetNextDataObject(const XFileData** object) {
  if (object == nullptr) return E_INVALIDARG;
  if (m_next >= m_objects.size()) {
    *object = nullptr;
    return DXFILEERR_NOMOREOBJECTS;
  }
  *object = m_objects[m_next++].get();
  return S_OK;
}

XFile::XFile() : m_registered(std::make_shared<XFileTemplateSet>()) {}

HRESULT XFile::RegisterTemplates(const void* data, DWORD size) {
  if (data == nullptr) return E_INVALIDARG;
  XFileParser parser(m_registered.get());
  std::vector<std::unique_ptr<XFileData>> ignored;
  HRESULT hr = parser.Parse({static_cast<const BYTE*>(data), size}, &ignored);
  m_lastError = parser.Error();
  return hr;
}

HRESULT XFile::CreateEnumObject(const void* source, DXFILELOADOPTIONS options,
                                std::unique_ptr<XFileEnumObject>* out) {
  if (source == nullptr || out == nullptr) return E_INVALIDARG;
  std::vector<BYTE> fileBytes;
  std::span<const BYTE> image;
  if (options == DXFILELOAD_FROMFILE) {
    if (!ReadWholeFile(static_cast<const char*>(source), &fileBytes)) {
      m_lastError = "cannot read the file";
      return DXFILEERR_FILENOTFOUND;
    }
    image = fileBytes;
  } else if (options == DXFILELOAD_FROMMEMORY) {
    const auto* memory = static_cast<const DXFILELOADMEMORY*>(source);
    if (memory->lpMemory == nullptr) return E_INVALIDARG;
    image = {static_cast<const BYTE*>(memory->lpMemory), memory->dSize};
  } else {
    return E_INVALIDARG;
  }
  auto enumeration = std::unique_ptr<XFileEnumObject>(new (std::nothrow) XFileEnumObject);
  if (!enumeration) return E_OUTOFMEMORY;
  enumeration->m_registered = m_registered;
  enumeration->m_fileTemplates = std::make_unique<XFileTemplateSet>(m_registered.get());
  XFileParser parser(enumeration->m_fileTemplates.get());
  HRESULT hr = E_OUTOFMEMORY;
  try {
    // Sizes are checked against the file's length before anything is allocated, so only
    // a file near the size of memory gets here; it must not take the process down.
    hr = parser.Parse(image, &enumeration->m_objects);
    m_lastError = parser.Error();
  } catch (const std::bad_alloc&) {
    m_lastError = "out of memory";
  }
  if (SUCCEEDED(hr)) *out = std::move(enumeration);
  return hr;
}

HRESULT DirectXFileCreate(std::unique_ptr<XFile>* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = std::make_unique<XFile>();
  return S_OK;
}
