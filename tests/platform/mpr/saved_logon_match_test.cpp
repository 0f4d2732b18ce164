// Which saved password may go to which server: the name match, and the
// entries of the credentials file. A password that went to the wrong server
// is an attack no lab run shows unless it is tried, so the cases are here.
#include "worker/logon/CredentialsFile.h"
#include "worker/logon/ServerNameMatch.h"

#include <gtest/gtest.h>

namespace {

using platform::logon::logonInCredentials;
using platform::logon::savedForServer;

struct NameCase {
  const char *savedFor;
  const char *computer;
  bool matches;
};

TEST(SavedLogonMatch, OnlyTheServersOwnNameInAnyAsciiCase) {
  const NameCase cases[] = {
      {"WIN1", "WIN1", true},
      {"win1", "WIN1", true},
      {"Nas.Corp.Example", "nas.corp.example", true},
      {"WIN1", "WIN10", false},
      {"WIN1", "WIN", false},
      {"nas.corp.example", "nas", false}, // a DNS name is not its first label
      {"nas", "nas.corp.example", false},
      {"10.81.0.13", "10.81.0.13", false}, // never an address, either side
      {"10.81.0.13", "WIN2", false},
      {"WIN2", "10.81.0.13", false},
      {"fe80::1", "fe80::1", false},
      {"[fe80::1]", "[fe80::1]", false},
      {"", "", false},
      {"", "WIN1", false},
      {"\xC3\xA9T\xC3\x89", "\xC3\xA9t\xC3\x89", true}, // ASCII folded only
      {"\xC3\xA9", "\xC3\x89", false},
  };
  for (const NameCase &c : cases)
    EXPECT_EQ(savedForServer(c.savedFor, c.computer), c.matches)
        << "'" << c.savedFor << "' for '" << c.computer << "'";
}

struct FileCase {
  const char *name;
  const char *text;
  const char *computer;
  bool found;
  const char *domain;
  const char *user;
  const char *password;
};

TEST(SavedLogonMatch, CredentialsFileEntries) {
  const FileCase cases[] = {
      {"one entry", "[WIN2]\ndomain = CORP\nuser = alice\npassword = p w\n", "win2", true, "CORP",
       "alice", "p w"},
      {"the entry of the server asked for",
       "[WIN1]\nuser = bob\npassword = b\n[WIN2]\nuser = alice\npassword = a\n", "WIN2", true, "",
       "alice", "a"},
      {"another server's entry", "[WIN1]\nuser = bob\npassword = b\n", "WIN2", false, "", "", ""},
      {"keys before any section belong to none", "user = bob\npassword = b\n[WIN2]\n", "WIN2",
       false, "", "", ""},
      {"an entry without a user is none", "[WIN2]\npassword = a\n", "WIN2", false, "", "", ""},
      {"an empty password is a password", "[WIN2]\nuser = alice\n", "WIN2", true, "", "alice", ""},
      {"comments, blank lines, CRLF and spaces",
       "# saved\r\n\r\n ; old\r\n [ WIN2 ] \r\n user=alice \r\npassword =  x=y \r\n", "WIN2", true,
       "", "alice", "x=y"},
      {"a section for an address is never used", "[10.81.0.13]\nuser = alice\n", "10.81.0.13",
       false, "", "", ""},
      {"the first of two entries", "[WIN2]\nuser = a\n[win2]\nuser = b\n", "WIN2", true, "", "a",
       ""},
      {"an unclosed section header", "[WIN2\nuser = alice\n", "WIN2", false, "", "", ""},
      {"no final line feed", "[WIN2]\nuser = alice\npassword = z", "WIN2", true, "", "alice", "z"},
  };
  for (const FileCase &c : cases) {
    const auto logon = logonInCredentials(c.text, c.computer);
    ASSERT_EQ(logon.has_value(), c.found) << c.name;
    if (!logon)
      continue;
    EXPECT_EQ(logon->domain, c.domain) << c.name;
    EXPECT_EQ(logon->user, c.user) << c.name;
    EXPECT_EQ(logon->password.text(), c.password) << c.name;
  }
}

} // namespace
