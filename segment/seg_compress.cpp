// TSegCompress: properties and the segment stream, the byte sequence formed by the payloads of the
// segment files in order. Records may straddle segment files at any byte, so every read goes
// through ReadSegmentStream, which moves on to the next segment whenever the open one is used up.
#include "segment/seg_compress.h"

#include <algorithm>

#include "platform/text.h"
#include "segment/seg_errors.h"
#include "segment/seg_names.h"

namespace vurerode {

TSegCompress::TSegCompress(platform::FileSystem& fs, TSegOwner& owner)
    : TCompress(fs), owner_(owner), segTmpDir_(fs.CurrentDirectory()) {}

TSegCompress::~TSegCompress() = default;

// ---------------------------------------------------------------------------------------------
// Properties

void TSegCompress::SetSegBaseName(const std::string& value) {
  segBaseName_ = value.empty() ? std::string("SegData") : platform::LowerCase(PathFileNamePart(value));
}

void TSegCompress::SetSegDir(const std::string& value) {
  segDir_ = value.empty() ? std::string("a:\\") : platform::LowerCase(fs().FullPathName(value));
}

void TSegCompress::SetSegExt(const std::string& value) {
  size_t end = 0;
  for (int kept = 0; kept < 3 && end < value.size(); ++kept) platform::NextChar(value, end);
  segExt_ = value.substr(0, end);
}

void TSegCompress::SetSegSize(int32_t value) {
  segSize_ = std::max(value, kMinSegSize);
}

void TSegCompress::SetSegTmpDir(const std::string& value) {
  std::string dir = value.empty() ? fs().CurrentDirectory() : value;
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  segTmpDir_ = platform::LowerCase(dir);
}

std::string TSegCompress::TempArchivePath() const {
  return SegmentFilePath(segTmpDir_, segBaseName_ + ".$A$");
}

// ---------------------------------------------------------------------------------------------
// Locating segments

void TSegCompress::BuildSegmentPath() {
  segName_ = SegmentFileName(segBaseName_, segExt_, segNumber_);
  segPath_ = SegmentFilePath(segDir_, segName_);
}

bool TSegCompress::AskForSegmentDir() {
  const std::string caption = "Mount Segment #" + std::to_string(segNumber_);
  for (;;) {
    std::string value = segDir_;
    if (!owner_.SegPrompter().InputQuery(caption, "Directory Path:", value)) return false;
    if (!value.empty()) {
      segDir_ = value;  // kept exactly as typed
      return true;
    }
  }
}

void TSegCompress::LocateSegment(uint16_t number) {
  segNumber_ = number;
  BuildSegmentPath();
  for (;;) {
    if (SegPopUp) {
      bool answered = AskForSegmentDir();
      owner_.Repaint();
      if (!answered) throw ESegError(seg_msg::kAborted);
      BuildSegmentPath();
    }
    if (OnSegBefore) OnSegBefore(segMode_, segName_, number);

    std::string message;
    if (!fs().FileExists(segPath_)) {
      message = "Unable to locate \"" + segName_ + "\" on this segment!";
    } else {
      uint8_t raw[kSegmentHeaderSize] = {};
      size_t got = 0;
      try {
        got = fs().OpenFile(segPath_, platform::FileAccess::Read)->Read(raw, sizeof raw);
      } catch (const Exception&) {
        throw ESegError(seg_msg::kStreamOpen);
      }
      TSegmentHeader header = TSegmentHeader::Unpack(raw);
      if (got < kSegmentHeaderSize || header.Id != kSegmentId) throw ESegError(seg_msg::kStreamOpen);
      if (header.Number == number) {
        try {
          segFile_ = fs().OpenFile(segPath_, platform::FileAccess::Read);
        } catch (const Exception&) {
          throw ESegError(seg_msg::kStreamOpen);
        }
        segLeft_ = segFile_->Size();
        return;
      }
      message = "Incorrect segmented mounted!";
    }
    message += "\n\rCorrect and then press OK, or Cancel to abort";
    if (owner_.SegPrompter().Message(message, "Error", PromptButtons::OkCancel, PromptIcon::Error) != PromptResult::Ok)
      throw ESegError(seg_msg::kAborted);
  }
}

// The header was checked when the segment was located; reading it again steps past it and catches
// a file that changed in between.
void TSegCompress::StepPastSegmentHeader() {
  uint8_t raw[kSegmentHeaderSize] = {};
  size_t got = 0;
  try {
    got = segFile_->Read(raw, sizeof raw);
  } catch (const Exception&) {
    throw ESegError(seg_msg::kSegmentId);
  }
  TSegmentHeader header = TSegmentHeader::Unpack(raw);
  if (got < kSegmentHeaderSize || header.Id != kSegmentId || header.Number != segNumber_)
    throw ESegError(seg_msg::kSegmentId);
  segLeft_ -= static_cast<int64_t>(kSegmentHeaderSize);
}

void TSegCompress::CloseSegment() {
  segFile_.reset();
  segLeft_ = 0;
}

// ---------------------------------------------------------------------------------------------
// Reading the segment stream

void TSegCompress::ReadSegmentStream(uint8_t* dest, size_t count) {
  while (count > 0) {
    if (!segFile_ || segLeft_ <= 0) {
      const uint16_t used = segNumber_;
      const std::string usedName = segName_;
      CloseSegment();
      if (OnSegAfter) OnSegAfter(segMode_, usedName, used);
      if (used == UINT16_MAX) throw ESegError(seg_msg::kStreamRead);  // no segment number is left
      LocateSegment(static_cast<uint16_t>(used + 1));
      StepPastSegmentHeader();
      continue;
    }
    size_t n = std::min({kSegBufferSize, count, static_cast<size_t>(segLeft_)});
    size_t got = 0;
    try {
      got = segFile_->Read(dest, n);
    } catch (const Exception&) {
      throw ESegError(seg_msg::kStreamRead);
    }
    // A segment that shrank after it was located.
    if (got != n) throw ESegError(seg_msg::kStreamRead);
    dest += n;
    count -= n;
    segLeft_ -= static_cast<int64_t>(n);
    owner_.ProcessMessages();
  }
}

void TSegCompress::CopySegmentStream(TStream& dest, int64_t count, bool showProgress) {
  int64_t done = 0;
  while (done < count) {
    size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(kSegBufferSize), count - done));
    ReadSegmentStream(buffer_.data(), n);
    dest.Write(buffer_.data(), n);
    done += static_cast<int64_t>(n);
    if (showProgress && OnSegShowProgress) OnSegShowProgress(static_cast<int32_t>(done * 100 / count));
  }
}

void TSegCompress::SkipSegmentStream(int64_t count) {
  while (count > 0) {
    size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(kSegBufferSize), count));
    ReadSegmentStream(buffer_.data(), n);
    count -= static_cast<int64_t>(n);
  }
}

}  // namespace vurerode
