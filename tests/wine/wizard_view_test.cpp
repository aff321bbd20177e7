// The real _install.exe under Wine as the user meets it, read from its real
// windows: what lies on top where windows overlap, the keyboard, dragging
// from every kind of surface, the overall progress bar, and that every text
// fits its box.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tests/wine/e2e_support.h"
#include "ui_driver.h"
#include "wizard/ui/win32/resource_ids.h"

namespace {

using uidriver::ChildAt;
using uidriver::ClassOf;
using uidriver::ClientOnScreen;
using uidriver::FindByCaption;
using uidriver::FocusOf;
using uidriver::Press;
using uidriver::Shown;
using uidriver::Text;
using uidriver::Within;

const char kInstallButton[] = "Install Microsoft .NET Framework 2.0 Beta";
const char kFrameworkLink[] = "www.microsoft.com/net/basics.mspx";
const char kQuestion[] = "Are you sure you want to exit the installation?";
const long kInstallByteTotal = 35212632;

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

RECT WindowRect(HWND hwnd) {
  RECT r = {};
  GetWindowRect(hwnd, &r);
  return r;
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

POINT ToClient(HWND hwnd, POINT screen) {
  ScreenToClient(hwnd, &screen);
  return screen;
}

// The innermost visible window of `window` at a screen point, disabled ones
// included (WindowFromPoint passes over those).
HWND DeepestAt(HWND window, POINT screen) {
  for (HWND h = window;;) {
    HWND child = ChildAt(h, ToClient(h, screen));
    if (!child || child == h) return h;
    h = child;
  }
}

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

// A font handle means nothing outside the program that made it (WM_GETFONT
// even answers 0 across processes under Wine), so texts are measured in the
// fonts the layout names for them: the window font unless listed here.
LOGFONTA FontFor(const std::string& text) {
  struct Named {
    const char* text;
    const char* face;
    int height;  // pixels at 96 dpi: 8.25 pt 11, 14.25 pt 19, 21.75 pt 29
    int weight;
    bool italic, underline;
    int charset;
  };
  static const Named named[] = {
      {"Welcome to", "Tahoma", 19, 400, false, false, 162},
      {"Farspan", "Arial Narrow", 29, 700, true, false, 0},
      {"www.velmora.com", "Tahoma", 11, 400, false, true, 162},
      {"Installing...", "Tahoma", 11, 700, false, false, 162},
      {"Installation Completed", "Tahoma", 19, 400, false, false, 162},
      {"Installation Error", "Tahoma", 19, 400, false, false, 162},
      {"Microsoft .NET Platform Required", "Tahoma", 19, 400, false, false, 162},
      {"Microsoft .NET Framework Version Outdated", "Tahoma", 19, 400, false, false, 162},
  };
  Named font = {"", "Tahoma", 11, 400, false, false, 162};
  for (const Named& n : named)
    if (text == n.text) font = n;
  LOGFONTA lf = {};
  lf.lfHeight = -font.height;
  lf.lfWeight = font.weight;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfCharSet = static_cast<BYTE>(font.charset);
  lstrcpynA(lf.lfFaceName, font.face, LF_FACESIZE);
  return lf;
}

// Where a control's text really lies, on screen.
struct Label {
  HWND hwnd;
  std::string text;
  RECT ink;
  bool button;
};

// Pairs of labels that the layout places over each other on purpose.
bool MayOverlap(const std::string& a, const std::string& b) {
  auto pair = [&](const std::string& x, const std::string& y) {
    return (a.rfind(x, 0) == 0 && b.rfind(y, 0) == 0) || (a.rfind(y, 0) == 0 && b.rfind(x, 0) == 0);
  };
  // The framework link is set at the end of the first paragraph, inside the
  // paragraph's box; FrameworkPagesByKeyboard reads from the screen that
  // the paragraph stays clear of it.
  return pair(kFrameworkLink, "This version of Quillon requires");
}

// Checks that every visible text of `window` fits its control and that no two
// labels cover each other; gives back the labels it measured. A control
// wholly covered by a window above it (the status line under the completion
// panel) is not seen, so it is not measured.
std::vector<Label> CheckTextsFit(HWND window, const std::string& state) {
  SCOPED_TRACE(state);
  std::vector<Label> labels;
  const RECT windowClient = ClientOnScreen(window);
  for (HWND h : uidriver::Descendants(window)) {
    const std::string cls = ClassOf(h);
    if ((cls != "Static" && cls != "Button") || !IsWindowVisible(h)) continue;
    // A status line may be changing: its text and its size are taken when
    // they have held still for a moment.
    std::string text;
    RECT client = {};
    for (int tries = 0; tries < 5; ++tries) {
      text = Text(h);
      client = ClientOnScreen(h);
      Sleep(30);
      const RECT again = ClientOnScreen(h);
      if (Text(h) == text && EqualRect(&again, &client)) break;
    }
    if (text.empty() || !Within(DeepestAt(window, Centre(client)), h)) continue;
    // Drawn as an arrow: its symbol face is missing under Wine.
    if (text == "6") continue;
    const LONG style = GetWindowLongA(h, GWL_STYLE);
    const int width = client.right - client.left, height = client.bottom - client.top;
    const LOGFONTA font = FontFor(text);
    if (cls == "Button") {
      const SIZE ext = uidriver::MeasureText(font, text);
      const LONG type = style & BS_TYPEMASK;
      // Push buttons keep their frame and focus rectangle clear of the
      // caption; check boxes put their box before it.
      const int needed = type == BS_3STATE || type == BS_AUTO3STATE || type == BS_CHECKBOX ? ext.cx + 17 : ext.cx + 8;
      EXPECT_LE(needed, width) << "'" << text << "' " << ext.cx << " px wide";
      EXPECT_LE(ext.cy + 4, height) << "'" << text << "'";
      labels.push_back({h, text, client, true});
      continue;
    }
    const LONG type = style & SS_TYPEMASK;
    const bool wraps = type == SS_LEFT;
    const SIZE ext = uidriver::MeasureText(font, text, wraps ? width : 0);
    EXPECT_LE(ext.cx, width) << "'" << text << "' in " << Describe(client);
    EXPECT_LE(ext.cy, height) << "'" << text << "' in " << Describe(client)
                              << (wraps ? " (wrapped)" : "");
    RECT ink = {client.left, client.top, client.left + ext.cx, client.top + ext.cy};
    if (type == SS_RIGHT) OffsetRect(&ink, width - ext.cx, 0);
    if (type == SS_CENTER) OffsetRect(&ink, (width - ext.cx) / 2, 0);
    // Whatever holds the label must not cut its text off either.
    RECT seen = windowClient;
    for (HWND p = GetParent(h); p && p != window; p = GetParent(p)) {
      const RECT pc = ClientOnScreen(p);
      IntersectRect(&seen, &seen, &pc);
    }
    RECT inside;
    IntersectRect(&inside, &ink, &seen);
    // The layout itself lets ContinueHint's box reach 1 px past the foot of
    // its page: only the lowest row of the descent is cut.
    if (text == "To continue, click 'Next' button below.") inside.bottom += 1;
    EXPECT_TRUE(EqualRect(&inside, &ink)) << "'" << text << "' at " << Describe(ink) << " cut off by "
                                          << Describe(seen);
    labels.push_back({h, text, ink, false});
  }
  for (std::size_t i = 0; i < labels.size(); ++i)
    for (std::size_t j = i + 1; j < labels.size(); ++j) {
      RECT common;
      if (!labels[i].button && !labels[j].button && IntersectRect(&common, &labels[i].ink, &labels[j].ink) &&
          !MayOverlap(labels[i].text, labels[j].text))
        ADD_FAILURE() << "'" << labels[i].text << "' " << Describe(labels[i].ink) << " overlaps '" << labels[j].text
                      << "' " << Describe(labels[j].ink);
    }
  return labels;
}

// The measurement saw these texts, so it did not pass by seeing nothing.
void ExpectMeasured(const std::vector<Label>& labels, const std::vector<std::string>& texts) {
  for (const std::string& t : texts) {
    bool found = false;
    for (const Label& l : labels) found = found || l.text == t;
    EXPECT_TRUE(found) << "'" << t << "' was not seen";
  }
}

const Label* FindLabel(const std::vector<Label>& labels, const std::string& text) {
  for (const Label& l : labels)
    if (l.text == text) return &l;
  return nullptr;
}

// A picture as the program holds it in its resources, top row first; empty
// when it cannot be read.
std::vector<COLORREF> ResourcePicture(const std::string& program, int bitmapId, SIZE* size) {
  HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return {};
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageA(module, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  FreeLibrary(module);
  BITMAP info = {};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return {};
  BITMAPINFO header = {};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = -info.bmHeight;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  std::vector<RGBQUAD> raw(static_cast<std::size_t>(info.bmWidth) * static_cast<std::size_t>(info.bmHeight));
  HDC dc = GetDC(nullptr);
  const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), raw.data(), &header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  DeleteObject(bitmap);
  if (rows != info.bmHeight) return {};
  *size = {info.bmWidth, info.bmHeight};
  std::vector<COLORREF> pixels(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) pixels[i] = RGB(raw[i].rgbRed, raw[i].rgbGreen, raw[i].rgbBlue);
  return pixels;
}

// An image panel shows its whole picture wherever nothing lies over it, also
// on a page that was hidden when the window first showed.
void ExpectPicture(HWND window, HWND panel, const std::string& program, int bitmapId) {
  ASSERT_TRUE(panel && Shown(panel));
  SIZE size = {};
  const std::vector<COLORREF> picture = ResourcePicture(program, bitmapId, &size);
  ASSERT_FALSE(picture.empty()) << "picture " << bitmapId << " not in " << program;
  const RECT client = ClientOnScreen(panel);
  const RECT area = {client.left, client.top, client.left + std::min<LONG>(size.cx, client.right - client.left),
                     client.top + std::min<LONG>(size.cy, client.bottom - client.top)};
  const std::vector<COLORREF> screen = uidriver::ScreenPixels(area);
  const LONG width = area.right - area.left;
  ASSERT_EQ(screen.size(), static_cast<std::size_t>(width * (area.bottom - area.top)));
  // What lies over the panel: its shown children, and the shown windows
  // above it, and above each of its parents, among their siblings; and its
  // parents clip it. (Asking for the window at each point instead crosses
  // into the program each time.)
  std::vector<RECT> over;
  auto cover = [&](HWND h) {
    RECT r;
    if (IsWindowVisible(h) && GetWindowRect(h, &r)) over.push_back(r);
  };
  for (HWND c = GetWindow(panel, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) cover(c);
  RECT shown = area;
  for (HWND h = panel; h && h != window; h = GetParent(h)) {
    for (HWND s = GetWindow(h, GW_HWNDPREV); s; s = GetWindow(s, GW_HWNDPREV)) cover(s);
    const RECT parent = ClientOnScreen(GetParent(h));
    IntersectRect(&shown, &shown, &parent);
  }
  int compared = 0, differing = 0;
  for (LONG y = 0; y < area.bottom - area.top; ++y)
    for (LONG x = 0; x < width; ++x) {
      const POINT at = {area.left + x, area.top + y};
      if (!PtInRect(&shown, at) || std::any_of(over.begin(), over.end(), [&](const RECT& r) { return PtInRect(&r, at); }))
        continue;
      ++compared;
      differing += screen[static_cast<std::size_t>(y * width + x)] != picture[static_cast<std::size_t>(y * size.cx + x)];
    }
  EXPECT_GT(compared, 1000) << "picture " << bitmapId << ": the panel is nowhere to be seen";
  EXPECT_EQ(differing, 0) << "picture " << bitmapId << ": " << differing << " of " << compared
                          << " pixels are not the picture's";
}

// The key as a user types it: the program must have the focus somewhere for
// the key to arrive at all.
void Key(HWND window, WORD key, bool shift = false) {
  SetForegroundWindow(window);
  Sleep(50);
  uidriver::KeyPress(key, shift);
  Sleep(250);
}

std::string FocusedCaption(HWND window) {
  HWND focus = FocusOf(window);
  return focus ? Text(focus) : "(no focus)";
}

// The captions that Tab visits, starting after the focused control.
std::vector<std::string> TabWalk(HWND window, int presses, bool shift = false) {
  std::vector<std::string> seen;
  for (int i = 0; i < presses; ++i) {
    Key(window, VK_TAB, shift);
    seen.push_back(FocusedCaption(window));
  }
  return seen;
}

class WizardViewTest : public ::testing::Test {
 protected:
  HWND Run(const std::string& name, const std::string& arguments = "", bool withInstaller = false,
           long long firstFileSize = 0) {
    return Run(session_, name, arguments, withInstaller, firstFileSize);
  }
  HWND Run(uidriver::Session& session, const std::string& name, const std::string& arguments,
           bool withInstaller, long long firstFileSize = 0) {
    folder_ = PrepareWizardFolder(name);
    EXPECT_FALSE(folder_.sources.empty());
    if (firstFileSize) {
      EXPECT_TRUE(WriteFile(folder_.wizard + "\\quilbox_.NET.EXE",
                            std::string(static_cast<std::size_t>(firstFileSize), 'q')));
    }
    if (withInstaller) {
      EXPECT_TRUE(CopyFileA((uidriver::OwnFolder() + "\\install.exe").c_str(),
                            (folder_.wizard + "\\install.exe").c_str(), FALSE));
    }
    auto env = WizardEnvironment(folder_);
    if (!firstPath_.empty()) env["PATH"] = firstPath_ + ";C:\\windows\\system32;C:\\windows";
    EXPECT_TRUE(session.Start(folder_.wizard + "\\_install.exe", arguments, env, folder_.root));
    HWND window = session.WaitForWindow("QuillonWizard");
    EXPECT_NE(window, nullptr);
    return window;
  }

  bool InstallerStarted() const { return Exists(folder_.wizard + "\\install.exe.started"); }

  WizardFolder folder_;
  std::string firstPath_;
  uidriver::Session session_;
};

// One install from the welcome page to Finish, driven by the keyboard, with
// every page's texts, the stacking of the pages, the overall bar and Escape
// checked on the way.
TEST_F(WizardViewTest, AnInstallByKeyboardAsTheUserSeesIt) {
  // A first file that carries the counter just past half of the byte total.
  HWND window = Run("quillon-view-install", "", false, 18000000);
  ASSERT_NE(window, nullptr);
  HWND options = GetParent(FindByCaption(window, "Would you like to have any shortcuts to be created?"));
  HWND copyPage = GetParent(FindByCaption(window, "Installing..."));
  HWND finishing = GetParent(FindByCaption(window, "Preparing installation..."));
  HWND welcome = GetParent(FindByCaption(window, "To continue, click 'Next' button below."));
  ASSERT_TRUE(options && copyPage && finishing && welcome);

  {
    SCOPED_TRACE("welcome");
    // The band lies over the page's top edge: the row they share is the band's.
    const RECT page = WindowRect(welcome);
    const int x = (page.left + page.right) / 2;
    HWND band = ChildAt(window, ToClient(window, {x, page.top}));
    ASSERT_NE(band, welcome);
    EXPECT_EQ(ClassOf(band), "QuillonPanel");
    const RECT bandRect = WindowRect(band);
    EXPECT_LT(bandRect.top, page.top);
    ASSERT_GT(bandRect.bottom, page.top) << "the band does not reach over the page";
    EXPECT_EQ(ChildAt(window, ToClient(window, {x, bandRect.bottom})), welcome);

    const auto labels = CheckTextsFit(window, "Present, welcome");
    ExpectMeasured(labels, {"Velmora Development Team", "www.velmora.com", "Welcome to", "Farspan",
                            "To continue, click 'Next' button below.", "Next >", "Cancel", "< Back"});
    // The edition strip's picture sets "EDITION" from its column 122 on,
    // beside the edition's name (assets/make-assets).
    if (const Label* edition = FindLabel(labels, "Farspan")) {
      EXPECT_LE(edition->ink.right, ClientOnScreen(GetParent(edition->hwnd)).left + 120)
          << "'Farspan' runs into the picture's EDITION";
    }
    EXPECT_EQ(FocusedCaption(window), "Next >");
    EXPECT_EQ(TabWalk(window, 2), (std::vector<std::string>{"Cancel", "Next >"}));
    Key(window, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return Shown(FindByCaption(window, "Install Now")); }, 5000))
        << "Enter on the welcome page did not press Next";
  }
  {
    SCOPED_TRACE("options");
    ExpectMeasured(CheckTextsFit(window, "Present, options"),
                   {"Would you like to have any shortcuts to be created?", "Create shortcut in 'Programs' menu group",
                    "Create shortcut as 'Quick Launch' on taskbar", "Install Now"});
    EXPECT_EQ(FocusedCaption(window), "Install Now");
    EXPECT_EQ(TabWalk(window, 7),
              (std::vector<std::string>{"Cancel", "< Back", "Create shortcut in 'Programs' menu group",
                                        "Create shortcut on 'Desktop'", "Create shortcut in 'Windows Start' menu",
                                        "Create shortcut as 'Quick Launch' on taskbar", "Install Now"}));
    EXPECT_EQ(TabWalk(window, 1, true), std::vector<std::string>{"Create shortcut as 'Quick Launch' on taskbar"});
    Key(window, VK_TAB);
    ASSERT_EQ(FocusedCaption(window), "Install Now");
    Key(window, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return Shown(copyPage); }, 5000)) << "Enter on the options page did not install";
  }

  // The options page stays shown beneath the copy page and then the
  // finishing page: the middle of its area belongs to whichever is on top.
  const POINT middle = ToClient(window, Centre(WindowRect(options)));
  {
    SCOPED_TRACE("copy");
    EXPECT_TRUE(Shown(options));
    EXPECT_EQ(ChildAt(window, middle), copyPage);
    EXPECT_TRUE(Within(WindowFromPoint(Centre(WindowRect(options))), copyPage));
    ExpectMeasured(CheckTextsFit(window, "Present, copy"), {"Installing..."});

    // The bar follows the percent of the byte total that the counter holds;
    // the first file's copy is the counter, give or take the block in hand.
    HWND bar = nullptr;
    for (HWND h : uidriver::Descendants(copyPage))
      if (ClassOf(h) == PROGRESS_CLASSA) bar = h;
    ASSERT_NE(bar, nullptr);
    // Across processes the range comes back one end at a time.
    PBRANGE range = {};
    range.iLow = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, TRUE, 0));
    range.iHigh = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
    const long span = range.iHigh - range.iLow;
    ASSERT_GT(span, 0);
    const std::string first = folder_.programFiles + "\\Velmora\\Quillon\\SETUP32_.NET.EXE";
    auto percent = [](long long bytes) {
      return std::nearbyint(static_cast<double>(std::max(0LL, bytes)) * 100.0 / kInstallByteTotal);
    };
    int samples = 0, halves = 0;
    bool dragged = false;
    const DWORD started = GetTickCount();
    for (;;) {
      const long long before = FileSize(first);
      const long position = static_cast<long>(SendMessageA(bar, PBM_GETPOS, 0, 0)) - range.iLow;
      const long long after = FileSize(first);
      if (after >= 18000000 || !IsWindowVisible(bar) || GetTickCount() - started > 120000) break;
      const double shown = position * 100.0 / span;
      EXPECT_GE(shown, percent(before - 256) - 1e-9) << before << " bytes";
      EXPECT_LE(shown, percent(after) + 1e-9) << after << " bytes";
      ++samples;
      if (percent(before - 256) == 50 && percent(after) == 50) {
        ++halves;
        EXPECT_EQ(position * 2, span) << "not half full at 50%";
      }
      // The bar is a drag surface too; the copy waits while the user drags.
      if (!dragged && percent(before) >= 15) {
        dragged = true;
        const RECT at = WindowRect(window);
        uidriver::MouseDrag(Centre(WindowRect(bar)), 30, 20, MOUSEEVENTF_LEFTDOWN);
        const RECT moved = WindowRect(window);
        EXPECT_EQ(moved.left - at.left, 30) << "dragging the progress bar";
        EXPECT_EQ(moved.top - at.top, 20) << "dragging the progress bar";
      }
      Sleep(20);
    }
    EXPECT_TRUE(dragged);
    EXPECT_GT(samples, 20);
    EXPECT_GT(halves, 0) << "the bar was never read at 50%";
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(bar); }, 30000));
    // The copy step ends with the bar full, whatever the percent.
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), range.iHigh);
  }
  {
    SCOPED_TRACE("finishing");
    ASSERT_TRUE(WaitUntil([&] { return Shown(finishing); }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(copyPage); }, 10000));
    EXPECT_TRUE(Shown(options));
    EXPECT_EQ(ChildAt(window, middle), finishing);
    ExpectMeasured(CheckTextsFit(window, "Present, finishing"), {"Velmora Development Team"});

    // No button is left to press, yet Escape still asks what a close does.
    for (const char* caption : {"Next >", "Install Now", "Cancel", "< Back", "Finish"})
      EXPECT_FALSE(Shown(FindByCaption(window, caption))) << caption;
    ASSERT_TRUE(WaitUntil([&] { return Text(FindByCaption(window, "Updating the registry...")) != ""; }, 10000));
    Key(window, VK_ESCAPE);
    HWND question = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (question = session_.FindTopLevel("#32770", "Quillon")) != nullptr; }, 5000))
        << "Escape asked nothing; the focus was on " << FocusOf(window) << " '" << FocusedCaption(window)
        << "', the window is " << window;
    EXPECT_TRUE(Shown(FindByCaption(question, kQuestion)));
    Press(FindByCaption(question, "&No"));
    ASSERT_TRUE(WaitUntil([&] { return session_.FindTopLevel("#32770", "Quillon") == nullptr; }, 5000));
    EXPECT_TRUE(session_.Running());
    EXPECT_TRUE(IsWindowVisible(window));
  }
  {
    SCOPED_TRACE("completion");
    ASSERT_TRUE(WaitUntil([&] { return Shown(FindByCaption(window, "Installation Completed")); }, 60000));
    ExpectMeasured(CheckTextsFit(window, "Present, completion"), {"Installation Completed", "Finish"});
    HWND panel = GetParent(FindByCaption(window, "Installation Completed"));
    ExpectPicture(window, panel, folder_.wizard + "\\_install.exe", IDB_COMPLETION_PANEL);
    HWND image = nullptr;
    for (HWND h : uidriver::Descendants(panel))
      if (Text(h).empty() && ClassOf(h) == ClassOf(panel)) image = h;
    ExpectPicture(window, image, folder_.wizard + "\\_install.exe", IDB_COMPLETION_IMAGE);
    // Enter presses the default button, Finish.
    Key(window, VK_RETURN);
    EXPECT_EQ(session_.WaitForExit(5000), 0);
  }
}

