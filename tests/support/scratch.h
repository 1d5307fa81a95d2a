// A folder of its own for one test, named by the system (mkdtemp): runs of
// different users and processes, and parameterised tests whose names hold
// "/", never meet. The test removes it when it ends.
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace testsupport {

inline std::filesystem::path MakeScratchDir(const std::string& prefix) {
  std::string name = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (!::mkdtemp(name.data())) throw std::runtime_error("no scratch folder in " + name);
  return name;
}

// The bytes of a file a test wrote; empty when there is none.
inline std::string ReadFileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace testsupport
