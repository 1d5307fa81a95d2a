// The notes text file and the notes window's lines: exact bytes, fields that
// would break a line, and the case a note points at.
#include "shell/notes_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

NoteRecord Note(std::string c, std::string t, std::string n) { return {std::move(c), std::move(t), std::move(n)}; }

TEST(NotesFile, OneLinePerNoteWithTabsAndCarriageReturns) {
  // Mac Roman bytes (bullet, degree sign) pass through untouched.
  const std::vector<NoteRecord> notes = {Note("120", "10:02:05", "lights off \xA5 30\xA1" "C"),
                                         Note("4500", "11:17:40", "")};
  EXPECT_EQ(NotesFileBytes(notes),
            "120\t10:02:05\tlights off \xA5 30\xA1" "C\r"
            "4500\t11:17:40\t\r");
  EXPECT_EQ(NotesFileBytes({}), "");
}

TEST(NotesFile, SeparatorsInsideFieldsCannotSplitLinesOrShiftColumns) {
  const std::vector<NoteRecord> notes = {Note("7\t", "a\rb", "first\tsecond\rthird\nfourth\r\n")};
  const std::string bytes = NotesFileBytes(notes);
  EXPECT_EQ(bytes, "7 \ta b\tfirst second third fourth  \r");
  int tabs = 0, crs = 0;
  for (char c : bytes) {
    tabs += c == '\t';
    crs += c == '\r';
  }
  EXPECT_EQ(tabs, 2);
  EXPECT_EQ(crs, 1);
  EXPECT_EQ(bytes.find('\n'), std::string::npos);
}

TEST(NotesFile, CaseNumberIsClampedIntoTheFile) {
  EXPECT_EQ(NoteCaseNumber(Note("  250 ", "", ""), 1000), 250);
  EXPECT_EQ(NoteCaseNumber(Note("12.6", "", ""), 1000), 13);
  EXPECT_EQ(NoteCaseNumber(Note("1000", "", ""), 1000), 1000);
  EXPECT_EQ(NoteCaseNumber(Note("1001", "", ""), 1000), 1000);
  EXPECT_EQ(NoteCaseNumber(Note("1e12", "", ""), 1000), 1000) << "no overflow on a huge case";
  EXPECT_EQ(NoteCaseNumber(Note("0", "", ""), 1000), 1);
  EXPECT_EQ(NoteCaseNumber(Note("-40", "", ""), 1000), 1);
  EXPECT_EQ(NoteCaseNumber(Note("case", "", ""), 1000), 1) << "not a number reads as 0";
  EXPECT_EQ(NoteCaseNumber(Note("5", "", ""), 0), 0) << "a file without cases has no case to show";
}

TEST(NotesList, LinesAndTheirOffsetsSelectEachNote) {
  const std::vector<NoteRecord> notes = {Note("  12  ", " 10:00:00", "start"), Note("300", "", "a\tb"),
                                         Note("9", "10:05:00", "end")};
  std::vector<int> starts;
  const std::string text = NotesListText(notes, &starts);
  EXPECT_EQ(text,
            "1.  case 12   10:00:00   start\r"
            "2.  case 300   a b\r"
            "3.  case 9   10:05:00   end\r");
  ASSERT_EQ(starts.size(), 4u);
  EXPECT_EQ(starts.back(), static_cast<int>(text.size()));
  for (size_t i = 0; i < notes.size(); ++i) {
    const std::string line = text.substr(starts[i], starts[i + 1] - starts[i] - 1);
    EXPECT_EQ(line, NotesListLine(static_cast<int>(i) + 1, notes[i]));
    EXPECT_EQ(text[starts[i + 1] - 1], '\r');
  }
  std::vector<int> none{7, 8};
  EXPECT_EQ(NotesListText({}, &none), "");
  EXPECT_EQ(none, std::vector<int>{0});
}

}  // namespace
