// FakeWindowSystem: a scripted WindowSystem for the application tests.
//
// Windows are numbered from 1; messages come from a queue the test fills (directly, or
// from a hook called when the queue runs empty); timers are recorded but only fire when
// the test posts WM_TIMER. Message boxes and painted bitmaps are recorded.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/WindowSystem.h"

namespace qm::testing {

class FakeWindowSystem : public WindowSystem {
 public:
  std::vector<DisplayInfo> displays{{"Adapter", "Monitor", {0, 0, 1024, 768}, true, false}};
  std::vector<WindowParams> created;
  std::vector<HWND> destroyed;
  std::deque<WindowMessage> queue;
  std::vector<std::pair<UINT, UINT>> timers;  // id, period of SetTimer calls
  std::vector<UINT> killedTimers;
  std::vector<std::string> boxes;
  int painted = 0;
  bool foreignExists = true;
  // The size of a window given to the saver (WindowKind::Foreign); the test may change it.
  RECT foreignRect{0, 0, 800, 600};
  // Pixels per point of OpenGL windows: 2 plays a HiDPI display.
  int drawableScale = 1;
  bool failCreate = false;
  // Called when PeekMessage finds the queue empty (the place to script the next input).
  std::function<void()> onIdle;

  std::vector<DisplayInfo> ListDisplays() override { return displays; }
  HWND CreateWindow(const WindowParams& params) override {
    if (failCreate) return 0;
    created.push_back(params);
    return HWND(created.size());
  }
  void DestroyWindow(HWND hwnd) override { destroyed.push_back(hwnd); }
  bool GetClientRect(HWND hwnd, RECT& rect) override {
    if (hwnd == 0 || hwnd > created.size()) return false;
    const WindowParams& params = created[hwnd - 1];
    const RECT& r = params.kind == WindowKind::Foreign ? foreignRect : params.rect;
    rect = {0, 0, r.right - r.left, r.bottom - r.top};
    return true;
  }
  bool GetDrawableSize(HWND hwnd, int& width, int& height) override {
    RECT rect{};
    if (!GetClientRect(hwnd, rect)) return false;
    const bool scaled = created[hwnd - 1].openGL && created[hwnd - 1].kind != WindowKind::Foreign;
    width = rect.right * (scaled ? drawableScale : 1);
    height = rect.bottom * (scaled ? drawableScale : 1);
    return true;
  }
  bool ForeignWindowExists(std::uint64_t) override { return foreignExists; }
  bool PeekMessage(WindowMessage& msg) override {
    if (queue.empty() && onIdle) onIdle();
    if (queue.empty()) return false;
    msg = queue.front();
    queue.pop_front();
    return true;
  }
  bool GetMessage(WindowMessage& msg) override {
    if (queue.empty()) msg = {0, WM_QUIT, 0, 0};
    else PeekMessage(msg);
    return msg.message != WM_QUIT;
  }
  void PostMessage(const WindowMessage& msg) override {
    queue.push_back(msg);
    // The preview's start-up timer: answer WM_USER's SetTimer with the tick at once.
  }
  void PostQuitMessage(int) override { queue.push_back({0, WM_QUIT, 0, 0}); }
  void SetTimer(HWND hwnd, UINT id, UINT ms) override {
    timers.emplace_back(id, ms);
    if (id == 1) queue.push_back({hwnd, WM_TIMER, 1, 0});  // the start-up tick
  }
  void KillTimer(HWND, UINT id) override { killedTimers.push_back(id); }
  void HideCursor() override {}
  void MessageBox(HWND, std::string_view text, std::string_view caption, UINT) override {
    boxes.push_back(std::string(caption) + ": " + std::string(text));
  }
  void PaintBitmap(HWND, const Bitmap24&) override { ++painted; }
};

}  // namespace qm::testing
