// XFileModel drawing on the recording device: world transform per frame with meshes,
// materials, textures and subsets in order, release and regeneration, software skinning.
#include "scene/XFileModel.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>

#include "XFileModelTestSupport.h"

namespace qm {
namespace {

using namespace xmodeltest;

class XFileModelRenderTest : public RecordingModelTest {
 protected:
  // The calls of one Render, with the device's world set to `world` beforehand.
  std::vector<std::string> RenderCalls(XFileModel& model, const D3DXMATRIX& world) {
    m_device->SetTransform(D3DTS_WORLD, &world);
    Log().Clear();
    model.Render();
    std::vector<std::string> calls;
    for (const RecordedCall& call : Log().Calls()) {
      if (call.name == "SetTransform" || call.name == "SetMaterial" || call.name == "SetTexture" ||
          call.name.rfind("Draw", 0) == 0) {
        // -0 and 0 print differently but are the same matrix entry.
        calls.push_back(std::regex_replace(call.Text(), std::regex("-0([ ;\\]])"), "0$1"));
      }
    }
    return calls;
  }

  static std::string World(const D3DXMATRIX& m) {
    return std::regex_replace("SetTransform(D3DTS_WORLD, " + FormatMatrix(&m) + ")",
                              std::regex("-0([ ;\\]])"), "0$1");
  }

  static std::string Material(const D3DMATERIAL8& m) {
    return "SetMaterial(" + FormatColorValueText(m) + ")";
  }

