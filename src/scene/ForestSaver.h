// ForestSaver: the saver's own application, the forest glade on top of the shell.
//
// It fills the shell's virtual operations: five scene settings kept beside the base
// settings and their page of the settings dialog (backgrounds, rays, rocking camera, how
// far the web stands at start), the loading of the scene once the device exists (background, projection,
// light), the per-frame step (frame timer, clamp and smoothing, the rocking camera) and the
// drawing of a frame (scene, then the clock overlay). It owns the ForestScene and the music
// player, which plays only in the saver and test-window modes and in one process at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/MusicLock.h"
#include "scene/Camera.h"
#include "shell/ResourcePicture.h"
#include "shell/SaverApp.h"
#include "sound/MusicPlayer.h"

namespace qm {

class ForestScene;

// The scene's settings: six words copied as one block from the default record.
struct SceneSettings {
  std::uint8_t m_bCLTarn = 0;  // the first word carries two flags of the shell, unused here
  std::uint8_t m_bBL = 1;
  std::int32_t m_iBackground = 3;
  std::int32_t m_bRondomBackground = 1;
  std::int32_t m_bRockingCamera = 0;
  std::int32_t m_bEnableRays = 1;
  std::int32_t m_iNetting = 2;
};

class ForestSaver : public SaverApp {
 public:
  static constexpr float kMaxStep = 0.08f;
  static constexpr int kBackgroundCount = 5;

  ForestSaver();
  ~ForestSaver() override;

  void CreateScene() override;
  void ReadSceneSettings() override;
  void WriteSceneSettings() override;
  void ResetSceneSettings() override;
  void InitScenePage(HWND dialog) override;
  LRESULT ScenePageMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;
  // The background (1 to 5) a button of the scene page stands for, 0 for other controls.
  static int BackgroundOfButton(int controlId);
  void StartSound() override;
  void StopSound() override;
  void QueryDeviceCaps() override;
  HRESULT SetDefaultRenderStates(IDirect3DDevice8* device) override;
  HRESULT LoadSceneData(IDirect3DDevice8* device) override;
  HRESULT AfterSceneData(IDirect3DDevice8*) override { return 0; }
  void RestoreSceneStates(IDirect3DDevice8* device) override { SetProjectionAndLight(device); }
  HRESULT MoveFrame(IDirect3DDevice8* device, float elapsedMilliseconds) override;
  HRESULT RenderFrame(IDirect3DDevice8* device) override;
  int ReleaseScene() override;
  void ReportScene(JsonWriter& report) const override;

  // The projection (with the viewport's aspect, so that every monitor's window keeps its
  // proportions) and the scene's one light.
  HRESULT SetProjectionAndLight(IDirect3DDevice8* device);
  // With random background on, draws the background of this run.
  void ChooseBackground();
  // The frame step after the clamp and the smoothing over the two previous steps.
  float SmoothStep(float rawSeconds);
  // Sets the camera for a scene time (rocking or not).
  void UpdateCamera(float sceneTime);
  // The background file name of a background number (1 to 5).
  static const char* BackgroundName(int background);
  // Where the stored web lives: $XDG_STATE_HOME/quillmoor/cobweb.dat (by default under
  // ~/.local/state).
  static std::filesystem::path StoredWebPath();
  // --web and --save-web: start from this web file instead of the chosen start, and write
  // the web to that file when the run ends. Empty: not asked for.
  void SetWebFiles(std::string startFile, std::string saveFile);
  // True when a web that was to be written at exit could not be.
  bool WebStoreFailed() const { return m_bWebStoreFailed; }
  // Plays through this back end instead of SDL2_mixer (tests); stops what plays first.
  void UseAudioBackend(std::unique_ptr<AudioBackend> backend);
  bool MusicPlaying() const { return m_pMusic->Playing(); }

  SceneSettings m_Scene;
  ForestScene* m_pScene = nullptr;
  float m_fSceneTime = 0.0f;
  // Thumbnails of the five backgrounds for the settings dialog: chosen and not chosen.
  ResourcePicture m_SelectedPreview[kBackgroundCount];
  ResourcePicture m_DimPreview[kBackgroundCount];
  float m_fPrevStep = 0.0f;
  float m_fLastStep = 0.0f;
  Camera m_Camera;
  int m_bSaveCobweb = 0;  // setting "SaveCobweb": store the web at exit, resume from it

 private:
  // The web to start from, loaded into the scene after its device objects exist; on a web
  // that does not fit, the scene starts again from an empty web.
  void LoadStartWeb(IDirect3DDevice8* device);
  void StoreWeb();

  std::string m_webStartFile;
  std::string m_webSaveFile;
  bool m_bWebStoreFailed = false;

  std::unique_ptr<AudioBackend> m_pAudio;
  std::unique_ptr<MusicPlayer> m_pMusic;
  MusicLock m_MusicLock;
};

}  // namespace qm
