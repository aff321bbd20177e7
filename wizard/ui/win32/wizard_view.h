#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/ui_host.h"
#include "wizard/ui/win32/images.h"
#include "wizard/ui/wizard.h"

namespace wizard::win32 {

// Mirrors the wizard's control model into real windows of the standard
// classes (so screen readers and test drivers find every caption), draws the
// images, fonts and colours, and turns window messages into the wizard's
// handlers. It is also the wizard's UiHost on Windows.
class WizardView : public platform::UiHost {
 public:
  static constexpr const char* kWindowClass = "QuillonWizard";

  explicit WizardView(HINSTANCE instance);
  ~WizardView() override;
  WizardView(const WizardView&) = delete;
  WizardView& operator=(const WizardView&) = delete;

  // Creates the window (hidden) and every child for the wizard's model.
  bool Create(Wizard& wizard);
  // Shows the window as the start-up left it and gives the keyboard focus.
  void Show();
  // The program's message loop; returns the exit code.
  int Run();

  // platform::UiHost
  void InitCommonControls() override;
  void MakeTopMost() override;
  void MakeNormal() override;
  void ProcessPendingEvents() override;
  void BeginWindowMove() override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  void HideWindow() override;
  void EndProgram() override;

 private:
  struct Child {
    Control* control = nullptr;
    HWND hwnd = nullptr;
    WNDPROC original = nullptr;  // for subclassed standard controls
    Image image;
    bool imagePending = false;  // loaded when it is first about to show
    bool drawnArrow = false;  // the symbol face is missing: the arrow is drawn
  };

  static bool FaceInstalled(const Font& font);
  void PaintArrow(HWND hwnd, const Child& child);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, Child* self);
  LRESULT OnCtlColor(HDC dc, HWND child);
  void OnPaint(HWND hwnd, Child* self);
  void OnCommand(HWND child, WORD code);
  void OnTimer(UINT_PTR id);
  bool OnMouseDown(Child* self, UINT msg);
  bool TranslateKey(const MSG& msg);

  void CreateChild(Control& control);
  void LoadPendingImage(Child& child);
  void LoadShownImages();
  void ApplyStacking();
  void Mirror(Control& control, Property property);
  void FitToText(Child& child);
  void RedrawUnder(HWND hwnd);
  void KeepFocus();
  void MoveFocus(bool backwards);
  bool Pump(bool wait);

  Child* FindChild(HWND hwnd);
  Child* FindChild(const Control* control);
  HWND ParentWindow(const Control& control);
  HFONT FontFor(const Font& font);
  COLORREF Resolve(const Colour& colour, COLORREF fallback) const;
  HBRUSH BrushFor(COLORREF colour);

  HINSTANCE instance_;
  Wizard* wizard_ = nullptr;
  HWND window_ = nullptr;
  HCURSOR linkCursor_ = nullptr;
  std::vector<Child> children_;
  std::map<std::string, HFONT> fonts_;
  std::map<COLORREF, HBRUSH> brushes_;
  bool quitting_ = false;
  int exitCode_ = 0;
};

}  // namespace wizard::win32
