#include "net/wsd/CurlStart.h"

#include <curl/curl.h>

#include <mutex>

namespace platform::wsd {

void initialiseCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_NOTHING); });
}

} // namespace platform::wsd
