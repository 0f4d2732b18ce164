#include "worker/logon/SambaSettings.h"

#include <dlfcn.h>

namespace {

struct SambaFunctions {
  bool (*setCmdline)(const char *, const char *) = nullptr;
  const char **(*nameResolveOrder)() = nullptr;
  const char *(*getLmhosts)() = nullptr;
  const char *(*setLmhosts)(const char *) = nullptr;
  void *(*pushFrame)(const char *) = nullptr;
  int (*freeFrame)(void *, const char *) = nullptr;
};

template <typename F> void find(F &function, const char *name) {
  function = reinterpret_cast<F>(::dlsym(RTLD_DEFAULT, name));
}

const SambaFunctions &samba() {
  static const SambaFunctions functions = [] {
    SambaFunctions found;
    find(found.setCmdline, "lp_set_cmdline");
    find(found.nameResolveOrder, "lp_name_resolve_order");
    find(found.getLmhosts, "get_dyn_LMHOSTSFILE");
    find(found.setLmhosts, "set_dyn_LMHOSTSFILE");
    find(found.pushFrame, "_talloc_stackframe");
    find(found.freeFrame, "_talloc_free");
    return found;
  }();
  return functions;
}

} // namespace

bool platform::logon::setSambaOption(const char *name, const std::string &value) {
  return samba().setCmdline != nullptr && samba().setCmdline(name, value.c_str());
}

std::optional<std::string> platform::logon::sambaNameResolveOrder() {
  if (samba().nameResolveOrder == nullptr)
    return std::nullopt;
  std::string order;
  for (const char **method = samba().nameResolveOrder(); method != nullptr && *method != nullptr;
       ++method)
    order += (order.empty() ? "" : " ") + std::string(*method);
  return order;
}

std::optional<std::string> platform::logon::lmhostsFile() {
  if (samba().getLmhosts == nullptr || samba().setLmhosts == nullptr)
    return std::nullopt;
  const char *path = samba().getLmhosts();
  return path != nullptr ? path : "";
}

bool platform::logon::setLmhostsFile(const std::string &path) {
  return samba().setLmhosts != nullptr && samba().setLmhosts(path.c_str()) != nullptr;
}

bool platform::logon::inSambaFrame(const std::function<void()> &work) {
  if (samba().pushFrame == nullptr || samba().freeFrame == nullptr)
    return false;
  void *frame = samba().pushFrame(__FILE__);
  if (frame == nullptr)
    return false;
  work();
  samba().freeFrame(frame, __FILE__);
  return true;
}
