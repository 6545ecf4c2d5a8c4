// XMeshSkinVertices: weighted blending through offset and bone matrices, untouched vertices,
// normals under rotation and uneven scale, and copies made for normals following their
// original vertex.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "XFileTestHelpers.h"
#include "d3dx/XMeshBuilder.h"
#include "d3dx/XMeshSkin.h"

namespace {

XMeshMatrix Identity() {
  XMeshMatrix m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

XMeshMatrix Translation(float x, float y, float z) {
  XMeshMatrix m = Identity();
  m.m[3][0] = x, m.m[3][1] = y, m.m[3][2] = z;
  return m;
}

XMeshMatrix RotationZ90() {  // x axis onto y axis, for row vectors
  XMeshMatrix m = Identity();
  m.m[0][0] = 0, m.m[0][1] = 1, m.m[1][0] = -1, m.m[1][1] = 0;
  return m;
}

std::string MatrixText(const XMeshMatrix& m) {
  std::string text;
  for (int i = 0; i < 16; ++i) text += std::to_string(m.m[i / 4][i % 4]) + (i < 15 ? "," : ";;");
  return text;
}

// Four vertices on the x axis; bone "a" holds vertex 0 fully and vertex 1 by half, bone "b"
// the other half of vertex 1 and all of vertex 2; vertex 3 belongs to no bone.
XMeshData SkinnedLine(const XMeshMatrix& offsetA) {
  std::string text = R"(xof 0303txt 0032
    Mesh line { 4; 1;0;0;, 2;0;0;, 3;0;0;, 4;0;0;; 2; 3;0,1,2;, 3;1,2,3;;
      MeshNormals { 2; 1;1;0;, 0;0;1;; 2; 3;0,0,0;, 3;1,1,1;; }
      XSkinMeshHeader { 2; 2; 2; }
      SkinWeights { "a"; 2; 0, 1; 1.0, 0.5; )" + MatrixText(offsetA) + R"( }
      SkinWeights { "b"; 2; 1, 2; 0.5, 1.0; )" + MatrixText(Identity()) + R"( }
    })";
  xfiletest::Parsed parsed = xfiletest::ParseText(text);
  EXPECT_EQ(parsed.hr, S_OK) << parsed.file->LastError();
  XMeshData mesh;
  EXPECT_EQ(XMeshBuild(parsed.Object(0), &mesh), S_OK);
  return mesh;
}

TEST(XMeshSkin, WeightsBlendBoneMovements) {
  XMeshData mesh = SkinnedLine(Identity());
  ASSERT_TRUE(mesh.hasSkin);
  EXPECT_EQ(mesh.skin.declaredBones, 2u);
  ASSERT_EQ(mesh.skin.bones.size(), 2u);
  XMeshMatrix bones[2] = {Translation(0, 10, 0), Identity()};
  std::vector<XMeshVector3> positions, normals;
  ASSERT_EQ(XMeshSkinVertices(mesh, bones, &positions, &normals), S_OK);
  ASSERT_EQ(positions.size(), mesh.VertexCount());
  EXPECT_FLOAT_EQ(positions[0].y, 10.0f);  // all bone a
  EXPECT_FLOAT_EQ(positions[1].y, 5.0f);   // half a, half b
  EXPECT_FLOAT_EQ(positions[2].y, 0.0f);   // all bone b
  EXPECT_FLOAT_EQ(positions[3].x, 4.0f);   // no bone: stays put
  EXPECT_EQ(XMeshSkinVertices(mesh, std::span(bones, 1), &positions, &normals), E_INVALIDARG);
}

TEST(XMeshSkin, OffsetComesBeforeTheBoneMatrix) {
  XMeshData mesh = SkinnedLine(Translation(-1, 0, 0));
  XMeshMatrix bones[2] = {RotationZ90(), Identity()};
  std::vector<XMeshVector3> positions, normals;
  ASSERT_EQ(XMeshSkinVertices(mesh, bones, &positions, &normals), S_OK);
  // Vertex 0 at x = 1: moved to the origin by the offset, then turned: stays at the origin.
  EXPECT_NEAR(positions[0].x, 0.0f, 1e-6f);
  EXPECT_NEAR(positions[0].y, 0.0f, 1e-6f);
  // Its normal (1, 1, 0) / sqrt 2 turns with the bone to (-1, 1, 0) / sqrt 2.
  EXPECT_NEAR(normals[0].x, -std::sqrt(0.5f), 1e-6f);
  EXPECT_NEAR(normals[0].y, std::sqrt(0.5f), 1e-6f);
}

TEST(XMeshSkin, NormalsFollowUnevenScaleAndStayUnitLength) {
  XMeshData mesh = SkinnedLine(Identity());
  XMeshMatrix stretch = Identity();
  stretch.m[0][0] = 2.0f;  // twice as long along x
  XMeshMatrix bones[2] = {stretch, Identity()};
  std::vector<XMeshVector3> positions, normals;
  ASSERT_EQ(XMeshSkinVertices(mesh, bones, &positions, &normals), S_OK);
  // A surface with normal (1, 1, 0) stretched along x tilts towards y: normal ~ (1, 2, 0).
  EXPECT_NEAR(normals[0].x, 1.0f / std::sqrt(5.0f), 1e-6f);
  EXPECT_NEAR(normals[0].y, 2.0f / std::sqrt(5.0f), 1e-6f);
}

TEST(XMeshSkin, CopiesForNormalsShareTheirVertexWeights) {
  XMeshData mesh = SkinnedLine(Identity());
  // Vertices 1 and 2 have different normals on the two faces, so each has a copy.
  ASSERT_EQ(mesh.VertexCount(), 6u);
  XMeshMatrix bones[2] = {Translation(0, 10, 0), Identity()};
  std::vector<XMeshVector3> positions;
  ASSERT_EQ(XMeshSkinVertices(mesh, bones, &positions, nullptr), S_OK);
  for (size_t v = 4; v < 6; ++v) {
    size_t original = mesh.originalVertex[v];
    EXPECT_FLOAT_EQ(positions[v].y, positions[original].y) << v;
  }
}

}  // namespace
