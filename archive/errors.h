// Failures of the archive library. Each is its own class derived directly from the common base and
// carries only its fixed message.
#pragma once

#include <string>

#include "platform/exception.h"

namespace vurerode {

class EInvalidHeader : public Exception {
 public:
  EInvalidHeader() : Exception("Can't recognize compressed file header") {}
};

class EInvalidHeaderArchiveType : public Exception {
 public:
  EInvalidHeaderArchiveType() : Exception("Archive type must be caMulti") {}
};

class EUnrecognizedCompressionMethod : public Exception {
 public:
  explicit EUnrecognizedCompressionMethod(const std::string& id)
      : Exception("Unrecognized compression method: \"" + id + "\" in header") {}
};

class EInsufficientDiskSpace : public Exception {
 public:
  explicit EInsufficientDiskSpace(const std::string& path) : Exception("Not enough disk space to expand " + path) {}
};

class EInvalidKey : public Exception {
 public:
  EInvalidKey() : Exception("File locked -- valid key required") {}
};

class EBadChecksum : public Exception {
 public:
  EBadChecksum() : Exception("Bad checksum during expansion -- data may be invalid") {}
};

class ELZHBadDecodeTable : public Exception {
 public:
  ELZHBadDecodeTable() : Exception("Bad decode table in archive!") {}
};

class EUnableToCompress : public Exception {
 public:
  EUnableToCompress() : Exception("Could not compress data, will store instead") {}
};

// Writing an entry stopped before the whole file was read: the progress handler abandoned it.
class ECompressionAbandoned : public Exception {
 public:
  explicit ECompressionAbandoned(const std::string& name) : Exception("Compression abandoned: " + name) {}
};

// A name in an archive whose names are UTF-8 that is not UTF-8: the archive is damaged.
class EInvalidEntryName : public Exception {
 public:
  EInvalidEntryName() : Exception("Invalid entry name in archive -- data may be damaged") {}
};

// A stored entry name that would place a file outside the target directory: a ".." component or a
// colon (drive letter) anywhere.
class EUnsafeEntryName : public Exception {
 public:
  explicit EUnsafeEntryName(const std::string& name)
      : Exception("Unsafe entry name \"" + name + "\": it would be placed outside the target directory") {}
};

}  // namespace vurerode
