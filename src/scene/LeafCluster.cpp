// LeafCluster: template, clusters, sway and the nodes the leaves carry.
//
// The cluster's own space is the space of its frame's combined matrix; the wind is brought
// into it by the rotation part only, so a scaled frame leans exactly as an unscaled one.
#include "scene/LeafCluster.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "creatures/Cobweb.h"
#include "scene/ScenePaths.h"
#include "scene/XFileModel.h"

namespace qm {

namespace {

constexpr float kLeafWeight = 1.0f;
constexpr float kLeafRest = 1.0f;
constexpr float kLeafStiffness = 5.0f;
constexpr float kLeafDamping = 0.1f;
// Sway: the wind's force factor, the spring back to rest, the pull toward the wind, drag.
constexpr float kWindForce = 35.0f;
constexpr float kRestSpring = 4.5f;
constexpr float kWindPull = 1.0f;
constexpr float kSwayDrag = 0.1f;
// A push is weighed by its point's distance from the stem, in units of kPushLever.
constexpr float kPushLever = 35.0f;
constexpr float kPushScale = 100.0f;
constexpr float kPushMin = 0.001f;
// The clusters turn about their stem, at (0, -21, 0) in their own space.
const D3DXVECTOR3 kStem(0.0f, -21.0f, 0.0f);
const D3DXVECTOR3 kRestDirection(0.0f, 1.0f, 0.0f);
constexpr float kNormalSearch = 10000.0f;

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

float Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  const D3DXVECTOR3 d = a - b;
  return D3DXVec3Length(&d);
}

D3DXVECTOR3 Position(const XMeshData& mesh, size_t i) {
  return D3DXVECTOR3(mesh.positions[i].x, mesh.positions[i].y, mesh.positions[i].z);
}

// A direction carried by the rotation of a matrix (its rows made unit length).
D3DXVECTOR3 RotateOnly(const D3DXVECTOR3& v, const D3DXMATRIX& m, bool inverse) {
  D3DXVECTOR3 rows[3];
  for (int r = 0; r < 3; ++r) rows[r] = Normalised(D3DXVECTOR3(m.m[r][0], m.m[r][1], m.m[r][2]));
  if (inverse) return D3DXVECTOR3(D3DXVec3Dot(&v, &rows[0]), D3DXVec3Dot(&v, &rows[1]),
                                  D3DXVec3Dot(&v, &rows[2]));
  return rows[0] * v.x + rows[1] * v.y + rows[2] * v.z;
}

const XMeshData* FirstMesh(XFileModel& forest, const char* frameName) {
  const XFileFrame* frame = forest.FindFrame(frameName);
  return frame && frame->pFirstMesh ? &frame->pFirstMesh->mesh : nullptr;
}

// The normal of the "leaf_triangles" triangle with the corner nearest to each point.
void AssignNormals(const XMeshData* triangles, LeafTemplate* leaf) {
  leaf->normals.assign(leaf->points.size(), D3DXVECTOR3(0, 0, 1));
  if (!triangles) return;
  for (size_t p = 0; p < leaf->points.size(); ++p) {
    float best = kNormalSearch;
    for (size_t t = 0; t + 2 < triangles->indices.size(); t += 3) {
      const DWORD* corner = &triangles->indices[t];
      if (std::max({corner[0], corner[1], corner[2]}) >= triangles->positions.size()) continue;
      const D3DXVECTOR3 a = Position(*triangles, corner[0]);
      const D3DXVECTOR3 b = Position(*triangles, corner[1]);
      const D3DXVECTOR3 c = Position(*triangles, corner[2]);
      const float nearest = std::min({Distance(a, leaf->points[p]), Distance(b, leaf->points[p]),
                                      Distance(c, leaf->points[p])});
      if (nearest < best) {
        best = nearest;
        D3DXVECTOR3 normal;
        const D3DXVECTOR3 ab = b - a, ac = c - a;
        D3DXVec3Cross(&normal, &ab, &ac);
        leaf->normals[p] = Normalised(normal);
      }
    }
  }
}

}  // namespace

