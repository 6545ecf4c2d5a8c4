// Spider: the animal that spins the cobweb, and afterwards rests on it.
//
// ForestScene owns one, made on the scene's cobweb. At scene start the scene calls
// PlaceOnWeb and pushes the spiral and radius planners (stack 0, 8, 7); after a start file
// was loaded it calls Resume instead. Every frame FrameMove runs the state on top of the
// stack: the planners choose the next thread, the spider walks to its start (a route over
// the web), fastens it (Anchor), pulls it out behind itself to the target and fastens it
// there (Attach); then it tightens the radii, and at the end rests and wanders. The spider
// rides on the web as a locked slider, so the web feels its weight.
//
// Sections of Spider.cpp: construction and placing - frame move and states - walking -
// drawing. Laying threads lives in SpiderThreads.cpp, the radius and spiral planners in
// SpiderPlanner.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "creatures/Cobweb.h"
#include "creatures/WebRoute.h"
#include "d3dx/D3DXMath.h"
#include "scene/SceneObject.h"
#include "scene/XFileModel.h"

namespace qm {

class JsonWriter;

// The spider's states, as numbered on its stack.
enum SpiderState : std::int32_t {
  SpiderIdle = 0,
  SpiderToFirstRadius = 1,
  SpiderTighten = 4,
  SpiderTurn = 5,
  SpiderCrawl = 6,
  SpiderPlanRadius = 7,
  SpiderPlanSpiral = 8,
  SpiderAnchor = 9,
  SpiderAttach = 10,
  SpiderWait = 12,
};

// Which of the web's thread lists a thread reference points into.
enum class WebList : std::int32_t { Threads0, Frame, Radii, Spiral };

// A thread of the web by list and index. Kept instead of a pointer because the lists grow
// (and a loaded web replaces them) while the spider walks toward a thread.
struct ThreadRef {
  WebList list = WebList::Frame;
  int index = -1;
};

class Spider : public SceneObject {
 public:
  static constexpr char kModelFile[] = "spider.x";
  // Size before the scene gives the real one.
  static constexpr float kInitialSize = 0.2f;
  // When a place cannot be reached the spider waits this long before planning again.
  static constexpr float kRetryWait = 1.0f;

  Spider(const char* xFileName, Cobweb& web);

  HRESULT InitDeviceObjects(IDirect3DDevice8* device) override;
  HRESULT Render() override;
  HRESULT FrameMove(float elapsed) override;

  // --- Scene operations
  // Puts the spider at a random place of the radii or the frame (nothing without a frame).
  void PlaceOnWeb();
  // The stack of a new scene: 0, 8, 7 (radii first, then the spiral, then rest).
  void StartBuilding();
  // After a start file was loaded: back on the loaded web, building on from its counts.
  void Resume();
  // Before the web is stored: a thread still being pulled is fastened at its target now, so
  // that the stored web holds no loose thread.
  void FinishMove();
  // The web was emptied: the spider is off it until it is placed again.
  void Reset();

  // --- Stack operations the states and planners use
  // Walks to parameter t of the thread; false (and a short wait pushed instead) when no
  // route leads there.
  bool GoTo(const ThreadRef& thread, float t);
  // Plans a thread from (fromThread, fromT) to (toThread, toT) into `list` at `index`:
  // walk to the start, anchor, walk to the target pulling the thread, attach. False (the
  // spider waits instead) when a place cannot be reached.
  bool Plan(const ThreadRef& fromThread, float fromT, const ThreadRef& toThread, float toT,
            WebList list, int index, float restFactor);
  void PushWait(float seconds);
  void PushTighten(float seconds);
  void PushTurn(const D3DXVECTOR3& direction);
  void PushState(int state) { m_States.push_back(state); }

