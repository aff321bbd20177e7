#include "wizard/ui/win32/wizard_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "platform/win32/dll_hardening.h"
#include "wizard/ui/win32/resource_ids.h"

namespace wizard::win32 {
namespace {

const char kPanelClass[] = "QuillonPanel";
const char kViewProperty[] = "QuillonView";
const int kClientWidthPx = WizardWindow::kClientWidth / kTwipsPerPixel;
const int kClientHeightPx = WizardWindow::kClientHeight / kTwipsPerPixel;
// The progress control counts in steps this fine, whatever the model's range.
const int kProgressSteps = 10000;

int Px(int twips) { return static_cast<int>(std::lround(twips / static_cast<double>(kTwipsPerPixel))); }

const DWORD kWindowStyle = WS_POPUP | WS_BORDER | WS_CLIPSIBLINGS;
const DWORD kWindowExStyle = WS_EX_APPWINDOW;

WizardView* ViewFromCreate(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<WizardView*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// Classes with double-clicks (the static labels) report a quick second press
// as a double-click; it is a press like any other.
MouseButton ButtonOf(UINT msg) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return MouseButton::kLeft;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: return MouseButton::kRight;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return MouseButton::kMiddle;
    default: return MouseButton::kOther;
  }
}

bool IsMouseDown(UINT msg) {
  return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN ||
         msg == WM_XBUTTONDOWN || msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK ||
         msg == WM_MBUTTONDBLCLK || msg == WM_XBUTTONDBLCLK;
}

WPARAM CheckState(int check) {
  return check == 1 ? BST_CHECKED : check == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
}

// Shown once the window is: the control and every panel it lies on.
bool Shown(const Control& c) {
  for (const Control* p = &c; p; p = p->parent())
    if (!p->visible()) return false;
  return true;
}

int ProgressPosition(const Control& c) {
  const double span = c.max() - c.min();
  if (span <= 0) return 0;
  return static_cast<int>(std::lround((c.value() - c.min()) / span * kProgressSteps));
}

}  // namespace

WizardView::WizardView(HINSTANCE instance) : instance_(instance) {}

WizardView::~WizardView() {
  if (window_) DestroyWindow(window_);
  for (auto& c : children_)
    if (c.image.bitmap) DeleteObject(c.image.bitmap);
  for (auto& [key, font] : fonts_) DeleteObject(font);
  for (auto& [colour, brush] : brushes_) DeleteObject(brush);
}

bool WizardView::Create(Wizard& wizard) {
  wizard_ = &wizard;
  WizardWindow& w = wizard.window();

  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  wc.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(IDI_INSTALL));
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassExA(&wc)) return false;
  wc.lpfnWndProc = PanelProc;
  wc.hIcon = nullptr;
  wc.lpszClassName = kPanelClass;
  if (!RegisterClassExA(&wc)) return false;
  linkCursor_ = LoadCursorA(instance_, MAKEINTRESOURCEA(IDC_LINK_HAND));

  RECT frame = {0, 0, kClientWidthPx, kClientHeightPx};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  window_ = CreateWindowExA(kWindowExStyle, kWindowClass, "", kWindowStyle, x, y, width, height,
                            nullptr, nullptr, instance_, this);
  if (!window_) return false;

  children_.reserve(w.controls().size());
  for (Control* c : w.controls())
    if (!c->spec().neverShown && c->kind() != ControlKind::kShape) CreateChild(*c);
  ApplyStacking();

  for (std::size_t i = 0; i < w.timers().size(); ++i) {
    const UINT_PTR id = i + 1;
    w.timers()[i]->Observe([this, id](Timer& t) {
      if (t.enabled())
        SetTimer(window_, id, static_cast<UINT>(t.interval()), nullptr);
      else
        KillTimer(window_, id);
    });
  }
  return true;
}

HWND WizardView::ParentWindow(const Control& control) {
  Child* parent = FindChild(control.parent());
  return parent ? parent->hwnd : window_;
}

