// Every exported C function, of the platform and of velnip, run with its
// k-th C++ allocation failing, for k = 1 until the call needs fewer. Each
// such run gives the success answer (an allocation the call can do without)
// or its documented failure form with the out-of-memory error set; no
// exception escapes and no enumeration or WinSock start is left open.
#include "AllocationFailure.h"

#include <support/ContainerRecord.h>
#include <support/LastError.h>
#include <support/ScriptedArp.h>
#include <support/ScriptedBackends.h>
#include <support/ScriptedBrowser.h>

#include <iphlpapi.h>
#include <velnip.h>
#include <windows.h>
#include <winnetwk.h>
#include <winsock.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <utility>

namespace {

enum class Outcome { Success, FailureForm, Wrong };
enum class Slot { LastError, WinSock };
constexpr Slot kLastError = Slot::LastError;
constexpr Slot kWinSock = Slot::WinSock;

// Makes one call with the k-th allocation failing and keeps both error
// slots as the call left them; setting up and checking stay unarmed.
class Armed {
public:
  explicit Armed(long k) : k_(k) {}
  template <class Call> auto operator()(const Call &call) const {
    testsupport::FailingAllocation failing(k_);
    auto result = call();
    fired_ = failing.fired();
    errors_[0] = static_cast<long>(GetLastError());
    errors_[1] = WSAGetLastError();
    return result;
  }
  bool fired() const { return fired_; }
  long error(Slot slot) const { return errors_[slot == Slot::WinSock]; }

private:
  long k_;
  mutable bool fired_ = false;
  mutable long errors_[2] = {};
};

struct Case {
  const char *name;
  Slot slot;
  std::function<Outcome(const Armed &)> run;
};

// A case from the call and what tells its success and its failure form.
template <class Call, class Success, class Failure>
std::function<Outcome(const Armed &)> check(Call call, Success success, Failure failure) {
  return [=](const Armed &a) {
    const auto result = a(call);
    return success(result)   ? Outcome::Success
           : failure(result) ? Outcome::FailureForm
                             : Outcome::Wrong;
  };
}
bool same(const char *text, const char *expected) {
  return text != nullptr && std::strcmp(text, expected) == 0;
}
const auto isNull = [](const void *result) { return result == nullptr; };
const auto isEmpty = [](const char *text) { return same(text, ""); };
const auto isZero = [](auto result) { return result == 0; };
auto is(const char *expected) {
  return [=](const char *text) { return same(text, expected); };
}

constexpr const char *host = "velnor-workstation.lan"; // long enough for the heap
char buffer[512];
char16_t wideBuffer[64];
DWORD size;
int appended;
NETRESOURCEA group1 = testsupport::containerRecord("GROUP1");
// Spaces may follow an address; they make velnip's copy of it a heap one.
const char *const spacedAddress = "10.0.0.1                ";

DWORD *sized() {
  return &(size = sizeof buffer);
}
HANDLE openGroup1() {
  HANDLE opened = nullptr;
  WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, &group1, &opened);
  return opened;
}
// A caller's list that never allocates, so every allocation is velnip's.
void VELNIP_CALL countName(void *, const char *) {
  ++appended;
}
// WinSock started for one call; starting allocates nothing.
struct Started {
  WSADATA data;
  Started() { WSAStartup(MAKEWORD(1, 1), &data); }
  ~Started() { WSACleanup(); }
};

class CBoundaryTest : public ::testing::Test {
protected:
  void SetUp() override {
    resolver_.addHost(host, {"10.0.0.1", "10.0.0.2"});
    arp_.reply({0x02, 0x76, 0x6C, 0x00, 0x00, 0x0B});
    testsupport::scriptSmallNetwork(browser_);
    char folder[] = "/tmp/velnor-boundary-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    folder_ = folder;
    profile_ = folder_ + "/velnor.ini";
    // lstrcmpA keys its collation on this; a value this long lives on the heap.
    ::setenv("LOCPATH", "/nonexistent/folder/for/the/collation/key", 1);
  }
  void TearDown() override {
    ::unsetenv("LOCPATH");
    std::remove(profile_.c_str());
    ::rmdir(folder_.c_str());
  }

  // The settings file written afresh, then `call` armed.
  template <class Call> auto withProfile(Call call) {
    return [this, call] {
      FILE *file = std::fopen(profile_.c_str(), "w");
      std::fputs("[Window]\nWidth=640\n", file);
      std::fclose(file);
      return call(profile_.c_str());
    };
  }
  UINT width() const { return GetPrivateProfileIntA("Window", "Width", 7, profile_.c_str()); }

  void runEveryAllocationFailing(const Case &c);

  testsupport::ScriptedResolver resolver_;
  testsupport::ScriptedNames names_{host, "administrator-alice"};
  testsupport::ScriptedArp arp_;
  testsupport::ScriptedBrowser browser_;
  std::string folder_;
  std::string profile_;
};

