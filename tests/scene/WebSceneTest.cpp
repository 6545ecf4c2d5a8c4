// The web in the scene: strands along the twigs, the leaf template and its clusters, the
// first drops, and the scene's web file with its drop and leaf sections, read back and
// refused when they do not fit.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "creatures/Cobweb.h"
#include "creatures/WebFile.h"
#include "scene/DropSet.h"
#include "scene/ForestScene.h"
#include "scene/ForestSceneTestXFiles.h"
#include "scene/LeafCluster.h"
#include "scene/XFileModel.h"

namespace qm {
namespace {

using scenetest::FrameText;
using scenetest::MeshText;
using scenetest::PathFrame;

constexpr char kBackground[] = "background_03.jpg";

D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

// A leaf template of a stalk and one leaf: (0, -21) - (0, 0) - (6, 6), plus a vertex 0.005
// from the stalk's foot that a degenerate edge drops.
std::string LeafPathFrame() {
  return FrameText(kLeafPathFrame, scenetest::Identity(),
                   MeshText({{0, -21, 0}, {0.005f, -21, 0}, {0, 0, 0}, {6, 6, 0}},
                            {{0, 1, 2}, {0, 2, 3}}));
}

std::string LeafTrianglesFrame() {
  return FrameText(kLeafTrianglesFrame, scenetest::Identity(),
                   MeshText({{0, 0, 0}, {6, 6, 0}, {0, 6, 0}}, {{0, 1, 2}}));
}

// The web's frame, two strands that share an end, one strand after a gap, two leaf
// clusters with a gap between them, and a trunk for the strands' up vectors.
std::vector<std::string> WebForestFrames() {
  return {scenetest::CylinderTree("tree_branch01", 5.0f, 40.0f),
          PathFrame("proto_frame", {{-30, 0, -30}, {30, 0, -30}, {30, 0, 30}, {-30, 0, 30},
                                    {-30, 0, -30}}),
          PathFrame("drops_path00", {{-20, -5, 40}, {0, -5, 38}, {10, -5, 35}}),
          PathFrame("drops_path01", {{10, -5, 35}, {20, -5, 30}}),
          PathFrame("drops_path03", {{50, -5, 35}, {60, -5, 30}}),
          scenetest::MarkerFrame("Leaves00", Translation(-40, -10, 20)),
          scenetest::MarkerFrame("Leaves02", Translation(40, -10, 20)),
          LeafPathFrame(),
          LeafTrianglesFrame()};
}

class WebSceneTest : public scenetest::RecordingDeviceFixture {
 protected:
  void SetUp() override {
    RecordingDeviceFixture::SetUp();
    std::vector<PackEntry> entries;
    for (const char* name : {kBackground, "env.jpg", "radii.jpg", "spirals.jpg"})
      entries.push_back({name, scenetest::TinyBmp(), false});
    entries.push_back(scenetest::TextEntry("forest.x", scenetest::XFileText(WebForestFrames())));
    m_archiveBytes = scenetest::PackStored(entries);
  }

  void Init(ForestScene& scene) {
    scene.UseArchive({m_archiveBytes.data(), std::uint32_t(m_archiveBytes.size()), 0}, nullptr);
    scene.SetBackgroundName(kBackground);
    ASSERT_EQ(scene.InitDeviceObjects(m_device), S_OK);
  }

