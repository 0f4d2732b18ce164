// A scripted stand-in for the platform's browse backend (libsmbclient),
// installed for the lifetime of one object.
#pragma once

#include <platform/backends.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace testsupport {

// Answers each container (in the WNet form: "", "WORKGROUP", "\\\\SERVER")
// from a script; a container not in it does not exist. Records what it was
// asked.
class ScriptedBrowser final : public platform::BrowseBackend {
public:
  using Kind = platform::BrowseEntry::Kind;

  ScriptedBrowser() { platform::setBrowseBackend(this); }
  ~ScriptedBrowser() override { platform::setBrowseBackend(nullptr); }

  ScriptedBrowser &add(const std::string &container, Kind kind, const std::string &name,
                       const std::string &comment = "") {
    answers_[container].entries.push_back({kind, name, comment});
    return *this;
  }
  // A container that exists and holds nothing.
  ScriptedBrowser &addEmpty(const std::string &container) {
    answers_[container];
    return *this;
  }
  ScriptedBrowser &fail(const std::string &container, DWORD error) {
    answers_[container].error = error;
    return *this;
  }

  DWORD list(const std::string &container, std::vector<platform::BrowseEntry> &entries) override {
    asked.push_back(container);
    auto found = answers_.find(container);
    if (found == answers_.end())
      return container.empty() ? ERROR_NO_NETWORK : ERROR_BAD_NETPATH;
    if (found->second.error != NO_ERROR)
      return found->second.error;
    entries.insert(entries.end(), found->second.entries.begin(), found->second.entries.end());
    return NO_ERROR;
  }

  std::vector<std::string> asked;

private:
  struct Answer {
    std::vector<platform::BrowseEntry> entries;
    DWORD error = NO_ERROR;
  };
  std::map<std::string, Answer> answers_;
};

// The small network most tests browse: two workgroups, three servers, and
// on each server the shares a browse list must not show beside the ones it
// must.
inline void scriptSmallNetwork(ScriptedBrowser &browser) {
  using Kind = ScriptedBrowser::Kind;
  browser.add("", Kind::Workgroup, "GROUP1", "PC1")
      .add("", Kind::Workgroup, "GROUP2", "PC3")
      .add("GROUP1", Kind::Computer, "PC1", "first")
      .add("GROUP1", Kind::Computer, "PC2")
      .add("GROUP2", Kind::Computer, "PC3")
      .add("\\\\PC1", Kind::FileShare, "docs", "documents")
      .add("\\\\PC1", Kind::FileShare, "backup$", "hidden")
      .add("\\\\PC1", Kind::Printer, "laser", "printer")
      .add("\\\\PC1", Kind::Ipc, "IPC$", "IPC service")
      .add("\\\\PC1", Kind::FileShare, "public")
      .add("\\\\PC2", Kind::FileShare, "music")
      .addEmpty("\\\\PC3");
}

// A test on the small scripted network that also checks it leaves no
// enumeration open.
class ScriptedNetworkTest : public ::testing::Test {
protected:
  void SetUp() override {
    scriptSmallNetwork(browser_);
    openBefore_ = platform::openBrowseEnumerationCount();
  }
  void TearDown() override { EXPECT_EQ(platform::openBrowseEnumerationCount(), openBefore_); }

  ScriptedBrowser browser_;
  size_t openBefore_ = 0;
};

} // namespace testsupport
