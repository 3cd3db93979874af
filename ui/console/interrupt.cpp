#include "ui/console/interrupt.h"

#include <atomic>
#include <csignal>

namespace vurerode::setup::console {

namespace {

// The one process-wide flag, and deliberately so: a signal handler can reach no object and may do
// nothing but store into a lock-free atomic (or a volatile std::sig_atomic_t), so the press is
// noted here and read by the view on the installation's own thread.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only store to a lock-free atomic");

extern "C" void NoteInterrupt(int signal) {
  interrupted.store(true);
  // Some C libraries put the default back before calling a handler; a second Ctrl+C is noted too.
  std::signal(signal, NoteInterrupt);
}

}  // namespace

InterruptAsCancel::InterruptAsCancel() {
  interrupted.store(false);
  previous_ = std::signal(SIGINT, NoteInterrupt);
}

InterruptAsCancel::~InterruptAsCancel() {
  std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_);
}

bool InterruptAsCancel::Requested() {
  return interrupted.load();
}

}  // namespace vurerode::setup::console
