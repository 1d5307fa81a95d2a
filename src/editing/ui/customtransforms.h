// The windows of saved custom transforms: the picker and manager, deletion,
// inspect-and-edit, and the save window. The file is "CMCustomTransforms"
// in the program's own folder.
#pragma once
#include <cstdint>
#include <string>

#include "editing/customtransforms.h"

inline constexpr int16_t kCustomWindow = 150;
inline constexpr int16_t kCustomEditWindow = 160;
inline constexpr int16_t kCustomHelp = 239;
// Picker / manager.
inline constexpr int16_t kCustomDelete = 51, kCustomOK = 52, kCustomCancel = 53, kCustomInspect = 54;
// Deletion: check box k, name field k + 100.
inline constexpr int16_t kDeleteCancel = 51, kDeleteOK = 52;
// Inspect: name field, value fields (label id + 100).
inline constexpr int16_t kInspectName = 333, kInspectAccept = 221, kInspectCancel = 222;
// Save window.
inline constexpr int16_t kSaveName = 102, kSaveDone = 1, kSaveCancel = 2;

// pick 1: the picker of the transformations dialog; 0: the manager (Edit
// menu). The picked record's index in the file (0 for none) and, when
// picked, the record.
int16_t GetCustomTransformation(int16_t pick, CustomTransform* picked);
// The save window: true with the typed name (cut to 48) for Done.
bool EnterCustomTransformation(std::string* name);
