// DeviceList: the catalogue of what the display hardware can do, and the current choice.
//
// CreateAndEnumerate creates the Direct3D object once at start-up and lists, per adapter,
// the full-screen modes of at least 640 x 400, the depth formats and the multisample types
// the hardware device supports. SelectMode moves the current choice to the mode the
// settings name; FillSettingsLists shows modes and antialiasing types in the settings
// dialog's two lists; device creation reads the current choice. Owns the IDirect3D8.
#pragma once

#include <cstdint>
#include <string>

#include "d3d/D3D8.h"

namespace qm {

inline constexpr HRESULT kErrNoDirect3D = MakeResult(0x82000001u);
inline constexpr HRESULT kErrNoCompatibleDevice = MakeResult(0x82000003u);

// The summary of the current choice that callers read.
struct VideoSelection {
  std::int32_t bChanged = 0;
  std::int32_t iWidth = 0;
  std::int32_t iHeight = 0;
  D3DFORMAT eFormat = D3DFMT_UNKNOWN;
  D3DFORMAT eDepthFormat = D3DFMT_UNKNOWN;
  std::int32_t iMultiSample = 0;
  std::int32_t bWindowed = 0;
};

// One full-screen mode (the refresh rate is not kept).
struct ModeEntry {
  std::int32_t iWidth = 0;
  std::int32_t iHeight = 0;
  D3DFORMAT eFormat = D3DFMT_UNKNOWN;
};

// The hardware device of one adapter.
struct DeviceRecord {
  static constexpr unsigned kMaxModes = 150;
  D3DCAPS8 caps{};
  const char* pszDeviceName = "HAL";
  unsigned nModes = 0;
  ModeEntry aModes[kMaxModes];
  unsigned iCurrentMode = 0;
  std::int32_t bWindowed = 0;
  std::int32_t iMultiSample = 0;
  std::uint8_t abMultiSample[16] = {};
  D3DFORMAT eDepthFormat = D3DFMT_UNKNOWN;
  bool bDepth16 = false, bDepth24 = false, bDepth32 = false;
};

// One adapter of the catalogue.
struct AdapterRecord {
  D3DADAPTER_IDENTIFIER8 identifier{};
  DeviceRecord device;
};

// The dialog's drop-down lists, as FillSettingsLists drives them (the settings dialog
// implements it; tests record it).
class SettingsListControls {
 public:
  static constexpr int kModeList = 1011;
  static constexpr int kAntialiasingList = 1047;
  virtual ~SettingsListControls() = default;
  virtual void ResetContent(int control) = 0;
  // Returns the index of the new item.
  virtual int AddString(int control, const std::string& text) = 0;
  virtual void SetItemData(int control, int item, std::intptr_t data) = 0;
  virtual void SetCurSel(int control, int item) = 0;
};

// Multisample type of each of the 16 table entries: 0, 2, 3, ..., 16.
constexpr std::int32_t MultiSampleTypeOfIndex(int index) { return index == 0 ? 0 : index + 1; }
// 32 for the 8-bit-per-channel formats, 16 for every other format.
constexpr std::int32_t FormatBitCount(D3DFORMAT format) {
  return (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8) ? 32 : 16;
}

class DeviceList {
 public:
  static constexpr unsigned kMaxAdapters = 10;
  static constexpr unsigned kMaxWorkingModes = 100;
  static constexpr unsigned kMaxWorkingFormats = 20;

  DeviceList();
  ~DeviceList();
  DeviceList(const DeviceList&) = delete;
  DeviceList& operator=(const DeviceList&) = delete;

  HRESULT CreateAndEnumerate();
  HRESULT EnumerateDevices();
  void SelectMode(std::int32_t width, std::int32_t height, std::int32_t bits, std::int32_t ms);
  void FillSettingsLists(SettingsListControls& controls);
  void RefreshSelection();
  HRESULT ReportError(HRESULT code);

  DeviceRecord& CurrentDevice() { return aAdapters[iCurrentAdapter].device; }
  // Releases the Direct3D object (device release does this at the end of a run).
  void ReleaseDirect3D();

  VideoSelection selection;
  AdapterRecord aAdapters[kMaxAdapters];
  unsigned nAdapters = 0;
  unsigned iCurrentAdapter = 0;
  IDirect3D8* pD3D = nullptr;

 private:
  bool EnumerateAdapter(UINT adapter, AdapterRecord& record);
};

}  // namespace qm
