// Whole-file reads and crash-safe whole-file replacement. Every function
// returns 0 or an errno value.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The folder a file name lies in: "." for a bare name, "/" for one at the top.
std::string folderOf(const std::string &path);

// Reads a regular file completely. ENOENT when there is no file, EISDIR for a
// directory, EINVAL for any other kind of file: FIFOs and devices are never
// opened, so a read cannot block or have side effects.
int readRegularFile(const std::string &path, std::string &bytes);

// The path a file name finally leads to through symbolic links, so that a
// replacement goes to the link's target and the link stays a link. A path
// that is not a link, or does not exist yet, is its own target. A link is
// followed only where the kernel would let this process follow it
// (linkFollowAccess), and never to a file that does not exist, which would
// be created wherever the link's owner chose: EACCES for both.
int resolveSymlinks(const std::string &path, std::string &target);

// 0 when this process may write the file at `path`: never a file without
// any write bit, which is read-only for everyone, root included, as Windows'
// read-only attribute binds administrators too; otherwise by the process's
// effective ids.
int writeAccess(const std::string &path);

// Replaces the file at `path` (not a symlink) with `bytes`: they go to a new
// temporary file in the same folder, which is flushed to disk and then
// renamed over the original, so the file is always either wholly old or
// wholly new. A file the process may not write is refused (EACCES, EROFS,
// EPERM) as Windows refuses to open it. The original's permission bits (and,
// where allowed, owner) are kept; a new file gets 0666 less the umask. On
// failure the original is untouched and the temporary file is removed; the
// temporary files of writers that died before finishing are removed too.
int replaceFileAtomically(const std::string &path, std::string_view bytes);

} // namespace platform
