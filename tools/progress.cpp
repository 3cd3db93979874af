#include "tools/progress.h"

#include <cstdio>
#include <iostream>

#include "tools/terminal.h"

namespace vurerode::cli {

ProgressBar::ProgressBar(std::ostream& err, std::string label, int64_t total)
    : err_(err),
      label_(std::move(label)),
      total_(total),
      enabled_(total > 0 && &err == &std::cerr && StandardErrorIsTerminal()),
      start_(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() {
  Clear();
}

void ProgressBar::Update(int64_t done) {
  if (!enabled_) return;
  if (std::chrono::steady_clock::now() - start_ < std::chrono::milliseconds(500)) return;
  if (done > total_) done = total_;
  int permille = static_cast<int>(done * 1000 / total_);
  if (permille == lastPermille_) return;
  lastPermille_ = permille;
  constexpr int kWidth = 30;
  int filled = permille * kWidth / 1000;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kWidth - filled), '.');
  char pct[16];
  std::snprintf(pct, sizeof pct, "%3d%%", permille / 10);
  err_ << '\r' << label_ << " [" << bar << "] " << pct << std::flush;
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (!drawn_) return;
  err_ << '\r' << std::string(label_.size() + 40, ' ') << '\r' << std::flush;
  drawn_ = false;
}

}  // namespace vurerode::cli
