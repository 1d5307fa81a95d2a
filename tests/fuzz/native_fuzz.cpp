// Any bytes as a native file: the reader either refuses them or gives an
// image that survives the load-time repairs, a re-encoding read back the
// same, and a change of time scale.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "datafiles/native_binary.h"
#include "datafiles/repairs.h"
#include "datafiles/timescale.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DataFileImage img;
  if (ParseNativeBinary(data, size, &img) != FileStatus::Ok) return 0;
  RepairImage(img);
  std::string bytes;
  if (EncodeNativeBinary(ViewOfImage(img), &bytes) != FileStatus::Ok) std::abort();
  DataFileImage again;
  if (ParseNativeBinary(bytes.data(), bytes.size(), &again) != FileStatus::Ok) std::abort();
  if (again.cases != img.cases || again.data != img.data || again.notes.size() != img.notes.size()) std::abort();
  // Half the interval doubles the cases: still bounded by the file's size.
  ResampleImage(img, img.interval / 2.0f);
  return 0;
}
