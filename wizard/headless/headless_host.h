#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui_host.h"
#include "wizard/model/wizard_window.h"

namespace wizard {

// Runs the wizard's model with no window, on a virtual clock: timers fire in
// due order when a test moves the clock, questions get scripted answers.
class HeadlessHost : public platform::UiHost {
 public:
  // Observes the window's timers; call before anything enables one.
  void Attach(WizardWindow& window);

  std::uint64_t now() const { return now_; }
  // Moves the clock forward, firing every timer that comes due on the way.
  void RunFor(std::uint64_t ms);
  // Moves the clock to just after the next timer fires; false if none is due.
  bool RunNextTimer();

  // platform::UiHost
  void InitCommonControls() override { ++commonControlsInits; }
  void MakeTopMost() override { topMost = true; bandChanges.push_back(true); }
  void MakeNormal() override { topMost = false; bandChanges.push_back(false); }
  void ProcessPendingEvents() override;
  void BeginWindowMove() override { ++windowMoves; }
  bool AskYesNo(const std::string& text, const std::string& title) override;
  void HideWindow() override { windowHidden = true; }
  void EndProgram() override { ended = true; }

  // What the wizard did, for tests to read.
  int commonControlsInits = 0;
  bool topMost = false;
  std::vector<bool> bandChanges;
  int windowMoves = 0;
  bool windowHidden = false;
  bool ended = false;
  int pendingEventPasses = 0;
  struct Question {
    std::string text, title;
  };
  std::vector<Question> questions;

  // Scripted: answers to the coming questions (No when the queue is empty),
  // and work to run on a pass of event processing.
  std::deque<bool> answers;
  std::function<void(int pass)> onPendingEvents;

 private:
  struct Schedule {
    Timer* timer;
    std::uint64_t due;
    std::uint64_t order;
  };
  Schedule* NextDue();

  std::uint64_t now_ = 0;
  std::uint64_t sequence_ = 0;
  std::vector<Schedule> schedule_;
};

}  // namespace wizard
