#include "worker/logon/SavedLogon.h"

#include <cstring>

void platform::logon::SecretText::wipe() {
  // The whole capacity: a shorter text may have followed a longer one.
  if (text_.capacity() > 0)
    explicit_bzero(text_.data(), text_.capacity());
  text_.clear();
}
