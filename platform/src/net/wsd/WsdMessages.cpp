#include "net/wsd/WsdMessages.h"

#include "net/LibraryGate.h"

#include "net/RandomBytes.h"

#include <windns.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <sstream>

namespace platform::wsd {

namespace {

constexpr char kSoapNs[] = "http://www.w3.org/2003/05/soap-envelope";
constexpr char kAddressingNs[] = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
constexpr char kDiscoveryNs[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
constexpr char kPubNs[] = "http://schemas.microsoft.com/windows/pub/2005/07";

constexpr char kDiscoveryTo[] = "urn:schemas-xmlsoap-org:ws:2005:04:discovery";
constexpr char kProbeAction[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe";
constexpr char kResolveAction[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/Resolve";
constexpr char kProbeMatchesAction[] =
    "http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches";
constexpr char kResolveMatchesAction[] =
    "http://schemas.xmlsoap.org/ws/2005/04/discovery/ResolveMatches";
constexpr char kHelloAction[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/Hello";
constexpr char kByeAction[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery/Bye";
constexpr char kGetAction[] = "http://schemas.xmlsoap.org/ws/2004/09/transfer/Get";
constexpr char kGetResponseAction[] = "http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse";
constexpr char kAnonymous[] = "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous";

constexpr char kEnvelopeStart[] =
    R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof">)";

// Text for element content: the values we put in are URIs we made or got
// from a parsed reply, but are escaped all the same.
std::string escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    default:
      out += c;
    }
  }
  return out;
}

std::string header(const std::string &to, const char *action, const std::string &messageId,
                   bool replyTo) {
  std::string text = "<soap:Header><wsa:To>" + escaped(to) + "</wsa:To><wsa:Action>" + action +
                     "</wsa:Action><wsa:MessageID>" + escaped(messageId) + "</wsa:MessageID>";
  if (replyTo)
    text += std::string("<wsa:ReplyTo><wsa:Address>") + kAnonymous + "</wsa:Address></wsa:ReplyTo>";
  return text + "</soap:Header>";
}

struct DocumentFree {
  void operator()(xmlDoc *doc) const { xmlFreeDoc(doc); }
};
using Document = std::unique_ptr<xmlDoc, DocumentFree>;

Document parse(std::string_view text) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { xmlInitParser(); });
  if (text.empty() || text.size() > kMaxMessageSize)
    return nullptr;
  // Without XML_PARSE_NOENT no entity is substituted and without
  // XML_PARSE_DTDLOAD no external subset is fetched; XML_PARSE_NONET forbids
  // any network access. A document with a DTD at all is refused below.
  // SOAP 1.2 over UDP and HTTP is UTF-8: the encoding is fixed here, so
  // that a sender cannot pick one of libxml2's other converters through
  // the XML declaration.
  Document doc(
      xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA));
  if (!doc || doc->intSubset != nullptr || doc->extSubset != nullptr)
    return nullptr;
  return doc;
}

bool is(const xmlNode *node, const char *ns, const char *name) {
  return node != nullptr && node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
         xmlStrEqual(node->ns->href, BAD_CAST ns) && xmlStrEqual(node->name, BAD_CAST name);
}

const xmlNode *child(const xmlNode *parent, const char *ns, const char *name) {
  if (parent == nullptr)
    return nullptr;
  for (const xmlNode *c = parent->children; c != nullptr; c = c->next)
    if (is(c, ns, name))
      return c;
  return nullptr;
}

std::vector<const xmlNode *> children(const xmlNode *parent, const char *ns, const char *name) {
  std::vector<const xmlNode *> found;
  if (parent != nullptr)
    for (const xmlNode *c = parent->children; c != nullptr; c = c->next)
      if (is(c, ns, name))
        found.push_back(c);
  return found;
}

// The element's text, trimmed of XML white space; std::nullopt for a
// missing element or one that holds other elements.
std::optional<std::string> text(const xmlNode *element) {
  if (element == nullptr)
    return std::nullopt;
  std::string value;
  for (const xmlNode *c = element->children; c != nullptr; c = c->next) {
    if (c->type == XML_TEXT_NODE && c->content != nullptr)
      value += reinterpret_cast<const char *>(c->content);
    else if (c->type != XML_COMMENT_NODE)
      return std::nullopt;
  }
  const size_t first = value.find_first_not_of(" \t\r\n");
  if (first == std::string::npos)
    return std::string();
  return value.substr(first, value.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> words(const std::string &list) {
  std::istringstream in(list);
  std::vector<std::string> out;
  for (std::string word; in >> word;)
    out.push_back(word);
  return out;
}

// Whether a Types list holds pub:Computer, its prefix resolved through the
// namespaces in scope at the element.
bool typesHoldComputer(const xmlDoc *doc, const xmlNode *types, const std::string &list) {
  for (const std::string &qname : words(list)) {
    const size_t colon = qname.find(':');
    if (colon == std::string::npos || qname.substr(colon + 1) != "Computer")
      continue;
    const std::string prefix = qname.substr(0, colon);
    const xmlNs *ns = xmlSearchNs(const_cast<xmlDoc *>(doc), const_cast<xmlNode *>(types),
                                  BAD_CAST prefix.c_str());
    if (ns != nullptr && xmlStrEqual(ns->href, BAD_CAST kPubNs))
      return true;
  }
  return false;
}

struct Envelope {
  const xmlNode *header = nullptr;
  const xmlNode *body = nullptr;
  std::string action, messageId, relatesTo;
};

// A reply names the request it answers; an announcement answers nothing.
std::optional<Envelope> readEnvelope(const xmlDoc *doc, bool reply = true) {
  const xmlNode *root = xmlDocGetRootElement(const_cast<xmlDoc *>(doc));
  if (!is(root, kSoapNs, "Envelope"))
    return std::nullopt;
  Envelope envelope;
  envelope.header = child(root, kSoapNs, "Header");
  envelope.body = child(root, kSoapNs, "Body");
  if (envelope.header == nullptr || envelope.body == nullptr)
    return std::nullopt;
  const auto action = text(child(envelope.header, kAddressingNs, "Action"));
  const auto messageId = text(child(envelope.header, kAddressingNs, "MessageID"));
  const auto relatesTo = text(child(envelope.header, kAddressingNs, "RelatesTo"));
  if (!action || !messageId || messageId->empty() || (reply && (!relatesTo || relatesTo->empty())))
    return std::nullopt;
  envelope.action = *action;
  envelope.messageId = *messageId;
  envelope.relatesTo = relatesTo.value_or("");
  return envelope;
}

// A ProbeMatch, ResolveMatch, Hello or Bye: the endpoint it is about.
std::optional<Match> readMatch(const xmlDoc *doc, const xmlNode *item) {
  const auto endpoint =
      text(child(child(item, kAddressingNs, "EndpointReference"), kAddressingNs, "Address"));
  if (!endpoint || endpoint->empty() || endpoint->size() > DNS_MAX_NAME_LENGTH)
    return std::nullopt;
  Match match{*endpoint, false, {}};
  const xmlNode *types = child(item, kDiscoveryNs, "Types");
  if (const auto list = text(types))
    match.computer = typesHoldComputer(doc, types, *list);
  if (const auto xaddrs = text(child(item, kDiscoveryNs, "XAddrs")))
    match.xaddrs = words(*xaddrs);
  return match;
}

bool isOddName(const std::string &name) {
  return name.empty() || name.size() > DNS_MAX_NAME_LENGTH ||
         std::any_of(name.begin(), name.end(), [](char c) {
           const auto u = static_cast<unsigned char>(c);
           return u < 0x20 || u == 0x7F || c == '\\' || c == '/' || c == ' ';
         });
}

} // namespace

std::string newMessageId() {
  // From the kernel: a peer that saw earlier ids must not be able to tell
  // the next, which replies must name in their RelatesTo.
  unsigned char bytes[16];
  fillRandom(bytes);
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40); // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
  char text[64];
  std::snprintf(text, sizeof text,
                "urn:uuid:%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7],
                bytes[8], bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14],
                bytes[15]);
  return text;
}

