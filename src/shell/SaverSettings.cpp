#include "shell/SaverSettings.h"

#include "shell/DefaultSettings.h"

namespace qm {

namespace {

SaverSettings MakeBaseDefaults(const DefaultSettingsText& text) {
  SaverSettings s;
  // The keys are asked in the design's order, so that a missing key's message appears
  // where it would have.
  s.m_bDigClock24H = text.GetDefaultInt("DigClock_24H") != 0;
  s.m_bExitOnMouseMove = text.GetDefaultInt("ExitOnMouseMove");
  s.m_iFSAA = text.GetDefaultInt("FSAA");
  s.m_byGamma = std::uint8_t(text.GetDefaultInt("GammControl"));
  s.m_iBitCount = text.GetDefaultInt("MBitCount");
  s.m_iHeight = text.GetDefaultInt("MH");
  s.m_iWidth = text.GetDefaultInt("MW");
  s.m_bMusic = text.GetDefaultInt("Music");
  s.m_bSFX = text.GetDefaultInt("SFX");
  s.m_iMusicVolume = text.GetDefaultInt("MusicVolume");
  s.m_bShowFPS = text.GetDefaultInt("ShowFPS");
  s.m_bShowTime = text.GetDefaultInt("ShowTime");
  s.m_bUseDesktopSettings = text.GetDefaultInt("UseDktpSet");
  return s;
}

SceneDefaults MakeSceneDefaults(const DefaultSettingsText& text) {
  SceneDefaults s;
  s.m_bBL = text.GetDefaultInt("BL") != 0;
  s.m_bCLTarn = text.GetDefaultInt("CLTarn") != 0;
  s.m_bEnableRays = text.GetDefaultInt("m_bEnableRays");
  s.m_bRockingCamera = text.GetDefaultInt("m_bRockingCamera");
  s.m_bRondomBackground = text.GetDefaultInt("m_bRondomBackground");
  s.m_iBackground = text.GetDefaultInt("m_iBackground");
  // The text counts the start stages from 1; the record from 0.
  const std::int32_t netting = text.GetDefaultInt("m_iNetting");
  if (netting >= 1 && netting <= 3) s.m_iNetting = netting - 1;
  return s;
}

// Base and scene defaults are read together, base keys first, as at construction.
struct DefaultRecords {
  SaverSettings base;
  SceneDefaults scene;
};

const DefaultRecords& Records() {
  static const DefaultRecords records = [] {
    const DefaultSettingsText& text = DefaultSettings();
    DefaultRecords r;
    r.scene = MakeSceneDefaults(text);
    r.base = MakeBaseDefaults(text);
    return r;
  }();
  return records;
}

}  // namespace

const SaverSettings& BaseDefaults() { return Records().base; }
const SceneDefaults& SceneDefaultRecord() { return Records().scene; }

void ReadFlag(const RegistryFile& registry, const char* name, std::int32_t& field) {
  const auto value = registry.QueryDword(kSettingsKey, name);
  if (value == 2u) field = 1;
  else if (value == 1u) field = 0;
}

void ReadFlag(const RegistryFile& registry, const char* name, std::uint8_t& field) {
  std::int32_t wide = field;
  ReadFlag(registry, name, wide);
  field = std::uint8_t(wide);
}

void ReadNumber(const RegistryFile& registry, const char* name, std::int32_t& field) {
  const auto value = registry.QueryDword(kSettingsKey, name);
  if (value && *value != 0) field = std::int32_t(*value);
}

void WriteFlag(RegistryFile& registry, const char* name, std::int32_t value) {
  registry.SetDword(kSettingsKey, name, value ? 2u : 1u);
}

void WriteNumber(RegistryFile& registry, const char* name, std::uint32_t value) {
  registry.SetDword(kSettingsKey, name, value);
}

void ReadSettings(const RegistryFile& registry, SaverSettings& s) {
  ReadFlag(registry, "ShowFPS", s.m_bShowFPS);
  ReadFlag(registry, "DigClock_24H", s.m_bDigClock24H);
  if (const auto gamma = registry.QueryDword(kSettingsKey, "GmCntrl"); gamma && *gamma != 0)
    s.m_byGamma = std::uint8_t(*gamma & 0xFF);
  ReadFlag(registry, "ShowTime", s.m_bShowTime);
  ReadFlag(registry, "ExitOnMouseMove", s.m_bExitOnMouseMove);
  ReadFlag(registry, "SFX", s.m_bSFX);
  ReadFlag(registry, "Music", s.m_bMusic);
  ReadNumber(registry, "MusicVolume", s.m_iMusicVolume);
  ReadFlag(registry, "UseDesktopSettings", s.m_bUseDesktopSettings);
  ReadNumber(registry, "Height", s.m_iHeight);
  ReadNumber(registry, "Width", s.m_iWidth);
  ReadNumber(registry, "BitCount", s.m_iBitCount);
  ReadNumber(registry, "FSAA", s.m_iFSAA);
  ReadNumber(registry, "MaxFps", s.m_iMaxFps);
  // Hand-edited values outside what a frame loop can mean fall back to the built-in cap.
  if (s.m_iMaxFps < 1 || s.m_iMaxFps > kMaxFpsLimit) s.m_iMaxFps = SaverSettings{}.m_iMaxFps;
}

void WriteSettings(RegistryFile& registry, const SaverSettings& s) {
  WriteFlag(registry, "ShowFPS", s.m_bShowFPS);
  WriteFlag(registry, "DigClock_24H", s.m_bDigClock24H);
  WriteFlag(registry, "ShowTime", s.m_bShowTime);
  WriteFlag(registry, "ExitOnMouseMove", s.m_bExitOnMouseMove);
  WriteFlag(registry, "SFX", s.m_bSFX);
  WriteFlag(registry, "Music", s.m_bMusic);
  WriteFlag(registry, "UseDesktopSettings", s.m_bUseDesktopSettings);
  WriteNumber(registry, "GmCntrl", s.m_byGamma);
  WriteNumber(registry, "Height", std::uint32_t(s.m_iHeight));
  WriteNumber(registry, "Width", std::uint32_t(s.m_iWidth));
  WriteNumber(registry, "BitCount", std::uint32_t(s.m_iBitCount));
  WriteNumber(registry, "FSAA", std::uint32_t(s.m_iFSAA));
  WriteNumber(registry, "MusicVolume", std::uint32_t(s.m_iMusicVolume));
  WriteNumber(registry, "MaxFps", std::uint32_t(s.m_iMaxFps));
}

}  // namespace qm
