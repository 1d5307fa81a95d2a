// The script file commands, the "Scripting Sequence" viewer, its step editor
// and the printed list of steps.
#pragma once
#include <cstdint>

#include "platform/files.h"

inline constexpr int16_t kViewerWindow = 5;
inline constexpr int16_t kStepEditorWindow = 500;
// Viewer controls: "Change…" of row k is button k (1..40).
inline constexpr int16_t kViewerClose = 246;
inline constexpr int16_t kViewerAutomatic = 247;
inline constexpr int16_t kViewerPrint = 248;
// Fields of step s in the viewer and the editor.
inline constexpr int16_t kStepLabelField = 100;
inline constexpr int16_t kStepChannelField = 140;
inline constexpr int16_t kStepAField = 180;
inline constexpr int16_t kStepBField = 220;
inline constexpr int16_t kStepExponentField = 260;
inline constexpr int16_t kStepTransformField = 300;
// Editor buttons.
inline constexpr int16_t kEditorCancel = 1;
inline constexpr int16_t kEditorAccept = 2;
inline constexpr int16_t kEditorDelete = 3;
inline constexpr int32_t kHelpScriptViewer = 133;

// Script files: type CMsc, creator cvmt, extension ".cmsc".
extern const plat::FileKind kScriptFileKind;

// Every step reads as empty (the settings fields stay).
void ClearSCRIPT();
// Asks for a name and writes the store; a cancel writes nothing. False when
// nothing was written.
bool SaveSCRIPTtoFile();
// Asks for a script file and reads it. A cancel, or a file that is damaged
// or not a script (told with an alert), leaves the store as it was; false then.
bool LoadScriptFromFile();

// The viewer: lists the steps and runs until closed.
void VIEWSCRIPT();
// The editor of step s (1..40); true when the step changed.
bool EditScriptStep(int16_t step);
// Page setup, print dialog and one page listing the steps.
void PrintScript();
