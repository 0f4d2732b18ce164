#include "worker/logon/KeyringPassword.h"

#include "worker/logon/ServerNameMatch.h"

#include <libsecret/secret.h>

#include <cstdlib>
#include <sys/stat.h>

namespace {

// Without a session bus GLib would try to start one (dbus-launch), which a
// process without a desktop must not do.
bool sessionBusKnown() {
  const char *address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr && address[0] != '\0')
    return true;
  const char *runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || runtime[0] == '\0')
    return false;
  struct stat status {};
  return ::stat((std::string(runtime) + "/bus").c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

std::string attribute(GHashTable *attributes, const char *name) {
  const auto *value = static_cast<const char *>(g_hash_table_lookup(attributes, name));
  return value != nullptr ? value : "";
}

// GVfs leaves the port out, or writes 0, for the default; a password saved
// for another port belongs to another service.
bool defaultSmbPort(const std::string &port) {
  return port.empty() || port == "0" || port == "445" || port == "139";
}

} // namespace

std::optional<platform::logon::SavedLogon>
platform::logon::keyringLogon(const std::string &computer) {
  if (!sessionBusKnown())
    return std::nullopt;
  // Every smb entry, matched here: the Secret Service compares attributes
  // byte for byte, and a server's name may be saved in any case.
  GHashTable *query = g_hash_table_new(g_str_hash, g_str_equal);
  g_hash_table_insert(query, const_cast<char *>("protocol"), const_cast<char *>("smb"));
  GError *error = nullptr;
  GList *items = secret_service_search_sync(nullptr, SECRET_SCHEMA_COMPAT_NETWORK, query,
                                            SECRET_SEARCH_ALL, nullptr, &error);
  g_hash_table_unref(query);
  if (error != nullptr) {
    g_error_free(error);
    return std::nullopt;
  }
  std::optional<SavedLogon> found;
  for (GList *node = items; node != nullptr && !found; node = node->next) {
    auto *item = static_cast<SecretItem *>(node->data);
    if (secret_item_get_locked(item))
      continue;
    GHashTable *attributes = secret_item_get_attributes(item);
    const std::string server = attribute(attributes, "server");
    const std::string user = attribute(attributes, "user");
    if (savedForServer(server, computer) && !user.empty() &&
        defaultSmbPort(attribute(attributes, "port")) &&
        secret_item_load_secret_sync(item, nullptr, nullptr)) {
      if (SecretValue *secret = secret_item_get_secret(item)) {
        gsize length = 0;
        const gchar *bytes = secret_value_get(secret, &length);
        found = SavedLogon{attribute(attributes, "domain"), user,
                           SecretText(std::string(bytes, length))};
        secret_value_unref(secret);
      }
    }
    g_hash_table_unref(attributes);
  }
  g_list_free_full(items, g_object_unref);
  return found;
}
