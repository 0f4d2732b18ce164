// A packet written field by field, each field annotated where it is written.
#pragma once

#include <initializer_list>
#include <vector>

namespace testsupport {

using Bytes = std::vector<unsigned char>;

inline Bytes packet(std::initializer_list<Bytes> fields) {
  Bytes out;
  for (const Bytes &field : fields)
    out.insert(out.end(), field.begin(), field.end());
  return out;
}

} // namespace testsupport
