// A small option parser: "-m VALUE", "--name VALUE", "--name=VALUE", flags, "--" and operands.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "archive/format.h"

namespace vurerode::cli {

class Options {
 public:
  // valued: option names that take a value (e.g. {"-m", "--method"}); flags: names that do not.
  // Raises UsageError on an unknown option or a missing value. "--help"/"-h" is always a flag.
  Options(const std::vector<std::string>& args, const std::set<std::string>& valued,
          const std::set<std::string>& flags);

  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  // The value given last; Values: every value given, in order (options that may be repeated).
  std::optional<std::string> Value(const std::string& name) const;
  std::vector<std::string> Values(const std::string& name) const;
  const std::vector<std::string>& Operands() const { return operands_; }
  bool Help() const { return Has("--help"); }

 private:
  std::map<std::string, std::string> values_;
  std::map<std::string, std::vector<std::string>> repeated_;
  std::vector<std::string> operands_;
};

// "none", "rle", "lzh", "lh5" (any case) to the method; UsageError otherwise.
TCompressionMethod ParseMethod(const std::string& text);
// A key as a signed or unsigned 32-bit decimal (or 0x hexadecimal) number; UsageError otherwise.
int32_t ParseKey(const std::string& text);
// The key given with -k/--key, 0 without one.
int32_t KeyOption(const Options& options);

}  // namespace vurerode::cli
