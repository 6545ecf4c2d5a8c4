#include "platform/X11Windows.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdio>

namespace qm {
namespace {

// The largest value an X11 resource id can have (29 bits).
constexpr std::uint64_t kMaxXid = 0x1FFFFFFF;

// Errors seen since the current trap began; -1 while no trap is open.
int g_trappedError = -1;
int (*g_previousHandler)(Display*, XErrorEvent*) = nullptr;

extern "C" int ForgivingErrorHandler(Display* display, XErrorEvent* error) {
  if (g_trappedError >= 0) {
    g_trappedError = error->error_code;
    return 0;
  }
  char text[128];
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "quillmoor: X error ignored: %s (request %d)\n", text,
               static_cast<int>(error->request_code));
  return 0;
}

// Collects the errors of the requests made while it lives; Ok() waits for their answers.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : m_display(display) {
    XSync(m_display, False);
    g_trappedError = 0;
  }
  ~ErrorTrap() { g_trappedError = -1; }
  bool Ok() {
    XSync(m_display, False);
    return g_trappedError == 0;
  }

 private:
  Display* m_display;
};

}  // namespace

X11Windows::X11Windows() {
  g_previousHandler = XSetErrorHandler(ForgivingErrorHandler);
}

X11Windows::~X11Windows() {
  if (m_display != nullptr) {
    XCloseDisplay(m_display);
  }
  XSetErrorHandler(g_previousHandler);
}

bool X11Windows::Open() {
  if (m_display == nullptr && !m_openFailed) {
    m_display = XOpenDisplay(nullptr);
    m_openFailed = m_display == nullptr;
  }
  return m_display != nullptr;
}

bool X11Windows::Exists(std::uint64_t window) {
  int width = 0;
  int height = 0;
  return GetSize(window, width, height);
}

bool X11Windows::GetSize(std::uint64_t window, int& width, int& height) {
  if (window == 0 || window > kMaxXid || !Open()) {
    return false;
  }
  ErrorTrap trap(m_display);
  XWindowAttributes attributes{};
  const Status status = XGetWindowAttributes(m_display, window, &attributes);
  if (!trap.Ok() || status == 0) {
    return false;
  }
  width = attributes.width;
  height = attributes.height;
  return true;
}

std::uint64_t X11Windows::CreateChild(std::uint64_t parent) {
  int width = 0;
  int height = 0;
  if (!GetSize(parent, width, height)) {
    return 0;
  }
  ErrorTrap trap(m_display);
  const unsigned long black = BlackPixel(m_display, DefaultScreen(m_display));
  const Window child =
      XCreateSimpleWindow(m_display, parent, 0, 0, static_cast<unsigned>(width > 0 ? width : 1),
                          static_cast<unsigned>(height > 0 ? height : 1), 0, black, black);
  XSelectInput(m_display, child, ExposureMask | StructureNotifyMask);
  XMapWindow(m_display, child);
  if (!trap.Ok()) {
    return 0;
  }
  return child;
}

bool X11Windows::Watch(std::uint64_t window, bool exposures) {
  if (window == 0 || window > kMaxXid || !Open()) {
    return false;
  }
  ErrorTrap trap(m_display);
  XSelectInput(m_display, window, StructureNotifyMask | (exposures ? ExposureMask : 0));
  return trap.Ok();
}

void X11Windows::Destroy(std::uint64_t window) {
  if (window == 0 || !Open()) {
    return;
  }
  ErrorTrap trap(m_display);
  XDestroyWindow(m_display, window);
  trap.Ok();
}

bool X11Windows::SelectSizeEventsForSdl(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    return false;
  }
  ErrorTrap trap(info.info.x11.display);
  XSelectInput(info.info.x11.display, info.info.x11.window, StructureNotifyMask);
  return trap.Ok();
}

bool X11Windows::NextEvent(Event& event) {
  if (m_display == nullptr) {
    return false;
  }
  while (XPending(m_display) > 0) {
    XEvent xevent;
    XNextEvent(m_display, &xevent);
    if (xevent.type == Expose && xevent.xexpose.count == 0) {
      event = Event{Event::Kind::Exposed, xevent.xexpose.window};
      return true;
    }
    if (xevent.type == DestroyNotify && xevent.xdestroywindow.window == xevent.xdestroywindow.event) {
      event = Event{Event::Kind::Destroyed, xevent.xdestroywindow.window};
      return true;
    }
  }
  return false;
}

}  // namespace qm
