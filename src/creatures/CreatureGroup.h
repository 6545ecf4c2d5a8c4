// CreatureGroup: a group of small animals sharing one animated mesh.
//
// The ants, bugs and ladybirds of the glade are each one CreatureGroup (AntGroup, BugGroup,
// LadybirdGroup). ForestScene creates the groups, sizes them by the forest and hands every
// group the scene's walking paths, flight paths and the list of all groups; then it calls
// FrameMove and Render once per frame like any SceneObject. Each animal is a Creature record
// driven by its state stack: Update runs the current state (walk, turn, wait, fly) of every
// record, and the kinds' FrameMove decides when animals start and what becomes of finished
// ones. Render draws the one mesh once per animal with that animal's matrix and animation.
#pragma once

#include <functional>
#include <vector>

#include "creatures/Creature.h"
#include "scene/SceneObject.h"

namespace qm {

class JsonWriter;

class CreatureGroup : public SceneObject {
 public:
  // The walking speed every kind has unless it sets another.
  static constexpr float kDefaultWalkSpeed = 3.5f;

  explicit CreatureGroup(const char* xFileName);
  ~CreatureGroup() override;

  HRESULT InitDeviceObjects(IDirect3DDevice8* device) override;  // keeps the device
  HRESULT DeleteDeviceObjects() override;
  HRESULT Render() override;

  // One step of every animal, by its current state; a walking animal then looks out for
  // others. The kinds call it first in their FrameMove.
  virtual HRESULT Update(float elapsed);
  virtual void Wait(Creature& creature);
  virtual void Walk(Creature& creature);
  virtual void Turn(Creature& creature);
  virtual void Fly(Creature& creature);
  virtual void Hover(Creature& creature);
  virtual void Avoid(Creature& creature);

  // Appends a new record with the start values, placed by UpdateWorld.
  Creature& AddCreature();
  // Fills paths with the indices of the walking paths where no animal of any group is near
  // either end, in ascending order; returns their count.
  int FreePaths(std::vector<int>* paths) const;
  // The matrix of the animal's path frame; the identity without one.
  D3DXMATRIX PathMatrix(const Creature& creature) const;
  void UpdateWorld(Creature& creature) const;
  // Starts the named animation set on the animal unless it already plays it.
  void SetAnim(Creature& creature, const char* name, int count);

  // The scene's lists; they stay owned by the scene.
  void SetPaths(const std::vector<PathRecord>* paths) { m_pPaths = paths; }
  void SetFlyPaths(const std::vector<PathRecord>* flyPaths) { m_pFlyPaths = flyPaths; }
  void SetGroups(const std::vector<CreatureGroup*>* groups) { m_pGroups = groups; }

  const std::vector<Creature>& Creatures() const { return m_Creatures; }
  int MaxCount() const { return m_nMaxCount; }
  float SpawnTimer() const { return m_fSpawnTimer; }
  float WalkSpeed() const { return m_fWalkSpeed; }

  // Each animal as {kind, state, position (world), path, param} into the open array.
  void Report(JsonWriter& report, const char* kind) const;

  // Counts for per-kind play counts of animation sets.
  static constexpr int kPlayOn = 1000000;  // keep playing
  static constexpr int kPlayOnce = 1;

 protected:
  // Removes record index; later records keep their order.
  void RemoveCreature(size_t index);
  // The kinds' handling of finished (idle) animals, in record order: each one counts the
  // frame off the spawn timer; while the timer still runs that animal is taken away and the
  // scan ends, else it is handed to restart (which may leave it idle).
  void RecycleFinished(float elapsed, const std::function<void(Creature&)>& restart);
  // World position of the animal: its position carried by its path frame.
  D3DXVECTOR3 WorldPosition(const Creature& creature) const;
  // The path of the animal, or null when it has none the group knows.
  const PathRecord* PathOf(const Creature& creature) const;

  float m_fElapsed = 0.0f;
  float m_fWalkSpeed = kDefaultWalkSpeed;
  D3DXVECTOR3 m_vModelForward{1.0f, 0.0f, 0.0f};
  D3DXVECTOR3 m_vModelUp{0.0f, 0.0f, 1.0f};
  float m_fSpawnTimer = 0.0f;
  int m_nMaxCount = 0;
  std::vector<Creature> m_Creatures;
  const std::vector<PathRecord>* m_pPaths = nullptr;
  const std::vector<PathRecord>* m_pFlyPaths = nullptr;
  const std::vector<CreatureGroup*>* m_pGroups = nullptr;

 private:
  IDirect3DDevice8* m_pDevice = nullptr;  // not owned; set while device objects exist
};

}  // namespace qm
