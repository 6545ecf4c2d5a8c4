// The web's threads, frame, ribbons and drawing: splitting threads where the spider needs
// them, the frame laid along a known mesh, ribbon geometry and its 16-bit draw calls.
#include "creatures/Cobweb.h"

#include <cmath>

#include <gtest/gtest.h>

#include "scene/XFileModel.h"
#include "support/RecordingDevice.h"

namespace qm {
namespace {

// A straight thread of four links along x from 0 to 40, with a rider at t 0.75 of link 1.
struct StraightWeb {
  Cobweb web;
  WebThread thread;
  StraightWeb() {
    web.AddThread(thread, {0, 0, 0}, {40, 0, 0}, 3, 1.0f, 10.0f, 0.5f, false, 0.9f);
    web.RebuildNodeLinks();
  }
};

TEST(CobwebThreads, AddAndExtendLayEvenNodesAndJoinedLinks) {
  StraightWeb s;
  ASSERT_EQ(s.thread.Nodes.size(), 5u);
  ASSERT_EQ(s.thread.Links.size(), 4u);
  EXPECT_FLOAT_EQ(s.web.Nodes[s.thread.Nodes[2]].vPos.x, 20.0f);
  EXPECT_FLOAT_EQ(s.web.Links[s.thread.Links[0]].fRest, 9.0f);  // 10 x rest factor 0.9
  s.web.ExtendThread(s.thread, {40, 20, 0}, 1, 1.0f, 10.0f, 0.5f, true);
  ASSERT_EQ(s.thread.Nodes.size(), 7u);
  const WebLink& last = s.web.Links[s.thread.Links.back()];
  EXPECT_EQ(last.iNodeA, s.thread.Nodes[5]);
  EXPECT_FLOAT_EQ(last.fRest, 10.0f);  // extensions rest at their full step
  EXPECT_EQ(s.web.Nodes[s.thread.Nodes.back()].bFixed, 1);
}

TEST(CobwebThreads, SplitNearAnEndReturnsThatEndAndInTheMiddleMakesANode) {
  {
    // One link of length 10: 0.01 and 0.99 fall within 2% of its ends, 0.5 does not.
    Cobweb web;
    WebThread thread;
    web.AddThread(thread, {0, 0, 0}, {10, 0, 0}, 0, 1.0f, 10.0f, 0.5f, false, 1.0f);
    EXPECT_EQ(web.SplitThread(thread, 0.01f), thread.Nodes[0]);
    EXPECT_EQ(web.SplitThread(thread, 0.99f), thread.Nodes[1]);
    EXPECT_EQ(web.Nodes.size(), 2u);
    const int middle = web.SplitThread(thread, 0.5f);
    EXPECT_EQ(middle, 2);
    EXPECT_EQ(thread.Nodes, (std::vector<std::int32_t>{0, 2, 1}));
    EXPECT_FLOAT_EQ(web.Nodes[middle].vPos.x, 5.0f);
  }
  StraightWeb s;
  const int rider = s.web.AddNode({17.5f, 0, 0}, 1.0f, false);
  const int oldLink = s.thread.Links[1];
  const int slider = s.web.AddSlider(rider, oldLink, 0.75f);
  const int node = s.web.SplitThread(s.thread, 0.55f);  // 22 units: 20% into link 2
  ASSERT_GE(node, 0);
  EXPECT_FLOAT_EQ(s.web.Nodes[node].vPos.x, 22.0f);
  ASSERT_EQ(s.thread.Nodes.size(), 6u);
  EXPECT_EQ(s.thread.Nodes[3], node);
  const WebLink& before = s.web.Links[s.thread.Links[2]];
  const WebLink& after = s.web.Links[s.thread.Links[3]];
  EXPECT_EQ(before.iNodeB, node);
  EXPECT_EQ(after.iNodeA, node);
  EXPECT_NEAR(before.fRest, 9.0f * 0.2f, 1e-4f);
  EXPECT_NEAR(after.fRest, 9.0f * 0.8f, 1e-4f);
  EXPECT_EQ(s.web.Sliders[slider].iLink, oldLink);  // riders elsewhere stay put
  EXPECT_EQ(s.web.Nodes[node].Links.size(), 2u);

  StraightWeb empty;
  WebThread none;
  EXPECT_EQ(empty.web.SplitThread(none, 0.5f), -1);
}

TEST(CobwebThreads, SplitMovesRidersOntoTheRightPartAndTurnsReversedLinks) {
  StraightWeb s;
  WebLink& link = s.web.Links[s.thread.Links[1]];
  std::swap(link.iNodeA, link.iNodeB);  // runs against the thread: 20 -> 10
  const int near = s.web.AddSlider(s.web.AddNode({}, 1, false), s.thread.Links[1], 0.8f);  // x 12
  const int far = s.web.AddSlider(s.web.AddNode({}, 1, false), s.thread.Links[1], 0.2f);   // x 18
  const int node = s.web.SplitThread(s.thread, 0.375f);  // x 15, half way along link 1
  ASSERT_GE(node, 0);
  EXPECT_EQ(s.web.Links[s.thread.Links[1]].iNodeA, s.thread.Nodes[1]);
  EXPECT_EQ(s.web.Sliders[near].iLink, s.thread.Links[1]);
  EXPECT_NEAR(s.web.Sliders[near].fT, 0.4f, 1e-5f);  // x 12 on 10..15
  EXPECT_EQ(s.web.Sliders[far].iLink, s.thread.Links[2]);
  EXPECT_NEAR(s.web.Sliders[far].fT, 0.6f, 1e-5f);  // x 18 on 15..20
}

TEST(CobwebThreads, StartThreadBranchesFromTheSplitPoint) {
  StraightWeb s;
  WebThread branch;
  s.web.StartThread(branch, s.thread, 0.5f, {20, 30, 0}, 2, 1.0f, 10.0f, 0.5f, true, 1.0f);
  ASSERT_EQ(branch.Nodes.size(), 4u);
  EXPECT_EQ(branch.Nodes[0], s.thread.Nodes[2]);  // t 0.5 is exactly a node
  EXPECT_EQ(branch.bFlag, 1);
  EXPECT_FLOAT_EQ(s.web.Nodes[branch.Nodes[1]].vPos.y, 10.0f);
  EXPECT_FLOAT_EQ(s.web.Links[branch.Links[0]].fRest, 10.0f);
}

// A frame whose mesh holds a square of side 20 in the xz plane (z up), listed twice as a
// carrier mesh is: the second half of the vertices is not part of the frame.
XFileFrame SquareFrame(XFileMeshContainer* mesh) {
  const D3DXVECTOR3 corners[] = {{-10, 0, -10}, {10, 0, -10}, {10, 0, 10}, {-10, 0, 10},
                                 {-10, 0, -10}};
  mesh->dwStride = sizeof(D3DXVECTOR3);
  mesh->vertices.resize(10 * sizeof(D3DXVECTOR3));
  auto* positions = reinterpret_cast<D3DXVECTOR3*>(mesh->vertices.data());
  for (int i = 0; i < 10; ++i) positions[i] = corners[i % 5];
  XFileFrame frame;
  frame.pFirstMesh = mesh;
  D3DXMatrixTranslation(&frame.matCombined, 1, 2, 3);
  return frame;
}

TEST(CobwebFrame, CentreNormalAndWidthOfASquareFrame) {
  XFileMeshContainer mesh;
  XFileFrame frame = SquareFrame(&mesh);
  Cobweb web;
  web.BuildFrame(&frame);
  ASSERT_EQ(web.FrameThreads.size(), 1u);
  EXPECT_EQ(web.FrameThreads[0].Nodes.size(), 5u);
  for (const WebLink& link : web.Links) EXPECT_EQ(link.iType, kLinkFrame);
  for (const WebNode& node : web.Nodes) EXPECT_EQ(node.bFixed, 1);
  // Five listed nodes: mean z = -10 + ... = -2, top 10, height 12, centre raised by 3.
  EXPECT_NEAR(web.vCentre.x, -2.0f, 1e-5f);
  EXPECT_NEAR(web.fHeight, 12.0f, 1e-5f);
  EXPECT_NEAR(web.vCentre.z, 1.0f, 1e-5f);
  EXPECT_NEAR(web.fThreadWidth, 9.0f / 160.0f, 1e-6f);
  // The square turns counter-clockwise seen from -y, so its normal is -y.
  EXPECT_NEAR(web.vNormal.y, -1.0f, 1e-5f);
  const D3DXVECTOR3 inward = web.Nodes[web.FrameThreads[0].Nodes[2]].vInward;
  EXPECT_NEAR(D3DXVec3Length(&inward), 1.0f, 1e-5f);
  EXPECT_LT(inward.x, 0.0f);
  EXPECT_FLOAT_EQ(web.FrameTransform()._41, 1.0f);

  web.BuildFrame(&frame);  // a second device creation keeps the frame it has
  EXPECT_EQ(web.FrameThreads.size(), 1u);
  EXPECT_EQ(web.Nodes.size(), 5u);
}

TEST(CobwebRibbons, FrameLinksDrawZeroWidthAndThreadsRunAlongTheirLength) {
  XFileMeshContainer mesh;
  XFileFrame frame = SquareFrame(&mesh);
  Cobweb web;
  web.BuildFrame(&frame);
  web.Radii.emplace_back();
  web.AddThread(web.Radii[0], {0, 0, 0}, {0, 0, 10}, 1, 1.0f, 10.0f, 0.5f, false, 1.0f);
  web.BuildRibbons();

  const Ribbon& frameRibbon = web.FrameRibbon();
  ASSERT_EQ(frameRibbon.vertexCount, 16u);
  for (size_t q = 0; q < frameRibbon.vertexCount; q += 2) {
    EXPECT_EQ(frameRibbon.vertices[q].x, frameRibbon.vertices[q + 1].x);
    EXPECT_EQ(frameRibbon.vertices[q].z, frameRibbon.vertices[q + 1].z);
  }
  const Ribbon& radii = web.RadiiRibbon();
  ASSERT_EQ(radii.vertexCount, 8u);
  ASSERT_EQ(radii.indexCount, 12u);
  const float w = web.fThreadWidth;
  // A vertical radius in a web facing -y: its sides lie w along x.
  EXPECT_NEAR(std::fabs(radii.vertices[0].x - radii.vertices[1].x), 2 * w, 1e-5f);
  EXPECT_FLOAT_EQ(radii.vertices[2].v, 0.5f);
  EXPECT_FLOAT_EQ(radii.vertices[7].v, 1.0f);
  EXPECT_EQ(radii.vertices[1].u, 0.0f);
  const WORD second[6] = {4, 5, 6, 5, 7, 6};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(radii.indices[6 + i], second[i]);
  EXPECT_TRUE(web.SpiralRibbon().vertexCount == 0);
}

TEST(CobwebRibbons, LongRibbonsSplitTheDrawInsteadOfWrappingIndices) {
  RecordingDirect3D8* direct3D = nullptr;
  RecordingDevice8* device =
      testing::CreateRecordingDevice(direct3D, {}, testing::TestBackBuffer(64, 64));
  ASSERT_NE(device, nullptr);
  {
    Cobweb web;
    web.vNormal = {0, -1, 0};
    web.Spiral.emplace_back();
    // 16385 links: one quad more than a 16-bit index reaches.
    web.AddThread(web.Spiral[0], {0, 0, 0}, {16385, 0, 0}, 16384, 1.0f, 1.0f, 0.0f, true, 1.0f);
    web.BuildRibbons();
    const Ribbon& spiral = web.SpiralRibbon();
    ASSERT_EQ(spiral.vertexCount, 65540u);
    for (size_t i = 0; i < spiral.indexCount; ++i) {
      const size_t block = i / (6 * Cobweb::kQuadsPerDraw);
      const size_t blockVertices = std::min<size_t>(65536, spiral.vertexCount - block * 65536);
      ASSERT_LT(spiral.indices[i], blockVertices) << "index " << i;
    }
    web.UseArchive(MediaArchive{}, nullptr);  // no textures: drawing still happens untextured
    web.RestoreDevice(device);
    direct3D->Log()->Clear();
    web.Render();
    const auto draws = direct3D->Log()->Texts("DrawIndexedPrimitiveUP");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_NE(draws[0].find("4, 0, 0x00010000, 32768,"), std::string::npos) << draws[0];
    EXPECT_NE(draws[1].find("4, 0, 4, 2,"), std::string::npos) << draws[1];
    web.ReleaseDevice();
  }
  direct3D->Release();
}

TEST(CobwebRender, StatesAndMaterialsAroundTheDrawsAndTheWorldRestored) {
  RecordingDirect3D8* direct3D = nullptr;
  RecordingDevice8* device =
      testing::CreateRecordingDevice(direct3D, {}, testing::TestBackBuffer(64, 64));
  ASSERT_NE(device, nullptr);
  {
    XFileMeshContainer mesh;
    XFileFrame frame = SquareFrame(&mesh);
    Cobweb web;
    web.BuildFrame(&frame);
    web.Radii.emplace_back();
    web.AddThread(web.Radii[0], {0, 0, 0}, {0, 0, 10}, 0, 1.0f, 10.0f, 0.5f, false, 1.0f);
    web.BuildRibbons();
    web.UseArchive(MediaArchive{}, nullptr);
    web.RestoreDevice(device);
    direct3D->Log()->Clear();
    web.Render();
    const CallLog& log = *direct3D->Log();
    const int zOff = log.IndexOf("SetRenderState(D3DRS_ZWRITEENABLE, 0)");
    const int blend = log.IndexOf("SetRenderState(D3DRS_DESTBLEND, 4)");
    const int shader = log.IndexOf("SetVertexShader(338)");
    const int zOn = log.IndexOf("SetRenderState(D3DRS_ZWRITEENABLE, 1)");
    ASSERT_GE(zOff, 0);
    EXPECT_GT(blend, zOff);
    EXPECT_GT(shader, blend);
    EXPECT_EQ(log.Count("DrawIndexedPrimitiveUP"), 2u);  // radii and frame, no spiral
    EXPECT_EQ(log.Count("SetMaterial"), 2u);
    EXPECT_GT(zOn, shader);
    const auto transforms = log.Texts("SetTransform");
    ASSERT_EQ(transforms.size(), 2u);
    EXPECT_NE(transforms[0], transforms[1]);  // the web's frame, then the kept world back
    web.ReleaseDevice();
  }
  direct3D->Release();
}

TEST(CobwebSimulation, TenMinutesOfWindyWebStayFiniteAndBounded) {
  XFileMeshContainer mesh;
  XFileFrame frame = SquareFrame(&mesh);
  Cobweb web;
  web.BuildFrame(&frame);
  // Chords across the square, pinned at both ends, a little shorter than their span; one
  // of them dragged down by the thread pull; and a locked rider on the first, whose weight
  // the chord carries.
  for (int i = 0; i < 8; ++i) {
    const float a = 0.4f * float(i);
    const D3DXVECTOR3 from(-10.0f + 2.5f * float(i), 0, -10), to(10.0f * std::cos(a), 0, 10);
    web.Radii.emplace_back();
    web.AddThread(web.Radii.back(), from, to, 6, 1.0f, 10.0f, 0.5f, false, 0.98f);
    web.Nodes[web.Radii.back().Nodes.front()].bFixed = 1;
    web.Nodes[web.Radii.back().Nodes.back()].bFixed = 1;
  }
  for (int link : web.Radii[3].Links) web.Links[link].iType = kLinkPulled;
  const int rider = web.AddNode({-10, 0, -10}, 1.0f, false);
  web.RebuildNodeLinks();
  web.Sliders[web.AddSlider(rider, web.Radii[0].Links[2], 0.5f)].bLocked = 1;

  for (int step = 0; step < 10 * 60 * 30; ++step) {
    web.Step(1.0f / 30.0f);
    if (step % 600 == 0) web.BuildRibbons();
  }
  EXPECT_EQ(web.NonFiniteValues(), 0);
  // The pulled chord sags far below the frame (the pull is 80 times gravity), but no node
  // runs away.
  for (const WebNode& node : web.Nodes) EXPECT_LT(D3DXVec3Length(&node.vPos), 100.0f);
}

}  // namespace
}  // namespace qm
