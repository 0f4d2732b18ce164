// Listing a computer's shares as the logged-on user, the way Windows lists
// them with the user's logon session. For each listing the logon tries, in
// this order, and stops at the first that lists:
//   1. the user's Kerberos ticket (KRB5CCNAME or the default cache), for
//      the service cifs/NAME: with no cache or principal it is skipped, and
//      with no service ticket for NAME nothing reaches the server;
//   2. a password the desktop saved for exactly this server in the Secret
//      Service keyring (KeyringPassword.h);
//   3. the user's credentials file's entry for it (CredentialsFile.h);
//   4. guest, which libsmbclient follows with anonymous, as servers with
//      Samba's defaults and many NAS boxes allow.
// Steps 1-3 connect by the computer's name, pinned to the address the
// platform resolved (AddressPin.h), never by a bare address; a password goes
// only to the server it was saved for, over NTLMv2 (never LM or NTLMv1) and
// is forgotten, with the connection that used it, when the listing ends.
//
// Self-contained: it needs only a libsmbclient context prepared with
// prepareContext and used by one thread at a time.
#pragma once

#include "worker/SmbDirectory.h"

#include <libsmbclient.h>

#include <string>

namespace platform::logon {

// Installs the logon's credentials callback and the settings it relies on;
// call before smbc_init_context (the settings are made again after it by
// settleContext).
void prepareContext(SMBCCTX *context);
// After smbc_init_context: LM, NTLMv1 and plain-text passwords off, and
// libsmbclient's debug output off (it may print user names).
void settleContext(SMBCCTX *context);

// The shares of the computer `name` at `address` (dotted IPv4; empty to let
// libsmbclient resolve the name).
SmbListing listShares(SMBCCTX *context, const std::string &name, const std::string &address);

} // namespace platform::logon
