// A one-line progress bar on standard error, drawn only when it is a terminal and the work is long
// enough to be worth watching; silent otherwise (pipes, logs, tests).
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace vurerode::cli {

class ProgressBar {
 public:
  // total: units of work (bytes); the bar appears only on a terminal and after the first half second.
  ProgressBar(std::ostream& err, std::string label, int64_t total);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Update(int64_t done);
  // Removes the bar so that later messages start on a clean line.
  void Clear();

 private:
  std::ostream& err_;
  std::string label_;
  int64_t total_;
  bool enabled_;
  bool drawn_ = false;
  int lastPermille_ = -1;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace vurerode::cli