// Drags from every kind of surface move the window by the mouse's way; a
// second quick press acts like the first; a right press moves nothing.
TEST_F(WizardViewTest, EverySurfaceDragsAndLinksOpenOnEveryPress) {
  const std::string log = QUILLON_BROWSER_LOG;
  ASSERT_TRUE(RecordBrowserLaunches(QUILLON_BROWSER_RECORDER, log));

  HWND window = Run("quillon-view-drag");
  ASSERT_NE(window, nullptr);
  HWND label = FindByCaption(window, "To continue, click 'Next' button below.");
  HWND page = GetParent(label);
  HWND strip = GetParent(FindByCaption(window, "Farspan"));
  ASSERT_TRUE(label && page && strip);

  // A point of each surface, from where it lies now; each is checked to be
  // that surface's own before it is pressed.
  struct Surface {
    const char* name;
    std::function<POINT()> point;
    HWND owner;
  };
  const Surface surfaces[] = {
      {"label", [&] { const RECT r = WindowRect(label); return POINT{r.left + 5, (r.top + r.bottom) / 2}; }, label},
      {"page", [&] { const RECT r = WindowRect(page); return POINT{r.left + 240, r.top + 86}; }, page},
      {"image panel", [&] { const RECT r = WindowRect(strip); return POINT{r.left + 150, r.top + 20}; }, strip},
      // Right of the footer strip and below the buttons nothing covers the
      // window's own background.
      {"window background", [&] { const RECT r = ClientOnScreen(window); return POINT{r.right - 8, r.bottom - 8}; },
       window},
  };
  for (const Surface& s : surfaces) {
    SCOPED_TRACE(s.name);
    ASSERT_EQ(WindowFromPoint(s.point()), s.owner);
    for (const bool second : {false, true}) {
      const RECT start = WindowRect(window);
      uidriver::MouseDrag(s.point(), 24, 16, MOUSEEVENTF_LEFTDOWN, second);
      const RECT moved = WindowRect(window);
      EXPECT_EQ(moved.left - start.left, 24) << (second ? "second press" : "first press");
      EXPECT_EQ(moved.top - start.top, 16) << (second ? "second press" : "first press");
      EXPECT_EQ(moved.right - moved.left, start.right - start.left);
    }
    const RECT start = WindowRect(window);
    uidriver::MouseDrag(s.point(), 24, 16, MOUSEEVENTF_RIGHTDOWN);
    uidriver::MouseDrag(s.point(), 24, 16, MOUSEEVENTF_RIGHTDOWN, true);
    const RECT after = WindowRect(window);
    EXPECT_EQ(after.left, start.left) << "a right press moved the window";
    EXPECT_EQ(after.top, start.top) << "a right press moved the window";
  }
  // Nothing of it was taken for a click: still the welcome page.
  EXPECT_TRUE(Shown(label));
  EXPECT_TRUE(Shown(FindByCaption(window, "Next >")));

  // The maker's link opens its page on a press and again on the quick second
  // press, and moves nothing.
  HWND link = FindByCaption(window, "www.velmora.com");
  ASSERT_NE(link, nullptr);
  const RECT start = WindowRect(window);
  PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  PostMessageA(link, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
  PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  auto opened = [&] {
    std::size_t count = 0;
    const std::string text = ReadFile(log);
    for (std::size_t at = text.find("http://www.velmora.com"); at != std::string::npos;
         at = text.find("http://www.velmora.com", at + 1))
      ++count;
    return count;
  };
  EXPECT_TRUE(WaitUntil([&] { return opened() >= 2; }, 20000)) << ReadFile(log);
  const RECT after = WindowRect(window);
  EXPECT_EQ(after.left, start.left);
  EXPECT_EQ(after.top, start.top);
}

// The two framework pages: texts, the link at the end of its paragraph, the
// keyboard order, and Enter, which leaves and never starts the installer.
TEST_F(WizardViewTest, FrameworkPagesByKeyboard) {
  struct Case {
    const char* arguments;
    const char* title;
    int tabsBeforeEnter;  // 1: Enter while the install button has the focus
  };
  for (const Case& c : {Case{"-0", "Microsoft .NET Platform Required", 1},
                        Case{"-1:2.0.40607", "Microsoft .NET Framework Version Outdated", 0}}) {
    SCOPED_TRACE(c.arguments);
    uidriver::Session session;
    HWND window = Run(session, std::string("quillon-view-framework") + c.arguments, c.arguments, true);
    ASSERT_NE(window, nullptr);
    const auto labels = CheckTextsFit(window, c.arguments);
    ExpectMeasured(labels, {c.title, kInstallButton, "Exit", "Velmora Development Team"});
    ExpectPicture(window, GetParent(FindByCaption(window, c.title)), folder_.wizard + "\\_install.exe",
                  IDB_FRAMEWORK_PAGE);

    if (const Label* link = FindLabel(labels, kFrameworkLink)) {
      // The link continues the first paragraph's last line, after its colon.
      const Label* text = nullptr;
      for (const Label& l : labels)
        if (l.text.rfind("This version of Quillon requires", 0) == 0) text = &l;
      ASSERT_NE(text, nullptr);
      const std::string paragraph = text->text.substr(0, text->text.find("\r\n"));
      ASSERT_EQ(paragraph.back(), ':');
      const RECT box = ClientOnScreen(text->hwnd);
      const int width = box.right - box.left;
      const LOGFONTA font = FontFor(paragraph);
      const int line = uidriver::MeasureText(font, "Ag").cy;
      const int lines = uidriver::MeasureText(font, paragraph, width).cy / line;
      // The words that fill all lines but the last: the rest is the last line.
      std::size_t cut = paragraph.size();
      while (cut != std::string::npos &&
             uidriver::MeasureText(font, paragraph.substr(0, cut), width).cy / line >= lines)
        cut = cut == 0 ? std::string::npos : paragraph.rfind(' ', cut - 1);
      ASSERT_NE(cut, std::string::npos);
      const int lastLineTop = box.top + (lines - 1) * line;
      EXPECT_GE(link->ink.top, lastLineTop - 2) << "the link is not on the paragraph's last line";
      EXPECT_LE(link->ink.top, lastLineTop + 2) << "the link is not on the paragraph's last line";
      // Under Wine the glyphs come out narrower than the extents GDI reports,
      // so whether the paragraph runs under the link is read from the screen:
      // no ink of the paragraph (dark, not the link's blue) inside the link.
      RECT linkBox = link->ink;
      const std::vector<COLORREF> pixels = uidriver::ScreenPixels(linkBox);
      int paragraphInk = 0;
      for (COLORREF pixel : pixels) {
        const int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
        if (std::max({r, g, b}) < 140 && b - r < 60) ++paragraphInk;
      }
      EXPECT_EQ(paragraphInk, 0) << "the paragraph '" << paragraph.substr(cut + 1) << "' runs under the link at "
                                 << Describe(linkBox);
      int linkInk = 0;
      for (COLORREF pixel : pixels) linkInk += GetBValue(pixel) > 200 && GetRValue(pixel) < 120;
      EXPECT_GT(linkInk, 20) << "the link is not drawn where it lies";
    } else {
      EXPECT_STREQ(c.arguments, "-1:2.0.40607") << "the link was not seen";
    }

    EXPECT_EQ(FocusedCaption(window), "Exit");
    EXPECT_EQ(TabWalk(window, 2), (std::vector<std::string>{kInstallButton, "Exit"}));
    TabWalk(window, c.tabsBeforeEnter);
    Key(window, VK_RETURN);
    EXPECT_EQ(session.WaitForExit(5000), 0) << "Enter did not press Exit";
    Sleep(1500);
    EXPECT_FALSE(InstallerStarted()) << "Enter started the framework installer";
  }
}

// Start-up failed: the error page, with the framework install button over it.
TEST_F(WizardViewTest, ErrorPageAndItsButton) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  firstPath_ = std::string(temp) + "quillon-view-missing-directory";
  HWND window = Run("quillon-view-error", "", true);
  ASSERT_NE(window, nullptr);
  HWND error = GetParent(FindByCaption(window, "Installation Error"));
  HWND install = FindByCaption(window, kInstallButton);
  ASSERT_TRUE(error && install);
  ASSERT_TRUE(Shown(error));
  const RECT button = WindowRect(install), page = WindowRect(error);
  RECT common;
  ASSERT_TRUE(IntersectRect(&common, &button, &page)) << "the button does not overlap the page";
  EXPECT_EQ(ChildAt(window, ToClient(window, Centre(common))), install);
  EXPECT_EQ(WindowFromPoint(Centre(common)), install);

  ExpectMeasured(CheckTextsFit(window, "StartupFailure"), {"Installation Error", kInstallButton, "Exit"});
  ExpectPicture(window, error, folder_.wizard + "\\_install.exe", IDB_ERROR_PAGE);
  EXPECT_EQ(FocusedCaption(window), "Exit");
  Key(window, VK_RETURN);
  EXPECT_EQ(session_.WaitForExit(5000), 0) << "Enter did not press Exit";
  Sleep(1000);
  EXPECT_FALSE(InstallerStarted());
}

}  // namespace