  std::vector<std::uint8_t> m_archiveBytes;
};

int CountLinks(const Cobweb& web, int type) {
  int count = 0;
  for (const WebLink& link : web.Links) count += link.iType == type;
  return count;
}

TEST(LeafTemplate, AShortEdgeDropsItsSecondVertexAndEveryEdgeThatUsesIt) {
  XMeshData path;
  path.positions = {{0, 0, 0}, {0.005f, 0, 0}, {0, 5, 0}, {5, 5, 0}};
  path.indices = {0, 1, 2, 2, 3, 0};
  XMeshData triangles;
  triangles.positions = {{0, 0, 0}, {0, 5, 0}, {5, 5, 0}};
  triangles.indices = {0, 1, 2};  // wound so that its normal is -z
  LeafTemplate leaf;
  BuildLeafTemplate(path, &triangles, &leaf);
  EXPECT_EQ(leaf.vertexMap, (std::vector<int>{0, -1, 1, 2}));
  ASSERT_EQ(leaf.points.size(), 3u);
  EXPECT_EQ(leaf.points[1], D3DXVECTOR3(0, 5, 0));
  EXPECT_EQ(leaf.edges, (std::vector<std::pair<int, int>>{{2, 3}, {3, 0}}));
  ASSERT_EQ(leaf.normals.size(), 3u);
  for (const D3DXVECTOR3& n : leaf.normals) EXPECT_NEAR(n.z, -1.0f, 1e-6f);
}

TEST(LeafSway, WithoutWindTheClusterComesBackToRestAndWindLeansIt) {
  XFileFrame frame;
  D3DXMatrixTranslation(&frame.matCurrent, 3, 4, 5);
  LeafCluster cluster;
  cluster.Bind(&frame);
  cluster.vDirection = D3DXVECTOR3(0.6f, 0.8f, 0.0f);
  // The sway is lightly damped: it takes minutes to come to rest.
  for (int i = 0; i < 20000; ++i) SwayLeafCluster(&cluster, {0, 0, 0}, 0.02f);
  EXPECT_NEAR(cluster.vDirection.y, 1.0f, 1e-4f);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(frame.matCurrent.m[r][c], cluster.mRest.m[r][c], 1e-3f);

  // A steady wind along +z makes it swing about a lean toward +z.
  float lean = 0.0f;
  for (int i = 0; i < 20000; ++i) {
    SwayLeafCluster(&cluster, {0, 0, 80}, 0.02f);
    lean += cluster.vDirection.z / 20000.0f;
  }
  EXPECT_GT(lean, 0.1f);
  // The stem stays where it is: the turn is about (0, -21, 0).
  D3DXVECTOR3 stem(0, -21, 0), moved;
  D3DXVec3TransformCoord(&moved, &stem, &frame.matCurrent);
  EXPECT_NEAR(moved.y, -17.0f, 1e-3f);
  EXPECT_NEAR(moved.z, 5.0f, 1e-3f);
}

TEST(DropSetAlone, ADropHangsFromItsTwigRunsDownAndIsShapedAroundItsParticles) {
  Cobweb web;
  // A twig falling steeply to the right and ending in the air.
  web.AddNode({0, 0, 10}, 1.0f, true);
  web.AddNode({10, 0, 0}, 1.0f, true);
  web.AddLink(0, 1, 1.0f, 5.0f, 0.0f, kLinkStrand);
  web.RebuildNodeLinks();
  DropSet drops(&web);
  drops.AddDrop({6, 3, 6}, 2.1f, 1.0f);
  const Drop& drop = drops.Drops()[0];
  EXPECT_NEAR(web.Nodes[drop.iUpper].vPos.x, 5.0f, 1e-4f);  // the twig's point nearest to it
  EXPECT_NEAR(web.Nodes[drop.iLower].vPos.z, web.Nodes[drop.iUpper].vPos.z - 1.0f, 1e-4f);

  float furthest = 0.0f;
  for (int i = 0; i < 300; ++i) {
    web.Step(1.0f / 30.0f);
    drops.Step(1.0f / 30.0f);
    furthest = std::max(furthest, drop.vTop.x);
  }
  EXPECT_GT(furthest, 5.5f);  // it ran downhill
  // Each vertex's normal is a unit vector pointing out of the drop, so the sphere mapping
  // sees a round surface.
  ASSERT_GT(drops.VertexCount(), 0u);
  for (size_t i = 0; i < drops.VertexCount(); ++i) {
    const DropVertex& v = drops.Vertices()[i];
    const D3DXVECTOR3 normal(v.nx, v.ny, v.nz), out = D3DXVECTOR3(v.x, v.y, v.z) - drop.vBottom;
    EXPECT_NEAR(D3DXVec3Length(&normal), 1.0f, 1e-4f);
    EXPECT_GE(D3DXVec3Dot(&normal, &out), -1e-5f);
  }
}

TEST_F(WebSceneTest, StrandsShareEndsStopAtTheGapAndLeavesSkipIt) {
  ForestScene scene;
  Init(scene);
  const Cobweb& web = scene.Web();
  // drops_path00 and 01 meet at (10, -5, 35): five points, four nodes; 03 is never read.
  EXPECT_EQ(CountLinks(web, kLinkStrand), 3);
  std::vector<int> strandNodes;
  for (const WebLink& link : web.Links)
    if (link.iType == kLinkStrand)
      for (int n : {link.iNodeA, link.iNodeB})
        if (std::find(strandNodes.begin(), strandNodes.end(), n) == strandNodes.end())
          strandNodes.push_back(n);
  EXPECT_EQ(strandNodes.size(), 4u);
  for (int n : strandNodes) EXPECT_EQ(web.Nodes[n].bFixed, 1);

  ASSERT_EQ(scene.LeafClusters().size(), 2u);
  EXPECT_EQ(scene.LeafClusters()[1].name, "Leaves02");
  EXPECT_EQ(scene.LeafClusters()[0].nodes.size(), scene.Leaf().points.size());
  EXPECT_EQ(CountLinks(web, kLinkLeaf), int(2 * scene.Leaf().edges.size()));
  // Leaf nodes sit where the template lands through the cluster's frame.
  const int stalkFoot = scene.LeafClusters()[0].nodes[0];
  EXPECT_NEAR(web.Nodes[stalkFoot].vPos.x, -40.0f, 1e-4f);
  EXPECT_NEAR(web.Nodes[stalkFoot].vPos.y, -31.0f, 1e-4f);

  ASSERT_EQ(web.FrameThreads.size(), 1u);
  EXPECT_NEAR(web.vNormal.y, -1.0f, 1e-5f);
}

TEST_F(WebSceneTest, FirstDropsHangOnTheStrandsAndStayFiniteAsTheSceneRuns) {
  ForestScene scene;
  Init(scene);
  ASSERT_EQ(scene.Drops().Drops().size(), 4u);
  const Cobweb& web = scene.Web();
  for (const Drop& drop : scene.Drops().Drops()) {
    const WebSlider& slider = web.Sliders[drop.iSlider];
    ASSERT_GE(slider.iLink, 0);
    EXPECT_EQ(web.Links[slider.iLink].iType, kLinkStrand);
    EXPECT_NEAR(web.Nodes[drop.iUpper].fWeight, 1.4f, 1e-6f);
    EXPECT_NEAR(web.Nodes[drop.iLower].fWeight, 0.7f, 1e-6f);
  }
  for (int i = 0; i < 600; ++i) scene.FrameMove(1.0f / 30.0f, 1);
  EXPECT_EQ(web.NonFiniteValues(), 0);
  for (const Drop& drop : scene.Drops().Drops()) {
    const D3DXVECTOR3 hang = drop.vTop - drop.vBottom;
    EXPECT_LT(D3DXVec3Length(&hang), 5.0f);
    EXPECT_GT(drop.vTop.z, drop.vBottom.z);  // the lower particle has swung below
  }
  EXPECT_EQ(scene.Drops().VertexCount() % 3, 0u);
  EXPECT_GT(scene.Drops().VertexCount(), 0u);

  m_direct3D->Log()->Clear();
  ASSERT_EQ(scene.Render(m_device), S_OK);
  const CallLog& log = *m_direct3D->Log();
  const int cull = log.IndexOf("SetRenderState(D3DRS_CULLMODE, 3)");
  const int draw = log.IndexOf("DrawPrimitiveUP(4, " +
                               std::to_string(scene.Drops().VertexCount() / 3) + ", ptr, 32)");
  ASSERT_GE(cull, 0);
  EXPECT_GT(draw, cull);
  EXPECT_GE(log.IndexOf("SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0x00010000)"), 0);
}

TEST_F(WebSceneTest, TheSceneWebFileReadsBackAndEverySectionMustFit) {
  ForestScene scene;
  Init(scene);
  for (int i = 0; i < 60; ++i) scene.FrameMove(1.0f / 30.0f, 1);
  const std::vector<std::uint8_t> image = scene.CobwebImage();

  ForestScene other;
  Init(other);
  ASSERT_EQ(other.LoadCobwebImage(image.data(), image.size()), 1);
  EXPECT_EQ(other.CobwebImage(), image);

  // Section offsets: the web's section ends where the drops' count begins.
  WebReader reader(image.data(), image.size());
  Cobweb probe;
  ASSERT_EQ(probe.LoadFromMemory(reader), 1);
  const size_t drops = reader.Position();
  const size_t leaves = drops + 4 + 4 * 8;
  const size_t firstLeafNodes = leaves + 4;
  const auto spoiled = [&](size_t at, std::int32_t value) {
    std::vector<std::uint8_t> bytes = image;
    for (int i = 0; i < 4; ++i) bytes[at + i] = std::uint8_t(std::uint32_t(value) >> (8 * i));
    return bytes;
  };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  const Case cases[] = {
      {"drop count differs", spoiled(drops, 3)},
      {"drop node past the web", spoiled(drops + 4, 1 << 20)},
      {"negative drop node", spoiled(drops + 8, -2)},
      {"leaf cluster count differs", spoiled(leaves, 3)},
      {"leaf list longer than the cluster's",
       spoiled(firstLeafNodes, std::int32_t(scene.Leaf().points.size() + 1))},
      {"leaf node past the web", spoiled(firstLeafNodes + 4, 1 << 20)},
      {"truncated leaf section", std::vector<std::uint8_t>(image.begin(), image.end() - 1)},
  };
  for (const Case& c : cases) {
    ForestScene target;
    Init(target);
    EXPECT_EQ(target.LoadCobwebImage(c.bytes.data(), c.bytes.size()), 0) << c.what;
  }
}

TEST_F(WebSceneTest, AResetWebIsBuiltAgainByTheNextDeviceObjects) {
  ForestScene scene;
  Init(scene);
  const size_t nodes = scene.Web().Nodes.size();
  scene.ReleaseDeviceObjects();
  scene.DeleteDeviceObjects();
  scene.ResetCobweb();
  EXPECT_TRUE(scene.Web().Nodes.empty());
  EXPECT_FALSE(scene.DropsPlaced());
  ASSERT_EQ(scene.InitDeviceObjects(m_device), S_OK);
  EXPECT_EQ(scene.Web().Nodes.size(), nodes);
  EXPECT_EQ(scene.Drops().Drops().size(), 4u);
  EXPECT_EQ(scene.LeafClusters().size(), 2u);
}

}  // namespace
}  // namespace qm
