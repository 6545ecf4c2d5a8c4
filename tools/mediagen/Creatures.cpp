// Creature models: see Creatures.h.
//
// Sections: shared parts (materials, shells, legs, gaits); spider; ant; bug; ladybird.
#include "Creatures.h"

#include <cmath>

#include "Shapes.h"
#include "Textures.h"

namespace qm::gen {

namespace {

// ---- shared parts -------------------------------------------------------------------------

const UvRect kBodyUv{0, 0, 1, skin::kBodyV1};
const UvRect kDarkUv{0.02f, skin::kBodyV1 + 0.02f, skin::kDarkU1 - 0.02f, 0.98f};
const UvRect kAccentUv{skin::kDarkU1 + 0.02f, skin::kBodyV1 + 0.02f, 0.73f, 0.98f};
const UvRect kMembraneUv{0.77f, skin::kBodyV1 + 0.02f, 0.98f, 0.98f};

XMaterial Shiny(const std::string& texture, float gloss) {
  XMaterial m;
  m.texture = texture;
  m.power = 24;
  m.specular = {gloss, gloss, gloss};
  m.emissive = {0.06f, 0.06f, 0.06f};
  return m;
}

uint32_t Ticks(float seconds) { return static_cast<uint32_t>(std::lround(seconds * kTicksPerSecond)); }

// One jointed leg (or antenna): the hip frame with the first segment and a knee frame with
// the second; `out` is the direction the limb reaches, used for lifting it.
struct Limb {
  std::string hip, knee;
  Vec3 out;
  float phase;  // gait phase 0..1
};

XFrame JointedLimb(const std::string& name, Vec3 hip, Vec3 knee, Vec3 foot, float r, const std::string& texture,
                   UvRect uv, Limb& limb) {
  XFrame h;
  h.name = name;
  h.matrix = Translation(hip);
  XMesh upper = Tube({{0, 0, 0}, (knee - hip) * 0.5f + Vec3{0, 0, 0.1f * Length(knee - hip)}, knee - hip},
                     {r, r * 0.9f, r * 0.75f}, 5, uv, 1, 0, 0);
  upper.name = name + "_mesh";
  upper.materials.push_back(Shiny(texture, 0.35f));
  h.meshes.push_back(upper);
  XFrame k;
  k.name = name + "_knee";
  k.matrix = Translation(knee - hip);
  Vec3 f = foot - knee;
  XMesh lower = Tube({{0, 0, 0}, f * 0.6f, f}, {r * 0.7f, r * 0.55f, r * 0.3f}, 5, uv, 1, 0, kStubCap);
  lower.name = k.name + "_mesh";
  lower.materials.push_back(Shiny(texture, 0.35f));
  k.meshes.push_back(lower);
  h.children.push_back(k);
  Vec3 d = foot - hip;
  limb = {h.name, k.name, Normalize({d.x, d.y, 0}), 0};
  return h;
}

// Keys of one limb over a cycle: forward-backward swing about z and a lift while swinging
// forward; the knee folds a little as the limb lifts.
void GaitKeys(XAnimationSet& set, const Limb& l, float period, float swing, float lift, int steps) {
  XAnimation hip{l.hip, {}}, knee{l.knee, {}};
  Vec3 liftAxis = Cross(l.out, {0, 0, 1});
  for (int i = 0; i <= steps; ++i) {
    float t = period * i / steps;
    float a = 2 * kPi * (t / period + l.phase);
    float sw = swing * std::cos(a), up = lift * std::fmax(0.0f, std::sin(a));
    hip.rotations.push_back({Ticks(t), AxisAngle({0, 0, 1}, sw) * AxisAngle(liftAxis, up)});
    knee.rotations.push_back({Ticks(t), AxisAngle(liftAxis, -0.6f * up)});
  }
  set.animations.push_back(hip);
  set.animations.push_back(knee);
}

// A frame held in one pose for the whole set (keys at 0 and at the end).
void HoldKeys(XAnimationSet& set, const std::string& frame, Quat q, float period) {
  set.animations.push_back({frame, {{0, q}, {Ticks(period), q}}});
}

// Sets "wait" and "move" for legs and antennae.
XAnimationSet WalkSet(const char* name, const std::vector<Limb>& legs, const std::vector<Limb>& feelers, float period,
                      float swing, float lift) {
  XAnimationSet s{name, {}};
  for (const Limb& l : legs) GaitKeys(s, l, period, swing, lift, 8);
  for (const Limb& f : feelers) GaitKeys(s, f, period * 2, swing * 0.6f, lift * 0.5f, 8);
  return s;
}

XAnimationSet WaitSet(const std::vector<Limb>& legs, const std::vector<Limb>& feelers) {
  XAnimationSet s{"wait", {}};
  for (const Limb& l : legs) GaitKeys(s, l, 4.0f, 0.025f, 0.04f, 8);
  for (const Limb& f : feelers) GaitKeys(s, f, 1.6f, 0.25f, 0.2f, 8);
  return s;
}

// Six legs on a body: hips along the thorax, tripod gait phases.
std::vector<XFrame> SixLegs(const std::string& prefix, float hipX[3], float hipZ, float hipY, float reach,
                            float kneeUp, float footZ, float r, const std::string& tex, std::vector<Limb>& limbs) {
  std::vector<XFrame> frames;
  const float spread[3] = {-0.9f, 0.1f, 1.1f};
  for (int side = 0; side < 2; ++side)
    for (int i = 0; i < 3; ++i) {
      float s = side == 0 ? 1.0f : -1.0f;
      Vec3 hip{hipX[i], s * hipY, hipZ};
      Vec3 knee = hip + Vec3{spread[i] * reach * 0.35f, s * reach * 0.5f, kneeUp};
      Vec3 foot = hip + Vec3{spread[i] * reach * 0.8f, s * reach, footZ - hipZ};
      Limb l;
      std::string name = prefix + (side == 0 ? "_leg_l" : "_leg_r") + std::to_string(i + 1);
      frames.push_back(JointedLimb(name, hip, knee, foot, r, tex, kDarkUv, l));
      l.phase = ((i + side) % 2) * 0.5f;
      limbs.push_back(l);
    }
  return frames;
}

std::vector<XFrame> Antennae(const std::string& prefix, Vec3 base, Vec3 elbow, Vec3 tip, float r,
                             const std::string& tex, std::vector<Limb>& limbs) {
  std::vector<XFrame> frames;
  for (int side = 0; side < 2; ++side) {
    float s = side == 0 ? 1.0f : -1.0f;
    auto m = [s](Vec3 v) { return Vec3{v.x, v.y * s, v.z}; };
    Limb l;
    frames.push_back(JointedLimb(prefix + (side == 0 ? "_antenna_l" : "_antenna_r"), m(base), m(elbow), m(tip), r,
                                 tex, kDarkUv, l));
    l.phase = side * 0.3f;
    limbs.push_back(l);
  }
  return frames;
}

XFrame BodyFrame(const std::string& name, std::vector<XMesh> parts, const std::string& tex, float gloss) {
  XFrame f;
  f.name = name;
  XMesh body;
  body.name = name + "_mesh";
  body.materials.push_back(Shiny(tex, gloss));
  for (const XMesh& p : parts) body.Append(p);
  f.meshes.push_back(body);
  return f;
}

// ---- spider -------------------------------------------------------------------------------

NamedModel Spider() {
  const std::string tex = "spider01.jpg";
  XFrame body = BodyFrame("spider_body",
                          {Ellipsoid({-1.2f, 0, 1.3f}, {1.3f, 1.05f, 0.7f}, 12, 8, kDarkUv),
                           Ellipsoid({1.7f, 0, 1.6f}, {2.1f, 1.7f, 1.5f}, 16, 10, kBodyUv),
                           Ellipsoid({-2.45f, 0.3f, 1.0f}, {0.35f, 0.22f, 0.3f}, 6, 4, kDarkUv),
                           Ellipsoid({-2.45f, -0.3f, 1.0f}, {0.35f, 0.22f, 0.3f}, 6, 4, kDarkUv)},
                          tex, 0.5f);
  std::vector<Limb> legs;
  const float angles[4] = {0.55f, 1.15f, 1.9f, 2.5f};
  const float lengths[4] = {5.6f, 4.8f, 4.0f, 5.0f};
  for (int side = 0; side < 2; ++side)
    for (int i = 0; i < 4; ++i) {
      float s = side == 0 ? 1.0f : -1.0f;
      Vec3 d{-std::cos(angles[i]), s * std::sin(angles[i]), 0};
      Vec3 hip = Vec3{-1.2f, 0, 1.2f} + d * 0.9f;
      Vec3 knee = hip + d * (lengths[i] * 0.4f) + Vec3{0, 0, 1.7f};
      Vec3 foot = hip + d * lengths[i] + Vec3{0, 0, -1.2f};
      Limb l;
      body.children.push_back(JointedLimb(std::string("spider_leg_") + (side ? "r" : "l") + std::to_string(i + 1),
                                          hip, knee, foot, 0.2f, tex, kDarkUv, l));
      l.phase = ((i + side) % 2) * 0.5f;
      legs.push_back(l);
    }
  NamedModel m{"spider.X", {}};
  m.model.frames.push_back(body);
  m.model.sets.push_back(WalkSet("move", legs, {}, 0.6f, 0.22f, 0.35f));
  XAnimationSet thread = WalkSet("on_thread", legs, {}, 1.0f, 0.35f, 0.5f);
  m.model.sets.push_back(thread);
  m.model.sets.push_back(WaitSet(legs, {}));
  return m;
}

// ---- ant ----------------------------------------------------------------------------------

NamedModel Ant() {
  const std::string tex = "ant01.jpg";
  XFrame body = BodyFrame("ant_body",
                          {Ellipsoid({-2.5f, 0, 1.1f}, {0.75f, 0.7f, 0.62f}, 10, 8, kDarkUv),
                           Ellipsoid({-1.0f, 0, 1.0f}, {1.0f, 0.42f, 0.45f}, 10, 6, kBodyUv),
                           Ellipsoid({0.25f, 0, 1.05f}, {0.25f, 0.2f, 0.35f}, 6, 4, kDarkUv),
                           Ellipsoid({1.75f, 0, 1.15f}, {1.3f, 0.92f, 0.85f}, 12, 8, kBodyUv),
                           Ellipsoid({-3.2f, 0.25f, 0.8f}, {0.4f, 0.12f, 0.12f}, 6, 4, kDarkUv),
                           Ellipsoid({-3.2f, -0.25f, 0.8f}, {0.4f, 0.12f, 0.12f}, 6, 4, kDarkUv)},
                          tex, 0.45f);
  std::vector<Limb> legs, feelers;
  float hipX[3] = {-1.5f, -1.0f, -0.5f};
  for (XFrame& f : SixLegs("ant", hipX, 0.8f, 0.3f, 2.6f, 0.8f, 0.0f, 0.12f, tex, legs)) body.children.push_back(f);
  for (XFrame& f : Antennae("ant", {-2.9f, 0.3f, 1.5f}, {-3.1f, 0.7f, 2.6f}, {-4.3f, 1.1f, 1.9f}, 0.08f, tex, feelers))
    body.children.push_back(f);
  NamedModel m{"ant.X", {}};
  m.model.frames.push_back(body);
  m.model.sets.push_back(WaitSet(legs, feelers));
  m.model.sets.push_back(WalkSet("move", legs, feelers, 0.4f, 0.3f, 0.35f));
  return m;
}

// ---- bug ----------------------------------------------------------------------------------

NamedModel Bug() {
  const std::string tex = "bug.jpg";
  XFrame body = BodyFrame("bug_body",
                          {Ellipsoid({-2.7f, 0, 1.0f}, {0.7f, 0.72f, 0.5f}, 10, 6, kDarkUv),
                           Ellipsoid({-1.6f, 0, 1.1f}, {0.8f, 1.1f, 0.55f}, 12, 6, kDarkUv),
                           Ellipsoid({0.9f, 0, 1.15f}, {2.2f, 1.4f, 0.8f}, 16, 10, kBodyUv),
                           Ellipsoid({-3.4f, 0.3f, 0.8f}, {0.45f, 0.15f, 0.12f}, 6, 4, kDarkUv),
                           Ellipsoid({-3.4f, -0.3f, 0.8f}, {0.45f, 0.15f, 0.12f}, 6, 4, kDarkUv)},
                          tex, 0.7f);
  std::vector<Limb> legs, feelers;
  float hipX[3] = {-1.7f, -0.9f, 0.0f};
  for (XFrame& f : SixLegs("bug", hipX, 0.75f, 0.6f, 2.8f, 0.9f, 0.0f, 0.16f, tex, legs)) body.children.push_back(f);
  for (XFrame& f : Antennae("bug", {-3.1f, 0.35f, 1.2f}, {-3.9f, 0.9f, 1.6f}, {-5.0f, 1.7f, 1.3f}, 0.07f, tex, feelers))
    body.children.push_back(f);
  NamedModel m{"bug.X", {}};
  m.model.frames.push_back(body);
  m.model.sets.push_back(WaitSet(legs, feelers));
  m.model.sets.push_back(WalkSet("move", legs, feelers, 0.6f, 0.28f, 0.3f));
  return m;
}

// ---- ladybird -----------------------------------------------------------------------------

// Half of a dome (one wing case): the part of an ellipsoid with y on one side and z above
// the centre.
XMesh WingCase(Vec3 c, Vec3 r, float side) {
  XMesh m;
  const int slices = 10, stacks = 8;
  for (int j = 0; j <= stacks; ++j) {
    float th = kPi / 2 * j / stacks;
    for (int i = 0; i <= slices; ++i) {
      float ph = kPi * i / slices;
      Vec3 unit{std::sin(th) * std::cos(ph), side * std::sin(th) * std::sin(ph), std::cos(th)};
      m.AddVertex(c + Vec3{unit.x * r.x, unit.y * r.y, unit.z * r.z}, {unit.x / r.x, unit.y / r.y, unit.z / r.z},
                  static_cast<float>(i) / slices, skin::kBodyV1 * j / stacks);
    }
  }
  for (uint32_t j = 0; j < stacks; ++j)
    for (uint32_t i = 0; i < slices; ++i) {
      uint32_t a = j * (slices + 1) + i, b = a + 1, cc = a + slices + 1, d = cc + 1;
      m.AddTriangle(a, b, cc);
      m.AddTriangle(b, d, cc);
    }
  return m;
}

// The wing cases (halves of the dome, hinged at the top of the back) and the membrane wings
// folded under them; appends their frame names to `cases` and `wings`.
void AddLadybirdWings(XFrame& body, const std::string& tex, std::vector<std::string>& cases,
                      std::vector<std::string>& wings) {
  const Vec3 hinge{-1.0f, 0, 2.0f}, domeCentre{0.25f, 0, 1.0f}, domeRadii{1.85f, 1.55f, 1.1f};
  for (int side = 0; side < 2; ++side) {
    float s = side == 0 ? 1.0f : -1.0f;
    XFrame wc;
    wc.name = side == 0 ? "ladybird_case_l" : "ladybird_case_r";
    wc.matrix = Translation(hinge);
    XMesh shell = WingCase(domeCentre - hinge, domeRadii, s);
    shell.name = wc.name + "_mesh";
    shell.materials.push_back(Shiny(tex, 0.9f));
    wc.meshes.push_back(shell);
    body.children.push_back(wc);
    cases.push_back(wc.name);
    XFrame w;
    w.name = side == 0 ? "ladybird_wing_l" : "ladybird_wing_r";
    w.matrix = Translation({-0.6f, s * 0.3f, 1.55f});
    XMesh mem = Card({0, 0, 0}, {1.8f, 0, 0}, {0, s * 0.7f, 0}, {0, 0, 1}, 0.05f, kMembraneUv);
    mem.name = w.name + "_mesh";
    mem.materials.push_back(Shiny(tex, 0.3f));
    w.meshes.push_back(mem);
    body.children.push_back(w);
    wings.push_back(w.name);
  }
}

Quat CaseOpen(float side, float k) { return AxisAngle({1, 0, 0}, side * 1.15f * k) * AxisAngle({0, 1, 0}, -0.35f * k); }
Quat WingSpread(float side, float k, float beat) {
  return AxisAngle({1, 0, 0}, side * beat) * AxisAngle({0, 0, 1}, side * 1.6f * k);
}

// Take-off, played once: the cases lift over 0.4 s, the wings unfold and start to beat.
XAnimationSet LadybirdTakeOff(const std::vector<std::string>& cases, const std::vector<std::string>& wings,
                              const std::vector<Limb>& legs) {
  XAnimationSet set{"to_fly", {}};
  for (int side = 0; side < 2; ++side) {
    float s = side == 0 ? 1.0f : -1.0f;
    XAnimation c{cases[side], {}}, w{wings[side], {}};
    for (int i = 0; i <= 6; ++i) {
      float t = 0.1f * i;
      c.rotations.push_back({Ticks(t), CaseOpen(s, std::fmin(1.0f, t / 0.4f))});
      float u = std::fmax(0.0f, (t - 0.2f) / 0.4f);
      w.rotations.push_back({Ticks(t), WingSpread(s, u, 0.5f * u)});
    }
    set.animations.push_back(c);
    set.animations.push_back(w);
  }
  for (const Limb& l : legs) HoldKeys(set, l.hip, AxisAngle(Cross(l.out, {0, 0, 1}), 0.3f), 0.6f);
  return set;
}

// Flight: cases held open, wings beating ten times a second, legs tucked.
XAnimationSet LadybirdFlight(const std::vector<std::string>& cases, const std::vector<std::string>& wings,
                             const std::vector<Limb>& legs) {
  XAnimationSet set{"fly", {}};
  const float beat = 0.1f;
  for (int side = 0; side < 2; ++side) {
    float s = side == 0 ? 1.0f : -1.0f;
    HoldKeys(set, cases[side], CaseOpen(s, 1), beat);
    XAnimation w{wings[side], {}};
    for (int i = 0; i <= 4; ++i)
      w.rotations.push_back({Ticks(beat * i / 4), WingSpread(s, 1, 0.7f * std::cos(2 * kPi * i / 4))});
    set.animations.push_back(w);
  }
  for (const Limb& l : legs) HoldKeys(set, l.hip, AxisAngle(Cross(l.out, {0, 0, 1}), 0.5f), beat);
  return set;
}

NamedModel Ladybird() {
  const std::string tex = "ladybirdWings01.jpg";
  XFrame body = BodyFrame("ladybird_body",
                          {Ellipsoid({0.2f, 0, 0.95f}, {1.75f, 1.5f, 0.55f}, 12, 6, kDarkUv),
                           Ellipsoid({-1.5f, 0, 1.15f}, {0.6f, 1.05f, 0.55f}, 10, 6, kAccentUv),
                           Ellipsoid({-2.05f, 0, 0.95f}, {0.4f, 0.6f, 0.4f}, 8, 6, kDarkUv)},
                          tex, 0.9f);
  std::vector<std::string> cases, wings;
  AddLadybirdWings(body, tex, cases, wings);
  std::vector<Limb> legs, feelers;
  float hipX[3] = {-1.2f, -0.4f, 0.5f};
  for (XFrame& f : SixLegs("ladybird", hipX, 0.7f, 0.6f, 1.15f, 0.2f, 0.0f, 0.11f, tex, legs))
    body.children.push_back(f);
  for (XFrame& f : Antennae("ladybird", {-2.3f, 0.25f, 1.1f}, {-2.6f, 0.45f, 1.3f}, {-2.9f, 0.6f, 1.1f}, 0.05f, tex,
                            feelers))
    body.children.push_back(f);
  // Walking and waiting keep the wings folded; every set keys them, since a frame that a
  // set leaves alone keeps the pose the previous set gave it.
  auto folded = [&](XAnimationSet set, float period) {
    for (const std::string& c : cases) HoldKeys(set, c, Quat{}, period);
    for (const std::string& w : wings) HoldKeys(set, w, Quat{}, period);
    return set;
  };
  NamedModel m{"ladybird.X", {}};
  m.model.frames.push_back(body);
  m.model.sets = {folded(WaitSet(legs, feelers), 4.0f), folded(WalkSet("move", legs, feelers, 0.5f, 0.3f, 0.3f), 0.5f),
                  LadybirdTakeOff(cases, wings, legs), LadybirdFlight(cases, wings, legs)};
  return m;
}

}  // namespace

std::vector<NamedModel> BuildCreatures() { return {Spider(), Ant(), Bug(), Ladybird()}; }

}  // namespace qm::gen
