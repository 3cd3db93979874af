// The benchmark corpus: files every Debian 12 machine with the same packages has (programs, shared
// libraries, documents, images), each class taken in sorted path order under fixed size rules until
// its quota is met, so that the same files are chosen everywhere.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vurerode::bench {

struct CorpusFile {
  std::string name;  // flat name in the corpus folder: NNNN-basename
  uint64_t size = 0;
  std::string source;  // where it was copied from
};

// Copies the chosen files into `dir` and writes dir/MANIFEST (name, size, source; tab-separated).
std::vector<CorpusFile> BuildCorpus(const std::filesystem::path& dir);
// Reads dir/MANIFEST.
std::vector<CorpusFile> ReadManifest(const std::filesystem::path& dir);

}  // namespace vurerode::bench
