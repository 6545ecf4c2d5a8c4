#include "scene/ScenePaths.h"

#include <cstdio>
#include <cstring>

#include "scene/XFileModel.h"

namespace qm {

namespace {

// The nearest-vertex search only looks this far (world units).
constexpr float kUpSearchDistance = 100000.0f;
// The up vector of a point that no tree vertex lies near.
const D3DXVECTOR3 kDefaultUp(0.0f, 0.0f, 1.0f);

void CombineFrame(XFileFrame* frame, const D3DXMATRIX& parent) {
  for (; frame; frame = frame->pNextSibling) {
    if (frame->bAnimation) continue;
    D3DXMATRIX combined;
    D3DXMatrixMultiply(&combined, &frame->matCurrent, &parent);
    D3DXMatrixMultiply(&frame->matCombined, &combined, &frame->matExtra);
    CombineFrame(frame->pFirstChild, frame->matCombined);
  }
}

float PathLength(const std::vector<D3DXVECTOR3>& points) {
  float length = 0.0f;
  for (size_t i = 1; i < points.size(); ++i) {
    const D3DXVECTOR3 step = points[i] - points[i - 1];
    length += D3DXVec3Length(&step);
  }
  return length;
}

// A tree mesh prepared for the nearest-vertex search: world positions of its vertices.
struct TreeMesh {
  const XFileMeshContainer* pMesh;
  D3DXQUATERNION qRotation;  // the rotation of its frame's combined matrix
  std::vector<D3DXVECTOR3> worldPositions;
};

void CollectTreeMeshes(const XFileFrame* frame, const char* treeText,
                       std::vector<TreeMesh>* meshes) {
  for (; frame; frame = frame->pNextSibling) {
    if (frame->bAnimation) continue;
    const XFileMeshContainer* mesh = frame->pFirstMesh;
    if (mesh && (mesh->dwFVF & D3DFVF_NORMAL) &&
        std::strstr(frame->name.c_str(), treeText) != nullptr) {
      TreeMesh tree{mesh, {}, {}};
      D3DXQuaternionRotationMatrix(&tree.qRotation, &frame->matCombined);
      tree.worldPositions.resize(mesh->VertexCount());
      for (DWORD v = 0; v < mesh->VertexCount(); ++v) {
        D3DXVec3TransformCoord(&tree.worldPositions[v], &mesh->Position(v), &frame->matCombined);
      }
      meshes->push_back(std::move(tree));
    }
    CollectTreeMeshes(frame->pFirstChild, treeText, meshes);
  }
}

// The normal of the tree vertex nearest to a world point, carried into the path's space.
D3DXVECTOR3 UpAt(const D3DXVECTOR3& worldPoint, const D3DXQUATERNION& pathInverse,
                 const std::vector<TreeMesh>& trees) {
  float best = kUpSearchDistance * kUpSearchDistance;
  const TreeMesh* bestTree = nullptr;
  DWORD bestVertex = 0;
  for (const TreeMesh& tree : trees) {
    for (DWORD v = 0; v < tree.worldPositions.size(); ++v) {
      const D3DXVECTOR3 d = tree.worldPositions[v] - worldPoint;
      const float distance = D3DXVec3LengthSq(&d);
      if (distance < best) {
        best = distance;
        bestTree = &tree;
        bestVertex = v;
      }
    }
  }
  if (!bestTree) return kDefaultUp;

  const D3DXVECTOR3 normal(
      reinterpret_cast<const float*>(bestTree->pMesh->Vertex(bestVertex)) + 3);
  D3DXQUATERNION rotation;
  D3DXQuaternionMultiply(&rotation, &bestTree->qRotation, &pathInverse);
  D3DXMATRIX turn;
  D3DXMatrixRotationQuaternion(&turn, &rotation);
  D3DXVECTOR3 up;
  D3DXVec3TransformCoord(&up, &normal, &turn);
  // A scaled frame leaves its rotation quaternion unnormalised; creatures need unit ups.
  D3DXVec3Normalize(&up, &up);
  return up;
}

}  // namespace

void UpdateCombinedMatrices(XFileModel& model) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  CombineFrame(model.RootFrame(), identity);
}

int BuildPathList(XFileModel& model, const char* format, std::vector<PathRecord>* paths) {
  paths->clear();
  for (int i = 0; i < kMaxNumberedFrames; ++i) {
    char name[64];
    std::snprintf(name, sizeof(name), format, i);
    const XFileFrame* frame = model.FindFrame(name);
    if (!frame) break;  // the first gap ends the list
    const XFileMeshContainer* mesh = frame->pFirstMesh;
    if (!mesh) continue;
    const DWORD pointCount = mesh->VertexCount() / 2;
    if (pointCount == 0) continue;

    PathRecord path;
    path.pMatrix = &frame->matCombined;
    path.points.reserve(pointCount);
    for (DWORD v = 0; v < pointCount; ++v) path.points.push_back(mesh->Position(v));
    path.fLength = PathLength(path.points);
    paths->push_back(std::move(path));
  }
  return static_cast<int>(paths->size());
}

void ComputePathUps(XFileModel& model, const char* treeText, std::vector<PathRecord>* paths) {
  std::vector<TreeMesh> trees;
  CollectTreeMeshes(model.RootFrame(), treeText, &trees);
  for (PathRecord& path : *paths) {
    D3DXQUATERNION pathRotation, pathInverse;
    D3DXQuaternionRotationMatrix(&pathRotation, path.pMatrix);
    D3DXQuaternionInverse(&pathInverse, &pathRotation);
    path.ups.clear();
    path.ups.reserve(path.points.size());
    for (const D3DXVECTOR3& point : path.points) {
      D3DXVECTOR3 world;
      D3DXVec3TransformCoord(&world, &point, path.pMatrix);
      path.ups.push_back(UpAt(world, pathInverse, trees));
    }
  }
}

}  // namespace qm
