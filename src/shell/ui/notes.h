// The notes window (1300, "Notes for '<name>'"): the real-time notes of a
// file, read-only, with "Save Notes…" writing them as a text file.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "shell/store.h"

inline constexpr int16_t kNotesWindow = 1300;
inline constexpr int16_t kNotesView = 1;
inline constexpr int16_t kNotesPopup = 2;        // control; its menu is kNotesPopupMenu
inline constexpr int16_t kNotesSave = 3;
inline constexpr int16_t kNotesDone = 4;
inline constexpr int16_t kNotesPopupMenu = 1300;
inline constexpr int32_t kHelpNotes = 8;

// The plot fills this in: choosing a note in the window asks it to bring the
// note's case into view. Unset, choosing a note only selects its line.
struct NotesHooks {
  std::function<void(int16_t slot, int32_t caseNumber)> showCase;
};
extern NotesHooks gNotesHooks;

// Opens the notes of a file with note `note` (1-based; 0 none) selected, and
// runs the window until Done, Return, Enter, Esc, the close box or a click
// into another window. The main loop calls it for a click on note button
// 5000 + n. Nothing opens for a slot without a file.
void ShowNotesWindow(int16_t slot, int16_t note);

// Writes the notes text file through a temporary file in the same folder.
// False, with the error number in *err, when it could not be written; an
// existing file is then left as it was.
bool WriteNotesFile(const std::filesystem::path& path, const std::vector<NoteRecord>& notes, int* err);
// "Save Notes…": asks where, writes, and shows the alert on failure. True when
// the file was written.
bool SaveNotesOf(int16_t slot);
