// Reading a file the user named, which may be anything: a named pipe or a
// device would block an ordinary open, or never end. Only a regular file is
// opened for reading, and never more of it than the caller can use.
#pragma once
#include <cstddef>
#include <filesystem>
#include <string>

enum class ReadFileStatus { Ok, CannotOpen, TooLarge };

// CannotOpen for a missing or unreadable file and for anything that is not
// a regular file (looked at before it is opened, and again once open).
// Otherwise the first min(size, limit) bytes into *bytes; TooLarge when the
// file holds more than limit bytes.
ReadFileStatus ReadRegularFile(const std::filesystem::path& path, size_t limit, std::string* bytes);
