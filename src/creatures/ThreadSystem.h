// ThreadSystem: the mass-spring model under the cobweb.
//
// Nodes (mass points) are joined by elastic links and moved each step by wind, gravity,
// spring forces and drag; sliders are nodes that ride along a link (the spider on its
// thread, a drop on a twig) and may change links at a node or fall off at an end. Cobweb
// derives from it and adds threads, drawing and the web file; the scene's strands and leaf
// clusters append their pinned nodes and links to the same lists. Nothing here touches the
// device, so the whole simulation runs in tests.
#pragma once

#include <cstdint>
#include <vector>

#include "d3dx/D3DXMath.h"

namespace qm {

// What a link is for; types 1, 2 and 4 carry no spring force.
enum WebLinkType : std::int32_t {
  kLinkPulled = 0,  // a thread that the extra thread pull drags down
  kLinkLeaf = 1,    // an edge of a leaf cluster
  kLinkStrand = 2,  // a piece of a twig strand
  kLinkThread = 3,  // an ordinary thread
  kLinkFrame = 4,   // the web's invisible frame
};

// One mass point; the fields before Links are also its 56-byte record in a web file.
struct WebNode {
  D3DXVECTOR3 vPos{0, 0, 0};
  D3DXVECTOR3 vInward{0, 0, 0};  // unit vector toward the web centre
  D3DXVECTOR3 vVel{0, 0, 0};
  D3DXVECTOR3 vForce{0, 0, 0};  // gathered during the current step
  float fWeight = 1.0f;         // scales gravity, the thread pull and the velocity change
  std::int32_t bFixed = 0;      // pinned: never moves
  std::vector<std::int32_t> Links;  // links ending here; rebuilt, never stored
};

// One elastic link between two nodes (24 bytes in a web file).
struct WebLink {
  std::int32_t iNodeA = 0;
  std::int32_t iNodeB = 0;
  float fRest = 1.0f;
  float fStiffness = 0.0f;
  float fDamping = 0.0f;
  std::int32_t iType = kLinkThread;
};

// A node riding on a link; never stored in files.
struct WebSlider {
  std::int32_t iLink = -1;  // -1: the rider has left the web
  float fT = 0.0f;          // 0 at the link's node A, 1 at node B
  std::int32_t iNode = -1;  // the riding node
  std::uint8_t bLocked = 0;  // a locked rider holds its place and passes all its force on
  float fShare = 1.0f;       // part of the force along the link that moves the rider
};

class ThreadSystem {
 public:
  // The web's wind time starts again at 0 beyond this many seconds.
  static constexpr float kWindTimeWrap = 3141.5928f;
  static constexpr float kWeakDrag = 0.002f;
  // A slack link pushes this many times weaker than a taut one pulls.
  static constexpr float kSlackWeakening = 4.0f;
  // A rider passes this share of its force to the two ends of its link.
  static constexpr float kRiderForceShare = 1.0f / 3.0f;
  // A rider that falls off at an end keeps its speed divided by this.
  static constexpr float kFallOffSlowdown = 1.8f;
  // Reaching a new link's far end, a rider stops this far along it.
  static constexpr float kOvershootStop = 0.95f;
  static constexpr float kRightAngle = 1.5707964f;

  virtual ~ThreadSystem() = default;

  // Wind, forces and integration over `elapsed` seconds (not clamped here).
  virtual void Step(float elapsed);

  // Appends a slider (unlocked, full share) and returns its index.
  int AddSlider(int node, int link, float t);
  // Gives every node the list of the links that end at it, in link order.
  void RebuildNodeLinks();

  // Appends a node or a link and returns its index.
  int AddNode(const D3DXVECTOR3& pos, float weight, bool fixed);
  int AddLink(int nodeA, int nodeB, float rest, float stiffness, float damping, int type);

  // The steps of Step, in their order, for callers that need them apart.
  void UpdateWind(float elapsed);
  void ComputeForces();
  void Integrate(float dt);

  // --- State (names as the web's users know them)
  int bGravity = 1;
  int bStrongDrag = 1;
  int bWind = 1;
  float fWindTime = 0.0f;
  D3DXVECTOR3 vWind{0, 0, 0};
  D3DXVECTOR3 vGravity{0.0f, 0.0f, -0.3f};
  D3DXVECTOR3 vThreadPull{0.0f, 0.0f, -25.0f};
  float fDrag = 0.5f;
  // Kept for the web's users; the simulation itself does not read them.
  float fCoefficient0 = 0.8f;
  float fCoefficient1 = 5.0f;
  float fCoefficient2 = 0.6f;
  std::vector<WebLink> Links;
  std::vector<WebNode> Nodes;
  std::vector<WebSlider> Sliders;

 protected:
  void ClearSystem();

 private:
  bool ValidNode(int index) const { return index >= 0 && index < int(Nodes.size()); }
  bool ValidLink(int index) const { return index >= 0 && index < int(Links.size()); }
  void AddLinkForce(const WebLink& link);
  void PassRiderForce(WebSlider& slider);
  void MoveRider(WebSlider& slider, float dt);
  // The link at `end` other than `current` that leaves it closest to `wanted`, below a
  // right angle; -1 when none does.
  int ContinuingLink(int end, int current, const D3DXVECTOR3& wanted) const;
};

// The other end of a link, seen from one of its nodes.
inline int OtherEnd(const WebLink& link, int node) {
  return link.iNodeA == node ? link.iNodeB : link.iNodeA;
}

}  // namespace qm
