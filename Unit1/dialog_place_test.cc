#include "Unit1/dialog_place.h"

#include <gtest/gtest.h>

#include <optional>

namespace Unit1 {
namespace {

// The dialog at 150 % (709 by 506) opened at the pointer on one monitor of two: a 150 %
// laptop at the origin and a 100 % monitor to its left or above it, whose coordinates are
// negative.
TEST(PlaceAtPointer, OpensWhollyOnThePointersMonitor) {
  const ScreenRect laptop{0, 0, 1920, 1040};     // less a task bar of 40
  const ScreenRect left{-1920, 0, 0, 1080};
  const ScreenRect made{202, 107, 911, 613};  // where Windows made it
  const struct {
    const char* what;
    std::optional<ScreenPoint> pointer;
    ScreenRect work, want;
  } cases[] = {
      {"well inside", ScreenPoint{960, 300}, laptop, {606, 294, 1315, 800}},
      {"at the left edge, not onto the monitor beside it", ScreenPoint{10, 300}, laptop,
       {0, 294, 709, 800}},
      {"at the right edge of the left monitor", ScreenPoint{-5, 300}, left, {-709, 294, 0, 800}},
      {"above the task bar", ScreenPoint{960, 1030}, laptop, {606, 534, 1315, 1040}},
      {"at the top", ScreenPoint{960, 2}, laptop, {606, 0, 1315, 506}},
      {"at the top of a monitor above", ScreenPoint{960, -1078}, {0, -1080, 1920, -40},
       {606, -1080, 1315, -574}},
      {"at the top of a higher monitor on the left", ScreenPoint{-960, -298},
       {-1920, -300, 0, 740}, {-1314, -300, -605, 206}},
      {"larger than the work area: top left inside", ScreenPoint{100, 100}, {0, 0, 640, 440},
       {0, 0, 709, 506}},
      {"pointer unknown: where it was made, kept inside", std::nullopt, {300, 200, 1000, 900},
       {300, 200, 1009, 706}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PlaceAtPointer(c.pointer, made, 6, c.work), c.want) << c.what;
}

// After a change of scale the dialog has its new size where Windows put it: what hangs
// over the work area's edge comes back, the size stays.
TEST(KeepInside, MovesBackWhatHangsOver) {
  const ScreenRect work{-1920, 0, 0, 1080};
  EXPECT_EQ(KeepInside({-300, 700, 173, 1037}, work), (ScreenRect{-473, 700, 0, 1037}));
  EXPECT_EQ(KeepInside({-1000, 100, -527, 437}, work), (ScreenRect{-1000, 100, -527, 437}));
}

}  // namespace
}  // namespace Unit1
