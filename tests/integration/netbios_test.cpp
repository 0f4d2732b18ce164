// Name resolution as a PC on a Windows LAN does it, against the lab's Samba
// servers: the client's hosts file does not know the servers, so their names
// resolve through WINS (the client's smb.conf names VLSRV1) or by broadcast,
// and their addresses back to names through NetBIOS node status.
#include "Lab.h"

#include "net/netbios/NetbiosClient.h"
#include "ws2_32/resolver/NetbiosLink.h"

#include <platform/backends.h>
#include <Unit1.h>
#include <velnip.h>
#include <winsock.h>

#include <QApplication>
#include <QLabel>

#include "LoopbackNameServer.h"
#include "SentIpv4Packets.h"

#include <support/NetbiosAnswers.h>
#include <support/ScopedEnvironment.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <sstream>
#include <string>

namespace lab = velnor::lab;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::string_view kWinsServer = "10.77.0.11";   // VLSRV1: VLABGRP1's names
constexpr std::string_view kVlabgrp2Wins = "10.77.0.13"; // VLSRV3 keeps its own
constexpr std::string_view kHostsOnlyName = "files-vlsrv1";

uint32_t addressOf(std::string_view dotted) {
  return inet_addr(std::string(dotted).c_str());
}

std::string dotted(const char *address) {
  struct in_addr value;
  std::memcpy(&value.s_addr, address, 4);
  return inet_ntoa(value);
}

std::string firstAddress(const char *name) {
  const struct hostent *record = gethostbyname(name);
  return record != nullptr ? dotted(record->h_addr_list[0]) : std::string();
}

using testsupport::ScopedEnvironment;

// A Samba configuration without a WINS server, found first through HOME as
// libsmbclient finds it: the client becomes a broadcast-only node.
class WithoutWins {
public:
  WithoutWins() {
    char pattern[] = "/tmp/velnor-nowins-XXXXXX";
    home_ = ::mkdtemp(pattern);
    std::filesystem::create_directories(home_ + "/.smb");
    std::ofstream(home_ + "/.smb/smb.conf") << "[global]\n\tworkgroup = VLABGRP1\n";
    home = std::make_unique<ScopedEnvironment>("HOME", home_);
  }
  ~WithoutWins() {
    home.reset();
    std::filesystem::remove_all(home_);
  }

private:
  std::string home_;
  std::unique_ptr<ScopedEnvironment> home;
};

// Runs `probe` in a child with its own mount namespace whose /etc/hosts has
// `hosts` as content, and gives back what the probe printed.
std::string withHostsFile(const std::string &hosts, const std::function<std::string()> &probe) {
  char path[] = "/tmp/velnor-hosts-XXXXXX";
  const int fd = ::mkstemp(path);
  if (fd < 0)
    return "<mkstemp failed>";
  (void)!::write(fd, hosts.data(), hosts.size());
  ::close(fd);
  int channel[2];
  if (::pipe(channel) != 0)
    return "<pipe failed>";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    std::string result = "<mount failed>";
    if (::unshare(CLONE_NEWNS) == 0 &&
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
        ::mount(path, "/etc/hosts", nullptr, MS_BIND, nullptr) == 0)
      result = probe();
    (void)!::write(channel[1], result.data(), result.size());
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string output;
  char buffer[256];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    output.append(buffer, static_cast<size_t>(n));
  ::close(channel[0]);
  ::waitpid(child, nullptr, 0);
  ::unlink(path);
  return output;
}

class LabNetbios : public ::testing::Test {
protected:
  void SetUp() override {
    lab::requireLab();
    ASSERT_EQ(WSAStartup(257, &data_), 0);
  }
  void TearDown() override { WSACleanup(); }

private:
  WSADATA data_;
};

} // namespace

