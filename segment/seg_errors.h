// Failures of the segment layer. Every message starts with "(TSegCompress) "; callers and users
// know these texts, so they are part of the interface.
#pragma once

#include <string>

#include "platform/exception.h"

namespace vurerode {

class ESegError : public Exception {
 public:
  explicit ESegError(const std::string& message) : Exception(message) {}
};

namespace seg_msg {
inline constexpr const char* kAborted = "(TSegCompress) Operation aborted by user";
inline constexpr const char* kStreamOpen = "(TSegCompress) Stream open failed";
inline constexpr const char* kStreamRead = "(TSegCompress) Stream read failed";
inline constexpr const char* kSegmentId = "(TSegCompress) Invalid Segment ID Header";
inline constexpr const char* kSetHeaderId = "(TSegCompress) Invalid Segment Header ID";
inline constexpr const char* kScanId = "(TSegCompress) Invalid Scan ID Header";
inline constexpr const char* kArchiveId = "(TSegCompress) Invalid Archive ID Header";
inline constexpr const char* kSequence = "(TSegCompress) Invalid Archive sequence number";
// Lengths a set may not state: a reader rejects them rather than guess.
inline constexpr const char* kTemplateLength = "(TSegCompress) Invalid template length";
inline constexpr const char* kRecordLength = "(TSegCompress) Invalid list record length";
inline constexpr const char* kDataSize = "(TSegCompress) Invalid data size";
// A template or list-file name of a set flagged UTF-8 that is not UTF-8.
inline constexpr const char* kNameText = "(TSegCompress) Invalid name text";
// A list file stored under a name with a folder part would leave folders in the work directory.
inline constexpr const char* kListName = "(TSegCompress) Invalid list file name";
}  // namespace seg_msg

}  // namespace vurerode
