// Ctrl+C on the terminal while an installation runs: the install page's Cancel button.
#pragma once

namespace vurerode::setup::console {

// While one lives, Ctrl+C (SIGINT) does not end the process but is noted; the view clicks Cancel
// for it the next time the installation lets messages run. The handler before is put back after.
class InterruptAsCancel {
 public:
  InterruptAsCancel();
  ~InterruptAsCancel();
  InterruptAsCancel(const InterruptAsCancel&) = delete;
  InterruptAsCancel& operator=(const InterruptAsCancel&) = delete;

  // Ctrl+C was pressed since the newest one began.
  static bool Requested();

 private:
  void (*previous_)(int);
};

}  // namespace vurerode::setup::console
