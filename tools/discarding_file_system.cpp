#include "tools/discarding_file_system.h"

namespace vurerode::cli {
namespace {

class DiscardedFile : public platform::TFileStream {
 public:
  explicit DiscardedFile(std::string path) : path_(std::move(path)) {}
  size_t Read(void*, size_t) override { return 0; }
  void Write(const void*, size_t n) override {
    pos_ += static_cast<int64_t>(n);
    if (pos_ > size_) size_ = pos_;
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? pos_ : size_;
    pos_ = base + offset < 0 ? 0 : base + offset;
    return pos_;
  }
  int64_t Size() override { return size_; }
  void Truncate() override { size_ = pos_; }
  void SetLastWriteDosTime(uint32_t) override {}
  uint32_t LastWriteDosTime() override { return 0; }
  const std::string& Path() const override { return path_; }

 private:
  std::string path_;
  int64_t pos_ = 0;
  int64_t size_ = 0;
};

}  // namespace

std::unique_ptr<platform::TFileStream> DiscardingFileSystem::CreateFile(const std::string& path) {
  return std::make_unique<DiscardedFile>(path);
}

uint32_t DiscardingFileSystem::GetAttributes(const std::string&) {
  // Every destination folder "exists"; no destination file does.
  return platform::faDirectory;
}

}  // namespace vurerode::cli