void LeafCluster::Bind(XFileFrame* frame) {
  pFrame = frame;
  pMatrix = frame ? &frame->matCurrent : nullptr;
  if (frame) mRest = frame->matCurrent;
  vDirection = kRestDirection;
  vVelocity = vPush = vPushPoint = D3DXVECTOR3(0, 0, 0);
}

void BuildLeafTemplate(const XMeshData& path, const XMeshData* triangles, LeafTemplate* leaf) {
  *leaf = LeafTemplate{};
  const size_t vertices = path.positions.size();
  for (size_t t = 0; t + 2 < path.indices.size(); t += 3) {
    const DWORD* corner = &path.indices[t];
    if (std::max({corner[0], corner[1], corner[2]}) >= vertices) continue;
    leaf->edges.emplace_back(int(corner[0]), int(corner[1]));
    leaf->edges.emplace_back(int(corner[1]), int(corner[2]));
  }
  leaf->vertexMap.resize(vertices);
  for (size_t v = 0; v < vertices; ++v) leaf->vertexMap[v] = int(v);
  std::vector<std::pair<int, int>> kept;
  for (const auto& [a, b] : leaf->edges) {
    if (Distance(Position(path, size_t(a)), Position(path, size_t(b))) < kLeafEdgeMin)
      leaf->vertexMap[size_t(b)] = -1;
    else
      kept.emplace_back(a, b);
  }
  leaf->edges.clear();
  for (const auto& [a, b] : kept)
    if (leaf->vertexMap[size_t(a)] >= 0 && leaf->vertexMap[size_t(b)] >= 0)
      leaf->edges.emplace_back(a, b);
  for (size_t v = 0; v < vertices; ++v) {
    if (leaf->vertexMap[v] < 0) continue;
    leaf->vertexMap[v] = int(leaf->points.size());
    leaf->points.push_back(Position(path, v));
  }
  AssignNormals(triangles, leaf);
}

void BuildLeafTemplate(XFileModel& forest, LeafTemplate* leaf) {
  const XMeshData* path = FirstMesh(forest, kLeafPathFrame);
  if (!path) {
    *leaf = LeafTemplate{};
    return;
  }
  BuildLeafTemplate(*path, FirstMesh(forest, kLeafTrianglesFrame), leaf);
}

int BuildLeafClusters(XFileModel& forest, const LeafTemplate& leaf, const D3DXMATRIX& webInverse,
                      Cobweb* web, std::vector<LeafCluster>* clusters) {
  if (leaf.Empty()) return int(clusters->size());
  for (int i = 0; i < kMaxNumberedFrames; ++i) {
    char name[32];
    std::snprintf(name, sizeof(name), kLeafClusterFormat, i);
    XFileFrame* frame = forest.FindFrame(name);
    if (!frame) continue;  // gaps are skipped
    LeafCluster cluster;
    cluster.name = name;
    cluster.Bind(frame);
    D3DXMATRIX toWeb;
    D3DXMatrixMultiply(&toWeb, &frame->matCombined, &webInverse);
    for (size_t p = 0; p < leaf.points.size(); ++p) {
      D3DXVECTOR3 at, inward;
      D3DXVec3TransformCoord(&at, &leaf.points[p], &toWeb);
      D3DXVec3TransformNormal(&inward, &leaf.normals[p], &toWeb);
      const int node = web->AddNode(at, kLeafWeight, true);
      web->Nodes[node].vInward = Normalised(inward);
      cluster.nodes.push_back(node);
    }
    for (const auto& [a, b] : leaf.edges) {
      const int from = cluster.nodes[size_t(leaf.vertexMap[size_t(a)])];
      const int to = cluster.nodes[size_t(leaf.vertexMap[size_t(b)])];
      cluster.links.push_back(
          web->AddLink(from, to, kLeafRest, kLeafStiffness, kLeafDamping, kLinkLeaf));
    }
    clusters->push_back(std::move(cluster));
  }
  web->RebuildNodeLinks();
  return int(clusters->size());
}

