// XFileModelLoader: the data objects of one X file become frames, mesh containers, animation
// sets and animations of a record; also the bounding sphere of the loaded tree.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "d3d/FormatInfo.h"
#include "d3dx/D3DXTexture.h"
#include "d3dx/XFileDataReader.h"
#include "d3dx/XMeshBuilder.h"
#include "scene/XFileModelInternal.h"

namespace qm {
namespace {

// AnimationKey key types and the number of floats each key carries.
constexpr DWORD kRotationKey = 0;
constexpr DWORD kScaleKey = 1;
constexpr DWORD kPositionKey = 2;
constexpr DWORD kMatrixKey = 4;

DWORD ValuesPerKey(DWORD keyType) {
  switch (keyType) {
    case kRotationKey: return 4;
    case kScaleKey: return 3;
    case kPositionKey: return 3;
    case kMatrixKey: return 16;
    default: return 0;
  }
}

D3DCOLORVALUE Color(const XMeshColor& c) { return {c.r, c.g, c.b, c.a}; }

// D3DX leaves a loaded material's ambient colour at zero; so do we.
D3DMATERIAL8 DeviceMaterial(const XMeshMaterial& material) {
  D3DMATERIAL8 out{};
  out.Diffuse = Color(material.faceColor);
  out.Specular = Color(material.specular);
  out.Emissive = Color(material.emissive);
  out.Power = material.power;
  return out;
}

// The last part of a path written with either kind of slash.
std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

// ---- Data objects ---------------------------------------------------------------------------

HRESULT XFileModelLoader::LoadDataObject(const XFileData& object, XFileFrame* parent) {
  const XFileGuid& type = object.GetType();
  if (type == TID_D3DRMMesh) return LoadMesh(object, parent);
  if (type == TID_D3DRMFrameTransformMatrix) {
    XFileDataReader reader(object);
    D3DXMATRIX matrix;
    reader.Floats(&matrix._11, 16);
    if (!reader.Ok()) return E_FAIL;
    parent->matCurrent = matrix;
    parent->matFile = matrix;
    return S_OK;
  }
  if (type == TID_D3DRMAnimationSet) return LoadAnimationSet(object, parent);
  if (type == TID_D3DRMAnimation) return LoadAnimation(object, parent);
  if (type == TID_D3DRMFrame) return LoadFrame(object, parent);
  return S_OK;
}

HRESULT XFileModelLoader::LoadFrame(const XFileData& object, XFileFrame* parent) {
  XFileFrame* frame = m_record.NewFrame(object.GetName());
  AppendChild(parent, frame);
  for (const XFileChild& child : object.Children()) {
    // References name objects that live elsewhere in the file; only nested ones belong here.
    if (child.isReference) continue;
    HRESULT hr = LoadDataObject(*child.object, frame);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT XFileModelLoader::LoadMesh(const XFileData& object, XFileFrame* parent) {
  XFileMeshContainer* container = m_record.NewMeshContainer();
  HRESULT hr = XMeshBuild(object, &container->mesh);
  if (FAILED(hr)) return hr;
  container->dwMaterials = static_cast<DWORD>(container->mesh.materials.size());
  for (const XMeshMaterial& material : container->mesh.materials) {
    container->materials.push_back(DeviceMaterial(material));
  }
  LoadTextures(container);
  BuildVertices(container);
  IDirect3DDevice8* device = m_model.m_pDevice;
  if (device) {
    hr = GenerateDrawingData(device, container, m_model.m_iSkinningMethod);
    if (FAILED(hr)) return hr;
  }
  XFileMeshContainer** link = &parent->pFirstMesh;
  while (*link) link = &(*link)->pNext;
  *link = container;
  return S_OK;
}

// ---- Textures -------------------------------------------------------------------------------

void XFileModelLoader::LoadTextures(XFileMeshContainer* container) {
  container->textures.assign(container->dwMaterials, nullptr);
  if (m_model.m_pDevice) {
    for (DWORD i = 0; i < container->dwMaterials; ++i) {
      const std::string& name = container->mesh.materials[i].textureFilename;
      if (!name.empty()) container->textures[i] = SharedTexture(name);
    }
  }
  // Vertex colours, where a mesh has them, give the lit diffuse colour and its alpha.
  const bool coloursOpaque = std::all_of(container->mesh.colors.begin(), container->mesh.colors.end(),
                                         [](D3DCOLOR colour) { return (colour >> 24) == 0xFF; });
  container->materialOpaque.assign(container->dwMaterials, 0);
  for (DWORD i = 0; i < container->dwMaterials; ++i) {
    bool opaque = coloursOpaque && container->materials[i].Diffuse.a >= 1.0f;
    if (IDirect3DTexture8* texture = container->textures[i]) {
      D3DSURFACE_DESC desc{};
      opaque = opaque && SUCCEEDED(texture->GetLevelDesc(0, &desc)) && !FormatMayHaveAlpha(desc.Format);
    }
    container->materialOpaque[i] = opaque ? 1 : 0;
  }
}

IDirect3DTexture8* XFileModelLoader::SharedTexture(const std::string& name) {
  const auto found = m_texturesByName.find(name);
  if (found != m_texturesByName.end()) {
    if (found->second) found->second->AddRef();
    return found->second;
  }
  IDirect3DTexture8* texture = CreateTexture(name);
  m_texturesByName.emplace(name, texture);
  return texture;
}

// A texture that cannot be made stays empty: the material is then drawn untextured.
IDirect3DTexture8* XFileModelLoader::CreateTexture(const std::string& name) {
  IDirect3DDevice8* device = m_model.m_pDevice;
  IDirect3DTexture8* texture = nullptr;
  // Exporters often write the path of their own machine; the name alone is tried next.
  const std::string candidates[2] = {name, BaseName(name)};
  if (m_model.m_bFromArchive) {
    MediaArchive archive;
    const char* password = nullptr;
    if (!m_model.OpenArchive(&archive, &password)) return nullptr;
    for (const std::string& candidate : candidates) {
      std::uint8_t* buffer = nullptr;
      std::uint32_t size = 0;
      if (!ExtractEntry(candidate.c_str(), &archive, password, &buffer, &size)) continue;
      HRESULT hr = D3DXCreateTextureFromFileInMemory(device, buffer, size, &texture);
      std::free(buffer);
      if (SUCCEEDED(hr)) return texture;
    }
    return nullptr;
  }
  // On the disk a model's textures lie beside it.
  const std::string beside = DirectoryOf(m_model.m_szFileName) + BaseName(name);
  std::string asGiven = name;
  for (char& c : asGiven) {
    if (c == '\\') c = '/';
  }
  for (const std::string& path : {beside, asGiven}) {
    if (SUCCEEDED(D3DXCreateTextureFromFileA(device, path.c_str(), &texture))) return texture;
  }
  return nullptr;
}

// ---- Animations -----------------------------------------------------------------------------

HRESULT XFileModelLoader::LoadAnimationSet(const XFileData& object, XFileFrame* parent) {
  XFileFrame* set = m_record.NewFrame(object.GetName());
  set->bAnimation = 1;
  set->bEnabled = 1;
  AppendChild(parent, set);
  for (const XFileChild& child : object.Children()) {
    if (child.isReference || child.object->GetType() != TID_D3DRMAnimation) continue;
    HRESULT hr = LoadAnimation(*child.object, set);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT XFileModelLoader::LoadAnimation(const XFileData& object, XFileFrame* set) {
  XFileFrame* animation = m_record.NewFrame(object.GetName());
  animation->bAnimation = 1;
  animation->bEnabled = 1;
  AppendChild(set, animation);
  XFileFrame** link = &m_record.pFirstAnimation;
  while (*link) link = &(*link)->pNextAnimation;
  *link = animation;

  for (const XFileChild& child : object.Children()) {
    if (child.object == nullptr) continue;
    const XFileData& data = *child.object;
    const XFileGuid& type = data.GetType();
    HRESULT hr = S_OK;
    if (child.isReference) {
      if (type != TID_D3DRMFrame) continue;
      // The target is looked up in the tree read so far: frames come before their animations.
      XFileFrame* target = FindFrameFrom(m_record.pRoot, data.GetName().c_str());
      if (animation->pTarget != nullptr || target == nullptr) return E_INVALIDARG;
      animation->pTarget = target;
    } else if (type == TID_D3DRMFrame) {
      hr = LoadFrame(data, animation);
    } else if (type == TID_D3DRMAnimationKey) {
      hr = LoadAnimationKey(data, animation);
    }
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT XFileModelLoader::LoadAnimationKey(const XFileData& object, XFileFrame* animation) {
  XFileDataReader reader(object);
  const DWORD keyType = reader.Dword();
  const DWORD keyCount = reader.Dword();
  const DWORD values = ValuesPerKey(keyType);
  if (!reader.Ok()) return E_FAIL;
  if (values == 0) return E_INVALIDARG;
  const bool repeated = (keyType == kRotationKey && !animation->rotateKeys.empty()) ||
                        (keyType == kScaleKey && !animation->scaleKeys.empty()) ||
                        (keyType == kPositionKey && !animation->positionKeys.empty()) ||
                        (keyType == kMatrixKey && !animation->matrixKeys.empty());
  if (repeated) return E_INVALIDARG;
  // Each key is its time, its value count and the values; the count is checked before
  // anything is reserved for it.
  if (!reader.CanRead(keyCount, 2 * sizeof(DWORD))) return E_FAIL;
  for (DWORD k = 0; k < keyCount; ++k) {
    const DWORD time = reader.Dword();
    if (reader.Ok() && reader.Dword() != values) return E_INVALIDARG;
    float v[16];
    reader.Floats(v, values);
    if (!reader.Ok()) return E_FAIL;
    switch (keyType) {
      case kRotationKey:
        animation->rotateKeys.push_back({time, D3DXQUATERNION(v[1], v[2], v[3], v[0])});
        break;
      case kScaleKey:
        animation->scaleKeys.push_back({time, D3DXVECTOR3(v[0], v[1], v[2])});
        break;
      case kPositionKey:
        animation->positionKeys.push_back({time, D3DXVECTOR3(v[0], v[1], v[2])});
        break;
      default:
        animation->matrixKeys.push_back({time, D3DXMATRIX(v)});
        break;
    }
  }
  return S_OK;
}

// ---- Bones and bounding sphere --------------------------------------------------------------

void XFileModelLoader::BindBones() {
  for (auto& container : m_record.meshContainers) {
    if (!container->HasSkin()) continue;
    container->boneMatrices.clear();
    for (const XMeshBone& bone : container->mesh.skin.bones) {
      // Exporters name bones that are not in the hierarchy; such a bone holds still.
      XFileFrame* frame = FindFrameFrom(m_record.pRoot, bone.name.c_str());
      container->boneMatrices.push_back(frame ? &frame->matCombined : nullptr);
    }
  }
}

namespace {

struct SphereSums {
  double x = 0, y = 0, z = 0;
  std::vector<D3DXVECTOR3> points;
};

void CollectPoints(const XFileFrame* frame, const D3DXMATRIX& parent, SphereSums* sums) {
  for (; frame; frame = frame->pNextSibling) {
    D3DXMATRIX combined;
    D3DXMatrixMultiply(&combined, &frame->matCurrent, &parent);
    for (const XFileMeshContainer* c = frame->pFirstMesh; c; c = c->pNext) {
      for (const XMeshVector3& p : c->mesh.positions) {
        D3DXVECTOR3 local(p.x, p.y, p.z), placed;
        D3DXVec3TransformCoord(&placed, &local, &combined);
        if (placed.x == 0.0f && placed.y == 0.0f && placed.z == 0.0f) continue;
        sums->x += placed.x;
        sums->y += placed.y;
        sums->z += placed.z;
        sums->points.push_back(placed);
      }
    }
    CollectPoints(frame->pFirstChild, combined, sums);
  }
}

}  // namespace

void ComputeBoundingSphere(XFileRecord* record) {
  record->vCenter = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  record->fRadius = 0.0f;
  SphereSums sums;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  CollectPoints(record->pRoot, identity, &sums);
  if (sums.points.empty()) return;
  const double n = static_cast<double>(sums.points.size());
  const D3DXVECTOR3 center(static_cast<float>(sums.x / n), static_cast<float>(sums.y / n),
                           static_cast<float>(sums.z / n));
  float largest = 0.0f;
  for (const D3DXVECTOR3& p : sums.points) {
    const D3DXVECTOR3 d = p - center;
    largest = std::max(largest, D3DXVec3LengthSq(&d));
  }
  record->vCenter = center;
  record->fRadius = std::sqrt(largest);
}

}  // namespace qm
