// The VELNOR_* switches that turn a network source off, as an adapter's
// settings would on Windows. Each is read again at every use, so a test can
// flip it between calls.
#pragma once

namespace platform {

// VELNOR_NETBIOS=0: the resolver's NetBIOS steps, the NetBIOS browse list and
// libsmbclient's own NetBIOS lookups, as with NetBIOS over TCP/IP disabled.
bool netbiosEnabled();
// VELNOR_MDNS=0: the resolver's multicast DNS step.
bool mdnsEnabled();
// VELNOR_WSD=0: WS-Discovery, for the resolver and the browse list.
bool wsDiscoveryEnabled();
// VELNOR_WORKAHEAD=0: nothing is looked up before a program asks for it, and
// every call waits for its own answer (common/WorkAhead.h).
bool workAheadEnabled();

} // namespace platform
