#include "graphics/DeviceList.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "shell/LabelTable.h"
#include "shell/MessageBox.h"
#include "shell/RunLog.h"

namespace qm {

namespace {

constexpr UINT kSdkVersion = 220;
constexpr std::int32_t kMinWidth = 640;
constexpr std::int32_t kMinHeight = 400;
constexpr D3DFORMAT kDepthFormats[] = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32};

const char* ErrorText(HRESULT code) {
  if (code == kErrNoDirect3D)
    return "Could not initialize Direct3D. You may\nwant to check that the latest version of\n"
           "DirectX is correctly installed on your\nsystem.";
  if (code == kErrNoCompatibleDevice) return "Could not find any compatible Direct3D\ndevices.";
  return "";
}

}  // namespace

DeviceList::DeviceList() = default;

DeviceList::~DeviceList() { ReleaseDirect3D(); }

void DeviceList::ReleaseDirect3D() {
  if (pD3D) pD3D->Release();
  pD3D = nullptr;
}

HRESULT DeviceList::CreateAndEnumerate() {
  HRESULT code = kErrNoDirect3D;
  pD3D = Direct3DCreate8(kSdkVersion);
  if (pD3D) {
    LogLine("\xD1reate D3D complete");
    code = EnumerateDevices();
    if (code == 0) {
      LogLine("Enumerate Device List complete");
      return 0;
    }
    LogLine("Cant Enumerate Device List");
    ReleaseDirect3D();
  }
  return ReportError(code);
}

bool DeviceList::EnumerateAdapter(UINT adapter, AdapterRecord& record) {
  pD3D->GetAdapterIdentifier(adapter, 0, &record.identifier);
  std::vector<ModeEntry> modes;
  std::vector<D3DFORMAT> formats;
  const UINT modeCount = pD3D->GetAdapterModeCount(adapter);
  for (UINT m = 0; m < modeCount; ++m) {
    D3DDISPLAYMODE mode{};
    if (FAILED(pD3D->EnumAdapterModes(adapter, m, &mode))) continue;
    if (std::int32_t(mode.Width) < kMinWidth || std::int32_t(mode.Height) < kMinHeight) continue;
    const ModeEntry entry{std::int32_t(mode.Width), std::int32_t(mode.Height), mode.Format};
    const bool known = std::any_of(modes.begin(), modes.end(), [&](const ModeEntry& e) {
      return e.iWidth == entry.iWidth && e.iHeight == entry.iHeight && e.eFormat == entry.eFormat;
    });
    if (!known && modes.size() < kMaxWorkingModes) modes.push_back(entry);
    if (std::find(formats.begin(), formats.end(), mode.Format) == formats.end() &&
        formats.size() < kMaxWorkingFormats)
      formats.push_back(mode.Format);
  }
  std::stable_sort(modes.begin(), modes.end(), [](const ModeEntry& a, const ModeEntry& b) {
    return a.iWidth != b.iWidth ? a.iWidth < b.iWidth : a.iHeight < b.iHeight;
  });

  DeviceRecord& device = record.device;
  device = DeviceRecord{};
  pD3D->GetDeviceCaps(adapter, D3DDEVTYPE_HAL, &device.caps);
  std::vector<D3DFORMAT> usable;
  for (D3DFORMAT format : formats) {
    if (FAILED(pD3D->CheckDeviceType(adapter, D3DDEVTYPE_HAL, format, format, FALSE))) continue;
    usable.push_back(format);
    bool* depthFlags[] = {&device.bDepth16, &device.bDepth24, &device.bDepth32};
    for (int d = 0; d < 3; ++d) {
      if (SUCCEEDED(pD3D->CheckDeviceFormat(adapter, D3DDEVTYPE_HAL, format,
                                            D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                            kDepthFormats[d])) &&
          SUCCEEDED(pD3D->CheckDepthStencilMatch(adapter, D3DDEVTYPE_HAL, format, format,
                                                 kDepthFormats[d])))
        *depthFlags[d] = true;
    }
    for (int k = 0; k < 16; ++k) {
      if (SUCCEEDED(pD3D->CheckDeviceMultiSampleType(
              adapter, D3DDEVTYPE_HAL, format, FALSE,
              static_cast<D3DMULTISAMPLE_TYPE>(MultiSampleTypeOfIndex(k)))))
        device.abMultiSample[k] = 1;
    }
  }
  for (const ModeEntry& mode : modes) {
    if (std::find(usable.begin(), usable.end(), mode.eFormat) == usable.end()) continue;
    if (device.nModes < DeviceRecord::kMaxModes) device.aModes[device.nModes++] = mode;
  }
  return device.nModes > 0;
}

