// LeafCluster: the clusters of leaves that sway in the wind and carry web nodes.
//
// Scene assembly reads the leaf template once (the "leaf_path" mesh gives points and edges,
// "leaf_triangles" a normal per point) and turns every forest frame "Leaves%02d" into a
// cluster: the template's points become pinned web nodes and its edges leaf links, so the
// spider can fasten threads to leaves. Every frame ForestScene sways each cluster toward the
// wind and, where a drop hangs near it, moves the cluster's nodes with the leaves. The web
// file's third section stores each cluster's node and link index lists.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "d3dx/D3DXMath.h"

struct XMeshData;

namespace qm {

class Cobweb;
class XFileModel;
struct XFileFrame;

inline constexpr char kLeafClusterFormat[] = "Leaves%02d";
inline constexpr char kLeafPathFrame[] = "leaf_path";
inline constexpr char kLeafTrianglesFrame[] = "leaf_triangles";

// The shape every cluster shares, in the template meshes' own space.
struct LeafTemplate {
  std::vector<D3DXVECTOR3> points;          // the kept "leaf_path" vertices, in vertex order
  std::vector<D3DXVECTOR3> normals;         // one per point
  std::vector<std::pair<int, int>> edges;   // pairs of "leaf_path" vertex indices
  std::vector<int> vertexMap;               // per vertex: its point index, -1 when dropped

  bool Empty() const { return points.empty(); }
};

// One cluster of leaves on a forest frame.
struct LeafCluster {
  std::string name;
  XFileFrame* pFrame = nullptr;       // owned by the forest model; null without one
  D3DXMATRIX* pMatrix = nullptr;      // the frame's local matrix, rewritten by the sway
  D3DXMATRIX mRest;                   // the local matrix at assembly
  std::vector<int> nodes;             // web nodes, one per template point
  std::vector<int> links;             // web links, one per template edge
  D3DXVECTOR3 vDirection{0, 1, 0};    // where the cluster's +y leans to
  D3DXVECTOR3 vVelocity{0, 0, 0};
  D3DXVECTOR3 vPush{0, 0, 0};         // a push from outside, used up by the next sway
  D3DXVECTOR3 vPushPoint{0, 0, 0};

  // Binds the record to its frame again and puts it back at rest.
  void Bind(XFileFrame* frame);
};

// Builds the template from the two meshes; edges shorter than kLeafEdgeMin lose their second
// vertex, and every edge that uses a lost vertex goes with it.
void BuildLeafTemplate(const XMeshData& path, const XMeshData* triangles, LeafTemplate* leaf);
// Reads the template frames of the forest; an empty template when "leaf_path" is missing.
void BuildLeafTemplate(XFileModel& forest, LeafTemplate* leaf);

// Appends a cluster for every "Leaves%02d" frame (gaps skipped), its nodes and links to the
// web. webInverse carries world points into the web's space. Returns the cluster count.
int BuildLeafClusters(XFileModel& forest, const LeafTemplate& leaf, const D3DXMATRIX& webInverse,
                      Cobweb* web, std::vector<LeafCluster>* clusters);
// Binds every cluster to the frame of its name again (after the forest was loaded anew).
void RebindLeafClusters(XFileModel& forest, std::vector<LeafCluster>* clusters);

// One frame of sway: the wind (scene space) leans the cluster, its spring brings it back.
void SwayLeafCluster(LeafCluster* cluster, const D3DXVECTOR3& wind, float dt);
// Moves the cluster's nodes with its leaves (through the frame's combined matrix, which the
// caller brings up to date first); webInverse carries world points into the web's space.
void CarryClusterNodes(const LeafCluster& cluster, const LeafTemplate& leaf,
                       const D3DXMATRIX& webInverse, Cobweb* web);
// True when a point of the web's space lies within kLeafDropReach of the cluster's origin,
// measured in the cluster's own space; webMatrix is the web frame's transform.
bool NearCluster(const LeafCluster& cluster, const D3DXMATRIX& webMatrix,
                 const D3DXVECTOR3& webPoint);

inline constexpr float kLeafEdgeMin = 0.01f;
inline constexpr float kLeafDropReach = 30.0f;

}  // namespace qm
