// Which frame of an animation is on screen a given time after it started, and how long until the
// next one. Taken from the clock rather than counted per timer tick, so a late timer skips frames
// instead of slowing the animation down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vurerode::screen {

struct FrameAt {
  size_t Frame = 0;
  // Milliseconds until another frame is due; none when the animation stands still from now on.
  std::optional<int64_t> UntilNext;
  bool operator==(const FrameAt&) const = default;
};

// delaysMs: each frame's time on screen (positive); plays: how many runs through, 0 without end.
// A finished animation stays on its last frame.
FrameAt FrameAtTime(std::span<const int> delaysMs, int plays, int64_t elapsedMs);

}  // namespace vurerode::screen
