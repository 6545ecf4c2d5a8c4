// The X files other exporters made (shared test data): each one loads, and what it declares
// (frames, meshes, counts, animation sets) matches the facts recorded beside the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "XFileTestHelpers.h"
#include "d3dx/XFileDataReader.h"
#include "d3dx/XMeshBuilder.h"
#include "support/TestData.h"

namespace {

using xfiletest::Parsed;

struct MeshFacts {
  std::string name;
  DWORD vertices, faces;
};

struct SetFacts {
  std::string name;
  size_t animations, keyBlocks;
  DWORD lastTime;
};

// What a file holds, gathered from its objects.
struct FileFacts {
  std::vector<std::string> frames;  // depth first
  std::vector<MeshFacts> meshes;
  std::vector<SetFacts> sets;
  std::vector<DWORD> ticksPerSecond;
  size_t skinWeights = 0;
  std::vector<std::string> textures;
};

void Gather(const XFileData& object, FileFacts* facts) {
  if (object.GetType() == TID_D3DRMFrame) facts->frames.push_back(object.GetName());
  if (object.GetType() == TID_D3DRMMesh) {
    XMeshData mesh;
    ASSERT_EQ(XMeshBuild(object, &mesh), S_OK) << object.GetName();
    facts->meshes.push_back({mesh.name, mesh.declaredVertices, mesh.declaredFaces});
    EXPECT_EQ(mesh.TriangleCount(), mesh.declaredFaces);  // these files hold triangles only
    for (const XMeshMaterial& material : mesh.materials) {
      if (!material.textureFilename.empty()) facts->textures.push_back(material.textureFilename);
    }
  }
  if (object.GetType() == DXFILEOBJ_SkinWeights) ++facts->skinWeights;
  if (object.GetType() == DXFILEOBJ_AnimTicksPerSecond) {
    XFileDataReader reader(object);
    facts->ticksPerSecond.push_back(reader.Dword());
  }
  if (object.GetType() == TID_D3DRMAnimationSet) {
    SetFacts set{object.GetName(), 0, 0, 0};
    for (const XFileData* animation : object.ChildrenOfType(TID_D3DRMAnimation)) {
      ++set.animations;
      for (const XFileData* keys : animation->ChildrenOfType(TID_D3DRMAnimationKey)) {
        ++set.keyBlocks;
        XFileDataReader reader(*keys);
        reader.Dword();
        DWORD count = reader.Dword();
        for (DWORD k = 0; k < count; ++k) {
          set.lastTime = std::max(set.lastTime, reader.Dword());
          DWORD values = reader.Dword();
          for (DWORD v = 0; v < values; ++v) reader.Float();
        }
        EXPECT_TRUE(reader.Ok());
        EXPECT_EQ(reader.Remaining(), 0u);
      }
    }
    facts->sets.push_back(set);
    return;
  }
  for (const XFileChild& child : object.Children()) {
    if (!child.isReference) Gather(*child.object, facts);
  }
}

FileFacts Load(const std::string& name) {
  Parsed parsed = xfiletest::ParseVector(xfiletest::ReadBytes(xfiletest::TestDataPath(name)));
  EXPECT_EQ(parsed.hr, S_OK) << name << ": " << parsed.file->LastError();
  FileFacts facts;
  for (size_t i = 0; i < parsed.Count(); ++i) Gather(parsed.Object(i), &facts);
  return facts;
}

void ExpectMeshes(const FileFacts& facts, const std::vector<MeshFacts>& expected) {
  ASSERT_EQ(facts.meshes.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(facts.meshes[i].name, expected[i].name);
    EXPECT_EQ(facts.meshes[i].vertices, expected[i].vertices);
    EXPECT_EQ(facts.meshes[i].faces, expected[i].faces);
  }
}

TEST(XFileTestData, TheCubeInEachEncoding) {
  QM_SKIP_WITHOUT_TESTDATA();
  for (const char* name : {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x"}) {
    SCOPED_TRACE(name);
    FileFacts facts = Load(name);
    EXPECT_EQ(facts.frames, (std::vector<std::string>{"Root", "Cube"}));
    ExpectMeshes(facts, {{"Cube", 24, 12}});
    EXPECT_EQ(facts.skinWeights, 1u);
    EXPECT_EQ(facts.ticksPerSecond, std::vector<DWORD>{24});
    EXPECT_TRUE(facts.sets.empty());
  }
}

TEST(XFileTestData, TheThreeCubeEncodingsGiveIdenticalObjects) {
  QM_SKIP_WITHOUT_TESTDATA();
  Parsed text = xfiletest::ParseVector(xfiletest::ReadBytes(xfiletest::TestDataPath("test_cube_text.x")));
  Parsed binary = xfiletest::ParseVector(xfiletest::ReadBytes(xfiletest::TestDataPath("test_cube_binary.x")));
  Parsed packed = xfiletest::ParseVector(xfiletest::ReadBytes(xfiletest::TestDataPath("test_cube_compressed.x")));
  xfiletest::ExpectSameFile(text, binary);
  xfiletest::ExpectSameFile(binary, packed);
  // The material list refers to the top-level Material rather than holding a copy.
  const XFileData& material = text.Object(1);
  ASSERT_EQ(material.Template().name, "Material");
  const XFileData* mesh = text.Object(2).ChildrenOfType(TID_D3DRMFrame)[0]->ChildrenOfType(TID_D3DRMMesh)[0];
  const XFileData* list = mesh->ChildrenOfType(TID_D3DRMMeshMaterialList)[0];
  ASSERT_EQ(list->Children().size(), 1u);
  EXPECT_TRUE(list->Children()[0].isReference);
  EXPECT_EQ(list->Children()[0].object, &material);
}

TEST(XFileTestData, MayaCubeWithTextureFileNameSpelling) {
  QM_SKIP_WITHOUT_TESTDATA();
  FileFacts facts = Load("test.x");
  EXPECT_EQ(facts.frames, std::vector<std::string>{"pCube1"});
  ExpectMeshes(facts, {{"pCubeShape1", 24, 12}});
  // Strings are kept as written: the file doubles its backslash.
  EXPECT_EQ(facts.textures, std::vector<std::string>{".\\\\test.png"});
}

TEST(XFileTestData, VertexColoursAndThreeMaterials) {
  QM_SKIP_WITHOUT_TESTDATA();
  FileFacts facts = Load("kwxport_test_cubewithvcolors.x");
  EXPECT_EQ(facts.frames, std::vector<std::string>{"Box01"});
  ExpectMeshes(facts, {{"mesh_Box01", 24, 12}});
  ASSERT_EQ(facts.textures.size(), 3u);
  EXPECT_NE(facts.textures[0].find("bottom.tga"), std::string::npos);
  EXPECT_NE(facts.textures[1].find("top.tga"), std::string::npos);
  EXPECT_NE(facts.textures[2].find("updown.tga"), std::string::npos);
}

TEST(XFileTestData, BinaryVersion0302) {
  QM_SKIP_WITHOUT_TESTDATA();
  FileFacts facts = Load("fromtruespace_bin32.x");
  EXPECT_EQ(facts.frames, std::vector<std::string>{"FeedTheDinoGPU-0"});
  ExpectMeshes(facts, {{"FeedTheDinoGPUMesh", 4132, 6656}});
}

TEST(XFileTestData, SkinnedCylinderWithOneAnimationSet) {
  QM_SKIP_WITHOUT_TESTDATA();
  FileFacts facts = Load("anim_test.x");
  EXPECT_EQ(facts.frames, (std::vector<std::string>{"pCylinder1", "joint1", "joint2", "ikHandle1"}));
  ExpectMeshes(facts, {{"pCylinderShape1", 1720, 840}});
  EXPECT_EQ(facts.skinWeights, 4u);
  EXPECT_EQ(facts.ticksPerSecond, std::vector<DWORD>{24});
  ASSERT_EQ(facts.sets.size(), 1u);
  EXPECT_EQ(facts.sets[0].name, "cylinder_test");
  EXPECT_EQ(facts.sets[0].animations, 4u);
  EXPECT_EQ(facts.sets[0].keyBlocks, 12u);
  EXPECT_EQ(facts.sets[0].lastTime, 24u);
}

TEST(XFileTestData, SkinnedHumanWithThreeMeshes) {
  QM_SKIP_WITHOUT_TESTDATA();
  FileFacts facts = Load("BCN_Epileptic.X");
  EXPECT_EQ(facts.frames.size(), 57u);
  EXPECT_EQ(facts.frames.front(), "Torso");
  EXPECT_NE(std::find(facts.frames.begin(), facts.frames.end(), "B_Root_Pelvis_L"), facts.frames.end());
  ExpectMeshes(facts, {{"mesh_Torso", 1170, 1966}, {"mesh_Head", 1196, 2036}, {"mesh_Legs", 648, 1124}});
  EXPECT_EQ(facts.skinWeights, 54u);
  EXPECT_EQ(facts.ticksPerSecond, std::vector<DWORD>{4800});
  ASSERT_EQ(facts.sets.size(), 1u);
  EXPECT_EQ(facts.sets[0].name, "Epileptisch");
  EXPECT_EQ(facts.sets[0].animations, 57u);
  EXPECT_EQ(facts.sets[0].keyBlocks, 171u);
  EXPECT_EQ(facts.sets[0].lastTime, 15840u);
}

TEST(XFileTestData, AnimalWithThreeAnimationSets) {
  QM_SKIP_WITHOUT_TESTDATA();
  FileFacts facts = Load("Testwuson.X");
  EXPECT_EQ(facts.frames.size(), 39u);
  EXPECT_EQ((std::vector<std::string>(facts.frames.begin(), facts.frames.begin() + 3)),
            (std::vector<std::string>{"Wuson", "Root", "Spine_Back01"}));
  ExpectMeshes(facts, {{"mesh_Wuson", 3205, 3732}});
  EXPECT_EQ(facts.skinWeights, 37u);
  EXPECT_EQ(facts.ticksPerSecond, (std::vector<DWORD>{4800, 4800, 4800}));
  ASSERT_EQ(facts.sets.size(), 3u);
  size_t keyBlocks = 0;
  for (const SetFacts& set : facts.sets) {
    EXPECT_EQ(set.animations, 39u);
    keyBlocks += set.keyBlocks;
  }
  EXPECT_EQ(keyBlocks, 351u);
  EXPECT_EQ(facts.sets[0].name, "Wuson_Run");
  EXPECT_EQ(facts.sets[1].name, "Wuson_Walk");
  EXPECT_EQ(facts.sets[2].name, "Wuson_Bind");
}

TEST(XFileTestData, MalformedFilesFailCleanly) {
  QM_SKIP_WITHOUT_TESTDATA();
  // Corrupt deflate data: the block unpacks to fewer bytes than it declares.
  Parsed corrupt = xfiletest::ParseVector(
      xfiletest::ReadBytes(xfiletest::TestDataPath("malformed/OV_GetNextToken.x")));
  EXPECT_TRUE(FAILED(corrupt.hr));
  EXPECT_EQ(corrupt.objects, nullptr);

  // A skin weight names vertex past the mesh: the file parses, the mesh refuses to build.
  Parsed skin = xfiletest::ParseVector(
      xfiletest::ReadBytes(xfiletest::TestDataPath("malformed/malformed_skinweights_oob.x")));
  ASSERT_EQ(skin.hr, S_OK);
  const XFileData* mesh = nullptr;
  for (size_t i = 0; i < skin.Count() && mesh == nullptr; ++i) {
    for (const XFileData* frame : skin.Object(i).ChildrenOfType(TID_D3DRMFrame)) {
      auto meshes = frame->ChildrenOfType(TID_D3DRMMesh);
      if (!meshes.empty()) mesh = meshes[0];
    }
  }
  ASSERT_NE(mesh, nullptr);
  XMeshData data;
  EXPECT_EQ(XMeshBuild(*mesh, &data), E_FAIL);
  EXPECT_TRUE(data.positions.empty());
}

}  // namespace
