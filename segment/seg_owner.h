// What a segment component needs from the application it sits in, beyond files: someone to ask
// (the mount message and the "Mount Segment #" prompt), a repaint of the owning window after a
// prompt, and a chance for pending window messages to run between blocks of a long read. A GUI, a
// console front end and the tests each provide one.
#pragma once

#include "platform/prompter.h"

namespace vurerode {

class TSegOwner {
 public:
  virtual ~TSegOwner() = default;
  virtual Prompter& SegPrompter() = 0;
  virtual void Repaint() {}
  virtual void ProcessMessages() {}
};

}  // namespace vurerode