HRESULT DeviceList::EnumerateDevices() {
  const UINT adapterCount = pD3D->GetAdapterCount();
  for (UINT a = 0; a < adapterCount && nAdapters < kMaxAdapters; ++a) {
    // An adapter without usable modes leaves its slot to the next one.
    if (EnumerateAdapter(a, aAdapters[nAdapters])) ++nAdapters;
  }
  if (nAdapters == 0) return kErrNoCompatibleDevice;
  iCurrentAdapter = 0;
  DeviceRecord& device = CurrentDevice();
  device.iCurrentMode = 0;
  device.bWindowed = 0;
  device.iMultiSample = 0;
  device.eDepthFormat = device.bDepth32 ? D3DFMT_D32 : device.bDepth24 ? D3DFMT_D24X8 : D3DFMT_D16;
  RefreshSelection();
  return 0;
}

void DeviceList::SelectMode(std::int32_t width, std::int32_t height, std::int32_t bits,
                            std::int32_t ms) {
  if (nAdapters == 0) return;
  DeviceRecord& device = CurrentDevice();
  for (int k = 0; k < 16; ++k) {
    if (MultiSampleTypeOfIndex(k) == ms && device.abMultiSample[k]) {
      device.iMultiSample = ms;
      break;
    }
  }
  for (unsigned i = 0; i < device.nModes; ++i) {
    const ModeEntry& mode = device.aModes[i];
    if (mode.iWidth == width && mode.iHeight == height && FormatBitCount(mode.eFormat) == bits) {
      device.iCurrentMode = i;
      break;
    }
  }
  RefreshSelection();
}

void DeviceList::FillSettingsLists(SettingsListControls& controls) {
  if (nAdapters == 0) return;
  DeviceRecord& device = CurrentDevice();
  const int aa = SettingsListControls::kAntialiasingList;
  controls.ResetContent(aa);
  int counter = -1;
  for (int k = 0; k < 16; ++k) {
    if (!device.abMultiSample[k]) continue;
    ++counter;
    char text[128];
    if (k == 0) std::snprintf(text, sizeof text, "%s", GetLabel("none").c_str());
    else std::snprintf(text, sizeof text, "%i %s", k + 1, GetLabel("samples").c_str());
    const int item = controls.AddString(aa, text);
    controls.SetItemData(aa, item, counter);
    if (MultiSampleTypeOfIndex(k) == device.iMultiSample) controls.SetCurSel(aa, item);
  }
  const int list = SettingsListControls::kModeList;
  controls.ResetContent(list);
  for (unsigned i = 0; i < device.nModes; ++i) {
    const ModeEntry& mode = device.aModes[i];
    char text[128];
    std::snprintf(text, sizeof text, "%ld x %ld %s", long(mode.iWidth), long(mode.iHeight),
                  FormatBitCount(mode.eFormat) == 32 ? "32 bits" : "16 bits");
    const int item = controls.AddString(list, text);
    controls.SetItemData(list, item, std::intptr_t(i));
    if (i == device.iCurrentMode) controls.SetCurSel(list, item);
  }
  RefreshSelection();
}

void DeviceList::RefreshSelection() {
  if (nAdapters == 0) return;
  const DeviceRecord& device = CurrentDevice();
  const ModeEntry& mode = device.aModes[device.iCurrentMode];
  VideoSelection next = selection;
  next.iWidth = mode.iWidth;
  next.iHeight = mode.iHeight;
  next.eFormat = mode.eFormat;
  next.eDepthFormat = device.eDepthFormat;
  next.iMultiSample = device.iMultiSample;
  next.bWindowed = device.bWindowed;
  next.bChanged = next.iWidth != selection.iWidth || next.iHeight != selection.iHeight ||
                  next.eFormat != selection.eFormat ||
                  next.eDepthFormat != selection.eDepthFormat ||
                  next.iMultiSample != selection.iMultiSample ||
                  next.bWindowed != selection.bWindowed;
  selection = next;
}

HRESULT DeviceList::ReportError(HRESULT code) {
  const char* text = ErrorText(code);
  LogLine(text);
  MessageBoxA(0, text, "Error!", MB_ICONERROR);
  return code;
}

}  // namespace qm
