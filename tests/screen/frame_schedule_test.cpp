// The frame an animation shows at each time, and the wait for the next.
#include "screen/frame_schedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace vurerode::screen {
namespace {

TEST(FrameSchedule, FrameAndWaitAtEachTime) {
  const std::vector<int> three = {100, 50, 200}, one = {100};
  struct Row {
    const std::vector<int>& delays;
    int plays;
    int64_t at;
    FrameAt want;
  } rows[] = {
      {three, 0, 0, {0, 100}},
      {three, 0, 99, {0, 1}},
      {three, 0, 100, {1, 50}},
      {three, 0, 349, {2, 1}},
      {three, 0, 350, {0, 100}},
      {three, 0, 350 * 1000 + 120, {1, 30}},
      {three, 2, 350 + 149, {1, 1}},             // the second play's frame 1
      {three, 2, 350 + 150, {2, std::nullopt}},  // the last play has reached its last frame: it stays
      {three, 1, 10'000, {2, std::nullopt}},
      {one, 0, 5'000, {0, std::nullopt}},
  };
  for (const Row& r : rows) EXPECT_EQ(FrameAtTime(r.delays, r.plays, r.at), r.want) << r.plays << " at " << r.at;
}

}  // namespace
}  // namespace vurerode::screen
