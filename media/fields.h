// The field rule every list of the media files is read with: fields run up to the next separator,
// and a record has as many fields as its reader asks for.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vurerode::media {

// Takes the text up to the first separator out of rest (rest keeps what follows it). Without a
// separator the whole rest is the field and rest becomes empty.
std::string TakeField(std::string& rest, char separator);

// The first count comma-separated fields of an entry: missing ones are empty, and the text after
// the count-th comma is dropped (so the last field can never hold a comma).
std::vector<std::string> SplitFields(const std::string& entry, size_t count);

}  // namespace vurerode::media