TEST_F(LabNetbios, EachServerIsKnownToItsWinsServer) {
  for (const lab::Server &server : lab::kServers) {
    const std::string_view wins =
        server.workgroup == lab::kWorkgroup1 ? kWinsServer : kVlabgrp2Wins;
    const auto result =
        platform::netbios::queryName(*platform::netbios::hostName(server.name), {addressOf(wins)},
                                     false, platform::NetbiosLink::kWinsRetries);
    ASSERT_EQ(result.outcome, platform::netbios::QueryOutcome::Found) << server.name;
    EXPECT_EQ(result.addresses, std::vector<uint32_t>{addressOf(server.address)});
  }
  const auto unknown = platform::netbios::queryName(*platform::netbios::hostName("NOSUCHHOST"),
                                                    {addressOf(kWinsServer)}, false,
                                                    platform::NetbiosLink::kWinsRetries);
  EXPECT_EQ(unknown.outcome, platform::netbios::QueryOutcome::Negative);
}

TEST_F(LabNetbios, EveryServerResolvesByBroadcastWithoutWins) {
  WithoutWins broadcastOnly;
  for (const lab::Server &server : lab::kServers)
    EXPECT_EQ(firstAddress(std::string(server.name).c_str()), server.address) << server.name;
}

TEST_F(LabNetbios, HostsFileAnswersBeforeNetbios) {
  EXPECT_EQ(firstAddress(std::string(kHostsOnlyName).c_str()), lab::kVlsrv1.address);
  const std::string answer =
      withHostsFile("10.77.0.250\tVLSRV2\n", [] { return firstAddress("VLSRV2"); });
  EXPECT_EQ(answer, "10.77.0.250");
}

TEST_F(LabNetbios, UnknownNameGivesUpAfterTheBroadcastTries) {
  {
    WithoutWins broadcastOnly;
    const auto start = Clock::now();
    EXPECT_EQ(gethostbyname("NOSUCHHOST"), nullptr);
    const auto took = Clock::now() - start;
    // Three tries 750 ms apart, and no more.
    EXPECT_GE(took, std::chrono::milliseconds(2200));
    EXPECT_LT(took, std::chrono::milliseconds(3500));
  }
  // The WINS server's negative answer ends the WINS step at once; only the
  // broadcast tries remain, not three WINS tries of 1.5 s before them.
  const auto start = Clock::now();
  EXPECT_EQ(gethostbyname("NOSUCHHOST"), nullptr);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3500));
}

TEST_F(LabNetbios, NamesWithoutANetbiosFormAreNeverSent) {
  // Only NetBIOS packets are counted; mDNS asks single-label names first.
  ScopedEnvironment noMdns("VELNOR_MDNS", "0");
  // The name service's DNS queries go to loopback and do not count; only
  // this test runs in the lab client, so every packet counted is ours.
  SentIpv4Packets sent{std::string(lab::kClientInterface)};
  ASSERT_TRUE(sent.ok());
  EXPECT_EQ(gethostbyname("SIXTEEN-LETTERS!"), nullptr);
  EXPECT_EQ(gethostbyname("vlsrv1.lab"), nullptr);
  EXPECT_EQ(firstAddress("10.77.0.11"), "10.77.0.11");
  EXPECT_EQ(sent.count(), 0);

  EXPECT_EQ(gethostbyname("NOSUCHHOST"), nullptr);
  // One WINS query, answered negatively at once, then three broadcasts.
  EXPECT_EQ(sent.count(), 4) << "a 10-byte name does go to NetBIOS";
}

TEST_F(LabNetbios, SwitchedOffNetbiosSendsNothing) {
  ScopedEnvironment off("VELNOR_NETBIOS", "0");
  ScopedEnvironment noMdns("VELNOR_MDNS", "0");
  SentIpv4Packets sent{std::string(lab::kClientInterface)};
  ASSERT_TRUE(sent.ok());
  EXPECT_EQ(gethostbyname("VLSRV2"), nullptr);
  const ULONG address = addressOf(lab::kVlsrv2.address);
  EXPECT_EQ(gethostbyaddr(reinterpret_cast<const char *>(&address), 4, AF_INET), nullptr);
  EXPECT_EQ(sent.count(), 0);
  EXPECT_EQ(firstAddress(std::string(kHostsOnlyName).c_str()), lab::kVlsrv1.address);
}

