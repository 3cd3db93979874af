#include "screen/frame_schedule.h"

#include <numeric>

namespace vurerode::screen {

FrameAt FrameAtTime(std::span<const int> delaysMs, int plays, int64_t elapsedMs) {
  const size_t n = delaysMs.size();
  const int64_t cycle = std::accumulate(delaysMs.begin(), delaysMs.end(), int64_t{0});
  if (n < 2 || cycle <= 0) return {};
  if (elapsedMs < 0) elapsedMs = 0;
  // The last run ends when its last frame comes up; that frame then stays.
  if (plays > 0 && elapsedMs >= plays * cycle - delaysMs[n - 1]) return {n - 1, std::nullopt};
  int64_t t = elapsedMs % cycle, start = 0;
  size_t frame = 0;
  while (t >= start + delaysMs[frame]) start += delaysMs[frame++];
  return {frame, start + delaysMs[frame] - t};
}

}  // namespace vurerode::screen
