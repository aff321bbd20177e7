#include <gtest/gtest.h>

#include "wizard/headless/headless_host.h"
#include "wizard/model/wizard_window.h"

namespace {

using wizard::Control;
using wizard::Property;

TEST(ControlModel, ObserversHearRealChangesOnly) {
  wizard::WizardWindow w;
  std::vector<std::string> heard;
  w.BytesCopied.Observe([&](Control& c, Property p) {
    if (p == Property::kText) heard.push_back(c.text());
  });
  w.BytesCopied.SetText("256");
  w.BytesCopied.SetText("256");
  w.BytesCopied.SetText("512");
  EXPECT_EQ(heard, (std::vector<std::string>{"256", "512"}));
}

// The bars take a value within their range and refuse the rest unchanged.
TEST(ProgressBar, RangeAndRefusals) {
  wizard::WizardWindow w;
  auto& bar = w.OverallProgressBar;
  EXPECT_EQ(bar.min(), 0);
  EXPECT_EQ(bar.max(), 100);
  EXPECT_EQ(bar.value(), 0);
  EXPECT_TRUE(bar.visible());
  EXPECT_FALSE(w.FileProgressBar.visible());

  EXPECT_TRUE(bar.SetValue(50));
  EXPECT_EQ(bar.value(), 50);
  EXPECT_FALSE(bar.SetValue(100.5));
  EXPECT_FALSE(bar.SetValue(-1));
  EXPECT_EQ(bar.value(), 50);
  EXPECT_TRUE(bar.SetValue(100));

  auto& file = w.FileProgressBar;
  EXPECT_TRUE(file.SetMax(1234567));
  EXPECT_TRUE(file.SetValue(file.max()));
  EXPECT_EQ(file.value(), 1234567);
  EXPECT_FALSE(file.SetMax(0));  // an empty file's length
  EXPECT_EQ(file.max(), 1234567);
  // Lowering the maximum below the value pulls the value along.
  EXPECT_TRUE(file.SetMax(10));
  EXPECT_EQ(file.value(), 10);
}

// Timers fire in due order on the virtual clock, repeat while enabled, and an
// enabling starts a fresh interval.
TEST(HeadlessHost, TimersFireOnTheVirtualClock) {
  wizard::WizardWindow w;
  wizard::HeadlessHost host;
  host.Attach(w);
  std::vector<std::pair<std::string, std::uint64_t>> fired;
  for (auto* t : w.timers()) t->onTick = [&, t] { fired.push_back({t->name(), host.now()}); };
  w.Timer7.onTick = [&] {
    fired.push_back({"Timer7", host.now()});
    w.Timer7.SetEnabled(false);
    w.Timer1.SetEnabled(true);
  };
  w.Timer6.SetEnabled(true);  // 500 ms, repeating
  w.Timer7.SetEnabled(true);  // 500 ms, one-shot, enables Timer1 (2500 ms)
  host.RunFor(499);
  EXPECT_TRUE(fired.empty());
  host.RunFor(2600);
  // Due together: the one armed first fires first.
  std::vector<std::pair<std::string, std::uint64_t>> expected = {
      {"Timer6", 500},  {"Timer7", 500},  {"Timer6", 1000}, {"Timer6", 1500},
      {"Timer6", 2000}, {"Timer6", 2500}, {"Timer1", 3000}, {"Timer6", 3000}};
  EXPECT_EQ(fired, expected);
  EXPECT_EQ(host.now(), 3099u);
}

}  // namespace
