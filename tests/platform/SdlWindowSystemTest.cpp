// Runs the real SDL window system: the queue on the offscreen driver (no display needed),
// windows and input on the X display of $DISPLAY (the test script starts Xvfb).
#include "platform/SdlWindowSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#if QM_HAVE_XTEST
#include <X11/extensions/XTest.h>

#include "support/DisplayTurn.h"
#endif

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using qm::SdlWindowSystem;
using qm::WindowKind;
using qm::WindowMessage;
using qm::WindowParams;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr const char* kTitle = "D3D QUILLMOOR3D";

// Takes messages until `wanted` accepts one or the time is up; the rest land in `seen`.
bool WaitFor(SdlWindowSystem& ws, const std::function<bool(const WindowMessage&)>& wanted,
             milliseconds timeout, WindowMessage* found = nullptr,
             std::vector<WindowMessage>* seen = nullptr) {
  const auto end = Clock::now() + timeout;
  while (Clock::now() < end) {
    WindowMessage msg;
    if (!ws.PeekMessage(msg)) {
      std::this_thread::sleep_for(milliseconds(1));
      continue;
    }
    if (wanted(msg)) {
      if (found != nullptr) *found = msg;
      return true;
    }
    if (seen != nullptr) seen->push_back(msg);
  }
  return false;
}

auto Is(HWND hwnd, UINT message) {
  return [=](const WindowMessage& m) { return m.hwnd == hwnd && m.message == message; };
}

WindowParams TestWindow() {
  WindowParams params;
  params.kind = WindowKind::TopLevel;
  params.title = kTitle;
  params.rect = RECT{50, 50, 650, 450};
  return params;
}

// Runs `body` in a child process whose standard error is returned.
std::string StderrOfChild(const std::function<void()>& body) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return "pipe failed";
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipeEnds[0]);
    dup2(pipeEnds[1], STDERR_FILENO);
    body();
    _exit(0);
  }
  close(pipeEnds[1]);
  std::string text;
  char buffer[256];
  ssize_t got;
  while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) text.append(buffer, got);
  close(pipeEnds[0]);
  waitpid(pid, nullptr, 0);
  return text;
}

// ---------------------------------------------------------------------------------------
// The queue, on the offscreen driver

class OffscreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_ws = SdlWindowSystem::CreateOffscreen();
    if (!m_ws->HasVideo() || !m_ws->IsOffscreen()) GTEST_SKIP() << "no offscreen video driver";
  }
  std::unique_ptr<SdlWindowSystem> m_ws;
};

TEST_F(OffscreenTest, PostedMessagesFirstThenTimersAtTheirPeriods) {
  const HWND window = 5;
  m_ws->SetTimer(window, 1, 30);
  m_ws->SetTimer(window, 7, 50);
  for (UINT i = 0; i < 3; ++i) m_ws->PostMessage(WindowMessage{window, WM_USER + i, i, 0});

  std::vector<std::pair<UINT, Clock::time_point>> ticks;
  const auto start = Clock::now();
  WindowMessage msg;
  for (UINT i = 0; i < 3; ++i) {
    ASSERT_TRUE(m_ws->GetMessage(msg));
    EXPECT_EQ(msg.message, WM_USER + i);
    EXPECT_EQ(msg.wParam, i);
  }
  while (Clock::now() - start < milliseconds(255)) {
    ASSERT_TRUE(m_ws->GetMessage(msg));
    ASSERT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.hwnd, window);
    ticks.emplace_back(static_cast<UINT>(msg.wParam), Clock::now());
  }
  std::vector<Clock::time_point> ones, sevens;
  for (const auto& [id, when] : ticks) (id == 1 ? ones : sevens).push_back(when);
  // The last GetMessage may wait past the end for one more tick of either timer.
  EXPECT_GE(ones.size(), 5u);  // a busy machine may wake late; never early
  EXPECT_LE(ones.size(), 9u);
  EXPECT_GE(sevens.size(), 3u);
  EXPECT_LE(sevens.size(), 6u);
  ASSERT_FALSE(ones.empty());
  EXPECT_GE(ones.front() - start, milliseconds(29));
  for (std::size_t i = 1; i < ones.size(); ++i) EXPECT_GE(ones[i] - ones[i - 1], milliseconds(20));

  m_ws->KillTimer(window, 1);
  std::vector<WindowMessage> seen;
  EXPECT_FALSE(WaitFor(*m_ws, [](const WindowMessage& m) { return m.wParam == 1; },
                       milliseconds(80), nullptr, &seen));
  EXPECT_FALSE(seen.empty());  // timer 7 goes on
}

