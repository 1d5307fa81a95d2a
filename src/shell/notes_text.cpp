#include "shell/notes_text.h"

#include <cmath>

#include "shell/textutil.h"

std::string NotesFieldText(const std::string& field) {
  std::string out = field;
  for (char& c : out) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

std::string NotesFileBytes(const std::vector<NoteRecord>& notes) {
  std::string out;
  for (const NoteRecord& n : notes) {
    out += NotesFieldText(n.caseText);
    out += '\t';
    out += NotesFieldText(n.timeText);
    out += '\t';
    out += NotesFieldText(n.noteText);
    out += '\r';
  }
  return out;
}

int32_t NoteCaseNumber(const NoteRecord& note, int32_t cases) {
  if (cases < 1) return 0;
  const double k = std::round(TextToNum(note.caseText));
  if (!(k >= 1.0)) return 1;
  if (k >= static_cast<double>(cases)) return cases;
  return static_cast<int32_t>(k);
}

namespace {
// Trailing and leading blanks of the stored fields only pad them.
std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}
}  // namespace

std::string NotesListLine(int index1, const NoteRecord& note) {
  std::string line = std::to_string(index1) + ".  case " + trimmed(NotesFieldText(note.caseText));
  const std::string time = trimmed(NotesFieldText(note.timeText));
  if (!time.empty()) line += "   " + time;
  line += "   " + NotesFieldText(note.noteText);
  return line;
}

std::string NotesListText(const std::vector<NoteRecord>& notes, std::vector<int>* lineStarts) {
  std::string out;
  if (lineStarts) lineStarts->clear();
  for (size_t i = 0; i < notes.size(); ++i) {
    if (lineStarts) lineStarts->push_back(static_cast<int>(out.size()));
    out += NotesListLine(static_cast<int>(i) + 1, notes[i]);
    out += '\r';
  }
  if (lineStarts) lineStarts->push_back(static_cast<int>(out.size()));
  return out;
}
