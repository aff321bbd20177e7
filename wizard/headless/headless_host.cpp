#include "wizard/headless/headless_host.h"

namespace wizard {

void HeadlessHost::Attach(WizardWindow& window) {
  for (Timer* t : window.timers()) {
    schedule_.push_back({t, 0, 0});
    t->Observe([this](Timer& timer) {
      for (auto& s : schedule_) {
        if (s.timer != &timer) continue;
        s.due = now_ + static_cast<std::uint64_t>(timer.interval());
        s.order = ++sequence_;
      }
    });
  }
}

HeadlessHost::Schedule* HeadlessHost::NextDue() {
  Schedule* next = nullptr;
  for (auto& s : schedule_) {
    if (!s.timer->enabled()) continue;
    if (!next || s.due < next->due || (s.due == next->due && s.order < next->order)) next = &s;
  }
  return next;
}

bool HeadlessHost::RunNextTimer() {
  Schedule* s = NextDue();
  if (!s || ended) return false;
  now_ = s->due;
  // The next interval counts from this tick, unless the step re-arms the timer.
  s->due = now_ + static_cast<std::uint64_t>(s->timer->interval());
  s->order = ++sequence_;
  if (s->timer->onTick) s->timer->onTick();
  return true;
}

void HeadlessHost::RunFor(std::uint64_t ms) {
  const std::uint64_t end = now_ + ms;
  for (Schedule* s = NextDue(); s && s->due <= end && !ended; s = NextDue()) RunNextTimer();
  now_ = end;
}

void HeadlessHost::ProcessPendingEvents() {
  ++pendingEventPasses;
  if (onPendingEvents) onPendingEvents(pendingEventPasses);
}

bool HeadlessHost::AskYesNo(const std::string& text, const std::string& title) {
  questions.push_back({text, title});
  if (answers.empty()) return false;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace wizard
