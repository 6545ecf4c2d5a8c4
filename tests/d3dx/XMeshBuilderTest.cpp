// XMeshBuild: polygons fanned into triangles, subsets per material, vertices copied where
// normals differ, colours and default materials, every bad index refused, and the same
// model written as text, binary and compressed files building identical meshes.
#include <gtest/gtest.h>

#include <string>

#include "XFileTestHelpers.h"
#include "d3dx/XFileWriter.h"
#include "d3dx/XMeshBuilder.h"

namespace {

using xfiletest::Parsed;

// Parses "Mesh name { ... }" and builds it; the parse must succeed.
HRESULT Build(const std::string& mesh, XMeshData* out) {
  Parsed parsed = xfiletest::ParseText("xof 0303txt 0032\n" + mesh);
  EXPECT_EQ(parsed.hr, S_OK) << parsed.file->LastError();
  if (FAILED(parsed.hr)) return parsed.hr;
  return XMeshBuild(parsed.Object(0), out);
}

// A unit square, a pentagon and a triangle over seven vertices.
const char kPolygons[] = R"(Mesh polys {
  7; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, 2;0;0;, 3;0;0;, 3;1;0;;
  3; 4;0,1,2,3;, 5;0,1,4,5,6;, 3;4,5,6;;
)";

TEST(XMeshBuilder, PolygonsAreFannedAroundTheirFirstCorner) {
  XMeshData mesh;
  ASSERT_EQ(Build(std::string(kPolygons) + "}", &mesh), S_OK);
  EXPECT_EQ(mesh.declaredFaces, 3u);
  ASSERT_EQ(mesh.TriangleCount(), 6u);  // 2 + 3 + 1
  EXPECT_EQ(mesh.indices, (std::vector<DWORD>{0, 1, 2, 0, 2, 3, 0, 1, 4, 0, 4, 5, 0, 5, 6, 4, 5, 6}));
  EXPECT_EQ(mesh.triangleFace, (std::vector<DWORD>{0, 0, 1, 1, 1, 2}));
  EXPECT_EQ(mesh.VertexCount(), 7u);
  EXPECT_EQ(mesh.Fvf(), XMESH_FVF_XYZ);
  // Without a material list there is one grey material covering everything.
  ASSERT_EQ(mesh.materials.size(), 1u);
  EXPECT_FLOAT_EQ(mesh.materials[0].faceColor.r, 0.5f);
  ASSERT_EQ(mesh.subsets.size(), 1u);
  EXPECT_EQ(mesh.subsets[0].faceCount, 6u);
}

TEST(XMeshBuilder, SubsetsGroupTrianglesByMaterial) {
  XMeshData mesh;
  ASSERT_EQ(Build(std::string(kPolygons) + R"(
    MeshMaterialList { 2; 3; 1, 0, 1;
      Material red { 1;0;0;1;; 4; 1;1;1;; 0;0;0;; TextureFilename { "red.jpg"; } }
      Material blue { 0;0;1;1;; 8; 0;0;0;; 0.5;0;0;; }
    } })", &mesh), S_OK);
  EXPECT_EQ(mesh.declaredMaterials, 2u);
  ASSERT_EQ(mesh.materials.size(), 2u);
  EXPECT_EQ(mesh.materials[0].textureFilename, "red.jpg");
  EXPECT_EQ(mesh.materials[1].textureFilename, "");
  EXPECT_FLOAT_EQ(mesh.materials[1].power, 8.0f);
  EXPECT_FLOAT_EQ(mesh.materials[1].emissive.r, 0.5f);
  ASSERT_EQ(mesh.subsets.size(), 2u);
  // Material 0: the pentagon (3 triangles); material 1: square then triangle, in file order.
  EXPECT_EQ(mesh.subsets[0].attribId, 0u);
  EXPECT_EQ(mesh.subsets[0].faceStart, 0u);
  EXPECT_EQ(mesh.subsets[0].faceCount, 3u);
  EXPECT_EQ(mesh.subsets[1].attribId, 1u);
  EXPECT_EQ(mesh.subsets[1].faceStart, 3u);
  EXPECT_EQ(mesh.subsets[1].faceCount, 3u);
  EXPECT_EQ(mesh.triangleFace, (std::vector<DWORD>{1, 1, 1, 0, 0, 2}));
  EXPECT_EQ(mesh.subsets[1].vertexStart, 0u);
  EXPECT_EQ(mesh.subsets[1].vertexCount, 7u);
  EXPECT_EQ(mesh.FindSubset(1), &mesh.subsets[1]);
  EXPECT_EQ(mesh.FindSubset(2), nullptr);
}

TEST(XMeshBuilder, ShortMaterialListsRepeatTheirLastIndex) {
  XMeshData mesh;
  ASSERT_EQ(Build(std::string(kPolygons) + R"(
    MeshMaterialList { 2; 1; 1; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } })", &mesh), S_OK);
  // Only one Material is given for two: the second is filled in grey.
  ASSERT_EQ(mesh.materials.size(), 2u);
  EXPECT_FLOAT_EQ(mesh.materials[1].faceColor.g, 0.5f);
  ASSERT_EQ(mesh.subsets.size(), 1u);
  EXPECT_EQ(mesh.subsets[0].attribId, 1u);
}

