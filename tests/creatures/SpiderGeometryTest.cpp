// The measurements behind the spider's planners: places on threads, the wedge test, the
// crossing search on a known frame, the bridge-crossing test both ways, and routes.
#include "creatures/SpiderGeometry.h"

#include <gtest/gtest.h>

#include "creatures/SpiderTestWeb.h"
#include "creatures/WebRoute.h"

namespace qm {
namespace {

using spidertest::AddSquareFrame;
using spidertest::kHalfSide;
using spidertest::LooseThread;

TEST(SpiderGeometryTest, PlacesOnAThreadFollowItsLength) {
  Cobweb web;
  AddSquareFrame(web);
  const WebThread& frame = web.FrameThreads[0];
  // Four sides of 100: a quarter of the way round is the lower right corner.
  const ThreadPlace corner = PlaceOnThread(web, frame, 0.25f);
  ASSERT_TRUE(corner.bValid);
  EXPECT_NEAR(corner.vPoint.x, kHalfSide, 1e-3f);
  EXPECT_NEAR(corner.vPoint.z, -kHalfSide, 1e-3f);
  const ThreadPlace middle = PlaceOnThread(web, frame, 0.375f);
  EXPECT_NEAR(middle.vPoint.x, kHalfSide, 1e-3f);
  EXPECT_NEAR(middle.vPoint.z, 0.0f, 1e-3f);
  EXPECT_NEAR(ThreadLength(web, frame), 400.0f, 1e-2f);

  // A link that runs against the thread gives its own parameter the other way round.
  const int link = middle.iLink;
  std::swap(web.Links[size_t(link)].iNodeA, web.Links[size_t(link)].iNodeB);
  const ThreadPlace turned = PlaceOnThread(web, frame, 0.375f);
  EXPECT_NEAR(turned.vPoint.z, 0.0f, 1e-3f);
  EXPECT_NEAR(turned.fLinkT, 1.0f - middle.fLinkT, 1e-5f);

  EXPECT_FALSE(PlaceOnThread(web, WebThread{}, 0.5f).bValid);
  WebThread broken;
  broken.Nodes = {0, 1};
  broken.Links = {int(web.Links.size()) + 3};
  EXPECT_FALSE(PlaceOnThread(web, broken, 0.5f).bValid);
}

TEST(SpiderGeometryTest, WedgeTest) {
  const D3DXVECTOR3 x(1, 0, 0), z(0, 0, 1);
  EXPECT_TRUE(InWedge(D3DXVECTOR3(1, 0, 1), x, z));
  EXPECT_TRUE(InWedge(x, x, z));  // the bounds belong to the wedge
  EXPECT_FALSE(InWedge(D3DXVECTOR3(-1, 0, 0.2f), x, z));
  EXPECT_FALSE(InWedge(D3DXVECTOR3(1, 0, -0.1f), x, z));
  // Opposite bounds span no particular side: everything is inside.
  EXPECT_TRUE(InWedge(D3DXVECTOR3(0, 0, -1), x, -x));
}

TEST(SpiderGeometryTest, CrossingSearchFindsTheFrameWhereTheBisectorPoints) {
  Cobweb web;
  AddSquareFrame(web);
  const D3DXVECTOR3 hub(0, 0, 0);
  // The gap between a radius to the lower right and one to the upper right: the bisector
  // points to +x and meets the right side in its middle.
  const D3DXVECTOR3 a(1, 0, -1), b(1, 0, 1);
  const Crossing hit = FindCrossing(web, web.FrameThreads[0], hub, D3DXVECTOR3(1, 0, 0), a, b);
  ASSERT_EQ(hit.iThread, 0);
  EXPECT_NEAR(hit.vPoint.x, kHalfSide, 1e-3f);
  EXPECT_NEAR(hit.vPoint.z, 0.0f, 2.5f);  // samples lie 4 units apart
  EXPECT_NEAR(hit.fT, 0.375f, 0.011f);

  // Pointing out of the gap, only samples outside it count: the left side is found.
  const Crossing outside =
      FindCrossing(web, web.FrameThreads[0], hub, D3DXVECTOR3(-1, 0, 0), a, b);
  ASSERT_EQ(outside.iThread, 0);
  EXPECT_NEAR(outside.vPoint.x, -kHalfSide, 1e-3f);

  // Over a list the thread whose hit lies nearest in angle wins; a thread with no sample
  // in the gap gives nothing.
  web.FrameThreads.push_back(LooseThread(web, {-40, 0, 10}, {-40, 0, 30}));
  web.FrameThreads.push_back(LooseThread(web, {30, 0, 10}, {30, 0, -10}));
  const Crossing best =
      FindCrossingOnList(web, web.FrameThreads, {0, 1, 2}, hub, D3DXVECTOR3(1, 0, 0), a, b);
  EXPECT_EQ(best.iThread, 2);
  EXPECT_EQ(FindCrossing(web, web.FrameThreads[1], hub, D3DXVECTOR3(1, 0, 0), a, b).iThread, -1);
  EXPECT_EQ(FindCrossingOnList(web, web.FrameThreads, {1}, hub, D3DXVECTOR3(1, 0, 0), a, b).iThread,
            -1);
}

TEST(SpiderGeometryTest, BridgeCrossingTestBothWays) {
  Cobweb web;
  web.vCentre = D3DXVECTOR3(0, 0, 0);
  web.vNormal = D3DXVECTOR3(0, 1, 0);
  const WebThread right = LooseThread(web, {0, 0, 0}, {40, 0, 0});
  const WebThread up = LooseThread(web, {0, 0, 0}, {0, 0, 40});
  std::vector<WebThread> frame;
  // Nothing between the two radii: a bridge between their ends is free.
  frame.push_back(LooseThread(web, {-60, 0, -60}, {-60, 0, 60}));
  EXPECT_FALSE(BridgeCrosses(web, right, 1.0f, up, 1.0f, frame, 3.0f));
  // A frame thread across the gap at the bridge's distance from the centre is in the way.
  frame.push_back(LooseThread(web, {38, 0, 8}, {8, 0, 38}, 0));
  EXPECT_TRUE(BridgeCrosses(web, right, 1.0f, up, 1.0f, frame, 3.0f));
  // Well inside the bridge it is not.
  EXPECT_FALSE(BridgeCrosses(web, right, 0.5f, up, 0.5f, {frame[1]}, 3.0f));
  // An end that cannot be found counts as crossing.
  EXPECT_TRUE(BridgeCrosses(web, WebThread{}, 1.0f, up, 1.0f, {}, 3.0f));
}

TEST(SpiderGeometryTest, RouteTakesTheShorterWayAndAvoidsClosedLinks) {
  Cobweb web;
  AddSquareFrame(web);
  const WebThread& frame = web.FrameThreads[0];
  // From the first side to the last: going back through the corner is shorter than around.
  const ThreadPlace from = PlaceOnThread(web, frame, 0.05f);
  const ThreadPlace to = PlaceOnThread(web, frame, 0.95f);
  WebRoute route;
  // The square's ends are separate nodes, so only the long way round exists...
  ASSERT_TRUE(FindRoute(web, from.iLink, from.fLinkT, to.iLink, to.fLinkT, {}, &route));
  EXPECT_NEAR(route.fLength, 360.0f, 0.5f);
  // ... until a thread closes the loop at the corner; then the short way is taken.
  WebThread closing;
  web.AddThread(closing, {-kHalfSide, 0, -kHalfSide}, {-kHalfSide, 0, -kHalfSide}, 0, 1, 50, 1,
                true, 1);
  web.Links[size_t(closing.Links[0])].iNodeA = frame.Nodes.front();
  web.Links[size_t(closing.Links[0])].iNodeB = frame.Nodes.back();
  web.RebuildNodeLinks();
  ASSERT_TRUE(FindRoute(web, from.iLink, from.fLinkT, to.iLink, to.fLinkT, {}, &route));
  EXPECT_NEAR(route.fLength, 40.0f, 0.5f);
  EXPECT_EQ(route.legs.size(), route.exits.size() + 1);
  // With the closing link shut, the long way again; with the far side shut too, none.
  ASSERT_TRUE(FindRoute(web, from.iLink, from.fLinkT, to.iLink, to.fLinkT, closing.Links, &route));
  EXPECT_NEAR(route.fLength, 360.0f, 0.5f);
  std::vector<int> shut = closing.Links;
  shut.push_back(PlaceOnThread(web, frame, 0.5f).iLink);
  EXPECT_FALSE(FindRoute(web, from.iLink, from.fLinkT, to.iLink, to.fLinkT, shut, &route));
  EXPECT_FALSE(FindRoute(web, -1, 0.0f, to.iLink, to.fLinkT, {}, &route));
}

}  // namespace
}  // namespace qm
