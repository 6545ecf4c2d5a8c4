// XFileModel loading: the shared test files, error codes, frame lookup, the bounding sphere
// and re-centring, and models and textures taken from an archive.
#include "scene/XFileModel.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "RarPacker.h"
#include "XFileModelTestSupport.h"
#include "support/TestData.h"

namespace qm {
namespace {

using namespace xmodeltest;

class XFileModelLoadTest : public RecordingModelTest {};

int CountTriangles(const XFileFrame* frame) {
  int triangles = 0;
  for (; frame; frame = frame->pNextSibling) {
    for (const XFileMeshContainer* c = frame->pFirstMesh; c; c = c->pNext) {
      triangles += static_cast<int>(c->mesh.TriangleCount());
    }
    triangles += CountTriangles(frame->pFirstChild);
  }
  return triangles;
}

int CountMeshes(const XFileFrame* frame) {
  int meshes = 0;
  for (; frame; frame = frame->pNextSibling) {
    for (const XFileMeshContainer* c = frame->pFirstMesh; c; c = c->pNext) ++meshes;
    meshes += CountMeshes(frame->pFirstChild);
  }
  return meshes;
}

TEST_F(XFileModelLoadTest, SharedTestFilesLoadWithTheirFramesMeshesAndSets) {
  QM_SKIP_WITHOUT_TESTDATA();
  struct Expected {
    const char* file;
    const char* frame;
    int meshes;
    int triangles;
    std::vector<std::string> sets;
  };
  const Expected files[] = {
      {"test_cube_text.x", "Cube", 1, 12, {}},
      {"test.x", "pCube1", 1, 12, {}},
      {"kwxport_test_cubewithvcolors.x", "Box01", 1, 12, {}},
      {"fromtruespace_bin32.x", "FeedTheDinoGPU-0", 1, 6656, {}},
      {"anim_test.x", "joint2", 1, 840, {"cylinder_test"}},
      {"BCN_Epileptic.X", "B_Root_Pelvis_L", 3, 1966 + 2036 + 1124, {"Epileptisch"}},
      {"Testwuson.X", "Spine_Back01", 1, 3732, {"Wuson_Run", "Wuson_Walk", "Wuson_Bind"}},
  };
  for (const Expected& e : files) {
    SCOPED_TRACE(e.file);
    XFileModel model;
    ASSERT_EQ(LoadTestFile(&model, e.file), S_OK);
    EXPECT_NE(model.FindFrame(e.frame), nullptr);
    EXPECT_EQ(CountMeshes(model.RootFrame()), e.meshes);
    EXPECT_EQ(CountTriangles(model.RootFrame()), e.triangles);
    ASSERT_EQ(model.SetCount(), static_cast<int>(e.sets.size()));
    for (size_t i = 0; i < e.sets.size(); ++i) {
      EXPECT_STREQ(model.SetName(static_cast<int>(i)), e.sets[i].c_str());
      EXPECT_EQ(model.FindSet(e.sets[i].c_str()), static_cast<int>(i));
    }
    EXPECT_GT(model.Radius(), 0.0f);
    // Every mesh draws, skinned ones (cube, cylinder, human, animal) posed by their set.
    if (model.SetCount() > 0) model.SetAnimState({0, 1000, 0.0f, model.SetLength(0)});
    model.Advance(0.5f);
    Log().Clear();
    model.Render();
    EXPECT_GE(Log().Count("DrawIndexedPrimitive") + Log().Count("DrawIndexedPrimitiveUP"),
              static_cast<size_t>(e.meshes));
  }
}

TEST_F(XFileModelLoadTest, SetLengthsCountRotationKeysOnly) {
  QM_SKIP_WITHOUT_TESTDATA();
  XFileModel anim, wuson;
  ASSERT_EQ(LoadTestFile(&anim, "anim_test.x"), S_OK);
  EXPECT_EQ(anim.SetLength(0), 24.0f);
  ASSERT_EQ(LoadTestFile(&wuson, "Testwuson.X"), S_OK);
  EXPECT_EQ(wuson.SetLength(wuson.FindSet("Wuson_Run")), 4640.0f);
  EXPECT_EQ(wuson.SetLength(wuson.FindSet("Wuson_Walk")), 17280.0f);
  EXPECT_EQ(wuson.SetLength(wuson.FindSet("Wuson_Bind")), 0.0f);
  EXPECT_EQ(wuson.SetLength(3), 0.0f);
  EXPECT_EQ(wuson.SetName(-1), nullptr);
  EXPECT_EQ(wuson.FindSet("fly"), -1);
}

TEST_F(XFileModelLoadTest, ThreeEncodingsOfTheCubeGiveTheSameModel) {
  QM_SKIP_WITHOUT_TESTDATA();
  XFileModel text, binary, compressed;
  ASSERT_EQ(LoadTestFile(&text, "test_cube_text.x"), S_OK);
  ASSERT_EQ(LoadTestFile(&binary, "test_cube_binary.x"), S_OK);
  ASSERT_EQ(LoadTestFile(&compressed, "test_cube_compressed.x"), S_OK);
  for (XFileModel* other : {&binary, &compressed}) {
    EXPECT_EQ(other->Radius(), text.Radius());
    const XFileMeshContainer* a = text.FindFrame("Cube")->pFirstMesh;
    const XFileMeshContainer* b = other->FindFrame("Cube")->pFirstMesh;
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->vertices, b->vertices);
    EXPECT_EQ(a->mesh.indices, b->mesh.indices);
  }
}

TEST_F(XFileModelLoadTest, BadFilesAndNamesFailWithTheirCodes) {
  QM_SKIP_WITHOUT_TESTDATA();
  XFileModel model;
  EXPECT_EQ(model.Load(m_device), E_INVALIDARG);  // no name at all
  model.SetFileName("x");
  EXPECT_EQ(model.Load(m_device), E_FAIL);
  for (const char* bad : {"malformed/OV_GetNextToken.x", "malformed/malformed_skinweights_oob.x",
                          "no_such_file.x"}) {
    SCOPED_TRACE(bad);
    EXPECT_TRUE(FAILED(LoadTestFile(&model, bad)));
  }
  EXPECT_EQ(model.CurrentRecord(), nullptr);
  EXPECT_EQ(model.Radius(), 0.0f);
  // A model the archive does not hold fails like an empty file.
  model.SetFileName("nothing_there.x");
  model.SetFromArchive(true);
  model.UseArchive(MediaArchive{}, nullptr);
  EXPECT_TRUE(FAILED(model.Load(m_device)));
}

TEST_F(XFileModelLoadTest, DamagedCopiesOfAnAnimatedSkinnedModelLoadOrFailCleanly) {
  // An animated quad written as text, cut short and with bytes changed here and there.
  const std::string good = std::string(kHeader) + Frame("Body", QuadMesh(0, 0, 1, 1, 2)) +
                           AnimationSet("s", Animation("Body", Keys(0, {{0, {1, 0, 0, 0}}}) +
                                                                   Keys(4, {{5, std::vector<float>(16, 1.0f)}})));
  for (size_t cut = 0; cut < good.size(); cut += 3) {
    XFileModel model("cut.x");
    model.SetFromArchive(false);
    const HRESULT hr = model.LoadFromMemory(m_device, good.data(), static_cast<DWORD>(cut));
    EXPECT_TRUE(FAILED(hr) || model.CurrentRecord() != nullptr);
  }
  for (size_t at = 17; at < good.size(); at += 5) {
    std::string bad = good;
    bad[at] = "0;,{}9-"[at % 7];
    XFileModel model("bad.x");
    model.SetFromArchive(false);
    if (SUCCEEDED(model.LoadFromMemory(m_device, bad.data(), static_cast<DWORD>(bad.size())))) {
      model.SetAnimState({0, 2, 0.0f, model.SetLength(0)});
      model.Advance(0.5f);
      model.Render();
    }
  }
}

TEST_F(XFileModelLoadTest, BadAnimationsGiveInvalidArg) {
  const std::string frame = Frame("Body", QuadMesh(0, 0, 1, 1));
  const std::string rotation = Keys(0, {{0, {1, 0, 0, 0}}});
  const struct {
    const char* why;
    std::string text;
  } cases[] = {
      {"target declared after the set",
       AnimationSet("late", Animation("Later", rotation)) + Frame("Later", "")},
      {"two targets", AnimationSet("two", "Animation { {Body} {Body} " + rotation + "}")},
      {"key type 3", AnimationSet("three", Animation("Body", Keys(3, {{0, {1, 2, 3}}})))},
      {"two rotation blocks", AnimationSet("again", Animation("Body", rotation + rotation))},
      {"wrong value count", AnimationSet("count", Animation("Body", Keys(0, {{0, {1, 0, 0}}})))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    XFileModel model;
    EXPECT_EQ(LoadText(&model, frame + c.text), E_INVALIDARG);
    EXPECT_EQ(model.CurrentRecord(), nullptr);
  }
}

TEST_F(XFileModelLoadTest, FindFrameGoesDepthFirstAndIgnoresUnnamedFrames) {
  XFileModel model;
  const std::string text =
      Frame("A", Frame("Twin", FrameTransform(Translation(1, 0, 0))) + Frame("B", "")) +
      Frame("Twin", FrameTransform(Translation(2, 0, 0))) + "Frame {\n}\n" +
      Frame("Mesh", QuadMesh(0, 0, 1, 1));
  ASSERT_EQ(LoadText(&model, text), S_OK);
  ASSERT_NE(model.FindFrame("Twin"), nullptr);
  EXPECT_EQ(model.FindFrame("Twin")->matFile._41, 1.0f);  // the nested one comes first
  EXPECT_EQ(model.FindFrame("B")->pNextSibling, nullptr);
  EXPECT_EQ(model.FindFrame(""), nullptr);
  EXPECT_EQ(model.FindFrame("b"), nullptr);
  EXPECT_STREQ(model.FirstFrame()->name.c_str(), "A");
  model.DeleteAll();
  EXPECT_EQ(model.FindFrame("A"), nullptr);
  EXPECT_EQ(model.Radius(), 0.0f);
}

TEST_F(XFileModelLoadTest, ModelIsCentredOnTheMeanOfItsVertices) {
  XFileModel model;
  // A quad from (0,0) to (2,4), moved by its frame to x + 10: mean (11, 2, 0).
  ASSERT_EQ(LoadText(&model, Frame("Q", FrameTransform(Translation(10, 0, 0)) +
                                            QuadMesh(0, 0, 2, 4))),
            S_OK);
  EXPECT_FLOAT_EQ(model.Center().x, 11.0f);
  EXPECT_FLOAT_EQ(model.Center().y, 2.0f);
  EXPECT_FLOAT_EQ(model.Radius(), std::sqrt(5.0f));
  EXPECT_EQ(model.RootFrame()->matCurrent._41, -11.0f);
  EXPECT_EQ(model.RootFrame()->matFile._42, -2.0f);
}

TEST_F(XFileModelLoadTest, OriginVerticesAreLeftOutAndAModelAtTheOriginHasRadiusZero) {
  XFileModel point, withOrigin;
  ASSERT_EQ(LoadText(&point, Frame("P", QuadMesh(0, 0, 0, 0))), S_OK);
  EXPECT_EQ(point.Radius(), 0.0f);
  EXPECT_EQ(point.Center(), D3DXVECTOR3(0, 0, 0));
  // Corners (0,0) (0,2) (2,2) (2,0): the origin one does not pull the centre.
  ASSERT_EQ(LoadText(&withOrigin, Frame("Q", QuadMesh(0, 0, 2, 2))), S_OK);
  EXPECT_FLOAT_EQ(withOrigin.Center().x, 4.0f / 3.0f);
  EXPECT_FLOAT_EQ(withOrigin.Center().y, 4.0f / 3.0f);
}

// A 2x2 texture as an uncompressed 32-bit TGA.
std::vector<std::uint8_t> TinyTga() {
  std::vector<std::uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 8};
  for (int i = 0; i < 4; ++i) tga.insert(tga.end(), {0x20, 0x40, 0x80, 0xFF});
  return tga;
}

TEST_F(XFileModelLoadTest, ModelAndTexturesComeFromTheArchive) {
  const std::string text = kHeader + Frame("Q", QuadMesh(0, 0, 1, 1, 2, "Textures\\bark.tga"));
  std::vector<PackEntry> entries = {{"Textures\\bark.tga", TinyTga()},
                                    {"quad.x", {text.begin(), text.end()}}};
  PackOptions options;
  options.password = kMediaPassword;
  std::vector<std::uint8_t> archive;
  std::string error;
  ASSERT_TRUE(PackArchive(entries, options, archive, error)) << error;

  XFileModel model("quad.x");
  model.UseArchive(MediaArchive{archive.data(), static_cast<std::uint32_t>(archive.size()), 0},
                   kMediaPassword);
  ASSERT_EQ(model.Load(m_device), S_OK);
  const XFileMeshContainer* quad = model.FindFrame("Q")->pFirstMesh;
  ASSERT_NE(quad, nullptr);
  ASSERT_EQ(quad->dwMaterials, 2u);
  EXPECT_NE(quad->textures[0], nullptr);
  EXPECT_EQ(quad->textures[1], nullptr);
  EXPECT_FLOAT_EQ(quad->materials[0].Diffuse.g, 0.6f);
  EXPECT_FLOAT_EQ(quad->materials[0].Power, 10.0f);
  EXPECT_FLOAT_EQ(quad->materials[0].Specular.b, 0.3f);
  EXPECT_EQ(quad->materials[0].Ambient.r, 0.0f);
}

TEST_F(XFileModelLoadTest, TexturesOfADiskModelLieBesideIt) {
  const std::string dir = QM_BINARY_DIR "/xmodel_disk";
  std::filesystem::create_directories(dir);
  const std::vector<std::uint8_t> tga = TinyTga();
  std::ofstream(dir + "/leaf.tga", std::ios::binary)
      .write(reinterpret_cast<const char*>(tga.data()), static_cast<std::streamsize>(tga.size()));
  std::ofstream(dir + "/leaf.x") << kHeader
                                 << Frame("Q", QuadMesh(0, 0, 1, 1, 1, "C:\\\\art\\\\leaf.tga"));
  XFileModel model((dir + "/leaf.x").c_str());
  model.SetFromArchive(false);
  ASSERT_EQ(model.Load(m_device), S_OK);
  EXPECT_NE(model.FindFrame("Q")->pFirstMesh->textures[0], nullptr);
}

}  // namespace
}  // namespace qm
