// libcurl's one global set-up, made once for the whole process before the
// first URL is parsed or fetched: curl_global_init may not run on two
// threads at once.
#pragma once

namespace platform::wsd {

void initialiseCurl();

} // namespace platform::wsd