TEST_F(OffscreenTest, QuitComesAfterWaitingMessagesAndEndsGetMessage) {
  m_ws->PostMessage(WindowMessage{3, WM_USER, 0, 0});
  m_ws->PostQuitMessage(4);
  WindowMessage msg;
  EXPECT_TRUE(m_ws->GetMessage(msg));
  EXPECT_EQ(msg.message, WM_USER);
  EXPECT_FALSE(m_ws->GetMessage(msg));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 4u);
  EXPECT_FALSE(m_ws->PeekMessage(msg));
}

TEST_F(OffscreenTest, TerminationSignalGivesOneMessage) {
  const HWND window = m_ws->CreateWindow(TestWindow());
  ASSERT_NE(window, 0u);
  m_ws->PostMessage(WindowMessage{window, WM_USER, 0, 0});
  std::raise(SIGTERM);
  WindowMessage msg;
  ASSERT_TRUE(m_ws->GetMessage(msg));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QM_TERMINATE));
  EXPECT_EQ(msg.hwnd, window);
  EXPECT_FALSE(WaitFor(*m_ws, Is(window, WM_QM_TERMINATE), milliseconds(30)));
}

TEST(TerminationSignals, ASecondSignalEndsTheProcess) {
  const pid_t pid = fork();
  if (pid == 0) {
    auto ws = SdlWindowSystem::CreateOffscreen();
    std::raise(SIGHUP);
    std::raise(SIGTERM);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

TEST_F(OffscreenTest, WindowsWithoutADisplay) {
  const auto displays = m_ws->ListDisplays();
  ASSERT_EQ(displays.size(), 1u);
  EXPECT_TRUE(displays[0].primary);
  const HWND window = m_ws->CreateWindow(TestWindow());
  ASSERT_NE(window, 0u);
  RECT client{};
  ASSERT_TRUE(m_ws->GetClientRect(window, client));
  EXPECT_EQ(client.right, 600);
  EXPECT_EQ(client.bottom, 400);
  WindowParams preview;
  preview.kind = WindowKind::Child;
  preview.parent = 0x400001;
  EXPECT_EQ(m_ws->CreateWindow(preview), 0u);
  EXPECT_FALSE(m_ws->ForeignWindowExists(0x400001));
  m_ws->DestroyWindow(window);
  EXPECT_FALSE(m_ws->GetClientRect(window, client));
}

// Focus moving between the saver's own windows must not end the saver.
TEST_F(OffscreenTest, FocusPassingBetweenOwnWindowsIsNoDeactivation) {
  const HWND first = m_ws->CreateWindow(TestWindow());
  WindowParams secondParams = TestWindow();
  secondParams.owner = first;
  const HWND second = m_ws->CreateWindow(secondParams);
  ASSERT_NE(second, 0u);
  auto focus = [](HWND hwnd, Uint8 what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = static_cast<Uint32>(hwnd);
    event.window.event = what;
    SDL_PushEvent(&event);
  };
  auto activation = [&](WPARAM state) {
    return [=](const WindowMessage& m) {
      return m.message == WM_ACTIVATEAPP && m.wParam == state && m.hwnd == first;
    };
  };
  focus(first, SDL_WINDOWEVENT_FOCUS_GAINED);
  EXPECT_TRUE(WaitFor(*m_ws, activation(1), milliseconds(100)));
  focus(first, SDL_WINDOWEVENT_FOCUS_LOST);
  focus(second, SDL_WINDOWEVENT_FOCUS_GAINED);
  std::vector<WindowMessage> seen;
  EXPECT_FALSE(WaitFor(*m_ws, [](const WindowMessage& m) { return m.message == WM_ACTIVATEAPP; },
                       SdlWindowSystem::kDeactivationGrace * 2, nullptr, &seen));
  const auto lost = Clock::now();
  focus(second, SDL_WINDOWEVENT_FOCUS_LOST);
  ASSERT_TRUE(WaitFor(*m_ws, activation(0), milliseconds(500)));
  EXPECT_GE(Clock::now() - lost, SdlWindowSystem::kDeactivationGrace - milliseconds(5));
}

TEST(SdlMessageBox, WithoutADisplayTheTextGoesToStandardError) {
  const std::string noDisplay = StderrOfChild([] {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    SdlWindowSystem ws;
    if (ws.HasVideo()) {
      std::fputs("video came up\n", stderr);
    }
    EXPECT_EQ(ws.CreateWindow(TestWindow()), 0u);
    ws.MessageBox(0, "Cant get Desktop DisplayMode.", "Error!", MB_ICONERROR);
  });
  EXPECT_EQ(noDisplay, "Error!: Cant get Desktop DisplayMode.\n");

  const std::string offscreen = StderrOfChild([] {
    auto ws = SdlWindowSystem::CreateOffscreen();
    ws->MessageBox(0, "Текстура не найдена", "Warning!", MB_ICONWARNING);
  });
  EXPECT_EQ(offscreen, "Warning!: Текстура не найдена\n");
}

// ---------------------------------------------------------------------------------------
// Windows and input on a real X display

using qm::testing::DisplayTurn;

class X11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
    m_turn = std::make_unique<DisplayTurn>();
    m_ws = std::make_unique<SdlWindowSystem>();
    if (!m_ws->HasVideo() || m_ws->IsOffscreen()) GTEST_SKIP() << "SDL video did not start";
    m_display = XOpenDisplay(nullptr);
    ASSERT_NE(m_display, nullptr);
  }
  void TearDown() override {
    m_ws.reset();
    if (m_display != nullptr) XCloseDisplay(m_display);
    m_turn.reset();
  }

  static Window XidOf(HWND hwnd) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    SDL_Window* window = SDL_GetWindowFromID(static_cast<Uint32>(hwnd));
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info)) return 0;
    return info.info.x11.window;
  }

  // Position on the root window and size of an X window.
  RECT Geometry(Window xid) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(m_display, xid, &attributes);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(m_display, xid, DefaultRootWindow(m_display), 0, 0, &x, &y, &child);
    return RECT{x, y, x + attributes.width, y + attributes.height};
  }

  Window MakeForeignWindow(int width, int height) {
    const unsigned long white = WhitePixel(m_display, DefaultScreen(m_display));
    const Window w = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 700, 500,
                                         width, height, 0, white, white);
    XMapWindow(m_display, w);
    XSync(m_display, False);
    return w;
  }

  std::unique_ptr<DisplayTurn> m_turn;
  std::unique_ptr<SdlWindowSystem> m_ws;
  Display* m_display = nullptr;
};

