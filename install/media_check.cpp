#include "install/media_check.h"

#include <cctype>
#include <map>

#include "platform/exception.h"
#include "platform/text.h"

namespace vurerode::setup {

const std::optional<TMediaSums>& TMediumCheck::Sums() {
  if (!loaded_) {
    sums_ = TMediaSums::Load(fs_, dir_);
    loaded_ = true;
  }
  return sums_;
}

void TMediumCheck::Check(const std::string& name) {
  const std::string key = platform::UpperCase(name);
  if (verified_ || !Sums() || whole_.count(key) || !fs_.FileExists(dir_ + name)) return;
  switch (sums_->Check(fs_, dir_, name)) {
    case MediaSumResult::Match: whole_.insert(key); return;
    case MediaSumResult::Mismatch:
      throw Exception(name + " is damaged: its SHA-256 does not match " + kMediaSumsFile + ".");
    case MediaSumResult::Unlisted: throw Exception(name + " is not listed in " + kMediaSumsFile + ".");
  }
}

bool TMediumCheck::WholeSetVerified(const std::string& base) {
  if (!Sums()) return false;
  const std::string prefix = platform::UpperCase(base) + ".";
  std::map<int, std::string> segments;
  for (const auto& [name, sum] : sums_->Entries()) {
    const std::string upper = platform::UpperCase(name);
    if (upper.size() != prefix.size() + 3 || upper.compare(0, prefix.size(), prefix) != 0) continue;
    int number = 0;
    for (size_t i = prefix.size(); i < upper.size(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(upper[i]))) {
        number = -1;
        break;
      }
      number = number * 10 + (upper[i] - '0');
    }
    if (number > 0) segments[number] = name;
  }
  if (segments.empty() || segments.rbegin()->first != static_cast<int>(segments.size())) return false;
  for (const auto& [number, name] : segments)
    if (!fs_.FileExists(dir_ + name)) return false;
  for (const auto& [number, name] : segments) Check(name);
  return true;
}

}  // namespace vurerode::setup