void WizardView::CreateChild(Control& control) {
  const ControlSpec& s = control.spec();
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  if (control.visible()) style |= WS_VISIBLE;
  if (!control.enabled()) style |= WS_DISABLED;
  const char* windowClass = kPanelClass;
  switch (control.kind()) {
    case ControlKind::kPanel:
    case ControlKind::kImagePanel:
      break;
    case ControlKind::kLabel:
      windowClass = "STATIC";
      style |= SS_NOPREFIX;
      if (s.align == Align::kRight)
        style |= SS_RIGHT;
      else if (s.align == Align::kCentre)
        style |= SS_CENTER;
      else if (!s.wraps)
        style |= SS_LEFTNOWORDWRAP;
      break;
    case ControlKind::kButton:
      windowClass = "BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ControlKind::kCheckBox:
      windowClass = "BUTTON";
      style |= BS_3STATE | WS_TABSTOP;
      break;
    case ControlKind::kProgressBar:
      windowClass = PROGRESS_CLASSA;
      break;
    case ControlKind::kShape:
    case ControlKind::kTextBox:
      return;
  }
  const Box& b = s.box;
  HWND hwnd = CreateWindowExA(0, windowClass, control.text().c_str(), style, Px(b.left), Px(b.top),
                              Px(b.width), Px(b.height), ParentWindow(control),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(children_.size() + 1000)),
                              instance_, this);
  if (!hwnd) return;
  // Among siblings a later control lies on top (a link over the paragraph it
  // ends); the window's own children are ordered afterwards by ApplyStacking.
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  children_.push_back({&control, hwnd, nullptr, {}});
  Child& child = children_.back();
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(s.font)), FALSE);

  if (control.kind() == ControlKind::kLabel || control.kind() == ControlKind::kProgressBar) {
    SetPropA(hwnd, kViewProperty, this);
    child.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  }
  if (control.kind() == ControlKind::kCheckBox)
    SendMessageA(hwnd, BM_SETCHECK, CheckState(control.check()), 0);
  if (control.kind() == ControlKind::kProgressBar) {
    SendMessageA(hwnd, PBM_SETRANGE32, 0, kProgressSteps);
    SendMessageA(hwnd, PBM_SETPOS, static_cast<WPARAM>(ProgressPosition(control)), 0);
  }
  // The pages not shown first (framework, error, completion) hold most of
  // the image bytes; theirs are decoded when they are first about to show.
  child.imagePending = s.image != Asset::kNone;
  if (Shown(control)) LoadPendingImage(child);
  // Without its symbol face the character would show as a digit; the arrow
  // it stands for is drawn instead, in the box the glyph fills.
  child.drawnArrow = &control == &wizard_->window().StepArrow && !FaceInstalled(s.font);
  if (s.autoSize && !child.drawnArrow) FitToText(child);

  control.Observe([this](Control& c, Property p) { Mirror(c, p); });
}

void WizardView::LoadPendingImage(Child& child) {
  if (!child.imagePending) return;
  child.imagePending = false;
  child.image = LoadAsset(instance_, child.control->spec().image);
}

// What the start-up made visible is drawn complete in the first frame.
void WizardView::LoadShownImages() {
  for (auto& c : children_)
    if (c.imagePending && Shown(*c.control)) LoadPendingImage(c);
}