void RebindLeafClusters(XFileModel& forest, std::vector<LeafCluster>* clusters) {
  for (LeafCluster& cluster : *clusters) cluster.Bind(forest.FindFrame(cluster.name.c_str()));
}

void SwayLeafCluster(LeafCluster* cluster, const D3DXVECTOR3& wind, float dt) {
  if (!cluster->pFrame) return;
  const D3DXMATRIX& combined = cluster->pFrame->matCombined;
  const D3DXVECTOR3 windForce = RotateOnly(wind, combined, true) * kWindForce;
  if (D3DXVec3Length(&cluster->vPush) > kPushMin) {
    const float lever = Distance(cluster->vPushPoint, kStem) / kPushLever * kPushScale;
    cluster->vVelocity += RotateOnly(cluster->vPush, combined, true) * lever;
    cluster->vPush = D3DXVECTOR3(0, 0, 0);
  }
  const D3DXVECTOR3 d = cluster->vDirection;
  const D3DXVECTOR3 acceleration = (kRestDirection - d) * kRestSpring +
                                   (Normalised(windForce + d) - d) * kWindPull -
                                   cluster->vVelocity * kSwayDrag;
  cluster->vVelocity += acceleration * dt;
  cluster->vDirection = Normalised(d + cluster->vVelocity * dt);
  if (D3DXVec3Length(&cluster->vDirection) == 0.0f) cluster->vDirection = kRestDirection;

  // The rotation that turns +y into the direction, about the stem, before the rest matrix.
  D3DXVECTOR3 axis;
  D3DXVec3Cross(&axis, &kRestDirection, &cluster->vDirection);
  const float cosine = std::clamp(D3DXVec3Dot(&kRestDirection, &cluster->vDirection), -1.0f, 1.0f);
  D3DXMATRIX turn;
  if (D3DXVec3Length(&axis) > 1e-7f) {
    D3DXVECTOR3 unitAxis = Normalised(axis);
    D3DXMATRIX toStem, rotation, back, partial;
    D3DXMatrixTranslation(&toStem, -kStem.x, -kStem.y, -kStem.z);
    D3DXMatrixRotationAxis(&rotation, &unitAxis, std::acos(cosine));
    D3DXMatrixTranslation(&back, kStem.x, kStem.y, kStem.z);
    D3DXMatrixMultiply(&partial, &toStem, &rotation);
    D3DXMatrixMultiply(&turn, &partial, &back);
  } else {
    D3DXMatrixIdentity(&turn);
  }
  D3DXMatrixMultiply(cluster->pMatrix, &turn, &cluster->mRest);
}

void CarryClusterNodes(const LeafCluster& cluster, const LeafTemplate& leaf,
                       const D3DXMATRIX& webInverse, Cobweb* web) {
  if (!cluster.pFrame) return;
  D3DXMATRIX toWeb;
  D3DXMatrixMultiply(&toWeb, &cluster.pFrame->matCombined, &webInverse);
  const size_t count = std::min(cluster.nodes.size(), leaf.points.size());
  for (size_t p = 0; p < count; ++p) {
    const int node = cluster.nodes[p];
    if (node < 0 || node >= int(web->Nodes.size())) continue;
    D3DXVec3TransformCoord(&web->Nodes[node].vPos, &leaf.points[p], &toWeb);
    D3DXVECTOR3 inward;
    D3DXVec3TransformNormal(&inward, &leaf.normals[p], &toWeb);
    web->Nodes[node].vInward = Normalised(inward);
  }
}

bool NearCluster(const LeafCluster& cluster, const D3DXMATRIX& webMatrix,
                 const D3DXVECTOR3& webPoint) {
  if (!cluster.pFrame) return false;
  D3DXMATRIX inverse;
  if (!D3DXMatrixInverse(&inverse, nullptr, &cluster.pFrame->matCombined)) return false;
  D3DXVECTOR3 world, local;
  D3DXVec3TransformCoord(&world, &webPoint, &webMatrix);
  D3DXVec3TransformCoord(&local, &world, &inverse);
  return D3DXVec3Length(&local) < kLeafDropReach;
}

}  // namespace qm