TEST(XMeshBuilder, VerticesWithTwoNormalsAreCopied) {
  // Two triangles share vertices 1 and 2; vertex 2 gets different normals on each face,
  // vertex 1 gets two normal indices with the same value (no copy needed).
  XMeshData mesh;
  ASSERT_EQ(Build(R"(Mesh hinge {
      4; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;1;;
      2; 3;0,1,2;, 3;1,3,2;;
      MeshNormals { 3; 0;0;1;, 0;1;0;, 0;0;1;; 2; 3;0,0,0;, 3;2,1,1;; }
      MeshTextureCoords { 4; 0;0;, 1;0;, 0;1;, 1;1;; }
      MeshVertexColors { 2; 0; 1;0;0;1;;, 3; 0;0.5;0;0.25;;; }
    })", &mesh), S_OK);
  ASSERT_EQ(mesh.VertexCount(), 5u);  // vertex 2 copied once
  EXPECT_EQ(mesh.originalVertex[4], 2u);
  EXPECT_EQ(mesh.indices, (std::vector<DWORD>{0, 1, 2, 1, 3, 4}));
  EXPECT_FLOAT_EQ(mesh.normals[2].z, 1.0f);
  EXPECT_FLOAT_EQ(mesh.normals[4].y, 1.0f);
  EXPECT_FLOAT_EQ(mesh.normals[3].y, 1.0f);
  EXPECT_FLOAT_EQ(mesh.positions[4].y, 1.0f);   // the copy keeps position ...
  EXPECT_FLOAT_EQ(mesh.texCoords[4].v, 1.0f);   // ... texture coordinates ...
  EXPECT_EQ(mesh.colors[4], 0xFFFFFFFFu);       // ... and colour (white where none given)
  EXPECT_EQ(mesh.colors[0], 0xFFFF0000u);
  EXPECT_EQ(mesh.colors[3], 0x40008000u);
  EXPECT_EQ(mesh.Fvf(), XMESH_FVF_XYZ | XMESH_FVF_NORMAL | XMESH_FVF_DIFFUSE | XMESH_FVF_TEX1);
}

TEST(XMeshBuilder, BadIndicesAndCountsFail) {
  const char* cases[] = {
      // a face corner past the vertex list
      "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }",
      // a normal index past the normal list
      "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }",
      // normals for a different number of faces
      "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 0; ; } }",
      // normal faces with other corner counts
      "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 2;0,0;; } }",
      // fewer texture coordinates than vertices
      "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshTextureCoords { 2; 0;0;, 1;1;; } }",
      // a colour for a vertex that does not exist
      "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshVertexColors { 1; 7;1;1;1;1;;; } }",
      // a face using a material past the list
      "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 1; } }",
      // a material count no face or Material object could use
      "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 4000000000; 1; 0; } }",
      // a skin weight on a vertex that does not exist
      "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; SkinWeights { \"b\"; 1; 3; 1.0; "
      "1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }",
  };
  for (const char* text : cases) {
    XMeshData mesh;
    EXPECT_EQ(Build(text, &mesh), E_FAIL) << text;
    EXPECT_TRUE(mesh.positions.empty() && mesh.indices.empty()) << text;
  }
}

TEST(XMeshBuilder, ValuesCutShortFailWithoutReadingPastThem) {
  Parsed parsed = xfiletest::ParseText("xof 0303txt 0032\n");
  const XFileTemplate* meshTemplate = parsed.file->Templates().Find("Mesh");
  XFileData mesh(meshTemplate, "cut");
  mesh.AppendDword(1000000);  // claims a million vertices, holds none
  XMeshData out;
  EXPECT_EQ(XMeshBuild(mesh, &out), E_FAIL);
  XFileData frame(parsed.file->Templates().Find("Frame"), "f");
  EXPECT_EQ(XMeshBuild(frame, &out), E_INVALIDARG);
}

// ---- The same model in every encoding -------------------------------------------------

