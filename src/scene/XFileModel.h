// XFileModel: one model read from an X file, kept as a tree of frames with meshes,
// materials, textures and keyframe animation sets.
//
// Every visible thing of the forest scene that comes from a mesh (the forest, the spider, the
// insect groups) is an XFileModel; the forest's named frames also carry the scene's paths and
// positions (ForestScene reads them with FindFrame). Owners call Load with the device, then
// every frame Advance and Render (Render draws with the device's current world transform),
// and ReleaseDeviceObjects / DeleteAll at the end. Models are re-centred on their bounding
// sphere when loaded, so Radius is the size owners scale by. A file comes from the scene
// media archive (resource 481) unless the owner switches to the disk with SetFromArchive(false).
//
// Sections: keys and animation state - mesh container - frame - file record - the model.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "d3d/D3D8.h"
#include "d3dx/D3DXMath.h"
#include "d3dx/XMesh.h"
#include "media/MediaArchive.h"
#include "scene/MediaSource.h"

namespace qm {

// Animation keys count time in ticks, 4800 of them per second.
inline constexpr float kXFileTicksPerSecond = 4800.0f;
// The mesh creation options every model hands to mesh loading: D3DXMESH_DONOTCLIP |
// D3DXMESH_VB_SYSTEMMEM | D3DXMESH_VB_WRITEONLY | D3DXMESH_IB_SYSTEMMEM.
inline constexpr DWORD kXFileMeshOptions = 0x152;
// The resource id of the scene media archive that models come from.
inline constexpr int kSceneMediaArchive = 481;
// The skinning method a mesh container records after its device objects were released, so
// that the next drawing generates them again.
inline constexpr int kSkinMethodRegenerate = 3;

// ---------------------------------------------------------------------------------------------
// Keys and animation state
// ---------------------------------------------------------------------------------------------

// A rotation key; the file stores w, x, y, z, the quaternion here is (x, y, z, w).
struct XFileRotateKey {
  DWORD dwTime;
  D3DXQUATERNION quatRotate;
};

// A scale or position key.
struct XFileVectorKey {
  DWORD dwTime;
  D3DXVECTOR3 vValue;
};

// A whole-matrix key (never blended between keys).
struct XFileMatrixKey {
  DWORD dwTime;
  D3DXMATRIX mat;
};

// What an owner plays on a model: set index (-1 none), play count, time and length in ticks.
// Creature groups keep one per animal and load it into the shared model before drawing.
struct XFileAnimState {
  int iSet = -1;
  int iCount = 0;
  float fTime = 0.0f;
  float fLength = 0.0f;
};

// ---------------------------------------------------------------------------------------------
// Mesh container
// ---------------------------------------------------------------------------------------------

// Which materials a Render draws. A material is opaque when neither its diffuse colour nor
// its texture's format can carry transparency. An owner that draws the opaque ones first,
// without blending or alpha test, lets the renderer skip the shading of whatever they hide.
enum class XFileLayer { All, Opaque, Translucent };

// One mesh of a frame with its materials, textures, skin and device drawing data.
struct XFileMeshContainer {
  // The mesh as built from the file; stays after ReleaseDeviceObjects. Owners read vertex
  // positions, normals and the triangle list (indices are always 32-bit here) from it.
  XMeshData mesh;
  // The vertices interleaved as the device draws them: position, normal when the mesh has
  // normals, diffuse colour when it has vertex colours, one texture coordinate when it has
  // them; dwFVF says which, dwStride how many bytes one vertex takes.
  std::vector<BYTE> vertices;
  DWORD dwFVF = 0;
  DWORD dwStride = 0;

  // Per subset of mesh.subsets: 0 when every triangle has two corners at one place, as the
  // helper meshes that only carry paths and the web frame have; such a subset shades no
  // pixel, so it is not drawn. Set with the vertices (an unskinned mesh only: bones could
  // pull the corners apart).
  std::vector<BYTE> subsetCoversPixels;

  std::vector<D3DMATERIAL8> materials;       // one per material of the mesh
  std::vector<IDirect3DTexture8*> textures;  // one per material, null when it has none; owned
  std::vector<BYTE> materialOpaque;           // one per material: 1 when it hides what is behind
  DWORD dwMaterials = 0;