void CBoundaryTest::runEveryAllocationFailing(const Case &c) {
  constexpr long kEnough = 10000;
  long k = 1;
  int failures = 0;
  for (; k < kEnough; ++k) {
    SetLastError(testsupport::kUntouchedLastError);
    WSASetLastError(static_cast<int>(testsupport::kUntouchedLastError));
    const Armed armed(k);
    Outcome result = Outcome::Wrong;
    try {
      result = c.run(armed);
    } catch (...) {
      ADD_FAILURE() << c.name << ": an exception escaped at allocation " << k;
      return;
    }
    if (!armed.fired()) {
      EXPECT_EQ(result, Outcome::Success) << c.name << " without a failing allocation";
      break;
    }
    if (result == Outcome::Success)
      continue;
    ++failures;
    EXPECT_EQ(result, Outcome::FailureForm) << c.name << " at allocation " << k;
    EXPECT_EQ(armed.error(c.slot), ERROR_NOT_ENOUGH_MEMORY) << c.name << " at allocation " << k;
  }
  EXPECT_LT(k, kEnough) << c.name;
  EXPECT_EQ(platform::winsockStartCount(), 0) << c.name;
  EXPECT_EQ(platform::openBrowseEnumerationCount(), 0u) << c.name;
  std::printf("%-27s %3ld allocations, %3d failing runs\n", c.name, k - 1, failures);
}

