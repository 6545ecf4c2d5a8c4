// The thread system's forces and riders: a single spring, slack against taut, forces that
// must not exist, riders crossing onto the next link or falling off, and a long windy run.
#include "creatures/ThreadSystem.h"

#include <cmath>

#include <gtest/gtest.h>

namespace qm {
namespace {

// Two free nodes on the x axis joined by one link of the given type, nothing else acting.
ThreadSystem SingleLink(float length, float rest, int type) {
  ThreadSystem system;
  system.bGravity = 0;
  system.bWind = 0;
  system.AddNode({0, 0, 0}, 1.0f, false);
  system.AddNode({length, 0, 0}, 1.0f, false);
  system.AddLink(0, 1, rest, 10.0f, 0.0f, type);
  system.RebuildNodeLinks();
  return system;
}

TEST(ThreadSystemForces, TautLinkPullsAndSlackLinkPushesFourTimesWeaker) {
  ThreadSystem taut = SingleLink(3.0f, 2.0f, kLinkThread);
  taut.ComputeForces();
  // stretch = (3 - 2) x 10 / 2 = 5, along +x on A, -x on B.
  EXPECT_FLOAT_EQ(taut.Nodes[0].vForce.x, 5.0f);
  EXPECT_FLOAT_EQ(taut.Nodes[1].vForce.x, -5.0f);

  ThreadSystem slack = SingleLink(1.0f, 2.0f, kLinkThread);
  slack.ComputeForces();
  // (1 - 2) x 10 / 2 / 4 = -1.25: the ends are pushed apart.
  EXPECT_FLOAT_EQ(slack.Nodes[0].vForce.x, -1.25f);
  EXPECT_FLOAT_EQ(slack.Nodes[1].vForce.x, 1.25f);
}

TEST(ThreadSystemForces, DampingFollowsTheSpeedOfStretching) {
  ThreadSystem system = SingleLink(2.0f, 2.0f, kLinkThread);
  system.Links[0].fDamping = 0.5f;
  system.Nodes[1].vVel = {4, 0, 0};
  system.bStrongDrag = 0;
  system.ComputeForces();
  // damp = dot((4,0,0), (2,0,0)) x 0.5 / 2 = 2 on A; B also loses its weak drag 4 x 0.002.
  EXPECT_FLOAT_EQ(system.Nodes[0].vForce.x, 2.0f);
  EXPECT_FLOAT_EQ(system.Nodes[1].vForce.x, -2.0f - 0.008f);
}

TEST(ThreadSystemForces, LeafStrandAndFrameLinksCarryNoForce) {
  for (int type : {kLinkLeaf, kLinkStrand, kLinkFrame}) {
    ThreadSystem system = SingleLink(5.0f, 1.0f, type);
    system.ComputeForces();
    EXPECT_EQ(system.Nodes[0].vForce, D3DXVECTOR3(0, 0, 0)) << "type " << type;
    EXPECT_EQ(system.Nodes[1].vForce, D3DXVECTOR3(0, 0, 0)) << "type " << type;
  }
}

TEST(ThreadSystemForces, PulledThreadsAddTheThreadPullOnlyWithGravity) {
  ThreadSystem system = SingleLink(2.0f, 2.0f, kLinkPulled);
  system.ComputeForces();
  EXPECT_EQ(system.Nodes[0].vForce, D3DXVECTOR3(0, 0, 0));
  system.bGravity = 1;
  system.ComputeForces();
  EXPECT_FLOAT_EQ(system.Nodes[0].vForce.z, -25.0f - 0.3f);
}

TEST(ThreadSystemForces, MeetingEndsAndStillRidersStayFinite) {
  // Both ends of a damped link in one place, and a rider on it with no force at all.
  ThreadSystem system = SingleLink(0.0f, 1.0f, kLinkThread);
  system.Links[0].fDamping = 1.0f;
  system.Nodes[1].vVel = {1, 0, 0};
  system.AddNode({0, 0, 0}, 1.0f, false);
  system.AddSlider(2, 0, 0.5f);
  for (int i = 0; i < 10; ++i) system.Step(0.05f);
  for (const WebNode& node : system.Nodes) {
    EXPECT_TRUE(std::isfinite(node.vPos.x) && std::isfinite(node.vPos.y) &&
                std::isfinite(node.vPos.z));
    EXPECT_TRUE(std::isfinite(node.vVel.x));
  }
  EXPECT_TRUE(std::isfinite(system.Sliders[0].fT));
}

TEST(ThreadSystemWind, StrengthIsNeverNegativeAndTheClockWraps) {
  ThreadSystem system;
  for (float t = 0.0f; t < 60.0f; t += 0.5f) {
    system.UpdateWind(0.5f);
    const float s = std::sin(system.fWindTime) * 0.3f + std::sin(system.fWindTime / 5.5f) * 0.7f;
    const float strength = D3DXVec3Length(&system.vWind);
    EXPECT_NEAR(strength, std::max(0.0f, s * 0.2f), 1e-5f);
    EXPECT_EQ(system.vWind.z, 0.0f);
  }
  system.fWindTime = 3141.5f;
  system.UpdateWind(0.1f);
  EXPECT_EQ(system.fWindTime, 0.0f);
}

// A pinned corner: A(0,0,0) - B(10,0,0) and B - C, with C given; a rider near B moving +x.
ThreadSystem Corner(const D3DXVECTOR3& c) {
  ThreadSystem system;
  system.bGravity = 0;
  system.bWind = 0;
  system.vThreadPull = {0, 0, 0};
  system.AddNode({0, 0, 0}, 1.0f, true);
  system.AddNode({10, 0, 0}, 1.0f, true);
  system.AddNode(c, 1.0f, true);
  system.AddLink(0, 1, 10.0f, 0.0f, 0.0f, kLinkStrand);
  system.AddLink(1, 2, 10.0f, 0.0f, 0.0f, kLinkStrand);
  system.AddNode({9, 0, 0}, 1.0f, false);
  system.RebuildNodeLinks();
  system.AddSlider(3, 0, 0.9f);
  system.Nodes[3].vVel = {20, 0, 0};  // 2 units in a 0.1 s step: 1 to B, 1 beyond
  return system;
}

TEST(ThreadSystemRiders, RiderCrossesOntoTheNextLinkWithinARightAngle) {
  ThreadSystem system = Corner({11, 10, 0});  // the next link turns by 84 degrees
  system.Integrate(0.1f);
  const WebSlider& slider = system.Sliders[0];
  ASSERT_EQ(slider.iLink, 1);
  const D3DXVECTOR3& p = system.Nodes[3].vPos;
  // The leftover unit is projected on the new link, so the rider is just past B on it.
  EXPECT_GT(slider.fT, 0.0f);
  EXPECT_LT(slider.fT, 0.2f);
  const D3DXVECTOR3 onLink = D3DXVECTOR3(10, 0, 0) + D3DXVECTOR3(1, 10, 0) * slider.fT;
  EXPECT_NEAR(p.x, onLink.x, 1e-4f);
  EXPECT_NEAR(p.y, onLink.y, 1e-4f);
  EXPECT_GT(p.y, 0.0f);
}

TEST(ThreadSystemRiders, RiderFallsOffWhenEveryLinkTurnsBack) {
  ThreadSystem system = Corner({5, 5, 0});  // the only link there turns back: 135 degrees
  system.Integrate(0.1f);
  const WebSlider& slider = system.Sliders[0];
  EXPECT_EQ(slider.iLink, -1);
  // It reaches B, goes on by the leftover unit, keeps its speed / 1.8, then loses dt of it.
  EXPECT_NEAR(system.Nodes[3].vPos.x, 11.0f, 1e-4f);
  EXPECT_NEAR(system.Nodes[3].vVel.x, 20.0f / 1.8f * 0.9f, 1e-3f);
}

TEST(ThreadSystemRiders, LockedRiderHoldsItsPlaceAndPassesItsForce) {
  ThreadSystem system;
  system.bWind = 0;
  system.AddNode({0, 0, 0}, 1.0f, false);
  system.AddNode({10, 0, 0}, 1.0f, true);
  system.AddNode({2.5f, 0, 0}, 1.0f, false);
  system.AddLink(0, 1, 10.0f, 0.0f, 0.0f, kLinkThread);
  system.RebuildNodeLinks();
  const int s = system.AddSlider(2, 0, 0.25f);
  system.Sliders[s].bLocked = 1;
  system.ComputeForces();
  // Gravity on the rider (0, 0, -0.3), three quarters of a third to A; B is fixed.
  EXPECT_FLOAT_EQ(system.Nodes[0].vForce.z, -0.3f - 0.3f * 0.75f / 3.0f);
  EXPECT_EQ(system.Nodes[1].vForce, D3DXVECTOR3(0, 0, 0));
  system.Integrate(0.05f);
  EXPECT_EQ(system.Nodes[2].vVel, D3DXVECTOR3(0, 0, 0));
  EXPECT_FLOAT_EQ(system.Sliders[s].fT, 0.25f);
}

}  // namespace
}  // namespace qm