  // Skin: per bone (in the mesh's bone order) the combined matrix of the frame of that name,
  // null for a bone no frame bears (it then stays in place).
  std::vector<const D3DXMATRIX*> boneMatrices;

  // Device drawing data: the vertex and index buffers of an unskinned mesh; a skinned mesh
  // blends into blendedVertices every frame and draws from memory.
  IDirect3DVertexBuffer8* pVertexBuffer = nullptr;
  IDirect3DIndexBuffer8* pIndexBuffer = nullptr;
  std::vector<BYTE> blendedVertices;
  // The skinning method the drawing data was made for; kSkinMethodRegenerate after a release.
  int iSkinMethod = kSkinMethodRegenerate;

  XFileMeshContainer* pNext = nullptr;  // next container of the same frame

  bool HasSkin() const { return mesh.hasSkin; }
  DWORD VertexCount() const { return dwStride ? static_cast<DWORD>(vertices.size() / dwStride) : 0; }
  // The bytes of vertex i (position first, then the normal: "the floats after the position").
  const BYTE* Vertex(DWORD i) const { return vertices.data() + static_cast<size_t>(i) * dwStride; }
  const D3DXVECTOR3& Position(DWORD i) const {
    return *reinterpret_cast<const D3DXVECTOR3*>(Vertex(i));
  }
};

// ---------------------------------------------------------------------------------------------
// Frame
// ---------------------------------------------------------------------------------------------

// One node of the tree: an ordinary frame, or an animation set or animation (bAnimation 1).
struct XFileFrame {
  D3DXMATRIX matCurrent;   // the local matrix, moved by animations and by the scene
  D3DXMATRIX matExtra;     // identity; multiplied after the parent's combined matrix
  D3DXMATRIX matFile;      // the FrameTransformMatrix as read from the file
  D3DXMATRIX matCombined;  // current x parent's combined x extra, computed by Render

  std::vector<XFileVectorKey> positionKeys;
  std::vector<XFileRotateKey> rotateKeys;
  std::vector<XFileVectorKey> scaleKeys;
  std::vector<XFileMatrixKey> matrixKeys;

  XFileFrame* pNextAnimation = nullptr;  // the file record's list of animations
  XFileFrame* pTarget = nullptr;         // for an animation: the frame it moves

  XFileFrame* pFirstChild = nullptr;
  XFileFrame* pNextSibling = nullptr;
  XFileMeshContainer* pFirstMesh = nullptr;

  BYTE bAnimation = 0;  // 1 for animation sets and animations
  BYTE bEnabled = 0;    // for animations: applied by Advance (SetAnimState switches it)
  std::string name;     // empty when the file gives none; such frames are never found

  XFileFrame();  // matrices identity, no keys, no links
};

// ---------------------------------------------------------------------------------------------
// File record
// ---------------------------------------------------------------------------------------------

// One loaded file: its frame tree, bounding sphere and animations. Owns every frame and mesh
// container of the tree (the links in XFileFrame do not own).
struct XFileRecord {
  XFileFrame* pRoot = nullptr;
  D3DXVECTOR3 vCenter{0.0f, 0.0f, 0.0f};  // bounding sphere, in the file's own units
  float fRadius = 0.0f;
  std::string fileName;
  float fTime = 0.0f;       // ticks
  float fUnused = 200.0f;   // kept for the record's layout; nothing reads it
  XFileFrame* pFirstAnimation = nullptr;

  std::vector<std::unique_ptr<XFileFrame>> frames;
  std::vector<std::unique_ptr<XFileMeshContainer>> meshContainers;

  XFileRecord();
  ~XFileRecord();  // releases the containers' textures and buffers
  XFileRecord(const XFileRecord&) = delete;
  XFileRecord& operator=(const XFileRecord&) = delete;

  XFileFrame* NewFrame(std::string frameName);
  XFileMeshContainer* NewMeshContainer();
};

// One entry of the animation-set table: the set's frame and its length in ticks.
struct XFileAnimSet {
  XFileFrame* pFrame = nullptr;
  float fLength = 0.0f;
};

// ---------------------------------------------------------------------------------------------
// The model
// ---------------------------------------------------------------------------------------------

class XFileModel {
 public:
  // fileName may be null (the owner copies one in with SetFileName before Load).
  explicit XFileModel(const char* fileName = nullptr);
  ~XFileModel();
  XFileModel(const XFileModel&) = delete;
  XFileModel& operator=(const XFileModel&) = delete;