TEST_F(LabNetbios, LoopbackHostsEntryGivesWayToTheLanAddress) {
  // A stock Debian hosts file: the host name on 127.0.1.1.
  const std::string hosts = "127.0.0.1\tlocalhost\n127.0.1.1\tvlclient\n";
  // What the main window's identity label shows there.
  EXPECT_EQ(withHostsFile(hosts,
                          [] {
                            qputenv("QT_QPA_PLATFORM", "offscreen");
                            int argc = 1;
                            char name[] = "velnor";
                            char *argv[] = {name, nullptr};
                            QApplication application(argc, argv);
                            TForm1 form(std::string{});
                            const auto *identity = form.findChild<QLabel *>("Label1");
                            return identity ? identity->text().toStdString() : "<no Label1>";
                          }),
            "VLCLIENT( 10.77.0.10) LoginName: root");
}

namespace {

constexpr platform::netbios::Retries kOneTry{1, std::chrono::milliseconds(500)};

platform::netbios::QueryResult askLoopbackServer(const platform::netbios::Name &name) {
  return platform::netbios::queryName(name, {addressOf("127.0.0.1")}, false, kOneTry);
}

} // namespace

TEST_F(LabNetbios, NoQueryIdTellsTheNext) {
  testsupport::LoopbackNameServer server;
  ASSERT_TRUE(server.ok());
  const platform::netbios::Name name = *platform::netbios::hostName("VLSRV2");
  std::vector<int> ids;
  for (int i = 0; i < 4; ++i) {
    auto asking = std::async(std::launch::async, [&] { return askLoopbackServer(name); });
    const auto query = server.nextQuery();
    ASSERT_TRUE(query);
    ids.push_back(query->id);
    server.answer(*query, 137, testsupport::nameAnswer(query->id, name, {"10.77.0.12"}));
    EXPECT_EQ(asking.get().outcome, platform::netbios::QueryOutcome::Found);
  }
  // A counter, whatever its step, gives equal steps (the old ids went
  // 45889, 45890, 45891); random ids do so once in 2^32 runs.
  const auto step = [&](size_t i) { return (ids[i + 1] - ids[i] + 65536) % 65536; };
  EXPECT_FALSE(step(0) == step(1) && step(1) == step(2))
      << ids[0] << " " << ids[1] << " " << ids[2] << " " << ids[3];
}

TEST_F(LabNetbios, ForgedNameServerAnswersAreIgnored) {
  const struct {
    const char *what;
    uint16_t fromPort;
    std::vector<const char *> addresses;
    const char *resolvesTo; // nullptr: the name stays unresolved
  } cases[] = {
      {"the server's own answer", 137, {"10.77.0.12"}, "10.77.0.12"},
      {"an answer from port 138", 138, {"10.77.0.12"}, nullptr},
      {"a loopback address", 137, {"127.0.0.1"}, nullptr},
      {"this host and multicast", 137, {"0.0.0.0", "224.0.0.1"}, nullptr},
      {"the limited broadcast", 137, {"255.255.255.255"}, nullptr},
      {"loopback beside a real address", 137, {"127.0.0.1", "10.77.0.12"}, "10.77.0.12"},
  };
  testsupport::LoopbackNameServer server;
  ASSERT_TRUE(server.ok());
  const platform::netbios::Name name = *platform::netbios::hostName("VLSRV2");
  for (const auto &c : cases) {
    auto asking = std::async(std::launch::async, [&] { return askLoopbackServer(name); });
    const auto query = server.nextQuery();
    ASSERT_TRUE(query) << c.what;
    server.answer(*query, c.fromPort, testsupport::nameAnswer(query->id, name, c.addresses));
    const platform::netbios::QueryResult result = asking.get();
    if (c.resolvesTo == nullptr) {
      EXPECT_EQ(result.outcome, platform::netbios::QueryOutcome::NoAnswer) << c.what;
    } else {
      EXPECT_EQ(result.outcome, platform::netbios::QueryOutcome::Found) << c.what;
      EXPECT_EQ(result.addresses, std::vector<uint32_t>{addressOf(c.resolvesTo)}) << c.what;
    }
  }
}
