// SHA256SUMS beside the media: the SHA-256 of every file the build wrote, in the format
// `sha256sum -c` reads. The archives' own checksums are byte sums, blind to bytes that only moved;
// this list lets the installer and `vurerode test` tell a damaged medium from a good one.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace vurerode {

inline constexpr const char* kMediaSumsFile = "SHA256SUMS";

// Lower-case hex SHA-256 of a file; raises EFOpenError when it cannot be opened.
std::string Sha256OfFile(platform::FileSystem& fs, const std::string& path);

enum class MediaSumResult { Match, Mismatch, Unlisted };

class TMediaSums {
 public:
  // Reads dir + "SHA256SUMS" (dir ends with a backslash). nullopt when the file does not exist;
  // raises Exception("Malformed SHA256SUMS line N") when a line is not in `sha256sum` format.
  static std::optional<TMediaSums> Load(platform::FileSystem& fs, const std::string& dir);
  // Reads the text of a SHA256SUMS file, with the same rules as Load.
  static TMediaSums Parse(const std::string& text);

  // Compares dir + name (name compared without case against the listed names) with its listed sum.
  MediaSumResult Check(platform::FileSystem& fs, const std::string& dir, const std::string& name) const;

  // The text of a SHA256SUMS file listing (name, hex sum) pairs, in the format `sha256sum -c` reads
  // ("<64 hex>  <name>\n", text mode, LF line ends).
  static std::string Format(const std::vector<std::pair<std::string, std::string>>& sums);

  // The listed (name, lower-case hex sum) pairs, in the file's order.
  const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace vurerode
