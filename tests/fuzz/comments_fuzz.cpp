// Any bytes as a file's comments: counted and placed, and kept byte for byte
// through writing and reading a native file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "datafiles/native_binary.h"
#include "editing/comments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int32_t lines = CountCommentLines(text);
  const CommentsPlacement p = PlaceCommentsWindow(lines, 400, 800, 40);
  if (p.height <= 0 || p.top < 40) std::abort();

  const std::vector<float> ch(3, 1.0f);
  NativeWriteView v;
  v.cases = 2;
  v.interval = 1.0f;
  v.comments = text;
  v.channels.push_back(ch.data());
  v.labels.push_back("a");
  v.travel.push_back(TravelValues{});
  std::string bytes;
  if (EncodeNativeBinary(v, &bytes) != FileStatus::Ok) std::abort();
  DataFileImage img;
  if (ParseNativeBinary(bytes.data(), bytes.size(), &img) != FileStatus::Ok) std::abort();
  if (!text.empty() && img.comments != text) std::abort();
  return 0;
}