// A skinned quad strip with normals, coordinates and two materials, built without text.
std::unique_ptr<XFileData> MakeModel(const XFileTemplateSet& t) {
  auto mesh = std::make_unique<XFileData>(t.Find("Mesh"), "strip");
  mesh->AppendDword(6);
  for (int i = 0; i < 6; ++i) {
    mesh->AppendFloat(0.1f * static_cast<float>(i / 2)), mesh->AppendFloat(i % 2 ? 1.3f : -0.7f);
    mesh->AppendFloat(1.0f / 3.0f * static_cast<float>(i));
  }
  mesh->AppendDword(2);
  for (DWORD index : {4u, 0u, 1u, 3u, 2u, 4u, 2u, 3u, 5u, 4u}) mesh->AppendDword(index);
  EXPECT_TRUE(mesh->FinishValues());
  auto normals = std::make_unique<XFileData>(t.Find("MeshNormals"), "");
  normals->AppendDword(2);
  for (float v : {0.0f, 0.0f, 1.0f, 0.0f, 0.6f, 0.8f}) normals->AppendFloat(v);
  normals->AppendDword(2);
  for (DWORD index : {4u, 0u, 0u, 1u, 1u, 4u, 0u, 0u, 0u, 0u}) normals->AppendDword(index);
  EXPECT_TRUE(normals->FinishValues());
  auto coords = std::make_unique<XFileData>(t.Find("MeshTextureCoords"), "");
  coords->AppendDword(6);
  for (int i = 0; i < 12; ++i) coords->AppendFloat(0.125f * static_cast<float>(i));
  EXPECT_TRUE(coords->FinishValues());
  auto list = std::make_unique<XFileData>(t.Find("MeshMaterialList"), "");
  for (DWORD v : {2u, 2u, 1u, 0u}) list->AppendDword(v);
  EXPECT_TRUE(list->FinishValues());
  for (const char* texture : {"bark.jpg", "leaf.dds"}) {
    auto material = std::make_unique<XFileData>(t.Find("Material"), texture);
    for (float v : {0.9f, 0.8f, 0.7f, 1.0f, 12.5f, 0.1f, 0.2f, 0.3f, 0.0f, 0.0f, 0.01f}) {
      material->AppendFloat(v);
    }
    EXPECT_TRUE(material->FinishValues());
    auto name = std::make_unique<XFileData>(t.Find("TextureFilename"), "");
    name->AppendString(texture);
    EXPECT_TRUE(name->FinishValues());
    material->AddChild(std::move(name));
    list->AddChild(std::move(material));
  }
  auto weights = std::make_unique<XFileData>(t.Find("SkinWeights"), "");
  weights->AppendString("bone");
  weights->AppendDword(2);
  weights->AppendDword(1), weights->AppendDword(5);
  weights->AppendFloat(0.25f), weights->AppendFloat(1.0f);
  for (int i = 0; i < 16; ++i) weights->AppendFloat(i % 5 == 0 ? 1.0f : 0.0f);
  EXPECT_TRUE(weights->FinishValues());
  mesh->AddChild(std::move(normals));
  mesh->AddChild(std::move(coords));
  mesh->AddChild(std::move(list));
  mesh->AddChild(std::move(weights));
  return mesh;
}

void ExpectSameMesh(const XMeshData& a, const XMeshData& b) {
  auto bytesOf = [](const auto& v) {
    const BYTE* p = reinterpret_cast<const BYTE*>(v.data());
    return std::vector<BYTE>(p, p + v.size() * sizeof(v[0]));
  };
  EXPECT_EQ(bytesOf(a.positions), bytesOf(b.positions));
  EXPECT_EQ(bytesOf(a.normals), bytesOf(b.normals));
  EXPECT_EQ(bytesOf(a.texCoords), bytesOf(b.texCoords));
  EXPECT_EQ(a.indices, b.indices);
  EXPECT_EQ(a.attributes, b.attributes);
  ASSERT_EQ(a.materials.size(), b.materials.size());
  for (size_t i = 0; i < a.materials.size(); ++i) {
    EXPECT_EQ(a.materials[i].textureFilename, b.materials[i].textureFilename);
    EXPECT_EQ(a.materials[i].power, b.materials[i].power);
  }
  ASSERT_EQ(a.skin.bones.size(), b.skin.bones.size());
  EXPECT_EQ(a.skin.bones[0].name, b.skin.bones[0].name);
  EXPECT_EQ(a.skin.bones[0].weights, b.skin.bones[0].weights);
}

TEST(XMeshBuilder, TheSameModelFromEveryEncodingBuildsTheSameMesh) {
  Parsed empty = xfiletest::ParseText("xof 0303txt 0032\n");
  std::unique_ptr<XFileData> model = MakeModel(empty.file->Templates());
  XMeshData reference;
  ASSERT_EQ(XMeshBuild(*model, &reference), S_OK);
  EXPECT_EQ(reference.TriangleCount(), 4u);
  EXPECT_EQ(reference.VertexCount(), 8u);  // vertices 2 and 3 carry two normals each
  for (XFileEncoding encoding : {XFileEncoding::Text, XFileEncoding::Binary,
                                 XFileEncoding::CompressedText, XFileEncoding::CompressedBinary}) {
    for (bool doubles : {false, true}) {
      SCOPED_TRACE(std::to_string(int(encoding)) + (doubles ? " 0064" : " 0032"));
      XFileWriteOptions options;
      options.encoding = encoding;
      options.doubles = doubles;
      std::vector<BYTE> bytes;
      ASSERT_EQ(XFileWrite({model.get()}, options, &bytes), S_OK);
      Parsed parsed = xfiletest::ParseVector(bytes);
      ASSERT_EQ(parsed.hr, S_OK) << parsed.file->LastError();
      XMeshData mesh;
      ASSERT_EQ(XMeshBuild(parsed.Object(0), &mesh), S_OK);
      ExpectSameMesh(reference, mesh);
    }
  }
}

}  // namespace
