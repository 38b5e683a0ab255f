// The animation list and the frame flash that panels share.
#include "app/animation.h"

#include <gtest/gtest.h>

namespace {
struct flashing_panel : vesk_animated {
  vesk_frame_flash flash;
  int redraws = 0;
  void start_flash() {
    if (flash.start())
      redraws++;
    add_animation(this);
  }
  int animate(int ms) override {
    bool redraw = false;
    int more = flash.step(ms, &redraw);
    redraws += redraw;
    return more;
  }
};

struct counter : vesk_animated {
  int left;
  explicit counter(int n) : left(n) {}
  int animate(int) override { return --left > 0; }
};
} // namespace

TEST(Animation, FlashEndsOnItsSixteenthStepAndLeavesTheList) {
  flashing_panel panel;
  panel.start_flash();
  EXPECT_EQ(panel.redraws, 1);
  EXPECT_TRUE(panel.flash.frame_lit() == false) << "16 is even: the frame starts unlit";
  int ticks = 0;
  while (is_animating(&panel) && ticks < 1000) {
    run_animations(20);
    ticks++;
  }
  EXPECT_EQ(ticks, 160) << "16 steps of 200 ms at 20 ms a tick";
  EXPECT_EQ(panel.redraws, 17);
  EXPECT_EQ(panel.flash.count, 0);
  EXPECT_FALSE(panel.flash.frame_lit());
}

TEST(Animation, RestartingAFlashKeepsOneEntry) {
  flashing_panel panel;
  panel.start_flash();
  for (int i = 0; i < 25; i++)
    run_animations(20);
  EXPECT_EQ(panel.flash.count, 14);
  panel.start_flash();
  EXPECT_EQ(panel.flash.count, 16);
  int ticks = 0;
  while (is_animating(&panel) && ticks < 1000) {
    run_animations(20);
    ticks++;
  }
  EXPECT_EQ(ticks, 160) << "a listed-twice panel would step twice per tick";
}

TEST(Animation, LongStepsResetTheElapsedTime) {
  vesk_frame_flash flash;
  flash.start();
  bool redraw = false;
  flash.step(150, &redraw);
  EXPECT_FALSE(redraw);
  flash.step(100, &redraw); // 250: one step, 50 carried
  EXPECT_TRUE(redraw);
  EXPECT_EQ(flash.elapsed, 50);
  flash.step(450, &redraw); // not below the period: one step, nothing carried
  EXPECT_EQ(flash.count, 14);
  EXPECT_EQ(flash.elapsed, 0);
}

TEST(Animation, ListDropsFinishedItemsAndKeepsOthers) {
  counter a(1), b(3), c(2);
  add_animation(&a);
  add_animation(&b);
  add_animation(&c);
  add_animation(&b);
  run_animations(20);
  EXPECT_FALSE(is_animating(&a));
  EXPECT_TRUE(is_animating(&b));
  EXPECT_TRUE(is_animating(&c));
  run_animations(20);
  EXPECT_FALSE(is_animating(&c));
  EXPECT_EQ(b.left, 1);
  remove_animation(&b);
  EXPECT_FALSE(is_animating(&b));
  {
    counter gone(5);
    add_animation(&gone);
  } // a destroyed item takes itself off the list
  run_animations(20);
}
