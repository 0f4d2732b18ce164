#include <support/ScriptedArp.h>
#include <support/ScriptedBackends.h>
#include <velnip.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

using testsupport::address;
using testsupport::ScriptedArp;

namespace {

// Runs the export on `dotted` and checks the caller's variable: the result
// on success, untouched on failure.
const char *lookUp(const char *dotted) {
  const char *variable = dotted;
  const char *text = getRemoteMacAdress(&variable);
  EXPECT_EQ(variable, text != nullptr ? text : dotted);
  return text;
}

} // namespace

TEST(RemoteMac, SixBytesAsUpperCaseHexJoinedByDashes) {
  ScriptedArp arp;
  arp.reply({0x02, 0x76, 0x6c, 0x0a, 0xbc, 0xff});
  const char *text = lookUp("10.77.0.11");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "02-76-6C-0A-BC-FF");
  EXPECT_EQ(arp.requests, 1);
  EXPECT_EQ(arp.lastDestination, address("10.77.0.11"));
  EXPECT_EQ(arp.lastSource, 0u); // the platform picks the interface
  EXPECT_EQ(arp.lastOfferedLength, 6u);
}

TEST(RemoteMac, ZeroAddressIsRefusedBeforeAnyRequest) {
  ScriptedArp arp;
  arp.reply({0x02, 0, 0, 0, 0, 1});
  EXPECT_EQ(lookUp("0.0.0.0"), nullptr);
  EXPECT_EQ(lookUp("0"), nullptr); // inet_addr's short form of the same value
  EXPECT_EQ(arp.requests, 0);
}

TEST(RemoteMac, TextThatIsNoAddressStillGoesToTheRequest) {
  ScriptedArp arp;
  arp.fail(ERROR_BAD_NET_NAME);
  EXPECT_EQ(lookUp("no.such.host"), nullptr);
  EXPECT_EQ(arp.requests, 1);
  EXPECT_EQ(arp.lastDestination, 0xffffffffu);
}

TEST(RemoteMac, FailedRequestsGiveNull) {
  ScriptedArp arp;
  for (DWORD error : {ERROR_BAD_NET_NAME, ERROR_GEN_FAILURE, ERROR_BUFFER_OVERFLOW}) {
    arp.fail(error);
    EXPECT_EQ(lookUp("10.77.0.99"), nullptr) << error;
  }
}

TEST(RemoteMac, SuccessWithLengthZeroGivesNull) {
  ScriptedArp arp;
  arp.reply({0x02, 0x76, 0x6c, 0x00, 0x00, 0x0b});
  arp.reportedLength = 0;
  EXPECT_EQ(lookUp("10.77.0.11"), nullptr);
}

TEST(RemoteMac, OnlyTheFirstFourBytesBeingZeroMeansNoAddress) {
  ScriptedArp arp;
  arp.reply({0x00, 0x00, 0x00, 0x00, 0x12, 0x34});
  EXPECT_EQ(lookUp("10.77.0.11"), nullptr);

  arp.reply({0x00, 0x00, 0x00, 0x01, 0x00, 0x00});
  const char *text = lookUp("10.77.0.11");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "00-00-00-01-00-00");
}

TEST(RemoteMac, AlwaysSixBytesWhateverLengthIsReported) {
  ScriptedArp arp;
  // Leaves non-zero bytes on the stack where the next reply buffer lives, so
  // a buffer that is not cleared before the request would show them.
  arp.reply({0xee, 0xee, 0xee, 0xee, 0xee, 0xee, 0xee, 0xee});
  const char *text = lookUp("10.77.0.11");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "EE-EE-EE-EE-EE-EE");

  arp.reply({0x12, 0x34, 0x56, 0x78});
  text = lookUp("10.77.0.11");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "12-34-56-78-00-00");

  arp.reply({0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc, 0xde, 0xf0});
  text = lookUp("10.77.0.11");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "12-34-56-78-9A-BC");
}

TEST(RemoteMac, NullArgumentsGiveNullWithoutARequest) {
  ScriptedArp arp;
  arp.reply({0x02, 0, 0, 0, 0, 1});
  EXPECT_EQ(getRemoteMacAdress(nullptr), nullptr);
  const char *variable = nullptr;
  EXPECT_EQ(getRemoteMacAdress(&variable), nullptr);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(arp.requests, 0);
}

TEST(RemoteMac, OverLongTextIsNoAddress) {
  ScriptedArp arp;
  arp.fail(ERROR_BAD_NET_NAME);
  const std::string longText(100000, '1');
  EXPECT_EQ(lookUp(longText.c_str()), nullptr);
  EXPECT_EQ(arp.lastDestination, 0xffffffffu);
}

TEST(RemoteMac, TextStaysUntilTheNextCallOnTheSameThread) {
  ScriptedArp arp;
  arp.reply({0x02, 0x76, 0x6c, 0x00, 0x00, 0x0b});
  const char *first = lookUp("10.77.0.11");
  ASSERT_NE(first, nullptr);

  arp.reply({0x02, 0x76, 0x6c, 0x00, 0x00, 0x0c});
  std::string other;
  std::thread([&] {
    if (const char *text = lookUp("10.77.0.12"))
      other = text;
  }).join();
  EXPECT_EQ(other, "02-76-6C-00-00-0C");
  EXPECT_STREQ(first, "02-76-6C-00-00-0B");

  arp.fail(ERROR_BAD_NET_NAME);
  EXPECT_EQ(lookUp("10.77.0.99"), nullptr);
  EXPECT_STREQ(first, "02-76-6C-00-00-0B"); // a failure writes nothing

  arp.reply({0x02, 0x76, 0x6c, 0x00, 0x00, 0x0d});
  EXPECT_EQ(lookUp("10.77.0.13"), first);
  EXPECT_STREQ(first, "02-76-6C-00-00-0D");
}

// The real backend answers loopback with its all-zero address.
TEST(RemoteMac, LoopbackHasNoHardwareAddress) {
  EXPECT_EQ(lookUp("127.0.0.1"), nullptr);
}
