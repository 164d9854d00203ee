#pragma once
// Whole-buffer I/O over POSIX descriptors, and opening files safely.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/system/UniqueFd.h"

namespace xbe {

using sys::UniqueFd;

// Reads exactly n bytes at offset; false on a short read or error.
bool ReadAt(int fd, void* buf, size_t n, uint64_t offset);
// Reads up to n bytes at offset; answers how many were read before the end
// of the file (0 on error).
size_t ReadUpTo(int fd, void* buf, size_t n, uint64_t offset);
// Writes exactly n bytes at offset; throws XbError on failure.
void WriteAt(int fd, const void* buf, size_t n, uint64_t offset);
// Size of the open file; throws XbError on failure.
uint64_t FileSize(int fd);

// Opens path (flags as for open(2); O_CLOEXEC is added) without ever waiting
// for a peer: a named pipe, device, socket or directory in place of a file
// is refused with an XbError naming it, so neither the open nor a later read
// can block. An open the system refuses answers an empty descriptor with
// errno set, so callers can try again with other flags.
UniqueFd OpenRegular(const std::string& path, int flags, mode_t mode = 0666);
// True when fd is open on the file described by st (same device and inode).
bool SameFile(int fd, const struct stat& st);

}  // namespace xbe
