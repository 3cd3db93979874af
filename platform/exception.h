// The exception family shared by every layer. Each class carries only its message; the texts are
// the ones users and callers already know, so they are part of the interface.
#pragma once

#include <stdexcept>
#include <string>

namespace vurerode {

class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that exists could not be opened: "Cannot open file %s".
class EFOpenError : public Exception {
 public:
  explicit EFOpenError(const std::string& path) : Exception("Cannot open file " + path) {}
};

// A file could not be created: "Cannot create file %s".
class EFCreateError : public Exception {
 public:
  explicit EFCreateError(const std::string& path) : Exception("Cannot create file " + path) {}
};

// A file another program holds open without sharing it (a sharing or lock violation): it cannot be
// replaced now, though it may be at the next restart.
class EFileInUse : public EFCreateError {
 public:
  using EFCreateError::EFCreateError;
};

// A run-time I/O failure with a system error code: "I/O error %d".
class EInOutError : public Exception {
 public:
  explicit EInOutError(int code) : Exception("I/O error " + std::to_string(code)), code_(code) {}
  EInOutError(int code, const std::string& message) : Exception(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// Fewer bytes reached a stream than were handed to it (a full disk, a broken medium).
class EWriteError : public Exception {
 public:
  using Exception::Exception;
};

// Fewer bytes could be read than the data promised.
class EReadError : public Exception {
 public:
  using Exception::Exception;
};

// The registry refused an operation. The texts are fixed: "Failed to create key %s",
// "Failed to set data for '%s'", "Invalid data type for '%s'".
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
  static ERegistryException CreateFailed(const std::string& key) {
    return ERegistryException("Failed to create key " + key);
  }
  static ERegistryException SetDataFailed(const std::string& name) {
    return ERegistryException("Failed to set data for '" + name + "'");
  }
  static ERegistryException InvalidType(const std::string& name) {
    return ERegistryException("Invalid data type for '" + name + "'");
  }
};

// A profile (INI) file could not be written: "Unable to write to %s".
class EIniFileException : public Exception {
 public:
  explicit EIniFileException(const std::string& file) : Exception("Unable to write to " + file) {}
};

// A COM object the shell provides could not be created or asked for an interface.
class EOleError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace vurerode