  // SetMaterial's arguments as the recording device prints them.
  static std::string FormatColorValueText(const D3DMATERIAL8& m) {
    auto color = [](const D3DCOLORVALUE& c) {
      return "(" + FormatFloat(c.r) + " " + FormatFloat(c.g) + " " + FormatFloat(c.b) + " " +
             FormatFloat(c.a) + ")";
    };
    return color(m.Diffuse) + ", " + color(m.Ambient) + ", " + color(m.Specular) + ", " +
           color(m.Emissive) + ", " + FormatFloat(m.Power);
  }
};

std::string WriteTexture() {
  const std::string dir = QM_BINARY_DIR "/xmodel_render";
  std::filesystem::create_directories(dir);
  const unsigned char tga[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 32, 8,
                               0x10, 0x20, 0x30, 0xFF};
  std::ofstream(dir + "/bark.tga", std::ios::binary).write(reinterpret_cast<const char*>(tga), sizeof(tga));
  return dir + "/bark.tga";
}

TEST_F(XFileModelRenderTest, EachFrameWithMeshesDrawsItsSubsetsInItsCombinedWorld) {
  XFileModel model;
  // A at x + 1 with a quad of two materials (the first textured), B inside A at y + 2 with
  // a one-material quad, and a frame without meshes that sets no transform. Vertex mean:
  // (1.5, 1.5, 0).
  const std::string text =
      Frame("A", FrameTransform(Translation(1, 0, 0)) + QuadMesh(0, 0, 1, 1, 2, WriteTexture()) +
                     Frame("B", FrameTransform(Translation(0, 2, 0)) + QuadMesh(0, 0, 1, 1)) +
                     Frame("Empty", ""));
  ASSERT_EQ(LoadText(&model, text), S_OK);
  const XFileMeshContainer* a = model.FindFrame("A")->pFirstMesh;
  const XFileMeshContainer* b = model.FindFrame("B")->pFirstMesh;
  ASSERT_NE(a->textures[0], nullptr);

  D3DXMATRIX world, worldA, worldB;
  D3DXMatrixScaling(&world, 2, 2, 2);
  worldA = world;  // (p + (1, 0, 0) - (1.5, 1.5, 0)) x 2
  worldA._41 = -1.0f;
  worldA._42 = -3.0f;
  worldB = worldA;  // and B's (0, 2, 0) before that
  worldB._42 = 1.0f;
  const std::vector<std::string> expected = {
      World(worldA),
      Material(a->materials[0]), "SetTexture(0, ptr)",
      "DrawIndexedPrimitive(4, 0, 3, 0, 1)",
      Material(a->materials[1]), "SetTexture(0, null)",
      "DrawIndexedPrimitive(4, 0, 4, 3, 1)",
      World(worldB),
      Material(b->materials[0]), "SetTexture(0, null)",
      "DrawIndexedPrimitive(4, 0, 4, 0, 2)",
      World(world),
  };
  EXPECT_EQ(RenderCalls(model, world), expected);
  EXPECT_EQ(a->materials[0].Diffuse.r, 0.8f);
  EXPECT_EQ(a->materials[0].Power, 10.0f);
}

// A material hides what lies behind it only when nothing in it can be transparent: its
// diffuse alpha, its texture's format, the mesh's vertex colours. Each layer draws its own
// materials in the order of the file, and a frame with none in the layer sets no transform.
TEST_F(XFileModelRenderTest, OpaqueAndTranslucentLayersSplitTheMaterialsByWhatCanBeSeenThrough) {
  const std::string dir = QM_BINARY_DIR "/xmodel_render";
  std::filesystem::create_directories(dir);
  const unsigned char rgbTga[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0,
                                  0x10, 0x20, 0x30};
  std::ofstream(dir + "/wood.tga", std::ios::binary)
      .write(reinterpret_cast<const char*>(rgbTga), sizeof(rgbTga));
  const auto withAlpha = [](std::string mesh, const char* alpha) {
    return mesh.replace(mesh.find("0.8;0.6;0.4;1.0;;"), 17, std::string("0.8;0.6;0.4;") + alpha + ";;");
  };
  std::string tinted = QuadMesh(0, 0, 1, 1);
  tinted.insert(tinted.find("MeshMaterialList"),
                "MeshVertexColors { 4; 0;1;1;1;1;;, 1;1;1;1;1;;, 2;1;1;1;0.5;;, 3;1;1;1;1;;; }\n");
  XFileModel model;
  const std::string text = Frame("Wood", QuadMesh(0, 0, 1, 1, 1, dir + "/wood.tga")) +
                           Frame("Leaf", QuadMesh(0, 0, 1, 1, 1, WriteTexture())) +
                           Frame("Glass", withAlpha(QuadMesh(0, 0, 1, 1), "0.5")) +
                           Frame("Tinted", tinted) + Frame("Plain", QuadMesh(0, 0, 1, 1));
  ASSERT_EQ(LoadText(&model, text), S_OK);
  std::vector<std::pair<const char*, BYTE>> expected = {
      {"Wood", 1}, {"Leaf", 0}, {"Glass", 0}, {"Tinted", 0}, {"Plain", 1}};
  for (const auto& [name, opaque] : expected) {
    const XFileMeshContainer* container = model.FindFrame(name)->pFirstMesh;
    ASSERT_EQ(container->materialOpaque.size(), 1u) << name;
    EXPECT_EQ(container->materialOpaque[0], opaque) << name;
  }

  D3DXMATRIX world;
  D3DXMatrixIdentity(&world);
  const auto drawnFrames = [&](XFileLayer layer) {
    m_device->SetTransform(D3DTS_WORLD, &world);
    Log().Clear();
    model.Render(layer);
    std::string frames;
    for (const RecordedCall& call : Log().Calls()) {
      if (call.name == "SetTransform") frames += "T";
      if (call.name.rfind("Draw", 0) == 0) frames += "D";
    }
    return frames;
  };
  // Every frame is placed at the same spot, so the transforms tell only how many were set;
  // the last one gives back the caller's world.
  EXPECT_EQ(drawnFrames(XFileLayer::Opaque), "TDTDT");
  EXPECT_EQ(drawnFrames(XFileLayer::Translucent), "TDTDTDT");
  EXPECT_EQ(drawnFrames(XFileLayer::All), "TDTDTDTDTDT");
}

// Materials that name one texture file share one texture, and a mesh whose triangles all
// have two corners at one place (a path or the web frame, carried as a mesh) shades nothing,
// so it is not drawn; a thin but real triangle still is.
TEST_F(XFileModelRenderTest, TexturesAreSharedByNameAndHelperMeshesAreNotDrawn) {
  XFileModel model;
  const std::string bark = WriteTexture();
  const std::string helper =
      "Mesh {\n4;\n0;0;0;,0;0;0;,5;1;0;,5;1;0;;\n2;\n3;0,1,2;,3;1,3,2;;\n"
      "MeshMaterialList { 1; 2; 0,0; Material { 1;1;1;1;; 1.0; 0;0;0;; 0;0;0;; } }\n}\n";
  const std::string thin =
      "Mesh {\n3;\n0;0;0;,5;0;0;,5;0.001;0;;\n1;\n3;0,1,2;;\n"
      "MeshMaterialList { 1; 1; 0; Material { 1;1;1;1;; 1.0; 0;0;0;; 0;0;0;; } }\n}\n";
  const std::string text = Frame("A", QuadMesh(0, 0, 1, 1, 1, bark)) +
                           Frame("B", QuadMesh(2, 0, 3, 1, 1, bark)) +
                           Frame("path00", helper) + Frame("Twig", thin);
  Log().Clear();
  ASSERT_EQ(LoadText(&model, text), S_OK);
  EXPECT_EQ(Log().Count("CreateTexture"), 1u);
  const XFileMeshContainer* a = model.FindFrame("A")->pFirstMesh;
  const XFileMeshContainer* b = model.FindFrame("B")->pFirstMesh;
  ASSERT_NE(a->textures[0], nullptr);
  EXPECT_EQ(a->textures[0], b->textures[0]);

  D3DXMATRIX world;
  D3DXMatrixIdentity(&world);
  int draws = 0;
  for (const std::string& call : RenderCalls(model, world)) draws += call.rfind("Draw", 0) == 0;
  EXPECT_EQ(draws, 3);  // A, B and the thin triangle; not the helper mesh
  // The shared texture outlives either container's release of it.
  model.DeleteAll();
}

TEST_F(XFileModelRenderTest, ReleasedDeviceObjectsAreMadeAgainOnTheNextRender) {
  XFileModel model;
  ASSERT_EQ(LoadText(&model, Frame("A", QuadMesh(0, 0, 1, 1)) + Frame("B", QuadMesh(1, 1, 2, 2))),
            S_OK);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  const std::vector<std::string> first = RenderCalls(model, identity);
  EXPECT_EQ(Log().Count("CreateVertexBuffer"), 0u);  // made while loading

  model.ReleaseDeviceObjects();
  const XFileMeshContainer* a = model.FindFrame("A")->pFirstMesh;
  EXPECT_EQ(a->pVertexBuffer, nullptr);
  EXPECT_EQ(a->pIndexBuffer, nullptr);
  EXPECT_EQ(a->iSkinMethod, kSkinMethodRegenerate);
  EXPECT_EQ(a->VertexCount(), 4u);  // the CPU copy stays for the scene's paths

  EXPECT_EQ(RenderCalls(model, identity), first);
  EXPECT_EQ(Log().Count("CreateVertexBuffer"), 2u);
  EXPECT_EQ(Log().Count("CreateIndexBuffer"), 2u);
  EXPECT_EQ(a->iSkinMethod, 0);
  EXPECT_NE(a->pVertexBuffer, nullptr);

  model.DeleteAll();
  EXPECT_TRUE(RenderCalls(model, identity).empty());
}

// A quad skinned to two bone frames: corners 0 and 1 follow "Left", 2 and 3 "Right".
std::string SkinnedQuad() {
  std::string mesh = QuadMesh(0, 0, 1, 1);
  const std::string identity = "1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;;";
  const std::string skin =
      "XSkinMeshHeader { 1; 1; 2; }\n"
      "SkinWeights { \"Left\"; 2; 0,1; 1.0,1.0; " + identity + " }\n"
      "SkinWeights { \"Right\"; 2; 2,3; 1.0,1.0; " + identity + " }\n";
  mesh.insert(mesh.rfind('}'), skin);
  return Frame("Left", "") + Frame("Right", "") + Frame("Skin", mesh);
}

TEST_F(XFileModelRenderTest, SkinnedMeshesFollowTheirBoneFrames) {
  XFileModel model;
  ASSERT_EQ(LoadText(&model, SkinnedQuad()), S_OK);
  XFileMeshContainer* skin = model.FindFrame("Skin")->pFirstMesh;
  ASSERT_TRUE(skin->HasSkin());
  ASSERT_EQ(skin->boneMatrices.size(), 2u);
  EXPECT_EQ(skin->boneMatrices[1], &model.FindFrame("Right")->matCombined);

  model.FindFrame("Right")->matCurrent = Translation(0, 0, 3);
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, 7, 0, 0);
  const std::vector<std::string> calls = RenderCalls(model, world);
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[3], "DrawIndexedPrimitiveUP(4, 0, 4, 2, ptr, 102, ptr, 32)");
  // Blended in the space of the mesh's frame, which the world transform then places.
  const float* v = reinterpret_cast<const float*>(skin->blendedVertices.data());
  const size_t floatsPerVertex = skin->dwStride / sizeof(float);
  EXPECT_FLOAT_EQ(v[0 * floatsPerVertex + 2], 0.0f);
  EXPECT_FLOAT_EQ(v[1 * floatsPerVertex + 2], 0.0f);
  EXPECT_FLOAT_EQ(v[2 * floatsPerVertex + 2], 3.0f);
  EXPECT_FLOAT_EQ(v[3 * floatsPerVertex + 2], 3.0f);
  EXPECT_FLOAT_EQ(v[2 * floatsPerVertex + 0], 1.0f);
}

TEST_F(XFileModelRenderTest, BonesMissingFromTheTreeHoldStill) {
  XFileModel model;
  std::string text = SkinnedQuad();
  text.replace(text.find("Frame Right"), 11, "Frame Other");
  ASSERT_EQ(LoadText(&model, text), S_OK);
  XFileMeshContainer* skin = model.FindFrame("Skin")->pFirstMesh;
  EXPECT_EQ(skin->boneMatrices[1], nullptr);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  RenderCalls(model, identity);
  ASSERT_EQ(skin->blendedVertices.size(), skin->vertices.size());
  EXPECT_EQ(0, std::memcmp(skin->blendedVertices.data(), skin->vertices.data(), skin->vertices.size()));
}

}  // namespace
}  // namespace qm
