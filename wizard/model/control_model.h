#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wizard {

enum class ControlKind {
  kPanel,        // borderless container
  kImagePanel,   // container drawing an image asset
  kLabel,
  kButton,
  kCheckBox,     // three states: 0 clear, 1 set, 2 grey
  kProgressBar,
  kShape,        // outline rectangle
  kTextBox,      // multi-line text
};

// Position and size in twips, relative to the parent's client area.
struct Box {
  int left = 0, top = 0, width = 0, height = 0;
};

inline constexpr int kTwipsPerPixel = 15;

enum class SystemColour { kNone, kHighlight, kWindowBackground, kWindowText, kInfoBackground };

// Either an RGB triple or one of the platform's current system colours;
// unset means "the platform's default for this kind of control".
struct Colour {
  bool set = false;
  SystemColour system = SystemColour::kNone;
  std::uint8_t r = 0, g = 0, b = 0;

  static Colour Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    Colour c;
    c.set = true;
    c.r = r;
    c.g = g;
    c.b = b;
    return c;
  }
  static Colour System(SystemColour s) {
    Colour c;
    c.set = true;
    c.system = s;
    return c;
  }
};

struct Font {
  std::string face = "Tahoma";
  double points = 8.25;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  int charset = 162;  // Turkish
};

enum class Align { kLeft, kCentre, kRight };

// The images the window draws (resource names live with the Win32 view).
enum class Asset {
  kNone,
  kBanner,           // A1
  kProductName,      // A2
  kOrnament,         // A3
  kEditionStrip,     // A4
  kFooter,           // A5
  kFrameworkPage,    // A6
  kErrorPage,        // A7
  kCompletionPanel,  // A8
  kCompletionImage,  // A9
};

// What changed, for observers.
enum class Property { kText, kVisible, kEnabled, kCheck, kDefault, kProgress };

class Control;
using ControlObserver = std::function<void(Control&, Property)>;

// The design values of a control; everything the view needs to draw it.
struct ControlSpec {
  std::string name;
  ControlKind kind = ControlKind::kLabel;
  Control* parent = nullptr;  // nullptr: the window itself
  Box box;
  std::string text;
  bool visible = true;
  bool enabled = true;
  bool neverShown = false;  // state holders: no window on any platform
  Font font;
  Colour foreground;
  Colour background;
  Align align = Align::kLeft;
  bool transparent = false;
  bool wraps = false;
  bool autoSize = false;   // sized to its text
  bool linkCursor = false; // pointer: the hand cursor
  Asset image = Asset::kNone;
  int check = 0;
  double progressMax = 100;
};

// One control of the retained model. Setting a property notifies the
// observers only when the value really changes; that is what the wizard's
// derived updates and the views rely on.
class Control {
 public:
  explicit Control(ControlSpec spec);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const ControlSpec& spec() const { return spec_; }
  const std::string& name() const { return spec_.name; }
  ControlKind kind() const { return spec_.kind; }
  Control* parent() const { return spec_.parent; }

  const std::string& text() const { return text_; }
  void SetText(const std::string& text);

  bool visible() const { return visible_; }
  void SetVisible(bool visible);
  // Visible itself and every container up to the window.
  bool ShownOnScreen() const;

  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  int check() const { return check_; }
  void SetCheck(int state);

  bool isDefault() const { return default_; }
  void SetDefault(bool isDefault);

  // Progress bar properties. An assignment the bar cannot take (a maximum not
  // above the minimum, a value outside the range) is refused with false and
  // changes nothing; callers are free to ignore that.
  double min() const { return min_; }
  double max() const { return max_; }
  double value() const { return value_; }
  bool SetMax(double max);
  bool SetValue(double value);

  void Observe(ControlObserver observer) { observers_.push_back(std::move(observer)); }

 private:
  void Notify(Property p);

  ControlSpec spec_;
  std::string text_;
  bool visible_;
  bool enabled_;
  int check_;
  bool default_ = false;
  double min_ = 0;
  double max_;
  double value_ = 0;
  std::vector<ControlObserver> observers_;
};

// A window timer: fires every interval while enabled, on the window's thread.
class Timer {
 public:
  Timer(std::string name, int intervalMs) : name_(std::move(name)), interval_(intervalMs) {}
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& name() const { return name_; }
  int interval() const { return interval_; }
  bool enabled() const { return enabled_; }
  // Enabling a disabled timer starts a fresh interval; re-enabling an enabled
  // one changes nothing.
  void SetEnabled(bool enabled);

  // The step this timer runs; set by the wizard, called by the host.
  std::function<void()> onTick;
  void Observe(std::function<void(Timer&)> observer) { observers_.push_back(std::move(observer)); }

 private:
  std::string name_;
  int interval_;
  bool enabled_ = false;
  std::vector<std::function<void(Timer&)>> observers_;
};

}  // namespace wizard
