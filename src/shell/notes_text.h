// The real-time notes of a file as text: the notes text file (one note per
// line: case, tab, time, tab, note, CR; Mac Roman) and the lines the notes
// window lists. GUI-free.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "shell/store.h"

// A field as it may stand on one line of the file: tabs, CRs and LFs become
// blanks, so that a note never splits a line or shifts a column.
std::string NotesFieldText(const std::string& field);
// The whole file; empty for no notes.
std::string NotesFileBytes(const std::vector<NoteRecord>& notes);
// The note's case clamped into 1..cases (0 when the file has no cases). A
// case text that is not a number reads as 0, so it goes to case 1.
int32_t NoteCaseNumber(const NoteRecord& note, int32_t cases);
// One line of the notes window: the note number, the case, the time and the
// text, without the line end.
std::string NotesListLine(int index1, const NoteRecord& note);
// The window's text: a NotesListLine per note, each ended by CR. Also gives
// the byte offset of the start of each line (one per note, and the text's
// size as the last entry) so that a note's line can be selected.
std::string NotesListText(const std::vector<NoteRecord>& notes, std::vector<int>* lineStarts = nullptr);
