// XMeshBuilder: reading Mesh objects into vertex and index lists.
//
// Sections: reading the file's records; normals and vertex copies; triangles and subsets;
// skin; entry point.
#include "d3dx/XMeshBuilder.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "d3dx/XFileDataReader.h"

namespace {

constexpr XMeshColor kDefaultGrey = {0.5f, 0.5f, 0.5f, 1.0f};
constexpr D3DCOLOR kWhite = 0xFFFFFFFFu;
constexpr DWORD kNoNormal = 0xFFFFFFFFu;

// Faces as the file lists them: corner indices of face f are corners[start[f] .. start[f+1]).
struct FaceList {
  std::vector<DWORD> start;
  std::vector<DWORD> corners;
};

// Reads `count` MeshFace records; false when the data ends or an index is >= limit.
bool ReadFaces(XFileDataReader& reader, DWORD count, DWORD limit, FaceList* faces) {
  if (!reader.CanRead(count, sizeof(DWORD))) return false;
  faces->start.assign(1, 0);
  faces->start.reserve(count + 1);
  for (DWORD f = 0; f < count; ++f) {
    DWORD corners = reader.Dword();
    if (!reader.CanRead(corners, sizeof(DWORD))) return false;
    for (DWORD c = 0; c < corners; ++c) {
      DWORD index = reader.Dword();
      if (index >= limit) return false;
      faces->corners.push_back(index);
    }
    faces->start.push_back(static_cast<DWORD>(faces->corners.size()));
  }
  return reader.Ok();
}

bool ReadVectors(XFileDataReader& reader, DWORD count, std::vector<XMeshVector3>* out) {
  if (!reader.CanRead(count, sizeof(XMeshVector3))) return false;
  out->resize(count);
  if (count > 0) reader.Floats(&out->front().x, size_t{count} * 3);
  return reader.Ok();
}

D3DCOLOR ToD3DColor(const XMeshColor& c) {
  auto channel = [](float v) -> DWORD {
    return v >= 1.0f ? 0xFF : v <= 0.0f ? 0x00 : static_cast<DWORD>(v * 255.0f + 0.5f);
  };
  return (channel(c.a) << 24) | (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
}

XMeshMaterial DefaultMaterial() {
  XMeshMaterial material{};
  material.faceColor = kDefaultGrey;
  material.specular = kDefaultGrey;
  material.emissive = {0.0f, 0.0f, 0.0f, 1.0f};
  return material;
}

class MeshBuilder {
 public:
  explicit MeshBuilder(XMeshData* out) : m_out(*out) {}

  HRESULT Build(const XFileData& mesh) {
    if (!(mesh.GetType() == TID_D3DRMMesh)) return E_INVALIDARG;
    m_out.name = mesh.GetName();
    if (!ReadMesh(mesh)) return E_FAIL;
    for (const XFileChild& child : mesh.Children()) {
      if (child.object != nullptr && !ReadChild(*child.object)) return E_FAIL;
    }
    if (!BuildVertices() || !BuildTriangles() || !BuildSkin()) return E_FAIL;
    return S_OK;
  }

 private:
  // ---- Reading the file's records -------------------------------------------------------

  bool ReadMesh(const XFileData& mesh) {
    XFileDataReader reader(mesh);
    m_out.declaredVertices = reader.Dword();
    if (!ReadVectors(reader, m_out.declaredVertices, &m_out.positions)) return false;
    m_out.declaredFaces = reader.Dword();
    return ReadFaces(reader, m_out.declaredFaces, m_out.declaredVertices, &m_faces);
  }

  bool ReadChild(const XFileData& child) {
    const XFileGuid& type = child.GetType();
    if (type == TID_D3DRMMeshNormals) return !m_haveNormals ? ReadNormals(child) : true;
    if (type == TID_D3DRMMeshTextureCoords) return m_out.texCoords.empty() ? ReadTexCoords(child) : true;
    if (type == TID_D3DRMMeshVertexColors) return m_out.colors.empty() ? ReadColors(child) : true;
    if (type == TID_D3DRMMeshMaterialList) return !m_haveMaterials ? ReadMaterialList(child) : true;
    if (type == DXFILEOBJ_XSkinMeshHeader) return ReadSkinHeader(child);
    if (type == DXFILEOBJ_SkinWeights) return ReadSkinWeights(child);
    return true;  // VertexDuplicationIndices, DeclData, FVFData ... carry nothing we draw
  }

  bool ReadNormals(const XFileData& data) {
    XFileDataReader reader(data);
    DWORD count = reader.Dword();
    if (!ReadVectors(reader, count, &m_normals)) return false;
    DWORD faceCount = reader.Dword();
    if (faceCount != m_out.declaredFaces) return false;
    if (!ReadFaces(reader, faceCount, count, &m_normalFaces)) return false;
    m_haveNormals = m_normalFaces.start == m_faces.start;  // same corners on every face
    return m_haveNormals;
  }

  bool ReadTexCoords(const XFileData& data) {
    XFileDataReader reader(data);
    DWORD count = reader.Dword();
    if (count < m_out.declaredVertices || !reader.CanRead(count, sizeof(XMeshVector2))) {
      return false;
    }
    m_out.texCoords.resize(m_out.declaredVertices);
    if (m_out.declaredVertices > 0) {
      reader.Floats(&m_out.texCoords.front().u, size_t{m_out.declaredVertices} * 2);
    }
    return reader.Ok();
  }

  bool ReadColors(const XFileData& data) {
    XFileDataReader reader(data);
    DWORD count = reader.Dword();
    constexpr size_t kIndexedColorSize = 5 * 4;
    if (!reader.CanRead(count, kIndexedColorSize)) return false;
    m_out.colors.assign(m_out.declaredVertices, kWhite);
    for (DWORD i = 0; i < count; ++i) {
      DWORD index = reader.Dword();
      XMeshColor color;
      reader.Floats(&color.r, 4);
      if (index >= m_out.declaredVertices) return false;
      m_out.colors[index] = ToD3DColor(color);
    }
    return reader.Ok();
  }

  bool ReadMaterialList(const XFileData& data) {
    XFileDataReader reader(data);
    m_out.declaredMaterials = reader.Dword();
    DWORD count = reader.Dword();
    if (!reader.CanRead(count, sizeof(DWORD))) return false;
    m_faceMaterials.resize(count);
    for (DWORD& index : m_faceMaterials) {
      index = reader.Dword();
      if (index >= m_out.declaredMaterials) return false;
    }
    auto materials = data.ChildrenOfType(TID_D3DRMMaterial);
    // More materials than Material objects and faces could ever use means a broken count.
    if (m_out.declaredMaterials > std::max<size_t>(materials.size(), m_out.declaredFaces)) {
      return false;
    }
    for (const XFileData* material : materials) {
      if (m_out.materials.size() == m_out.declaredMaterials) break;
      if (!ReadMaterial(*material)) return false;
    }
    // A list that names fewer materials than it counts gets grey ones for the rest.
    m_out.materials.resize(m_out.declaredMaterials, DefaultMaterial());
    m_haveMaterials = true;
    return reader.Ok();
  }

  bool ReadMaterial(const XFileData& data) {
    XFileDataReader reader(data);
    XMeshMaterial material{};
    reader.Floats(&material.faceColor.r, 4);
    material.power = reader.Float();
    reader.Floats(&material.specular.r, 3);
    reader.Floats(&material.emissive.r, 3);
    material.specular.a = material.emissive.a = 1.0f;
    // TextureFilename and the TextureFileName some exporters declare share one GUID.
    auto textures = data.ChildrenOfType(TID_D3DRMTextureFilename);
    if (!textures.empty()) {
      XFileDataReader texture(*textures.front());
      material.textureFilename = texture.String();
      if (!texture.Ok()) return false;
    }
    m_out.materials.push_back(std::move(material));
    return reader.Ok();
  }

  bool ReadSkinHeader(const XFileData& data) {
    XFileDataReader reader(data);
    m_out.skin.maxWeightsPerVertex = reader.Word();
    m_out.skin.maxWeightsPerFace = reader.Word();
    m_out.skin.declaredBones = reader.Word();
    m_out.hasSkin = true;
    return reader.Ok();
  }

  bool ReadSkinWeights(const XFileData& data) {
    XFileDataReader reader(data);
    XMeshBone bone;
    bone.name = reader.String();
    DWORD count = reader.Dword();
    if (!reader.CanRead(count, 2 * sizeof(DWORD))) return false;
    bone.vertices.resize(count);
    for (DWORD& index : bone.vertices) {
      index = reader.Dword();
      if (index >= m_out.declaredVertices) return false;
    }
    bone.weights.resize(count);
    if (count > 0) reader.Floats(bone.weights.data(), count);
    reader.Floats(&bone.offset.m[0][0], 16);
    if (!reader.Ok()) return false;
    m_out.skin.bones.push_back(std::move(bone));
    m_out.hasSkin = true;
    return true;
  }

  // ---- Normals and vertex copies --------------------------------------------------------

  // Gives each face corner a built vertex: the file vertex, or a copy of it where the corner
  // needs a normal different from the one the vertex already has.
  bool BuildVertices() {
    DWORD fileVertices = m_out.declaredVertices;
    m_out.originalVertex.resize(fileVertices);
    for (DWORD v = 0; v < fileVertices; ++v) m_out.originalVertex[v] = v;
    m_cornerVertex = m_faces.corners;
    if (!m_haveNormals) return true;
    m_out.normals.assign(fileVertices, XMeshVector3{0.0f, 0.0f, 0.0f});
    std::vector<DWORD> normalOf(fileVertices, kNoNormal);
    std::unordered_map<unsigned long long, DWORD> copies;
    for (size_t c = 0; c < m_faces.corners.size(); ++c) {
      DWORD vertex = m_faces.corners[c];
      DWORD normal = m_normalFaces.corners[c];
      if (normalOf[vertex] == kNoNormal) {
        normalOf[vertex] = normal;
        m_out.normals[vertex] = m_normals[normal];
      } else if (normalOf[vertex] != normal &&
                 std::memcmp(&m_normals[normalOf[vertex]], &m_normals[normal],
                             sizeof(XMeshVector3)) != 0) {
        unsigned long long key = (static_cast<unsigned long long>(vertex) << 32) | normal;
        auto [it, added] = copies.emplace(key, static_cast<DWORD>(m_out.positions.size()));
        if (added) AddCopy(vertex, m_normals[normal]);
        m_cornerVertex[c] = it->second;
      }
    }
    return true;
  }

  void AddCopy(DWORD vertex, const XMeshVector3& normal) {
    m_out.positions.push_back(m_out.positions[vertex]);
    m_out.normals.push_back(normal);
    if (!m_out.texCoords.empty()) m_out.texCoords.push_back(m_out.texCoords[vertex]);
    if (!m_out.colors.empty()) m_out.colors.push_back(m_out.colors[vertex]);
    m_out.originalVertex.push_back(vertex);
  }

  // ---- Triangles and subsets ------------------------------------------------------------

  DWORD FaceMaterial(DWORD face) const {
    if (m_faceMaterials.empty()) return 0;
    // Lists shorter than the face list repeat their last index.
    return m_faceMaterials[std::min<size_t>(face, m_faceMaterials.size() - 1)];
  }

  bool BuildTriangles() {
    if (m_out.materials.empty()) m_out.materials.push_back(DefaultMaterial());
    DWORD materialCount = static_cast<DWORD>(m_out.materials.size());
    // Counting sort by material keeps each material's triangles in file order.
    std::vector<DWORD> perMaterial(materialCount + 1, 0);
    for (DWORD f = 0; f < m_out.declaredFaces; ++f) {
      DWORD corners = m_faces.start[f + 1] - m_faces.start[f];
      if (corners >= 3) perMaterial[FaceMaterial(f) + 1] += corners - 2;
    }
    for (DWORD m = 0; m < materialCount; ++m) perMaterial[m + 1] += perMaterial[m];
    size_t triangles = perMaterial[materialCount];
    m_out.indices.resize(triangles * 3);
    m_out.attributes.resize(triangles);
    m_out.triangleFace.resize(triangles);
    std::vector<DWORD> next(perMaterial.begin(), perMaterial.end() - 1);
    for (DWORD f = 0; f < m_out.declaredFaces; ++f) {
      DWORD first = m_faces.start[f];
      DWORD corners = m_faces.start[f + 1] - first;
      DWORD material = FaceMaterial(f);
      for (DWORD k = 1; k + 1 < corners; ++k) {  // a fan around the first corner
        DWORD t = next[material]++;
        m_out.indices[t * 3 + 0] = m_cornerVertex[first];
        m_out.indices[t * 3 + 1] = m_cornerVertex[first + k];
        m_out.indices[t * 3 + 2] = m_cornerVertex[first + k + 1];
        m_out.attributes[t] = material;
        m_out.triangleFace[t] = f;
      }
    }
    BuildSubsets(perMaterial);
    return true;
  }

  void BuildSubsets(const std::vector<DWORD>& perMaterial) {
    for (DWORD m = 0; m + 1 < perMaterial.size(); ++m) {
      DWORD start = perMaterial[m];
      DWORD count = perMaterial[m + 1] - start;
      if (count == 0) continue;
      auto begin = m_out.indices.begin() + start * 3;
      auto [low, high] = std::minmax_element(begin, begin + count * 3);
      m_out.subsets.push_back({m, start, count, *low, *high - *low + 1});
    }
  }

  // ---- Skin -----------------------------------------------------------------------------

  bool BuildSkin() {
    if (!m_out.hasSkin) return true;
    size_t vertices = m_out.positions.size();
    // Influences per file vertex first, then shared by every copy of that vertex.
    std::vector<std::vector<XMeshInfluence>> perFileVertex(m_out.declaredVertices);
    for (DWORD b = 0; b < m_out.skin.bones.size(); ++b) {
      const XMeshBone& bone = m_out.skin.bones[b];
      for (size_t i = 0; i < bone.vertices.size(); ++i) {
        perFileVertex[bone.vertices[i]].push_back({b, bone.weights[i]});
      }
    }
    m_out.skin.influenceStart.assign(1, 0);
    for (size_t v = 0; v < vertices; ++v) {
      const auto& list = perFileVertex[m_out.originalVertex[v]];
      m_out.skin.influences.insert(m_out.skin.influences.end(), list.begin(), list.end());
      m_out.skin.influenceStart.push_back(static_cast<DWORD>(m_out.skin.influences.size()));
    }
    return true;
  }

  XMeshData& m_out;
  FaceList m_faces;
  FaceList m_normalFaces;
  std::vector<XMeshVector3> m_normals;
  std::vector<DWORD> m_cornerVertex;
  std::vector<DWORD> m_faceMaterials;
  bool m_haveNormals = false;
  bool m_haveMaterials = false;
};

}  // namespace

// ---- Entry point -----------------------------------------------------------------------

DWORD XMeshData::Fvf() const {
  DWORD fvf = XMESH_FVF_XYZ;
  if (!normals.empty()) fvf |= XMESH_FVF_NORMAL;
  if (!colors.empty()) fvf |= XMESH_FVF_DIFFUSE;
  if (!texCoords.empty()) fvf |= XMESH_FVF_TEX1;
  return fvf;
}

const XMeshSubset* XMeshData::FindSubset(DWORD attribId) const {
  for (const XMeshSubset& subset : subsets) {
    if (subset.attribId == attribId) return &subset;
  }
  return nullptr;
}

HRESULT XMeshBuild(const XFileData& mesh, XMeshData* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = XMeshData{};
  MeshBuilder builder(out);
  HRESULT hr = builder.Build(mesh);
  if (FAILED(hr)) *out = XMeshData{};
  return hr;
}