void ExpectRect(const RECT& actual, const RECT& expected) {
  EXPECT_EQ(actual.left, expected.left);
  EXPECT_EQ(actual.top, expected.top);
  EXPECT_EQ(actual.right, expected.right);
  EXPECT_EQ(actual.bottom, expected.bottom);
}

TEST_F(X11Test, TestWindowHasItsClientAreaAndTitle) {
  const HWND window = m_ws->CreateWindow(TestWindow());
  ASSERT_NE(window, 0u);
  RECT client{};
  ASSERT_TRUE(m_ws->GetClientRect(window, client));
  ExpectRect(client, RECT{0, 0, 600, 400});
  const Window xid = XidOf(window);
  ASSERT_NE(xid, 0u);
  ExpectRect(Geometry(xid), RECT{50, 50, 650, 450});
  char* name = nullptr;
  ASSERT_NE(XFetchName(m_display, xid, &name), 0);
  EXPECT_STREQ(name, kTitle);
  XFree(name);
}

TEST_F(X11Test, ClosingTheWindowGivesWmClose) {
  const HWND window = m_ws->CreateWindow(TestWindow());
  ASSERT_NE(window, 0u);
  // What a window manager sends when the user closes the window.
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = XidOf(window);
  close.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(m_display, close.xclient.window, False, NoEventMask, &close);
  XFlush(m_display);
  EXPECT_TRUE(WaitFor(*m_ws, Is(window, WM_CLOSE), milliseconds(2000)));
}

#if QM_HAVE_XTEST
TEST_F(X11Test, KeysAndButtonsBecomeMessages) {
  const HWND window = m_ws->CreateWindow(TestWindow());
  ASSERT_NE(window, 0u);
  XTestFakeMotionEvent(m_display, -1, 150, 130, CurrentTime);
  XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
  XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
  XTestFakeButtonEvent(m_display, 3, True, CurrentTime);
  XTestFakeButtonEvent(m_display, 3, False, CurrentTime);
  for (KeySym key : {XK_a, XK_Escape}) {
    const KeyCode code = XKeysymToKeycode(m_display, key);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
  }
  XSync(m_display, False);

  WindowMessage msg;
  std::vector<WindowMessage> before;
  ASSERT_TRUE(WaitFor(*m_ws, Is(window, WM_LBUTTONDOWN), milliseconds(2000), &msg, &before));
  EXPECT_EQ(msg.lParam, 100 | (80 << 16));  // client coordinates
  bool moved = false;
  for (const auto& m : before) moved = moved || (m.message == WM_MOUSEMOVE && m.hwnd == window);
  EXPECT_TRUE(moved);
  EXPECT_TRUE(WaitFor(*m_ws, Is(window, WM_RBUTTONDOWN), milliseconds(1000)));
  ASSERT_TRUE(WaitFor(*m_ws, Is(window, WM_KEYDOWN), milliseconds(1000), &msg));
  EXPECT_EQ(msg.wParam, WPARAM{'A'});
  ASSERT_TRUE(WaitFor(*m_ws, Is(window, WM_KEYDOWN), milliseconds(1000), &msg));
  EXPECT_EQ(msg.wParam, WPARAM{0x1B});
}
#endif

