#include "tools/source_date.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "platform/dos_time.h"
#include "tools/cli.h"
#include "tools/host_paths.h"

namespace vurerode::cli {
namespace {

// 9999-12-31 23:59:59 UTC: beyond it no calendar the tools print holds the date.
constexpr int64_t kLastSourceDate = 253402300799;

// A file opened for reading whose last-write time is capped; everything else goes to the file.
class SourceDatedFile : public platform::TFileStream {
 public:
  SourceDatedFile(std::unique_ptr<platform::TFileStream> inner, uint32_t date)
      : inner_(std::move(inner)), date_(date) {}
  size_t Read(void* out, size_t n) override { return inner_->Read(out, n); }
  void Write(const void* b, size_t n) override { inner_->Write(b, n); }
  int64_t Seek(int64_t offset, SeekOrigin origin) override { return inner_->Seek(offset, origin); }
  int64_t Size() override { return inner_->Size(); }
  void Truncate() override { inner_->Truncate(); }
  void SetLastWriteDosTime(uint32_t t) override { inner_->SetLastWriteDosTime(t); }
  uint32_t LastWriteDosTime() override { return date_; }
  const std::string& Path() const override { return inner_->Path(); }

 private:
  std::unique_ptr<platform::TFileStream> inner_;
  uint32_t date_;
};

}  // namespace

std::optional<int64_t> ParseSourceDateEpoch(const char* value) {
  if (value == nullptr || *value == '\0') return std::nullopt;
  const std::string text = value;
  int64_t seconds = 0;
  bool valid = text.size() <= 12 && text.find_first_not_of("0123456789") == std::string::npos;
  for (const char c : text) seconds = seconds * 10 + (c - '0');
  if (!valid || seconds > kLastSourceDate)
    throw UsageError{std::string(kSourceDateVariable) +
                     " must be a whole number of seconds since 1970-01-01 00:00 UTC (digits only), not '" + text + "'"};
  return seconds;
}

uint32_t UtcDosDateTime(int64_t seconds) {
  using namespace std::chrono;
  constexpr int64_t kFirst = 315532800;  // 1980-01-01 00:00:00 UTC
  constexpr int64_t kLast = 4354819199;  // 2107-12-31 23:59:59 UTC
  seconds = std::clamp(seconds, kFirst, kLast);
  const sys_seconds when{std::chrono::seconds(seconds)};
  const sys_days day = floor<days>(when);
  const year_month_day date{day};
  const hh_mm_ss<std::chrono::seconds> time{when - day};
  return PackDosDateTime({static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                          static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(time.hours().count()),
                          static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count())});
}

std::unique_ptr<platform::TFileStream> SourceDatedFileSystem::OpenFile(const std::string& path,
                                                                       platform::FileAccess access) {
  auto file = CaseBlindFileSystem::OpenFile(path, access);
  if (access != platform::FileAccess::Read) return file;
  std::error_code ec;
  const auto written = std::filesystem::last_write_time(HostPath(file->Path()), ec);
  int64_t seconds = sourceDate_;
  if (!ec) {
    const auto system = std::chrono::file_clock::to_sys(written);
    seconds = std::min<int64_t>(seconds, std::chrono::floor<std::chrono::seconds>(system).time_since_epoch().count());
  }
  return std::make_unique<SourceDatedFile>(std::move(file), UtcDosDateTime(seconds));
}

}  // namespace vurerode::cli
