// SaverSettings: the user's base settings, their defaults and their registry encoding.
//
// The record is copied whole between the defaults and the application's m_Settings. Both
// default records (base and scene) are filled from the default-settings text before the
// entry point runs. ReadSettings and WriteSettings move the record to and from the settings
// file under the saver's key: flags as 2 (on) / 1 (off), numbers as themselves, and a value
// of 0 or a missing value leaves the field as it was.
#pragma once

#include <cstdint>

#include "platform/RegistryFile.h"

namespace qm {

// Key of the saver's values below HKEY_CURRENT_USER.
inline constexpr const char* kSettingsKey = "Software\\VORTANE Studio\\Quillmoor 3D Screensaver";

// The highest "MaxFps" taken; the loop's own 2 ms rest keeps it below 500 anyway.
inline constexpr std::int32_t kMaxFpsLimit = 1000;

// The base settings, in the design's field order.
struct SaverSettings {
  std::int32_t m_bShowFPS = 0;
  std::int32_t m_bExitOnMouseMove = 1;
  std::int32_t m_bShowTime = 1;
  std::int32_t m_bMusic = 1;
  std::int32_t m_bSFX = 1;
  std::int32_t m_iMusicVolume = 80;
  std::int32_t m_iWidth = 800;
  std::int32_t m_iHeight = 600;
  std::int32_t m_iBitCount = 32;
  std::int32_t m_iFSAA = 0;
  std::int32_t m_bUseDesktopSettings = 1;
  std::uint8_t m_bDigClock24H = 0;
  std::uint8_t m_byGamma = 100;
  // Linux addition: the frame rate cap where the display has no vsync ("MaxFps").
  std::int32_t m_iMaxFps = 60;

  bool operator==(const SaverSettings&) const = default;
};

// Defaults of the forest scene's settings, copied as one block by the scene.
struct SceneDefaults {
  std::uint8_t m_bCLTarn = 0;
  std::uint8_t m_bBL = 1;
  std::int32_t m_iBackground = 3;
  std::int32_t m_bRondomBackground = 1;
  std::int32_t m_bRockingCamera = 0;
  std::int32_t m_bEnableRays = 1;
  std::int32_t m_iNetting = 1;

  bool operator==(const SceneDefaults&) const = default;
};

// The two default records, filled from the default-settings text at first use.
const SaverSettings& BaseDefaults();
const SceneDefaults& SceneDefaultRecord();

// Reads the saver's values from the file into `settings` (fields without a usable value
// keep theirs).
void ReadSettings(const RegistryFile& registry, SaverSettings& settings);
// Writes every value of `settings` into the file's key (the caller saves the file).
void WriteSettings(RegistryFile& registry, const SaverSettings& settings);

// The registry encodings, shared with the scene's own settings.
void ReadFlag(const RegistryFile& registry, const char* name, std::int32_t& field);
void ReadFlag(const RegistryFile& registry, const char* name, std::uint8_t& field);
void ReadNumber(const RegistryFile& registry, const char* name, std::int32_t& field);
void WriteFlag(RegistryFile& registry, const char* name, std::int32_t value);
void WriteNumber(RegistryFile& registry, const char* name, std::uint32_t value);

}  // namespace qm