TEST_F(X11Test, PopupCoversItsDisplay) {
  const auto displays = m_ws->ListDisplays();
  ASSERT_FALSE(displays.empty());
  EXPECT_TRUE(displays[0].primary);
  EXPECT_FALSE(displays[0].mirror);
  WindowParams params;
  params.kind = WindowKind::Popup;
  params.title = kTitle;
  params.rect = displays[0].bounds;
  params.topmost = true;
  const HWND window = m_ws->CreateWindow(params);
  ASSERT_NE(window, 0u);
  ExpectRect(Geometry(XidOf(window)), displays[0].bounds);
}

TEST_F(X11Test, PreviewChildFillsItsParentAndPaintsTheBitmap) {
  const Window parent = MakeForeignWindow(160, 120);
  EXPECT_TRUE(m_ws->ForeignWindowExists(parent));
  WindowParams params;
  params.kind = WindowKind::Child;
  params.title = kTitle;
  params.parent = parent;
  const HWND window = m_ws->CreateWindow(params);
  ASSERT_NE(window, 0u);
  RECT client{};
  ASSERT_TRUE(m_ws->GetClientRect(window, client));
  ExpectRect(client, RECT{0, 0, 160, 120});
  const Window child = XidOf(window);
  Window root = 0, itsParent = 0, *children = nullptr;
  unsigned count = 0;
  ASSERT_NE(XQueryTree(m_display, child, &root, &itsParent, &children, &count), 0);
  if (children != nullptr) XFree(children);
  EXPECT_EQ(itsParent, parent);
  EXPECT_TRUE(WaitFor(*m_ws, Is(window, WM_PAINT), milliseconds(2000)));

  qm::Bitmap24 bitmap{155, 115, {}};
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) {
      bitmap.bgr.insert(bitmap.bgr.end(), {std::uint8_t(x), std::uint8_t(y), 200});
    }
  }
  m_ws->PaintBitmap(window, bitmap);
  XImage* image = XGetImage(m_display, child, 0, 0, 160, 120, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(XGetPixel(image, 0, 0), 0xC80000u);            // B 0, G 0, R 200
  EXPECT_EQ(XGetPixel(image, 154, 114), 0xC8729Au);        // B 154, G 114, R 200
  EXPECT_EQ(XGetPixel(image, 157, 117), 0u);               // the black window around it
  XDestroyImage(image);

  // The parent going away destroys the preview with it.
  XDestroyWindow(m_display, parent);
  XSync(m_display, False);
  EXPECT_TRUE(WaitFor(*m_ws, Is(window, WM_DESTROY), milliseconds(2000)));
  EXPECT_FALSE(m_ws->ForeignWindowExists(parent));
}

TEST_F(X11Test, ForeignWindowIsPolledAndItsButtonsStayFree) {
  const Window foreign = MakeForeignWindow(300, 200);
  WindowParams params;
  params.kind = WindowKind::Foreign;
  params.parent = foreign;
  params.openGL = true;
  const HWND window = m_ws->CreateWindow(params);
  ASSERT_NE(window, 0u);
  RECT client{};
  ASSERT_TRUE(m_ws->GetClientRect(window, client));
  ExpectRect(client, RECT{0, 0, 300, 200});
  XResizeWindow(m_display, foreign, 320, 240);
  XSync(m_display, False);
  ASSERT_TRUE(m_ws->GetClientRect(window, client));
  ExpectRect(client, RECT{0, 0, 320, 240});
  EXPECT_NE(SDL_GetWindowFlags(SDL_GetWindowFromID(static_cast<Uint32>(window))) &
                SDL_WINDOW_OPENGL,
            0u);

  // Only one client may select button presses on a window: XScreenSaver must still can.
  static bool refused;
  refused = false;
  auto previous = XSetErrorHandler([](Display*, XErrorEvent* e) {
    refused = e->error_code == BadAccess;
    return 0;
  });
  XSelectInput(m_display, foreign, ButtonPressMask);
  XSync(m_display, False);
  XSetErrorHandler(previous);
  EXPECT_FALSE(refused);

  EXPECT_FALSE(m_ws->ForeignWindowExists(0x1FFFFFF0));
  EXPECT_FALSE(m_ws->ForeignWindowExists(0));
}

}  // namespace