  // --- What the spider is doing, for the scene report and the tests
  int State() const { return m_States.back(); }
  const std::vector<std::int32_t>& States() const { return m_States; }
  // The link the spider rides, or -1 when it is not on the web.
  int CurrentLink() const;
  const D3DXVECTOR3& Position() const { return m_vPos; }
  const D3DXVECTOR3& Heading() const { return m_vDir; }
  const D3DXVECTOR3& Up() const { return m_vUp; }
  const D3DXMATRIX& BodyMatrix() const { return m_mBody; }
  const WebThread& NewThread() const { return m_NewThread; }
  const Ribbon& NewThreadRibbon() const { return m_NewRibbon; }
  float RadiusStep() const { return m_fRadiusStep; }
  float Timer() const { return m_fTimer; }
  int Slider() const { return m_iSlider; }
  // The whole web stands and the spider only rests and wanders.
  bool WebFinished() const;
  void Report(JsonWriter& report) const;

  // --- Planners (SpiderPlanner.cpp): 1 keeps the state, anything else ends it.
  int PlanRadius();
  int PlanSpiral();

 private:
  using Handler = int (Spider::*)();
  int RunState(int state);
  void PopStateAt(size_t position);

  // States
  int Idle();
  int ToFirstRadius();
  int Tighten();
  int Turn();
  int Crawl();
  int Wait();
  int Anchor();
  int Attach();

  // Walking
  void AdjustSpeed();
  void KeepOnSlider();
  void SetSliderPlace(int link, float t);
  D3DXVECTOR3 GoalPoint() const;
  void FaceAlong(const D3DXVECTOR3& direction);
  D3DXVECTOR3 LocalUp() const;
  void UpdateBodyMatrix();
  void SetAnim(const char* name, int count);
  bool SliderValid() const;
  void HoldFrameAnchors();

  // Laying threads
  std::vector<WebThread>& List(WebList list);
  WebThread* Thread(const ThreadRef& ref);
  bool Reachable(const ThreadRef& from, float fromT, const ThreadRef& to, float toT);
  void PullThread();
  void DropNewThread();
  void SplitFirstRadius();
  bool AttachNewThread();

  // Planners
  int PlanFirstRadius();
  bool PlanRadiusInGap(const std::vector<int>& gaps, const std::vector<D3DXVECTOR3>& directions);
  bool PlanBridge(const std::vector<int>& gaps, const std::vector<float>& sizes);

  // Drawing
  void BuildNewThreadRibbon();

  Cobweb& m_pWeb;
  std::vector<std::int32_t> m_States{SpiderIdle};
  int m_iSlider = -1;
  float m_fNodeWeight = 0.5f;
  D3DXVECTOR3 m_vPos{0, 0, 0};
  D3DXVECTOR3 m_vDir{0, 1, 0};
  D3DXVECTOR3 m_vUp{0, 0, 1};
  D3DXVECTOR3 m_vStartDir{0, 1, 0};
  D3DXVECTOR3 m_vStartUp{0, 0, 1};
  D3DXMATRIX m_mBody;
  ThreadRef m_pFromThread;
  float m_fFromT = 0.0f;
  ThreadRef m_pToThread;
  float m_fToT = 0.0f;
  float m_fRestFactor = 1.0f;
  WebThread m_NewThread;
  Ribbon m_NewRibbon;
  std::vector<WebThread> m_NewThreadAlone;  // the thread in the making, as a list of one
  WebList m_pTargetList = WebList::Radii;
  int m_iTargetIndex = 0;
  int m_iMark0 = -1;
  int m_iMark1 = -1;
  float m_fRadiusStepMin = 0.2617994f;
  static constexpr float kRadiusStepStart = 0.5235988f;
  float m_fRadiusStep = kRadiusStepStart;
  float m_fTimer = 0.0f;
  float m_fClock = 0.0f;
  float m_fSpeed = 0.0f;
  float m_fTurnRate = 1.5707964f;
  float m_fSpeedMax = 6.0f;
  float m_fSpeedMin = 4.5f;
  // Stored with the others; no behaviour reads it.
  float m_fUnusedCoefficient = 2.0f;
  WebRoute m_Route;
  size_t m_iRouteLeg = 0;
  D3DXVECTOR3 m_vTurnTarget{0, 1, 0};
  D3DXVECTOR3 m_vOffset{0, 0, 0};
  float m_fElapsed = 0.0f;
  XFileAnimState m_Anim;
  IDirect3DDevice8* m_pDevice = nullptr;  // not owned
};

}  // namespace qm
