// Scoped muting of a TCompress's event handlers.
#pragma once

#include "archive/compress.h"

namespace vurerode {

// While list files are expanded the application must see no TCompress events: each handler is
// replaced by one that does nothing, and the application's own come back however the scope ends.
class MutedHandlers {
 public:
  explicit MutedHandlers(TCompress& c)
      : c_(c),
        compress_(std::move(c.OnCompress)),
        expand_(std::move(c.OnExpand)),
        recognize_(std::move(c.OnRecognize)),
        checkFile_(std::move(c.OnCheckFile)),
        progress_(std::move(c.OnShowProgress)),
        expanded_(std::move(c.OnFileExpanded)) {
    c.OnCompress = [](TStream&, TStream&, std::string&, int32_t&, int32_t&) {};
    c.OnExpand = [](TStream&, TStream&, int32_t, int32_t, const std::string&, int32_t&) {};
    c.OnRecognize = [](const std::string&, bool&) {};
    c.OnCheckFile = [](std::string&, TCProcessMode) {};
    c.OnShowProgress = [](int32_t&) {};
    c.OnFileExpanded = nullptr;
  }
  ~MutedHandlers() {
    c_.OnCompress = std::move(compress_);
    c_.OnExpand = std::move(expand_);
    c_.OnRecognize = std::move(recognize_);
    c_.OnCheckFile = std::move(checkFile_);
    c_.OnShowProgress = std::move(progress_);
    c_.OnFileExpanded = std::move(expanded_);
  }
  MutedHandlers(const MutedHandlers&) = delete;
  MutedHandlers& operator=(const MutedHandlers&) = delete;

 private:
  TCompress& c_;
  TCompressEvent compress_;
  TExpandEvent expand_;
  TRecognizeEvent recognize_;
  TFilenameCheckEvent checkFile_;
  TShowProgressEvent progress_;
  TFileExpandedEvent expanded_;
};

}  // namespace vurerode
