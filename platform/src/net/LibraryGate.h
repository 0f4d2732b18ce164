// Keeps the platform's threads out of libxml2 and libcurl while the process
// forks or exits, and every thread out of glibc's locale and iconv code
// while it forks.
//
// All take locks of their own (glibc's newlocale, freelocale and iconv_open
// too, which a fork does not reset), and libxml2 frees its global state
// in a library destructor at exit. A child forked while a platform thread
// held one of those locks would wait for ever on its first use of the
// library, and a thread still parsing when the destructor runs would use
// freed memory. So every call into them is made inside a LibraryCall, and a
// fork (common/ProcessLocal.cpp) or the exit handler closes the gate first:
// it waits until no thread is inside, and keeps new ones out. Calls into
// glibc are made whether or not the exit handler closed the gate.
#pragma once

namespace platform {

class LibraryCall {
public:
  // Waits while a fork is under way; after the exit handler closed the gate
  // the call is not made (entered() is false).
  LibraryCall();
  ~LibraryCall();
  LibraryCall(const LibraryCall &) = delete;
  LibraryCall &operator=(const LibraryCall &) = delete;

  bool entered() const { return entered_; }

private:
  bool entered_;
};

// Whether a fork or the exit waits for the calls inside: a transfer that
// may take long ends early then.
bool libraryGateClosing();

// For the fork handler: before the fork (waits for the calls inside, keeps
// the gate closed through the fork), and after it, in the parent and in the
// child (where no thread is inside any more).
void closeLibraryGateForFork();
void reopenLibraryGateAfterFork(bool child);

// For the exit handler: waits for the calls inside; no call is made after.
void closeLibraryGateForExit();

} // namespace platform
