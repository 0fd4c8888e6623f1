#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>

#include "platform/UniqueFd.h"

namespace kivu {

namespace {

// Reads until the end of the file or `limit` bytes, into content from its start; content keeps what was
// read. Returns the errno of a failure, else 0.
int ReadUpTo(int fd, std::string& content, std::size_t limit) {
  constexpr std::size_t kFirstChunk = std::size_t{64} << 10;
  std::size_t got = 0;
  while (got < limit) {
    if (got == content.size()) content.resize(std::min(limit, std::max(2 * got, kFirstChunk)));
    const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  content.resize(got);
  return 0;
}

WholeFile Read(const std::string& path, std::size_t maxBytes, WholeFileSources sources, bool keepStart) {
  WholeFile result;
  // O_NONBLOCK: a named pipe in a regular file's place must not hang the caller; it is refused below.
  const int wait = sources == WholeFileSources::RegularOnly ? O_NONBLOCK : 0;
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | wait));
  if (!fd) {
    result.error = errno;
    if (errno == ENOENT || errno == ENOTDIR) result.status = WholeFile::Status::Missing;
    return result;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) {
    result.error = errno;
    return result;
  }
  const bool regular = S_ISREG(st.st_mode);
  if (!regular && (sources == WholeFileSources::RegularOnly || S_ISDIR(st.st_mode))) {
    result.error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return result;
  }
  if (regular) {
    // Read for the size it has now: a file that grows meanwhile (a log being written) ends there.
    std::size_t size;
    if (st.st_size < 0) {
      result.error = EFBIG;
      return result;
    } else if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
      if (!keepStart) {
        result.error = EFBIG;
        return result;
      }
      result.cut = true;
      size = maxBytes;
    } else {
      size = static_cast<std::size_t>(st.st_size);
    }
    result.content.resize(size);
    result.error = ReadUpTo(fd.Get(), result.content, size);
    if (result.error == 0 && result.content.size() < size) result.error = EIO;
  } else {
    // A stream lasts as long as its writer: one byte more than allowed tells that it is too long.
    result.error = ReadUpTo(fd.Get(), result.content, maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes);
    if (result.error == 0 && result.content.size() > maxBytes) result.error = EFBIG;
  }
  if (result.error != 0) {
    result.content.clear();
    return result;
  }
  result.status = WholeFile::Status::Read;
  return result;
}

}  // namespace

WholeFile ReadWholeFile(const std::string& path, std::size_t maxBytes, WholeFileSources sources) noexcept {
  try {
    return Read(path, maxBytes, sources, false);
  } catch (const std::bad_alloc&) {
    WholeFile result;
    result.error = ENOMEM;
    return result;
  }
}

WholeFile ReadFileStart(const std::string& path, std::size_t maxBytes) noexcept {
  try {
    return Read(path, maxBytes, WholeFileSources::RegularOnly, true);
  } catch (const std::bad_alloc&) {
    WholeFile result;
    result.error = ENOMEM;
    return result;
  }
}

}  // namespace kivu
