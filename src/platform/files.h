// File dialogs and Mac type/creator codes.
#pragma once
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace plat {

struct FileKind {
  std::array<char, 4> type{'?', '?', '?', '?'};
  std::array<char, 4> creator{'?', '?', '?', '?'};
  MacText description;                 // "Corvimet data"
  std::vector<std::string> extensions; // without the dot; empty: all files
};

// nullopt when cancelled (an empty name is a cancel too).
std::optional<std::filesystem::path> askOpenFile(const MacText& prompt,
                                                 const std::vector<FileKind>& kinds,
                                                 const std::filesystem::path& startDir = {});
std::optional<std::filesystem::path> askSaveFile(const MacText& prompt, const MacText& defaultName,
                                                 const FileKind& kind,
                                                 const std::filesystem::path& startDir = {});
// Best effort: user.mac.type / user.mac.creator extended attributes.
void tagFile(const std::filesystem::path& path, const FileKind& kind);
// The platform's standard file-error alert; `consequence` (when given) says
// what became of the data.
void showFileError(const std::filesystem::path& path, int errnoValue, const std::string& consequence = {});

}  // namespace plat
