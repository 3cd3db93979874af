#include "tools/set_support.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "platform/exception.h"
#include "platform/native_file_system.h"
#include "segment/seg_names.h"
#include "segment/seg_records.h"
#include "tools/host_paths.h"

namespace vurerode::cli {
namespace stdfs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Discarded expansion

bool TestingFileSystem::Discarded(const std::string& path) {
  return path.rfind(kDiscardPrefix, 0) == 0;
}

uint32_t TestingFileSystem::GetAttributes(const std::string& path) {
  return Discarded(path) ? discard_.GetAttributes(path) : CaseBlindFileSystem::GetAttributes(path);
}
bool TestingFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  return Discarded(path) ? true : CaseBlindFileSystem::SetAttributes(path, attributes);
}
std::unique_ptr<platform::TFileStream> TestingFileSystem::CreateFile(const std::string& path) {
  return Discarded(path) ? discard_.CreateFile(path) : CaseBlindFileSystem::CreateFile(path);
}
bool TestingFileSystem::DeleteFile(const std::string& path) {
  return Discarded(path) ? true : CaseBlindFileSystem::DeleteFile(path);
}
int TestingFileSystem::CreateDirectory(const std::string& path) {
  return Discarded(path) ? 0 : CaseBlindFileSystem::CreateDirectory(path);
}

// ---------------------------------------------------------------------------------------------
// Sets

bool IsSegmentFile(const std::string& hostPath) {
  std::ifstream in(HostPath(hostPath), std::ios::binary);
  char id[4] = {};
  return in.read(id, 4) && TSegId{id[0], id[1], id[2], id[3]} == kSegmentId;
}

std::optional<SetOperand> FindSetOperand(const std::string& operand) {
  if (IsSegmentFile(operand)) return SetOperand{operand, std::nullopt, operand};
  const stdfs::path p = stdfs::absolute(HostPath(operand));
  std::error_code ec;
  if (!stdfs::is_regular_file(p, ec)) return std::nullopt;
  const std::string folder = NativePath(p.parent_path());
  platform::NativeFileSystem host;
  try {
    std::optional<TSingleFile> single = TSingleFile::Open(host, WindowsDirectory(folder) + NativePath(p.filename()));
    if (!single) return std::nullopt;
    // The set's first segment, whatever its base name.
    std::string first = SegmentFileName("disk", "", 1);
    for (const TEmbeddedMember& m : single->Members())
      if (m.name.size() > 4 && m.name.compare(m.name.size() - 4, 4, ".001") == 0) first = m.name;
    return SetOperand{NativePath(p.parent_path() / HostPath(first)), std::move(single), operand};
  } catch (const ESingleFileDamaged& e) {
    throw ESingleFileDamaged(operand + ": " + e.what());
  }
}

WorkFolder::WorkFolder() {
  std::random_device rd;
  std::error_code ec;
  stdfs::path tmp = stdfs::temp_directory_path(ec);
  if (ec) tmp = ".";
  for (;;) {
    stdfs::path candidate = tmp / ("vurerode-work-" + std::to_string(rd()));
    if (stdfs::create_directory(candidate, ec)) {
      path_ = NativePath(candidate);
      return;
    }
    if (ec) throw Exception("cannot create a work folder in " + NativePath(tmp) + ": " + ec.message());
  }
}

WorkFolder::~WorkFolder() {
  std::error_code ec;
  stdfs::remove_all(path_, ec);
}

SetReaderSetup::SetReaderSetup(TSegCompEZ& reader, const std::string& segmentPath) {
  const stdfs::path p = HostPath(segmentPath);
  std::string name = NativePath(p.filename());
  size_t dot = name.rfind('.');
  std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  bool numbered = !ext.empty() && ext.find_first_not_of("0123456789") == std::string::npos;
  reader.SetSegBaseName(base);
  reader.SetSegExt(numbered ? "" : ext);
  reader.SetSegDir(WindowsDirectory(p.has_parent_path() ? NativePath(p.parent_path()) : "."));
  reader.SegPopUp = false;
  workFolder_ = WindowsDirectory(work_.path());
  reader.SetSegTmpDir(workFolder_);
}

std::string PlaceBelow(const std::string& dir, const std::string& path) {
  std::string rest = path;
  if (rest.size() >= 2 && rest[1] == ':') rest.erase(0, 2);
  size_t first = rest.find_first_not_of('\\');
  rest = first == std::string::npos ? std::string() : rest.substr(first);
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    if (part.find_first_not_of(". ") == std::string::npos && part.find("..") != std::string::npos)
      throw Exception("refusing to place \"" + path + "\": it would leave " + dir);
    start = end + 1;
  }
  return dir + rest;
}

}  // namespace vurerode::cli
