// Any bytes as notes (case, tab, time, tab, text, CR per note): listed,
// written, clamped to the cases, and carried through a change of time scale.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/timescale.h"
#include "shell/notes_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::vector<NoteRecord> notes;
  while (!in.empty() && notes.size() < 1000) {
    const size_t eol = std::min(in.find('\r'), in.size());
    std::string_view line = in.substr(0, eol);
    in.remove_prefix(std::min(eol + 1, in.size()));
    NoteRecord n;
    std::string* fields[] = {&n.caseText, &n.timeText, &n.noteText};
    for (std::string* f : fields) {
      const size_t tab = std::min(line.find('\t'), line.size());
      f->assign(line.substr(0, tab));
      line.remove_prefix(std::min(tab + 1, line.size()));
    }
    notes.push_back(std::move(n));
  }
  constexpr int32_t cases = 100;
  for (const NoteRecord& n : notes) {
    const int32_t k = NoteCaseNumber(n, cases);
    if (k < 1 || k > cases) std::abort();
  }
  std::vector<int> starts;
  NotesListText(notes, &starts);
  NotesFileBytes(notes);

  DataFileImage img;
  img.cases = cases;
  img.interval = 1.0f;
  img.data.assign(1, std::vector<float>(cases + 1, 1.0f));
  img.labels.assign(1, "a");
  img.travel.assign(1, TravelValues{});
  img.notes = notes;
  for (float to : {0.3f, 7.0f})
    if (ResampleImage(img, to) != FileStatus::Ok) std::abort();
  return 0;
}
