// XFileModel: records, loading entry points, frame lookup, the animation-set table and state.
// Parsing of data objects is in XFileModelLoader.cpp, animation in XFileModelAnimation.cpp,
// drawing in XFileModelRender.cpp.
#include "scene/XFileModel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "d3dx/XFileStandardTemplates.h"
#include "scene/XFileModelInternal.h"

namespace qm {

// ---- Frames and records ---------------------------------------------------------------------

XFileFrame::XFileFrame() {
  D3DXMatrixIdentity(&matCurrent);
  D3DXMatrixIdentity(&matExtra);
  D3DXMatrixIdentity(&matFile);
  D3DXMatrixIdentity(&matCombined);
}

XFileRecord::XFileRecord() = default;

XFileRecord::~XFileRecord() {
  for (auto& container : meshContainers) {
    ReleaseDrawingData(container.get());
    for (IDirect3DTexture8*& texture : container->textures) {
      if (texture) texture->Release();
      texture = nullptr;
    }
  }
}

XFileFrame* XFileRecord::NewFrame(std::string frameName) {
  frames.push_back(std::make_unique<XFileFrame>());
  frames.back()->name = std::move(frameName);
  return frames.back().get();
}

XFileMeshContainer* XFileRecord::NewMeshContainer() {
  meshContainers.push_back(std::make_unique<XFileMeshContainer>());
  return meshContainers.back().get();
}

XFileFrame* FindFrameFrom(XFileFrame* start, const char* name) {
  if (name == nullptr || name[0] == '\0') return nullptr;
  // An explicit stack: sibling lists of a big forest are long, recursion along them is not
  // needed to keep the depth-first order.
  std::vector<XFileFrame*> pending{start};
  while (!pending.empty()) {
    XFileFrame* frame = pending.back();
    pending.pop_back();
    if (frame == nullptr) continue;
    if (frame->name == name) return frame;
    pending.push_back(frame->pNextSibling);
    pending.push_back(frame->pFirstChild);
  }
  return nullptr;
}

void AppendChild(XFileFrame* parent, XFileFrame* child) {
  XFileFrame** link = &parent->pFirstChild;
  while (*link) link = &(*link)->pNextSibling;
  *link = child;
}

// ---- The model ------------------------------------------------------------------------------

XFileModel::XFileModel(const char* fileName) { SetFileName(fileName); }

XFileModel::~XFileModel() { DeleteAll(); }

void XFileModel::SetFileName(const char* fileName) {
  if (fileName == nullptr) fileName = "";
  std::strncpy(m_szFileName, fileName, sizeof(m_szFileName) - 1);
  m_szFileName[sizeof(m_szFileName) - 1] = '\0';
}

void XFileModel::UseArchive(const MediaArchive& archive, const char* password) {
  m_media.Use(archive, password);
}

bool XFileModel::OpenArchive(MediaArchive* archive, const char** password) const {
  return m_media.Open(archive, password);
}

HRESULT XFileModel::Load(IDirect3DDevice8* device) {
  m_pDevice = device;
  if (!m_bFromArchive) {
    HRESULT hr = ParseFile(m_szFileName, DXFILELOAD_FROMFILE);
    if (SUCCEEDED(hr)) BuildAnimSetTable();
    return hr;
  }
  MediaArchive archive;
  const char* password = nullptr;
  std::uint8_t* buffer = nullptr;
  std::uint32_t size = 0;
  if (m_szFileName[0] != '\0' && OpenArchive(&archive, &password)) {
    ExtractEntry(m_szFileName, &archive, password, &buffer, &size);
  }
  // A failed extraction parses nothing, which fails with the parser's own code.
  DXFILELOADMEMORY memory{buffer, size};
  HRESULT hr = ParseFile(&memory, DXFILELOAD_FROMMEMORY);
  std::free(buffer);
  if (SUCCEEDED(hr)) BuildAnimSetTable();
  return hr;
}

HRESULT XFileModel::LoadFromMemory(IDirect3DDevice8* device, const void* data, DWORD size) {
  m_pDevice = device;
  DXFILELOADMEMORY memory{data, size};
  HRESULT hr = ParseFile(&memory, DXFILELOAD_FROMMEMORY);
  if (SUCCEEDED(hr)) BuildAnimSetTable();
  return hr;
}

HRESULT XFileModel::ParseFile(const void* source, DWORD loadOptions) {
  if (m_szFileName[0] == '\0') return E_INVALIDARG;
  if (m_szFileName[1] == '\0') return E_FAIL;
  try {
    auto record = std::make_unique<XFileRecord>();
    record->pRoot = record->NewFrame("");

    std::unique_ptr<XFile> file;
    HRESULT hr = DirectXFileCreate(&file);
    if (SUCCEEDED(hr)) hr = XFileRegisterStandardTemplates(file.get());
    std::unique_ptr<XFileEnumObject> objects;
    if (SUCCEEDED(hr)) hr = file->CreateEnumObject(source, loadOptions, &objects);
    if (FAILED(hr)) return hr;

    XFileModelLoader loader(*this, *record);
    const XFileData* object = nullptr;
    while (SUCCEEDED(objects->GetNextDataObject(&object))) {
      hr = loader.LoadDataObject(*object, record->pRoot);
      if (FAILED(hr)) return hr;
    }
    loader.BindBones();
    record->fileName = m_szFileName;
    ComputeBoundingSphere(record.get());
    record->fTime = 0.0f;
    const D3DXVECTOR3& c = record->vCenter;
    D3DXMatrixTranslation(&record->pRoot->matCurrent, -c.x, -c.y, -c.z);
    record->pRoot->matFile = record->pRoot->matCurrent;

    m_records.insert(m_records.begin(), std::move(record));
    m_pCurrent = m_records.front().get();
    m_pRoot = m_pCurrent->pRoot;
    m_pFirstFrame = m_pRoot->pFirstChild;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

void XFileModel::ReleaseDeviceObjects() {
  for (auto& record : m_records) {
    for (auto& container : record->meshContainers) ReleaseDrawingData(container.get());
  }
}

void XFileModel::DeleteAll() {
  m_pDevice = nullptr;
  m_pCurrent = nullptr;
  m_pRoot = nullptr;
  m_pFirstFrame = nullptr;
  m_animSets.clear();
  m_records.clear();
}

// ---- Frames, size and animation sets ------------------------------------------------------

XFileFrame* XFileModel::FindFrame(const char* name) const {
  return m_pCurrent ? FindFrameFrom(m_pCurrent->pRoot, name) : nullptr;
}

float XFileModel::Radius() const { return m_pCurrent ? m_pCurrent->fRadius : 0.0f; }

D3DXVECTOR3 XFileModel::Center() const {
  return m_pCurrent ? m_pCurrent->vCenter : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

void XFileModel::BuildAnimSetTable() {
  m_animSets.clear();
  if (!m_pRoot) return;
  for (XFileFrame* set = m_pRoot->pFirstChild; set; set = set->pNextSibling) {
    if (!set->bAnimation) continue;
    XFileAnimSet entry{set, 0.0f};
    for (XFileFrame* animation = set->pFirstChild; animation; animation = animation->pNextSibling) {
      if (!animation->bAnimation) continue;
      // Scale and position keys do not count: a set that only moves or scales is a pose.
      if (!animation->rotateKeys.empty()) {
        entry.fLength = std::max(entry.fLength, static_cast<float>(animation->rotateKeys.back().dwTime));
      }
      if (!animation->matrixKeys.empty()) {
        entry.fLength = std::max(entry.fLength, static_cast<float>(animation->matrixKeys.back().dwTime));
      }
    }
    m_animSets.push_back(entry);
  }
}

const char* XFileModel::SetName(int index) const {
  if (index < 0 || index >= SetCount()) return nullptr;
  return m_animSets[index].pFrame->name.c_str();
}

int XFileModel::FindSet(const char* name) const {
  if (name == nullptr) return -1;
  for (int i = 0; i < SetCount(); ++i) {
    if (m_animSets[i].pFrame->name == name) return i;
  }
  return -1;
}

float XFileModel::SetLength(int index) const {
  if (index < 0 || index >= SetCount()) return 0.0f;
  return m_animSets[index].fLength;
}

void XFileModel::SetAnimState(const XFileAnimState& state) {
  m_animState = state;
  if (state.iSet < 0) return;
  for (int i = 0; i < SetCount(); ++i) {
    const BYTE enabled = i == state.iSet ? 1 : 0;
    for (XFileFrame* animation = m_animSets[i].pFrame->pFirstChild; animation;
         animation = animation->pNextSibling) {
      if (animation->bAnimation) animation->bEnabled = enabled;
    }
  }
}

}  // namespace qm
