// Single-file media: the whole set (segments, install.cfg, finstall.cfg, SHA256SUMS) carried inside
// the setup program, after its last section, where an Authenticode signature covers it. One shared
// description for the builder, which writes it, and the setup program and the tool, which read it.
//
//   [program: the setup program's bytes, checksum and certificate-table entry zeroed]
//   [zeros up to a multiple of 8]
//   payload start:  "VRRDSET1"  u32 version (1)  u32 flags (0, or kCodedMembers)
//   [each member's bytes, one after the other]
//   directory:      u32 count, then per member: u16 name length, name (UTF-8), u64 offset, u64 size
//                   in the file; with kCodedMembers also u8 coding (0 stored, 1 one zstd frame)
//                   and u64 the member's own size
//                   u32 patch count, then per patch: u32 offset, u16 length, bytes
//                   u64 tail length, tail bytes
//   [zeros up to a multiple of 8]
//   trailer (64):   "VRRDEND1"  u32 version (1)  u32 flags (as the header's)  u64 payload start  u64 directory
//                   offset  32-byte SHA-256
//   [the signature's certificate table, when the file is signed afterwards]
//
// Numbers are little-endian; offsets count from the start of the file. The file's length before a
// signature is a multiple of 8, so a signer appends its table without padding.
//
// The SHA-256 covers every byte from the start of the file up to the digest, with the PE checksum
// and the certificate-table directory entry read as zeros: those are the two fields a signer
// changes. Any other changed, missing or added byte is damage.
//
// The uninstaller (the program without its medium, as the installation copies it) is the program
// part with the patches applied (the checksum and certificate-table entry the program had, when it
// was signed on its own) followed by the tail (its padding and certificate table), so that it
// carries its own signature.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "platform/file_system.h"

namespace vurerode {

inline constexpr char kSingleFileMagic[9] = "VRRDSET1";
inline constexpr char kSingleFileTrailerMagic[9] = "VRRDEND1";
inline constexpr uint32_t kSingleFileVersion = 1;
inline constexpr size_t kSingleFileTrailerSize = 64;
// The flag of a medium whose directory says how each member is stored: members that shrink (the
// configuration files, the sums, the segments' headers) are coded with zstd. Without it every member is stored, as in
// every single file written before.
inline constexpr uint32_t kCodedMembers = 1;
// A coded member is read into memory whole: the largest a reader takes.
inline constexpr uint64_t kMaxCodedMemberSize = 64 << 20;

// A setup program that carries a medium which is cut short, changed or not of this format's
// version. The message says which, for the line after "Error Expanding Files!!".
class ESingleFileDamaged : public Exception {
 public:
  using Exception::Exception;
};

struct TEmbeddedMember {
  std::string name;     // a file name of the set, such as "disk.001" or "install.cfg"
  uint64_t offset = 0;  // from the start of the file
  uint64_t size = 0;    // the member's own
  uint64_t stored = 0;  // its bytes in the file: size, or its zstd frame's
  bool coded = false;
};

struct TProgramPatch {
  uint32_t offset = 0;
  std::vector<uint8_t> bytes;
};

// Where a PE program keeps the two fields a signer changes, and what follows its sections.
struct TPeLayout {
  uint32_t checksumOffset = 0;          // the optional header's CheckSum
  uint32_t certificateEntryOffset = 0;  // data directory 4: file offset and size of the table
  uint32_t certificateTable = 0;        // the table's file offset; 0 when unsigned
  uint32_t certificateSize = 0;
  uint64_t sectionsEnd = 0;  // the end of the last section's raw data
};
// nullopt when the bytes are not a PE program (too short, no "MZ", no "PE\0\0").
std::optional<TPeLayout> ReadPeLayout(const std::vector<uint8_t>& headers);

// The medium inside one setup program, found and checked.
class TSingleFile {
 public:
  // nullopt when the file carries no medium (a plain setup program, signed or not, or not a
  // program at all). Raises ESingleFileDamaged when it carries one that was cut short or whose
  // records do not hold together, EFOpenError when the file cannot be opened.
  static std::optional<TSingleFile> Open(platform::FileSystem& fs, const std::string& path);

  const std::string& Path() const { return path_; }
  const std::vector<TEmbeddedMember>& Members() const { return members_; }
  // The member of that name, compared as Windows compares names; nullptr when there is none.
  const TEmbeddedMember* Find(const std::string& name) const;

  // Reads the whole file and compares its SHA-256 with the trailer's; raises ESingleFileDamaged
  // when they differ.
  void Verify(platform::FileSystem& fs) const;

  // A read-only stream over one member, reading the file afresh; a coded member is decoded into
  // memory (ESingleFileDamaged when it does not decode to its size).
  std::unique_ptr<platform::TFileStream> OpenMember(platform::FileSystem& fs, const TEmbeddedMember& member) const;

  // The uninstaller's bytes: the program without its medium, with its own signature when it had one.
  std::vector<uint8_t> Uninstaller(platform::FileSystem& fs) const;

 private:
  std::string path_;
  uint64_t programSize_ = 0;  // the program part, before the padding and the payload
  uint64_t trailerOffset_ = 0;
  std::array<uint8_t, 32> digest_{};
  TPeLayout pe_;
  std::vector<TEmbeddedMember> members_;
  std::vector<TProgramPatch> patches_;
  std::vector<uint8_t> tail_;
};

// A member or program held in memory, read-only: a coded member decoded, or the uninstaller.
class TReadOnlyMemoryFile : public platform::TFileStream {
 public:
  TReadOnlyMemoryFile(std::vector<uint8_t> bytes, std::string path, uint32_t dosTime)
      : bytes_(std::move(bytes)), path_(std::move(path)), dosTime_(dosTime) {}
  size_t Read(void* buffer, size_t n) override;
  void Write(const void*, size_t) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override { return bytes_.Seek(offset, origin); }
  int64_t Size() override { return bytes_.Size(); }
  void Truncate() override;
  void SetLastWriteDosTime(uint32_t) override {}
  uint32_t LastWriteDosTime() override { return dosTime_; }
  const std::string& Path() const override { return path_; }

 private:
  TMemoryStream bytes_;
  std::string path_;
  uint32_t dosTime_;
};

// What the builder puts into one program.
struct TSingleFileSource {
  std::string program;  // the setup program (the uninstaller as installed: signed, when it is)
  // (name, path) of each file of the set, in the order they are stored.
  std::vector<std::pair<std::string, std::string>> members;
  // Names of members to code with zstd, each stored as it is when coding would not shrink it.
  std::vector<std::string> coded;
  // How many members may be coded at a time.
  int threads = 1;
};

// Writes the single file to target; a failure leaves no target.
// Raises Exception when the program is not a PE program.
void WriteSingleFile(platform::FileSystem& fs, const TSingleFileSource& source, const std::string& target);

}  // namespace vurerode