std::string probeMessage(const std::string &messageId) {
  return std::string(kEnvelopeStart) + header(kDiscoveryTo, kProbeAction, messageId, false) +
         "<soap:Body><wsd:Probe><wsd:Types>wsdp:Device</wsd:Types></wsd:Probe></soap:Body>"
         "</soap:Envelope>";
}

std::string resolveMessage(const std::string &messageId, const std::string &endpoint) {
  return std::string(kEnvelopeStart) + header(kDiscoveryTo, kResolveAction, messageId, false) +
         "<soap:Body><wsd:Resolve><wsa:EndpointReference><wsa:Address>" + escaped(endpoint) +
         "</wsa:Address></wsa:EndpointReference></wsd:Resolve></soap:Body></soap:Envelope>";
}

std::string getMessage(const std::string &messageId, const std::string &endpoint) {
  return R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing">)" +
         header(endpoint, kGetAction, messageId, true) + "<soap:Body/></soap:Envelope>";
}

std::optional<Matches> readMatches(std::string_view datagram, MatchKind kind) {
  const LibraryCall call; // until the document is freed
  if (!call.entered())
    return std::nullopt;
  const Document doc = parse(datagram);
  if (!doc)
    return std::nullopt;
  const std::optional<Envelope> envelope = readEnvelope(doc.get());
  const bool probe = kind == MatchKind::Probe;
  if (!envelope || envelope->action != (probe ? kProbeMatchesAction : kResolveMatchesAction))
    return std::nullopt;
  const xmlNode *list =
      child(envelope->body, kDiscoveryNs, probe ? "ProbeMatches" : "ResolveMatches");
  if (list == nullptr)
    return std::nullopt;
  Matches matches{envelope->messageId, envelope->relatesTo, {}};
  for (const xmlNode *item : children(list, kDiscoveryNs, probe ? "ProbeMatch" : "ResolveMatch")) {
    if (std::optional<Match> match = readMatch(doc.get(), item))
      matches.matches.push_back(std::move(*match));
  }
  return matches;
}

