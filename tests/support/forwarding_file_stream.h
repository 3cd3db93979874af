// A file stream that hands every call to the file it wraps: test file systems derive from it and
// change only the calls they watch or make fail.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace vurerode::test {

class ForwardingFileStream : public platform::TFileStream {
 public:
  explicit ForwardingFileStream(std::unique_ptr<platform::TFileStream> inner) : inner_(std::move(inner)) {}
  size_t Read(void* b, size_t n) override { return inner_->Read(b, n); }
  void Write(const void* b, size_t n) override { inner_->Write(b, n); }
  int64_t Seek(int64_t o, SeekOrigin w) override { return inner_->Seek(o, w); }
  int64_t Size() override { return inner_->Size(); }
  void Truncate() override { inner_->Truncate(); }
  void Sync() override { inner_->Sync(); }
  void SetLastWriteDosTime(uint32_t t) override { inner_->SetLastWriteDosTime(t); }
  uint32_t LastWriteDosTime() override { return inner_->LastWriteDosTime(); }
  const std::string& Path() const override { return inner_->Path(); }

 protected:
  platform::TFileStream& Inner() { return *inner_; }

 private:
  std::unique_ptr<platform::TFileStream> inner_;
};

}  // namespace vurerode::test
