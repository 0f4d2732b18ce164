// The browse worker: a private helper process of the platform library that
// lists one container at a time for it (mpr/browse/BrowseWorkers.h starts
// it). libsmbclient keeps process-wide state and may not be called from two
// threads, so listings that overlap run in processes of their own, each
// with this single thread.
//
//   browse-worker PARENT-PID      requests and answers on descriptor 3
//
// It ends when its parent does (the descriptor reads end-of-file, and the
// parent's death sends SIGKILL besides, in case a listing is stuck), and
// whenever a request is malformed.
#include "net/browseworker/BrowseRecords.h"
#include "worker/ContainerListing.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

namespace {

namespace records = platform::browseworker;

constexpr int kChannel = 3;

bool writeAll(const std::string &bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t sent = ::write(kChannel, bytes.data() + done, bytes.size() - done);
    if (sent < 0 && errno == EINTR)
      continue;
    if (sent <= 0)
      return false;
    done += static_cast<size_t>(sent);
  }
  return true;
}

// The next request's payload; nothing at end-of-file or on a broken stream.
std::optional<std::string> nextRequest(records::RecordReader &reader) {
  char chunk[4096];
  for (;;) {
    if (std::optional<std::string> payload = reader.next())
      return payload;
    if (reader.malformed() || reader.pending() > 4 + records::kMaxRequest)
      return std::nullopt;
    const ssize_t got = ::read(kChannel, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      return std::nullopt;
    reader.feed(std::string_view(chunk, static_cast<size_t>(got)));
  }
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2)
    return 2;
  // Dies with the thread that started it; that thread lives as long as the
  // parent keeps workers. A parent gone before this line is seen here.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != static_cast<pid_t>(std::strtol(argv[1], nullptr, 10)))
    return 0;
  // A parent that closes its end must not kill this process with SIGPIPE
  // while it answers: the write fails instead.
  std::signal(SIGPIPE, SIG_IGN);
  browseworker::startSession();
  records::RecordReader reader;
  while (std::optional<std::string> payload = nextRequest(reader)) {
    const std::optional<records::Request> request = records::decodeRequest(*payload);
    if (!request)
      return 1;
    if (!writeAll(records::framed(records::encodeAnswer(browseworker::listContainer(*request)))))
      return 0;
  }
  // Returns without freeing the context: logging off servers one by one
  // could wait on each, and the connections close with the process.
  ::_exit(0);
}