  // --- Loading and device objects
  // Stores the device, reads the file (from the archive or the disk) and builds the
  // animation-set table. E_INVALIDARG for an empty file name, E_FAIL for a one-character
  // one or a file that cannot be read; parser, D3DX and device errors pass through.
  HRESULT Load(IDirect3DDevice8* device);
  // Reads a file image already in memory (textures still come from the archive or disk as
  // the from-archive flag says); what Load does after extraction. For tools and tests.
  HRESULT LoadFromMemory(IDirect3DDevice8* device, const void* data, DWORD size);
  // Releases every container's buffers and drawing data; the next Render makes them again.
  void ReleaseDeviceObjects();
  // Forgets the device and frees every record with its frames, meshes and textures.
  void DeleteAll();

  // --- Animation and drawing
  // Moves the loaded animation state on by `seconds` and applies it. Returns 0.
  HRESULT Advance(float seconds);
  // Draws every record with the device's current world transform, which it leaves as found;
  // only the materials of the layer, in the order of the file.
  void Render(XFileLayer layer = XFileLayer::All);

  // --- Frames and size
  // Depth first through the current record's tree: the frame, its children, its following
  // siblings; null when no frame bears the name (exact comparison).
  XFileFrame* FindFrame(const char* name) const;
  // The current record's bounding-sphere radius and centre (file units); 0 without a record.
  float Radius() const;
  D3DXVECTOR3 Center() const;
  XFileRecord* CurrentRecord() const { return m_pCurrent; }
  XFileFrame* RootFrame() const { return m_pRoot; }
  XFileFrame* FirstFrame() const { return m_pFirstFrame; }  // the root's first child

  // --- Animation sets
  int SetCount() const { return static_cast<int>(m_animSets.size()); }
  // The set's name, or null when the index is out of range.
  const char* SetName(int index) const;
  // Index of the set with this name, -1 when none.
  int FindSet(const char* name) const;
  // The set's length in ticks (0 out of range).
  float SetLength(int index) const;
  const std::vector<XFileAnimSet>& AnimSets() const { return m_animSets; }
  // Copies the state; a set index that is not negative enables that set's animations and
  // disables every other set's.
  void SetAnimState(const XFileAnimState& state);
  XFileAnimState& AnimState() { return m_animState; }

  // --- Settings the owner makes before Load
  void SetFileName(const char* fileName);
  const char* FileName() const { return m_szFileName; }
  void SetFromArchive(bool fromArchive) { m_bFromArchive = fromArchive ? 1 : 0; }
  bool FromArchive() const { return m_bFromArchive != 0; }
  // Reads files and textures from this archive instead of resource 481 (tests, tools).
  // The bytes must outlive the model's loading; password may be null.
  void UseArchive(const MediaArchive& archive, const char* password);
  int SkinningMethod() const { return m_iSkinningMethod; }
  void SetSkinningMethod(int method) { m_iSkinningMethod = method; }
  DWORD MeshOptions() const { return m_dwMeshOptions; }

 private:
  friend class XFileModelLoader;

  // The archive files and textures come from, with its password (null for none).
  bool OpenArchive(MediaArchive* archive, const char** password) const;
  // Parses from memory (DXFILELOAD_FROMMEMORY with a DXFILELOADMEMORY) or from the disk
  // (DXFILELOAD_FROMFILE with a file name) into a new current record.
  HRESULT ParseFile(const void* source, DWORD loadOptions);
  void BuildAnimSetTable();

  int m_iSkinningMethod = 0;
  DWORD m_dwMeshOptions = kXFileMeshOptions;
  int m_bFromArchive = 1;
  char m_szFileName[260] = {};
  std::vector<std::unique_ptr<XFileRecord>> m_records;  // most recent first
  XFileRecord* m_pCurrent = nullptr;
  XFileFrame* m_pRoot = nullptr;
  XFileFrame* m_pFirstFrame = nullptr;
  std::vector<XFileAnimSet> m_animSets;
  XFileAnimState m_animState;
  IDirect3DDevice8* m_pDevice = nullptr;  // not owned: the saver's device outlives its models

  MediaSource m_media;  // the scene media, or the archive UseArchive named
};

}  // namespace qm
