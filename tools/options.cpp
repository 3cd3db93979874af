#include "tools/options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "tools/cli.h"

namespace vurerode::cli {

Options::Options(const std::vector<std::string>& args, const std::set<std::string>& valued,
                 const std::set<std::string>& flags) {
  bool onlyOperands = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (onlyOperands || a.size() < 2 || a[0] != '-') {
      operands_.push_back(a);
      continue;
    }
    if (a == "--") {
      onlyOperands = true;
      continue;
    }
    if (a == "-h" || a == "--help") {
      values_["--help"] = "";
      continue;
    }
    std::string name = a;
    std::optional<std::string> inlineValue;
    if (a.rfind("--", 0) == 0) {
      size_t eq = a.find('=');
      if (eq != std::string::npos) {
        name = a.substr(0, eq);
        inlineValue = a.substr(eq + 1);
      }
    } else if (a.size() > 2 && valued.count(a.substr(0, 2))) {
      name = a.substr(0, 2);  // "-mlh5" form
      inlineValue = a.substr(2);
    }
    if (valued.count(name)) {
      if (!inlineValue) {
        if (i + 1 >= args.size()) throw UsageError{"option " + name + " needs a value"};
        inlineValue = args[++i];
      }
      values_[name] = *inlineValue;
      repeated_[name].push_back(*inlineValue);
    } else if (flags.count(name) && !inlineValue) {
      values_[name] = "";
    } else {
      throw UsageError{"unknown option " + a};
    }
  }
}

std::optional<std::string> Options::Value(const std::string& name) const {
  auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> Options::Values(const std::string& name) const {
  auto it = repeated_.find(name);
  return it == repeated_.end() ? std::vector<std::string>{} : it->second;
}

TCompressionMethod ParseMethod(const std::string& text) {
  std::string t;
  for (char c : text) t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (t == "none" || t == "non" || t == "store") return coNone;
  if (t == "rle") return coRLE;
  if (t == "lzh") return coLZH;
  if (t == "lh5") return coLZH5;
  // The one custom method the tool writes: zstd, each archive coded as one stream.
  if (t == "zstd" || t == "zst") return coCustom;
  throw UsageError{"unknown method '" + text + "' (none, rle, lzh, lh5 or zstd)"};
}

int32_t ParseKey(const std::string& text) {
  if (text.empty()) throw UsageError{"the key must be a number"};
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || v < INT32_MIN || v > static_cast<long long>(UINT32_MAX))
    throw UsageError{"the key must be a 32-bit number, not '" + text + "'"};
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

int32_t KeyOption(const Options& options) {
  if (auto k = options.Value("-k")) return ParseKey(*k);
  if (auto k = options.Value("--key")) return ParseKey(*k);
  return 0;
}

}  // namespace vurerode::cli
