// Every help subject the program's sources name has its own page: a "?"
// that opens the index instead leaves the user without an answer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "platform/resources.h"
#include "support/scratch.h"

namespace {

namespace fs = std::filesystem;

// Subjects the program opens: the numbers (or named constants, resolved to
// their numbers) given to HelpSubject, a calculator's helpSubject (also as a
// designated initializer), openHelp, OpenHelpPage and setHelpSubject. Each
// maps to the first file naming it.
std::map<int, std::string> HelpSubjectsInSources(const fs::path& src) {
  const std::regex use(
      R"((?:\bHelpSubject|\bhelpSubject)\s*=\s*([A-Za-z_]\w*|\d+)\s*[;,}]|(?:openHelp|OpenHelpPage|setHelpSubject)\(\s*([A-Za-z_]\w*|\d+)\s*\))");
  std::map<std::string, std::string> named;   // constant -> the file that uses it
  std::map<int, std::string> subjects;
  std::map<std::string, std::string> texts;
  for (const auto& e : fs::recursive_directory_iterator(src)) {
    const std::string ext = e.path().extension().string();
    if (!e.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    texts[e.path().string()] = testsupport::ReadFileBytes(e.path());
  }
  // Line by line, and the expression only on lines that can match: the
  // whole sources through one regular expression take seconds.
  auto eachLine = [&](const std::string& needle, auto&& f) {
    for (const auto& [file, text] : texts) {
      std::istringstream in(text);
      for (std::string line; std::getline(in, line);)
        if (line.find(needle) != std::string::npos && f(file, line)) return;
    }
  };
  eachLine("elp", [&](const std::string& file, const std::string& line) {
    for (auto it = std::sregex_iterator(line.begin(), line.end(), use); it != std::sregex_iterator(); ++it) {
      const std::string v = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
      if (std::isdigit(static_cast<unsigned char>(v[0]))) subjects.emplace(std::stoi(v), file);
      else named.emplace(v, file);
    }
    return false;
  });
  for (const auto& [name, user] : named) {
    const std::regex def("\\b" + name + R"(\s*=\s*(\d+)\s*[;,])");
    eachLine(name, [&](const std::string&, const std::string& line) {
      std::smatch m;
      if (!std::regex_search(line, m, def)) return false;
      subjects.emplace(std::stoi(m[1].str()), user);
      return true;
    });
  }
  subjects.erase(0);   // the index itself
  return subjects;
}

TEST(HelpPages, EverySubjectTheProgramOpensHasItsPage) {
  const fs::path resources = CORVIMET_RESOURCE_DIR;
  const std::map<int, std::string> subjects = HelpSubjectsInSources(resources.parent_path() / "src");
  ASSERT_GT(subjects.size(), 60u) << "the sources were not found or not read";
  for (const char* known : {"180", "185", "187", "188", "233", "192", "247", "268"})
    EXPECT_TRUE(subjects.count(std::stoi(known))) << "subject " << known << " not collected";
  for (const auto& [subject, file] : subjects) {
    SCOPED_TRACE("subject " + std::to_string(subject) + " of " + file);
    const fs::path page = plat::helpPage(subject);
    EXPECT_EQ(page.filename().string(), "subject-" + std::to_string(subject) + ".html");
    const std::string html = testsupport::ReadFileBytes(page);
    EXPECT_NE(html.find("<h1>"), std::string::npos);
    EXPECT_NE(html.find("</html>"), std::string::npos);
  }
  // The index, shown for a subject without a page, lists every page.
  const std::string index = testsupport::ReadFileBytes(resources / "help" / "index.html");
  for (const auto& e : fs::directory_iterator(resources / "help")) {
    const std::string name = e.path().filename().string();
    if (name.rfind("subject-", 0) != 0) continue;
    EXPECT_NE(index.find("href=\"" + name + "\""), std::string::npos) << name;
  }
}

}  // namespace
