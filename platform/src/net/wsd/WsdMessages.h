// WS-Discovery (SOAP over UDP, 2005/04) and WS-Transfer messages: the Probe,
// Resolve and metadata Get this client sends, and reading what comes back.
// Replies come from anyone on the LAN: they are parsed with libxml2 with no
// DTD, no entity substitution and no network access; a document that
// declares a DTD, is not well formed, is over kMaxMessageSize or lacks what
// it must hold is dropped as a whole.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::wsd {

inline constexpr size_t kMaxMessageSize = 64 * 1024;

// A fresh "urn:uuid:" + random version-4 UUID.
std::string newMessageId();

// A Probe for type wsdp:Device, the one wsdd and Windows answer.
std::string probeMessage(const std::string &messageId);
// A Resolve for the endpoint address (a "urn:uuid:" URI).
std::string resolveMessage(const std::string &messageId, const std::string &endpoint);
// A WS-Transfer Get of the endpoint's metadata.
std::string getMessage(const std::string &messageId, const std::string &endpoint);

// One ProbeMatch or ResolveMatch.
struct Match {
  std::string endpoint;            // wsa:Address of its EndpointReference
  bool computer = false;           // its Types include pub:Computer
  std::vector<std::string> xaddrs; // may be empty (a ProbeMatch from wsdd has none)
};

// A ProbeMatches or ResolveMatches reply.
struct Matches {
  std::string messageId; // the reply's own id: SOAP over UDP sends each reply more than once
  std::string relatesTo; // the id of the request it answers
  std::vector<Match> matches;
};

enum class MatchKind { Probe, Resolve };

// std::nullopt for anything but a well-formed reply of that kind with a
// MessageID and a RelatesTo.
std::optional<Matches> readMatches(std::string_view datagram, MatchKind kind);

// A Hello (a device joins the LAN) or a Bye (it leaves), multicast by the
// device itself.
struct Announcement {
  bool hello = false;
  Match match;
};

// std::nullopt for anything but a well-formed Hello or Bye with a MessageID.
std::optional<Announcement> readAnnouncement(std::string_view datagram);

// What a computer's pub:Computer says: "NAME/Workgroup:WG" or
// "NAME/Domain:DNSDOMAIN".
struct ComputerName {
  std::string name;
  std::string workgroup;
  bool domain = false;
};

// The pub:Computer of a GetResponse's metadata; std::nullopt when it has
// none or it does not read as above.
std::optional<ComputerName> readComputer(std::string_view getResponse);

// The text of a pub:Computer element. A computer that is in neither a
// workgroup nor a domain ("NAME/NotJoined") has no place in a browse list.
std::optional<ComputerName> parseComputerText(std::string_view text);

} // namespace platform::wsd
