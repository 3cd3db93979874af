#include "media/fields.h"

namespace vurerode::media {

std::string TakeField(std::string& rest, char separator) {
  size_t at = rest.find(separator);
  std::string field = rest.substr(0, at);
  rest = at == std::string::npos ? std::string() : rest.substr(at + 1);
  return field;
}

std::vector<std::string> SplitFields(const std::string& entry, size_t count) {
  std::vector<std::string> fields;
  std::string rest = entry;
  for (size_t i = 0; i < count; ++i) fields.push_back(TakeField(rest, ','));
  return fields;
}

}  // namespace vurerode::media
