// The browse workers: helper processes (platform/worker) that do the
// libsmbclient listings of this process, one listing each at a time.
//
// libsmbclient keeps process-wide state and crashes when two threads list
// at once, so listings that should overlap run in processes of their own,
// started with posix_spawn (never a bare fork of a process whose threads
// run). A worker is found beside this library and never on PATH; its
// answers are untrusted input (net/browseworker/BrowseRecords.h).
//
// Each process has its own workers (a forked child starts its own on first
// use), none outlives it, and none stays after kIdleTime without a request.
#pragma once

#include "net/browseworker/BrowseRecords.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace platform::browseworkers {

// Workers at most. A share listing is about ten round trips of waiting and
// a few ms of CPU, so at a 20 ms round trip one worker lists about 5
// computers a second and 12 list about 60, while each costs about 3 MB of
// memory of its own: 12 keep a 40-computer search near a second and the
// workers' memory near 40 MB. VELNOR_WORKAHEAD=0 uses one.
inline constexpr size_t kMostWorkers = 12;
// Listings of one server at once at most, as desktop browsers limit theirs
// (KIO: 5 per host): a browse master is asked for every workgroup.
inline constexpr size_t kMostPerHost = 4;
// How long one listing may take. libsmbclient in the worker waits as long
// for each answer (worker/ContainerListing.cpp); Windows' redirector gives a
// request tens of seconds, and a live server on a LAN answers within
// milliseconds, so a silent server costs its own listing this, at the short
// end of Windows' order, while the other workers go on.
inline constexpr std::chrono::seconds kDeadline{10};
// An idle worker ends after this: a search repeated within it reuses the
// workers and their open connections to the servers; an idle program keeps
// none for long.
inline constexpr std::chrono::seconds kIdleTime{30};

// The answer of a worker to `request`, or nothing when no worker answered
// in time: it died, overran the deadline, sent something malformed (it is
// then killed and replaced at the next request), or none could be started.
// `host` names the server the listing talks to ("" for the browse master).
std::optional<browseworker::Answer> list(const browseworker::Request &request,
                                         const std::string &host);

// Starts workers now, unless VELNOR_WORKAHEAD=0, so that `count` of them
// (within kMostWorkers) are idle or starting beside the busy ones: a search
// that lists a level soon lists the names below it side by side, and a
// worker takes some tens of ms to load libsmbclient.
void startAhead(size_t count);

// Workers of this process that run now (idle or busy).
size_t liveWorkers();

} // namespace platform::browseworkers
