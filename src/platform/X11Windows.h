// X11Windows: the saver's own Xlib connection, for windows that other programs own.
//
// SDL cannot create a window inside a foreign one, nor tell when a foreign window changes
// size or goes away. SdlWindowSystem uses this class for those jobs: checking that the
// preview's parent exists, creating the preview's child window, watching the preview child
// and the XScreenSaver window for exposure and destruction, and polling their sizes.
// While an object lives, an X protocol error no longer ends the process (Xlib's default):
// a window can vanish under the saver at any time, and that must end the run in order.
#pragma once

#include <cstdint>

struct _XDisplay;
struct SDL_Window;

namespace qm {

class X11Windows {
 public:
  // What happened to a watched window.
  struct Event {
    enum class Kind { Exposed, Destroyed };
    Kind kind;
    std::uint64_t window;
  };

  X11Windows();
  ~X11Windows();
  X11Windows(const X11Windows&) = delete;
  X11Windows& operator=(const X11Windows&) = delete;

  // False without an X display.
  bool Exists(std::uint64_t window);
  bool GetSize(std::uint64_t window, int& width, int& height);
  // A mapped child window filling the parent's area, black, watched; 0 on failure.
  std::uint64_t CreateChild(std::uint64_t parent);
  // Reports the window's destruction (and exposures when asked) through NextEvent. Only
  // structure and exposure events are selected, never input: another client (XScreenSaver)
  // may own the window's button presses.
  bool Watch(std::uint64_t window, bool exposures);
  void Destroy(std::uint64_t window);
  // Takes the next event of a watched window without waiting; false when none waits.
  bool NextEvent(Event& event);
  // Lets SDL hear when a window it wrapped (SDL_CreateWindowFrom) changes size: SDL then
  // keeps its own idea of the size, and so the drawable size OpenGL reads, up to date and
  // sends SDL_WINDOWEVENT_SIZE_CHANGED. Only structure events are selected, never input.
  static bool SelectSizeEventsForSdl(SDL_Window* window);

 private:
  bool Open();

  _XDisplay* m_display = nullptr;
  bool m_openFailed = false;
};

}  // namespace qm
