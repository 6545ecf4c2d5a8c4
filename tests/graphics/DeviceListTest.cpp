// The device catalogue against scripted hardware.
#include "graphics/DeviceList.h"

#include <gtest/gtest.h>

#include "d3d/Direct3DFactory.h"
#include "d3d/RecordingDirect3D8.h"
#include "shell/LabelTable.h"
#include "shell/MessageBox.h"

namespace qm {
namespace {

class DeviceListTest : public ::testing::Test {
 protected:
  Direct3DScript script;
  std::vector<std::string> boxes;

  void SetUp() override {
    SetMessageBoxSink([this](HWND, std::string_view t, std::string_view c, UINT) {
      boxes.push_back(std::string(c) + ": " + std::string(t));
    });
  }
  void TearDown() override {
    SetMessageBoxSink(nullptr);
    SetDirect3DFactory(nullptr);
  }
  // Runs CreateAndEnumerate on the script; the catalogue is released by the list.
  HRESULT Enumerate(DeviceList& list) {
    auto* d3d = new RecordingDirect3D8(script);
    UseRecordingDirect3D(d3d);
    const HRESULT hr = list.CreateAndEnumerate();
    UseRecordingDirect3D(nullptr);
    d3d->Release();
    return hr;
  }
  static ScriptedAdapter Adapter(std::vector<D3DDISPLAYMODE> modes) {
    ScriptedAdapter a;
    a.modes = std::move(modes);
    return a;
  }
};

TEST_F(DeviceListTest, ModesBelowTheMinimumAreLeftOutAndRefreshRatesFold) {
  script.adapters.push_back(Adapter({{800, 600, 60, D3DFMT_X8R8G8B8},
                                     {640, 400, 60, D3DFMT_X8R8G8B8},
                                     {639, 480, 60, D3DFMT_X8R8G8B8},
                                     {800, 399, 60, D3DFMT_X8R8G8B8},
                                     {800, 600, 85, D3DFMT_X8R8G8B8},
                                     {800, 600, 60, D3DFMT_R5G6B5},
                                     {640, 480, 60, D3DFMT_X8R8G8B8}}));
  DeviceList list;
  ASSERT_EQ(Enumerate(list), 0);
  const DeviceRecord& device = list.CurrentDevice();
  ASSERT_EQ(device.nModes, 4u);
  EXPECT_EQ(device.aModes[0].iWidth, 640);
  EXPECT_EQ(device.aModes[0].iHeight, 400);
  EXPECT_EQ(device.aModes[1].iHeight, 480);
  EXPECT_EQ(device.aModes[2].iWidth, 800);
  EXPECT_EQ(device.aModes[3].iWidth, 800);
  EXPECT_EQ(list.selection.iWidth, 640);  // the smallest mode is current
  EXPECT_EQ(list.selection.iHeight, 400);
  EXPECT_EQ(list.selection.bChanged, 1);
}

TEST_F(DeviceListTest, AdapterWithoutUsableFormatsIsNotCounted) {
  ScriptedAdapter broken = Adapter({{1024, 768, 60, D3DFMT_X8R8G8B8}});
  broken.failingDeviceTypes = {D3DFMT_X8R8G8B8};
  script.adapters.push_back(broken);
  script.adapters.push_back(Adapter({{800, 600, 60, D3DFMT_R5G6B5}}));
  DeviceList list;
  ASSERT_EQ(Enumerate(list), 0);
  EXPECT_EQ(list.nAdapters, 1u);
  EXPECT_EQ(list.CurrentDevice().aModes[0].eFormat, D3DFMT_R5G6B5);
}

TEST_F(DeviceListTest, NoUsableAdapterIsReportedAndReleased) {
  ScriptedAdapter broken = Adapter({{1024, 768, 60, D3DFMT_X8R8G8B8}});
  broken.failingDeviceTypes = {D3DFMT_X8R8G8B8};
  script.adapters.push_back(broken);
  DeviceList list;
  EXPECT_EQ(Enumerate(list), kErrNoCompatibleDevice);
  EXPECT_EQ(list.pD3D, nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Error!: Could not find any compatible Direct3D\ndevices.");
}

TEST_F(DeviceListTest, DefaultDepthFormatIsTheDeepestConfirmed) {
  struct Case {
    std::set<DWORD> depths;
    std::set<DWORD> mismatches;
    D3DFORMAT expected;
  } cases[] = {{{D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D32}, {}, D3DFMT_D32},
               {{D3DFMT_D16, D3DFMT_D24X8}, {}, D3DFMT_D24X8},
               {{D3DFMT_D16, D3DFMT_D24X8}, {D3DFMT_D32}, D3DFMT_D24X8},
               {{}, {}, D3DFMT_D16}};
  for (const Case& c : cases) {
    script.adapters = {Adapter({{800, 600, 60, D3DFMT_X8R8G8B8}})};
    script.adapters[0].depthFormats = c.depths;
    script.adapters[0].depthMismatches = c.mismatches;
    DeviceList list;
    ASSERT_EQ(Enumerate(list), 0);
    EXPECT_EQ(list.selection.eDepthFormat, c.expected);
  }
}

TEST_F(DeviceListTest, SelectModeMatchesSizeBitsAndSupportedMultisampling) {
  script.adapters.push_back(Adapter({{640, 480, 60, D3DFMT_R5G6B5},
                                     {800, 600, 60, D3DFMT_R5G6B5},
                                     {800, 600, 60, D3DFMT_X8R8G8B8},
                                     {1024, 768, 60, D3DFMT_A8R8G8B8}}));
  script.adapters[0].multiSampleTypes = {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES};
  DeviceList list;
  ASSERT_EQ(Enumerate(list), 0);
  list.SelectMode(800, 600, 32, 4);
  EXPECT_EQ(list.selection.eFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(list.selection.iMultiSample, 4);
  list.SelectMode(800, 600, 16, 3);  // 3 samples unsupported: multisampling stays
  EXPECT_EQ(list.selection.eFormat, D3DFMT_R5G6B5);
  EXPECT_EQ(list.selection.iMultiSample, 4);
  list.SelectMode(1280, 1024, 32, 0);  // not listed: the mode stays
  EXPECT_EQ(list.selection.iWidth, 800);
  EXPECT_EQ(list.selection.bChanged, 1);  // multisampling went back to none
  list.SelectMode(1024, 768, 24, 0);  // 24 bits never matches
  EXPECT_EQ(list.selection.iWidth, 800);
  EXPECT_EQ(list.selection.bChanged, 0);
}

// Records what FillSettingsLists puts into the two lists.
struct ListRecorder : SettingsListControls {
  std::map<int, std::vector<std::pair<std::string, std::intptr_t>>> items;
  std::map<int, int> selected;
  void ResetContent(int c) override { items[c].clear(); }
  int AddString(int c, const std::string& t) override {
    items[c].push_back({t, -1});
    return int(items[c].size()) - 1;
  }
  void SetItemData(int c, int i, std::intptr_t d) override { items[c][i].second = d; }
  void SetCurSel(int c, int i) override { selected[c] = i; }
};

TEST_F(DeviceListTest, SettingsListsShowModesAndAntialiasing) {
  script.adapters.push_back(Adapter({{800, 600, 60, D3DFMT_R5G6B5},
                                     {1024, 768, 60, D3DFMT_X8R8G8B8}}));
  script.adapters[0].multiSampleTypes = {D3DMULTISAMPLE_4_SAMPLES};
  DeviceList list;
  ASSERT_EQ(Enumerate(list), 0);
  list.SelectMode(1024, 768, 32, 4);
  LoadLabels();
  ListRecorder lists;
  list.FillSettingsLists(lists);
  const auto& modes = lists.items[SettingsListControls::kModeList];
  ASSERT_EQ(modes.size(), 2u);
  EXPECT_EQ(modes[0].first, "800 x 600 16 bits");
  EXPECT_EQ(modes[1].first, "1024 x 768 32 bits");
  EXPECT_EQ(lists.selected[SettingsListControls::kModeList], 1);
  const auto& aa = lists.items[SettingsListControls::kAntialiasingList];
  ASSERT_EQ(aa.size(), 2u);
  EXPECT_EQ(aa[0].first, "None");
  EXPECT_EQ(aa[1].first, "4 samples");
  EXPECT_EQ(aa[1].second, 1);  // the position among the supported types
  EXPECT_EQ(lists.selected[SettingsListControls::kAntialiasingList], 1);
}

}  // namespace
}  // namespace qm