std::optional<Announcement> readAnnouncement(std::string_view datagram) {
  const LibraryCall call; // until the document is freed
  if (!call.entered())
    return std::nullopt;
  const Document doc = parse(datagram);
  if (!doc)
    return std::nullopt;
  const std::optional<Envelope> envelope = readEnvelope(doc.get(), false);
  if (!envelope)
    return std::nullopt;
  const bool hello = envelope->action == kHelloAction;
  if (!hello && envelope->action != kByeAction)
    return std::nullopt;
  std::optional<Match> match =
      readMatch(doc.get(), child(envelope->body, kDiscoveryNs, hello ? "Hello" : "Bye"));
  if (!match)
    return std::nullopt;
  return Announcement{hello, std::move(*match)};
}

std::optional<ComputerName> parseComputerText(std::string_view text) {
  const size_t slash = text.find('/');
  if (slash == std::string_view::npos)
    return std::nullopt;
  const std::string_view membership = text.substr(slash + 1);
  ComputerName computer;
  computer.name = std::string(text.substr(0, slash));
  std::string_view group;
  if (membership.rfind("Workgroup:", 0) == 0) {
    group = membership.substr(10);
  } else if (membership.rfind("Domain:", 0) == 0) {
    group = membership.substr(7);
    computer.domain = true;
  } else {
    return std::nullopt;
  }
  computer.workgroup = std::string(group);
  if (isOddName(computer.name) || isOddName(computer.workgroup))
    return std::nullopt;
  return computer;
}

std::optional<ComputerName> readComputer(std::string_view getResponse) {
  const LibraryCall call; // until the document is freed
  if (!call.entered())
    return std::nullopt;
  const Document doc = parse(getResponse);
  if (!doc)
    return std::nullopt;
  const std::optional<Envelope> envelope = readEnvelope(doc.get());
  if (!envelope || envelope->action != kGetResponseAction)
    return std::nullopt;
  // wsx:Metadata / wsx:MetadataSection / wsdp:Relationship / wsdp:Host /
  // pub:Computer; the first pub:Computer anywhere in the body is taken, so
  // a device that nests it a little differently is still read.
  std::vector<const xmlNode *> pending{envelope->body};
  size_t visited = 0;
  while (!pending.empty() && visited < 10000) {
    const xmlNode *node = pending.back();
    pending.pop_back();
    ++visited;
    if (is(node, kPubNs, "Computer")) {
      const auto value = text(node);
      return value ? parseComputerText(*value) : std::nullopt;
    }
    for (const xmlNode *c = node->last; c != nullptr; c = c->prev)
      if (c->type == XML_ELEMENT_NODE)
        pending.push_back(c);
  }
  return std::nullopt;
}

} // namespace platform::wsd
