#include "worker/logon/KerberosTicket.h"

#include <krb5.h>

std::optional<std::string> platform::logon::ticketUser() {
  krb5_context context = nullptr;
  if (krb5_init_context(&context) != 0)
    return std::nullopt;
  std::optional<std::string> user;
  krb5_ccache cache = nullptr;
  if (krb5_cc_default(context, &cache) == 0) {
    krb5_principal principal = nullptr;
    // No cache file, or one without a principal, fails here.
    if (krb5_cc_get_principal(context, cache, &principal) == 0) {
      char *name = nullptr;
      if (krb5_unparse_name_flags(context, principal, KRB5_PRINCIPAL_UNPARSE_NO_REALM, &name) ==
              0 &&
          name[0] != '\0')
        user = name;
      krb5_free_unparsed_name(context, name);
      krb5_free_principal(context, principal);
    }
    krb5_cc_close(context, cache);
  }
  krb5_free_context(context);
  return user;
}
