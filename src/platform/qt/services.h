// Internal to the outside services (files, printing, help): what their tests
// need to see and set beyond the public contracts.
#pragma once
#include <QStringList>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace plat::detail {

// The file dialogs' name filters: one per kind, then "All files".
QStringList nameFilters(const std::vector<FileKind>& kinds);

// File-error alerts shown in test mode, as "path: message".
std::vector<std::string>& fileErrorsShown();

// The page-setup scale, normally set by the user in the page-setup dialog.
void setScalePercent(int percent);

// The template names that nibTemplateAvailable() knows, all back to available.
void resetNibTemplates();

// Where a bundle image lives; empty for names that would leave the folder.
std::filesystem::path bundleImagePath(std::string_view fileName);

}  // namespace plat::detail