void WizardView::ApplyStacking() {
  WizardWindow& w = wizard_->window();
  // Each goes to the bottom in turn, so the first listed ends up on top; the
  // labels drawn on the window's own surface go beneath them all.
  for (Control* c : w.stackingOrder())
    if (Child* child = FindChild(c))
      SetWindowPos(child->hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (Control* c : {&w.WelcomeHeading, &w.StepArrow})
    if (Child* child = FindChild(c))
      SetWindowPos(child->hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void WizardView::Mirror(Control& control, Property property) {
  Child* child = FindChild(&control);
  if (!child) return;
  HWND hwnd = child->hwnd;
  switch (property) {
    case Property::kText:
      SetWindowTextA(hwnd, control.text().c_str());
      if (control.spec().autoSize) FitToText(*child);
      if (control.spec().transparent) RedrawUnder(hwnd);
      break;
    case Property::kVisible:
      ShowWindow(hwnd, control.visible() ? SW_SHOWNA : SW_HIDE);
      KeepFocus();
      break;
    case Property::kEnabled:
      EnableWindow(hwnd, control.enabled());
      KeepFocus();
      break;
    case Property::kCheck:
      SendMessageA(hwnd, BM_SETCHECK, CheckState(control.check()), 0);
      break;
    case Property::kDefault:
      SendMessageA(hwnd, BM_SETSTYLE, control.isDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
      break;
    case Property::kProgress:
      SendMessageA(hwnd, PBM_SETPOS, static_cast<WPARAM>(ProgressPosition(control)), 0);
      break;
  }
}

namespace {

int CALLBACK NoteFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

}  // namespace

bool WizardView::FaceInstalled(const Font& font) {
  LOGFONTA wanted = {};
  wanted.lfCharSet = static_cast<BYTE>(font.charset);
  lstrcpynA(wanted.lfFaceName, font.face.c_str(), LF_FACESIZE);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExA(dc, &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

// The glyph: a downward arrow with a triangular head, pointing at the button
// below it, in the label's colour on whatever lies beneath.
void WizardView::PaintArrow(HWND hwnd, const Child& child) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  const int w = r.right, h = r.bottom;
  const int shaft = std::max(2, w / 4), left = (w - shaft) / 2, neck = h * 11 / 20;
  const POINT outline[] = {{left, h / 6},        {left + shaft, h / 6}, {left + shaft, neck}, {w, neck},
                           {w / 2, h - h / 8},   {0, neck},             {left, neck}};
  const COLORREF colour = Resolve(child.control->spec().foreground, GetSysColor(COLOR_WINDOWTEXT));
  HGDIOBJ oldBrush = SelectObject(dc, BrushFor(colour));
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Polygon(dc, outline, static_cast<int>(std::size(outline)));
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  EndPaint(hwnd, &ps);
}

void WizardView::FitToText(Child& child) {
  HDC dc = GetDC(child.hwnd);
  HGDIOBJ old = SelectObject(dc, FontFor(child.control->spec().font));
  RECT r = {0, 0, 0, 0};
  const std::string& text = child.control->text();
  DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(child.hwnd, dc);
  RedrawUnder(child.hwnd);
  // A right-aligned label keeps its right edge and grows to the left.
  const Box& b = child.control->spec().box;
  // A little slack: the static control's own text layout can come out a
  // pixel or two wider than the measured one.
  const int width = r.right - r.left + 3;
  const int left = child.control->spec().align == Align::kRight ? Px(b.left + b.width) - width : Px(b.left);
  SetWindowPos(child.hwnd, nullptr, left, Px(b.top), width, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Disabling or hiding the focused button leaves no focus at all, and then no
// key reaches the wizard (Escape on the finishing steps); the window itself
// takes it over.
void WizardView::KeepFocus() {
  if (!GetFocus() && GetActiveWindow() == window_) SetFocus(window_);
}

// A transparent label shows whatever its parent drew beneath it, so a change
// of its text or size needs the parent to paint that area again.
void WizardView::RedrawUnder(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  RedrawWindow(parent, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

WizardView::Child* WizardView::FindChild(HWND hwnd) {
  for (auto& c : children_)
    if (c.hwnd == hwnd) return &c;
  return nullptr;
}

WizardView::Child* WizardView::FindChild(const Control* control) {
  if (!control) return nullptr;
  for (auto& c : children_)
    if (c.control == control) return &c;
  return nullptr;
}

HFONT WizardView::FontFor(const Font& font) {
  const std::string key = font.face + "|" + std::to_string(font.points) + "|" +
                          std::to_string(font.weight) + "|" + std::to_string(font.italic) +
                          std::to_string(font.underline) + "|" + std::to_string(font.charset);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  // Points at the 96 dots per inch the layout is drawn for.
  const int height = -static_cast<int>(std::lround(font.points * 96.0 / 72.0));
  HFONT f = CreateFontA(height, 0, 0, 0, font.weight, font.italic, font.underline, FALSE,
                        static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face.c_str());
  fonts_[key] = f;
  return f;
}

COLORREF WizardView::Resolve(const Colour& colour, COLORREF fallback) const {
  if (!colour.set) return fallback;
  switch (colour.system) {
    case SystemColour::kNone: return RGB(colour.r, colour.g, colour.b);
    case SystemColour::kHighlight: return GetSysColor(COLOR_HIGHLIGHT);
    case SystemColour::kWindowBackground: return GetSysColor(COLOR_WINDOW);
    case SystemColour::kWindowText: return GetSysColor(COLOR_WINDOWTEXT);
    case SystemColour::kInfoBackground: return GetSysColor(COLOR_INFOBK);
  }
  return fallback;
}

HBRUSH WizardView::BrushFor(COLORREF colour) {
  auto it = brushes_.find(colour);
  if (it != brushes_.end()) return it->second;
  return brushes_[colour] = CreateSolidBrush(colour);
}

LRESULT WizardView::OnCtlColor(HDC dc, HWND hwnd) {
  Child* child = FindChild(hwnd);
  const COLORREF white = RGB(255, 255, 255);
  if (!child) return reinterpret_cast<LRESULT>(BrushFor(white));
  const ControlSpec& s = child->control->spec();
  SetTextColor(dc, Resolve(s.foreground, GetSysColor(COLOR_WINDOWTEXT)));
  if (s.transparent) {
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  const COLORREF back = Resolve(s.background, white);
  SetBkColor(dc, back);
  return reinterpret_cast<LRESULT>(BrushFor(back));
}

void WizardView::OnPaint(HWND hwnd, Child* self) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  const ControlSpec* s = self ? &self->control->spec() : nullptr;
  if (self) LoadPendingImage(*self);
  FillRect(dc, &client, BrushFor(s ? Resolve(s->background, RGB(255, 255, 255)) : RGB(255, 255, 255)));
  if (self && self->image.bitmap) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, self->image.bitmap);
    BitBlt(dc, 0, 0, std::min<int>(self->image.width, client.right),
           std::min<int>(self->image.height, client.bottom), source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  }
  // Outline shapes belong to the panel's own surface.
  if (self) {
    for (Control* c : wizard_->window().controls()) {
      if (c->parent() != self->control || c->kind() != ControlKind::kShape || !c->visible()) continue;
      HPEN pen = CreatePen(PS_SOLID, 1, Resolve(c->spec().foreground, GetSysColor(COLOR_HIGHLIGHT)));
      HGDIOBJ oldPen = SelectObject(dc, pen);
      HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
      const Box& b = c->spec().box;
      Rectangle(dc, Px(b.left), Px(b.top), Px(b.left + b.width), Px(b.top + b.height));
      SelectObject(dc, oldBrush);
      SelectObject(dc, oldPen);
      DeleteObject(pen);
    }
  }
  EndPaint(hwnd, &ps);
}

void WizardView::OnCommand(HWND hwnd, WORD code) {
  if (code != BN_CLICKED) return;
  if (Child* child = FindChild(hwnd)) wizard_->OnClick(*child->control);
}

void WizardView::OnTimer(UINT_PTR id) {
  const auto& timers = wizard_->window().timers();
  if (id == 0 || id > timers.size()) return;
  Timer* t = timers[id - 1];
  // A tick queued before the timer was disabled is not a tick.
  if (t->enabled() && t->onTick) t->onTick();
}

bool WizardView::OnMouseDown(Child* self, UINT msg) {
  wizard_->OnMousePress(self ? self->control : nullptr, ButtonOf(msg));
  return true;
}

LRESULT WizardView::OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, Child* self) {
  switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_COMMAND:
      if (lp) OnCommand(reinterpret_cast<HWND>(lp), HIWORD(wp));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      OnPaint(hwnd, self);
      return 0;
    case WM_TIMER:
      if (hwnd == window_) OnTimer(wp);
      return 0;
    case WM_CLOSE:
      // Never closed directly: the request acts as a press of CancelButton.
      if (hwnd == window_) wizard_->OnCloseRequest();
      return 0;
    default:
      if (IsMouseDown(msg)) {
        OnMouseDown(self, msg);
        return 0;
      }
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK WizardView::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WizardView* view = ViewFromCreate(hwnd, msg, lp);
  if (!view || !view->wizard_ || msg == WM_NCCREATE) return DefWindowProcA(hwnd, msg, wp, lp);
  return view->OnMessage(hwnd, msg, wp, lp, nullptr);
}

LRESULT CALLBACK WizardView::PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WizardView* view = ViewFromCreate(hwnd, msg, lp);
  if (!view || !view->wizard_ || msg == WM_NCCREATE) return DefWindowProcA(hwnd, msg, wp, lp);
  Child* self = view->FindChild(hwnd);
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  return view->OnMessage(hwnd, msg, wp, lp, self);
}

LRESULT CALLBACK WizardView::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* view = static_cast<WizardView*>(GetPropA(hwnd, kViewProperty));
  Child* self = view ? view->FindChild(hwnd) : nullptr;
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_NCHITTEST:
      // Labels let presses through to what lies beneath by default; here
      // every surface answers for itself (a drag, or a link).
      return HTCLIENT;
    case WM_SETCURSOR:
      if (self->control->spec().linkCursor && view->linkCursor_) {
        SetCursor(view->linkCursor_);
        return TRUE;
      }
      break;
    case WM_NCDESTROY:
      RemovePropA(hwnd, kViewProperty);
      break;
    case WM_ERASEBKGND:
      if (self->drawnArrow) return 1;
      break;
    case WM_PAINT:
      if (self->drawnArrow) {
        view->PaintArrow(hwnd, *self);
        return 0;
      }
      break;
    default:
      if (IsMouseDown(msg)) {
        view->OnMouseDown(self, msg);
        return 0;
      }
  }
  return CallWindowProcA(self->original, hwnd, msg, wp, lp);
}

void WizardView::Show() {
  LoadShownImages();
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  MoveFocus(false);
}

void WizardView::MoveFocus(bool backwards) {
  std::vector<HWND> order;
  for (Control* c : wizard_->window().keyboardOrder())
    if (Child* child = FindChild(c))
      if (IsWindowVisible(child->hwnd) && IsWindowEnabled(child->hwnd)) order.push_back(child->hwnd);
  if (order.empty()) return;
  auto it = std::find(order.begin(), order.end(), GetFocus());
  std::size_t next = 0;
  if (it != order.end()) {
    const std::size_t at = static_cast<std::size_t>(it - order.begin());
    next = backwards ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
  } else if (backwards) {
    next = order.size() - 1;
  }
  SetFocus(order[next]);
}

// The keys a dialog would handle, kept in the wizard's own order: Tab moves
// along the keyboard order, Enter presses the default button where the page
// has one (so never the framework install button) and else the focused push
// button, Escape acts as a close request.
bool WizardView::TranslateKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || !window_) return false;
  if (msg.hwnd != window_ && !IsChild(window_, msg.hwnd)) return false;
  switch (msg.wParam) {
    case VK_TAB:
      MoveFocus(GetKeyState(VK_SHIFT) < 0);
      return true;
    case VK_RETURN: {
      Child* focused = FindChild(GetFocus());
      if (Control* d = wizard_->window().DefaultButton()) {
        wizard_->OnClick(*d);
      } else if (focused && focused->control->kind() == ControlKind::kButton) {
        wizard_->OnClick(*focused->control);
      }
      return true;
    }
    case VK_ESCAPE:
      wizard_->OnCloseRequest();
      return true;
    default:
      return false;
  }
}

bool WizardView::Pump(bool wait) {
  MSG msg;
  for (;;) {
    if (wait) {
      if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
        exitCode_ = static_cast<int>(msg.wParam);
        return false;
      }
    } else if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      return true;
    } else if (msg.message == WM_QUIT) {
      // Leave the quit for the main loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (!TranslateKey(msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

int WizardView::Run() {
  Pump(true);
  return exitCode_;
}

// comctl32 is no KnownDLL: it is loaded from the system directory, never from
// the TEMP folder the wizard runs in.
void WizardView::InitCommonControls() {
  if (auto init = platform::win32::SystemFunction<void(WINAPI*)()>("comctl32.dll", "InitCommonControls")) init();
}

void WizardView::MakeTopMost() {
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void WizardView::MakeNormal() {
  SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void WizardView::ProcessPendingEvents() {
  if (!quitting_) Pump(false);
}

void WizardView::BeginWindowMove() {
  ReleaseCapture();
  SendMessageA(window_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

bool WizardView::AskYesNo(const std::string& text, const std::string& title) {
  return MessageBoxA(window_, text.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
         IDYES;
}

void WizardView::HideWindow() { ShowWindow(window_, SW_HIDE); }

void WizardView::EndProgram() {
  quitting_ = true;
  PostQuitMessage(0);
}

}  // namespace wizard::win32