TEST_F(CBoundaryTest, EveryExportFailsCleanlyAtEveryAllocation) {
  const Case cases[] = {
      {"GetComputerNameA", kLastError,
       check([] { return GetComputerNameA(buffer, sized()); },
             [](BOOL ok) { return ok && same(buffer, "VELNOR-WORKSTAT"); }, isZero)},
      {"GetUserNameA", kLastError,
       check([] { return GetUserNameA(buffer, sized()); },
             [](BOOL ok) { return ok && same(buffer, "administrator-alice"); }, isZero)},
      {"GetModuleFileNameA", kLastError,
       check([] { return GetModuleFileNameA(nullptr, buffer, sizeof buffer); },
             [](DWORD n) { return n > 0; }, isZero)},
      {"GetPrivateProfileStringA", kLastError,
       check(
           withProfile([](LPCSTR file) {
             return GetPrivateProfileStringA("Window", "Width", "dflt", buffer, sizeof buffer,
                                             file);
           }),
           [](DWORD) { return same(buffer, "640"); }, [](DWORD) { return same(buffer, "dflt"); })},
      {"GetPrivateProfileIntA", kLastError,
       check(
           withProfile(
               [](LPCSTR file) { return GetPrivateProfileIntA("Window", "Width", 7, file); }),
           [](UINT n) { return n == 640; }, [](UINT n) { return n == 7; })},
      {"WritePrivateProfileStringA", kLastError,
       check(
           withProfile([](LPCSTR file) {
             return WritePrivateProfileStringA("Window", "Width", "800", file);
           }),
           [this](BOOL ok) { return ok && width() == 800; },
           [this](BOOL ok) { return !ok && width() == 640; })},
      // Its failure form is byte order, which the collation here gives too.
      {"lstrcmpA", kLastError,
       check(
           [] {
             return std::pair{lstrcmpA("velnor-a", "velnor-b"), GetLastError()};
           },
           [](auto r) { return r.first == -1 && r.second == testsupport::kUntouchedLastError; },
           [](auto r) { return r.first == -1; })},
      {"MultiByteToWideChar", kLastError,
       check(
           [] {
             return MultiByteToWideChar(CP_ACP, 0, "velnor-code-page-text", -1, wideBuffer, 64);
           },
           [](int n) { return n == 22 && wideBuffer[20] == u't'; }, isZero)},
      {"WideCharToMultiByte", kLastError,
       check(
           [] {
             return WideCharToMultiByte(CP_ACP, 0, u"velnor-code-page-text", -1, buffer,
                                        sizeof buffer, nullptr, nullptr);
           },
           [](int n) { return n == 22 && same(buffer, "velnor-code-page-text"); }, isZero)},
      {"gethostname", kWinSock,
       check([] { return Started(), gethostname(buffer, sizeof buffer); },
             [](int result) { return result == 0 && same(buffer, host); },
             [](int result) { return result == -1; })},
      {"gethostbyname", kWinSock,
       check([] { return Started(), gethostbyname(host); },
             [](const hostent *record) { return record != nullptr; }, isNull)},
      {"gethostbyaddr", kWinSock,
       check(
           [] {
             const ULONG address = inet_addr("10.0.0.2");
             return Started(), gethostbyaddr(reinterpret_cast<const char *>(&address), 4, AF_INET);
           },
           [](const hostent *record) { return record != nullptr && same(record->h_name, host); },
           isNull)},
      {"SendARP", kLastError,
       check(
           [] {
             ULONG mac[2] = {}, length = 6;
             return std::pair{SendARP(inet_addr("10.0.0.1"), 0, mac, &length), length};
           },
           [](auto r) { return r.first == NO_ERROR && r.second == 6; },
           [](auto r) { return r.first == ERROR_NOT_ENOUGH_MEMORY && r.second == 0; })},
      {"WNetOpenEnumA", kLastError,
       check(
           [] {
             HANDLE handle = nullptr;
             const DWORD status = WNetOpenEnumA(RESOURCE_GLOBALNET, 0, 0, &group1, &handle);
             WNetCloseEnum(handle);
             return std::pair{status, handle};
           },
           [](auto r) { return r.first == NO_ERROR && r.second != nullptr; },
           [](auto r) { return r.first == ERROR_NOT_ENOUGH_MEMORY && r.second == nullptr; })},
      // Opened unarmed: only the enumeration step runs with failing allocations.
      {"WNetEnumResourceA", kLastError,
       [](const Armed &a) {
         HANDLE handle = openGroup1();
         DWORD count = 0xFFFFFFFF;
         const DWORD status = a([&] { return WNetEnumResourceA(handle, &count, buffer, sized()); });
         WNetCloseEnum(handle);
         return status == NO_ERROR && count == 2    ? Outcome::Success
                : status == ERROR_NOT_ENOUGH_MEMORY ? Outcome::FailureForm
                                                    : Outcome::Wrong;
       }},
      {"GetComputerNameStr", kLastError, check(GetComputerNameStr, is("VELNOR-WORKSTAT"), isNull)},
      {"uGetUserName", kLastError, check(uGetUserName, is("administrator-alice"), isNull)},
      {"LocalIP", kWinSock, check(LocalIP, is("10.0.0.2"), isEmpty)},
      {"GetIPandHost", kWinSock,
       check(
           [] {
             const char *name = nullptr, *address = nullptr;
             return std::pair{GetIPandHost(&name, &address), address};
           },
           [](auto r) { return r.first && same(r.second, "10.0.0.1"); },
           [](auto r) { return !r.first && (r.second == nullptr || isEmpty(r.second)); })},
      {"GetIpAddress", kWinSock, check([] { return GetIpAddress(host); }, is("10.0.0.1"), isEmpty)},
      {"GetIpAddressStr", kWinSock,
       check([] { return GetIpAddressStr(host); }, is("10.0.0.1"), isEmpty)},
      {"GetIPFromHost", kWinSock,
       check([] { return GetIPFromHost(host); }, is("10.0.0.2"), isEmpty)},
      {"Getipadress", kWinSock, check([] { return Getipadress(host); }, is(host), isEmpty)},
      {"IPAddrToName", kWinSock, check([] { return IPAddrToName("10.0.0.1"); }, is(host), isNull)},
      {"GetHostNamestr", kWinSock,
       check([] { return Started(), GetHostNamestr("10.0.0.1"); }, is(host), isEmpty)},
      {"getRemoteMacAdress", kLastError,
       check(
           [] {
             const char *address = spacedAddress;
             return std::pair{getRemoteMacAdress(&address), address};
           },
           [](auto r) { return same(r.first, "02-76-6C-00-00-0B") && r.second == r.first; },
           [](auto r) { return r.first == nullptr && r.second == spacedAddress; })},
      {"GetNetResource", kLastError,
       check(
           [] {
             VELNIP_STRING_LIST names{nullptr, countName};
             appended = 0;
             return std::pair{GetNetResource("GROUP1", &names), appended};
           },
           [](auto r) { return r.first && r.second == 2; },
           [](auto r) { return !r.first && r.second == 0; })},
      {"CreateNetResourceList", kLastError,
       check(
           [] {
             uint32_t count = 7;
             void *records = &count;
             const VELNIP_BOOL ok = CreateNetResourceList(0, &group1, &count, &records);
             LocalFree(ok ? records : nullptr);
             return std::tuple{ok, count, records};
           },
           [](auto r) { return std::get<0>(r) && std::get<1>(r) == 2; },
           [](auto r) { return !std::get<0>(r) && std::get<1>(r) == 0 && !std::get<2>(r); })},
  };
  for (const Case &c : cases)
    runEveryAllocationFailing(c);
}

// These make no C++ allocation, so the hook never reaches them; a new one
// would show here first.
TEST_F(CBoundaryTest, PlainCallsAllocateNothing) {
  const std::function<void()> calls[] = {
      [] { LocalFree(LocalReAlloc(LocalAlloc(LPTR, 64), 4096, LMEM_MOVEABLE)); },
      [] { const Started started; },
      [] {
        inet_ntoa(in_addr{{{10, 0, 0, 1}}}), inet_addr("10.0.0.1");
      },
      [] { WNetCloseEnum(nullptr); },
  };
  for (const auto &call : calls) {
    const Armed armed(1);
    armed([&] { return call(), 0; });
    EXPECT_FALSE(armed.fired());
  }
}

} // namespace
