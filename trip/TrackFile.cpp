#include "trip/TrackFile.h"

namespace kivu {

bool TrackFile::Open(const std::string& path) {
  if (!file_.Open(path, {"track file", "lines"}, AppendFile::Sharing::Exclusive)) return false;
  batching_ = false;
  return true;
}

void TrackFile::Close() noexcept {
  Flush();
  file_.Close();
}

void TrackFile::SetBatching(bool batching) {
  Flush();
  batching_ = batching;
  if (batching) batch_.reserve(kBatchBytes);
}

bool TrackFile::Flush() noexcept {
  if (batch_.empty()) return true;
  bool written = file_.AppendLines(batch_.data(), batch_.size());
  batch_.clear();
  return written;
}

bool TrackFile::WriteLine(const char* line, size_t count) noexcept {
  if (!file_.IsOpen()) return false;
  if (!batching_ || count > kBatchBytes) return Flush() && file_.Append(line, count);
  if (batch_.size() + count > kBatchBytes) Flush();
  batch_.append(line, count);  // within the capacity reserved: no allocation
  return true;
}

}  // namespace kivu
