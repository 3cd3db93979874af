// The archives of a set as the reader reports them: one TSegArc per scan record, kept in an owning
// list the application may edit between reading the scan records and expanding the archives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vurerode {

struct TSegArc {
  std::string Template;
  // The directory part of Template: where this archive's files are expanded.
  std::string Path;
  uint16_t Index = 0;
  uint8_t Attribute = 0;
  // Before expansion the names to expand; after it the full paths of the files written.
  std::vector<std::string> FileList;
};

class TSegArcList {
 public:
  TSegArcList() = default;
  ~TSegArcList() { Clear(); }
  TSegArcList(const TSegArcList&) = delete;
  TSegArcList& operator=(const TSegArcList&) = delete;

  size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  TSegArc& operator[](size_t i) { return *items_.at(i); }
  const TSegArc& operator[](size_t i) const { return *items_.at(i); }
  TSegArc& Add(std::unique_ptr<TSegArc> arc) {
    items_.push_back(std::move(arc));
    return *items_.back();
  }
  void Delete(size_t i) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i)); }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TSegArc>> items_;
};

}  // namespace vurerode
