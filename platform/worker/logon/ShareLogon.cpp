// libsmbclient.h declares smbc_set_credentials_with_fallback outside its
// extern "C" block; included first, so that every later include sees it as
// C.
extern "C" {
#include <libsmbclient.h>
}

#include "worker/logon/ShareLogon.h"

#include "common/AsciiCase.h"
#include "mpr/browse/SmbUrl.h"
#include "worker/logon/AddressPin.h"
#include "worker/logon/CredentialsFile.h"
#include "worker/logon/KerberosTicket.h"
#include "worker/logon/KeyringPassword.h"
#include "worker/logon/SambaSettings.h"
#include "worker/logon/ServerNameMatch.h"

#include <cerrno>
#include <cstdio>

namespace {

using platform::SmbListing;
using platform::logon::SavedLogon;

// What the credentials callback gives for the connection being made; the
// context's user data points at it during a listing (null: guest).
struct Attempt {
  std::string server;
  std::string domain;
  std::string user;
  const std::string *password = nullptr; // empty for Kerberos
};

void copyInto(char *buffer, int length, const std::string &text) {
  if (length > 0)
    std::snprintf(buffer, static_cast<size_t>(length), "%s", text.c_str());
}

// libsmbclient asks for every new connection, with the server as the URL
// names it. A connection to any other server than the attempt's (a DFS
// referral, say) gets no credentials: an empty user name is an anonymous
// logon.
void credentialsFor(SMBCCTX *context, const char *server, const char *, char *workgroup,
                    int workgroupLength, char *user, int userLength, char *password,
                    int passwordLength) {
  const auto *attempt = static_cast<const Attempt *>(smbc_getOptionUserData(context));
  copyInto(user, userLength, "");
  copyInto(password, passwordLength, "");
  if (attempt == nullptr) {
    copyInto(user, userLength, "guest");
    return;
  }
  if (server == nullptr || !platform::sameIgnoringAsciiCase(server, attempt->server))
    return;
  copyInto(user, userLength, attempt->user);
  if (!attempt->domain.empty())
    copyInto(workgroup, workgroupLength, attempt->domain);
  if (attempt->password != nullptr)
    copyInto(password, passwordLength, *attempt->password);
}

// A server that is not there answers no other logon either. Not used after
// Kerberos, whose failure may be the KDC's (a laptop away from its domain).
bool unreachable(int error) {
  return error == ETIMEDOUT || error == EHOSTUNREACH || error == ENETUNREACH ||
         error == ECONNREFUSED;
}

// The context's options for one logon, and the attempt its callback sees.
class AttemptScope {
public:
  AttemptScope(SMBCCTX *context, const Attempt *attempt, bool kerberos) : context_(context) {
    smbc_setOptionUseKerberos(context, kerberos);
    smbc_setOptionFallbackAfterKerberos(context, !kerberos);
    // With a user's logon refused, an anonymous one lists nothing more.
    smbc_setOptionNoAutoAnonymousLogin(context, attempt != nullptr);
    smbc_setOptionUserData(context, const_cast<Attempt *>(attempt));
  }
  ~AttemptScope() {
    smbc_setOptionUserData(context_, nullptr);
    smbc_setOptionUseKerberos(context_, false);
    smbc_setOptionFallbackAfterKerberos(context_, true);
    smbc_setOptionNoAutoAnonymousLogin(context_, false);
  }
  AttemptScope(const AttemptScope &) = delete;
  AttemptScope &operator=(const AttemptScope &) = delete;

private:
  SMBCCTX *context_;
};

SmbListing listWith(SMBCCTX *context, const std::string &url, const Attempt *attempt,
                    bool kerberos) {
  AttemptScope scope(context, attempt, kerberos);
  return platform::readSmbDirectory(context, url);
}

// A password logon: afterwards the connection that holds the password is
// closed and the copy libsmbclient keeps for DFS replaced, whatever the
// outcome.
SmbListing listWithPassword(SMBCCTX *context, const std::string &url, const std::string &name,
                            const SavedLogon &saved) {
  const Attempt attempt{name, saved.domain, saved.user, &saved.password.text()};
  SmbListing listing = listWith(context, url, &attempt, false);
  const auto forget = [context] {
    smbc_getFunctionPurgeCachedServers(context)(context);
    smbc_set_credentials_with_fallback(context, "", "guest", "");
  };
  if (!platform::logon::inSambaFrame(forget))
    forget(); // with a warning on stderr from Samba, but forgotten
  return listing;
}

} // namespace

void platform::logon::prepareContext(SMBCCTX *context) {
  smbc_setFunctionAuthDataWithContext(context, credentialsFor);
  smbc_setDebug(context, 0);
  smbc_setOptionUseKerberos(context, false);
  smbc_setOptionFallbackAfterKerberos(context, true);
  // UseCCache is winbind's cache; the Kerberos library's own cache
  // (KRB5CCNAME or the default) is used without it.
  smbc_setOptionUseCCache(context, false);
}

void platform::logon::settleContext(SMBCCTX *) {
  setSambaOption("log level", "0");
  setSambaOption("client lanman auth", "no");
  setSambaOption("client plaintext auth", "no");
  setSambaOption("client ntlmv2 auth", "yes");
}

platform::SmbListing platform::logon::listShares(SMBCCTX *context, const std::string &name,
                                                 const std::string &address) {
  const std::string guestUrl = smbUrl(address.empty() ? name : address);
  if (name.empty() || isAddressText(name))
    return listWith(context, guestUrl, nullptr, false);

  const std::string byName = smbUrl(name);
  SmbListing listing;
  {
    const AddressPin pin(name, address);
    if (const std::optional<std::string> user = ticketUser()) {
      const Attempt attempt{name, "", *user, nullptr};
      listing = listWith(context, byName, &attempt, true);
      if (listing.opened)
        return listing;
    }
    if (const std::optional<SavedLogon> saved = keyringLogon(name)) {
      listing = listWithPassword(context, byName, name, *saved);
      if (listing.opened || unreachable(listing.error))
        return listing;
    }
    if (const std::optional<SavedLogon> saved = fileLogon(name)) {
      listing = listWithPassword(context, byName, name, *saved);
      if (listing.opened || unreachable(listing.error))
        return listing;
    }
  }
  return listWith(context, guestUrl, nullptr, false);
}
