// The text import with its column-selection dialog (LoadASCIItextFile).
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

#include "datafiles/repairs.h"
#include "datafiles/text_import.h"

inline constexpr int16_t kTextImportWindow = 4;
inline constexpr int32_t kHelpTextImport = 3;
inline constexpr int16_t kTextImportOK = 1;
inline constexpr int16_t kTextImportCancel = 2;
inline constexpr int16_t kTextImportHelp = 3;
// Check box of column k (0-based) is 201 + k; its time-column radio 301 + k.
inline constexpr int16_t kTextColumnBox = 201;
inline constexpr int16_t kTextTimeRadio = 301;
inline constexpr int16_t kTextNoTimeRadio = 300;
inline constexpr int16_t kTextIntervalField = 401;
inline constexpr int16_t kTextDateField = 402;
inline constexpr int16_t kTextTimeField = 403;

// The dialog over a parsed table. False when cancelled.
bool ChooseTextColumns(const TextTable& table, const std::string& fileName, TextImportChoice* choice);

// Reads the file, lets the user choose the columns, and fills a free slot
// that becomes the current file. Returns the slot, -1 when nothing was
// loaded (an alert was shown, or Cancel_Open is set).
int16_t LoadASCIItextFile(const std::filesystem::path& path, RepairReport* report, int64_t* unreadCells);
