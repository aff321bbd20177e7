#include "wizard/model/control_model.h"

namespace wizard {

Control::Control(ControlSpec spec)
    : spec_(std::move(spec)),
      text_(spec_.text),
      visible_(spec_.visible && !spec_.neverShown),
      enabled_(spec_.enabled),
      check_(spec_.check),
      max_(spec_.progressMax) {}

void Control::Notify(Property p) {
  for (auto& o : observers_) o(*this, p);
}

void Control::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Notify(Property::kText);
}

void Control::SetVisible(bool visible) {
  // State holders never appear, whatever the wizard asks.
  if (spec_.neverShown) visible = false;
  if (visible == visible_) return;
  visible_ = visible;
  Notify(Property::kVisible);
}

bool Control::ShownOnScreen() const {
  for (const Control* c = this; c; c = c->parent())
    if (!c->visible()) return false;
  return true;
}

void Control::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Notify(Property::kEnabled);
}

void Control::SetCheck(int state) {
  if (state < 0 || state > 2 || state == check_) return;
  check_ = state;
  Notify(Property::kCheck);
}

void Control::SetDefault(bool isDefault) {
  if (isDefault == default_) return;
  default_ = isDefault;
  Notify(Property::kDefault);
}

bool Control::SetMax(double max) {
  if (!(max > min_)) return false;
  if (max == max_) return true;
  max_ = max;
  if (value_ > max_) value_ = max_;
  Notify(Property::kProgress);
  return true;
}

bool Control::SetValue(double value) {
  if (!(value >= min_ && value <= max_)) return false;
  if (value == value_) return true;
  value_ = value;
  Notify(Property::kProgress);
  return true;
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  for (auto& o : observers_) o(*this);
}

}  // namespace wizard
