#include "console/dialogue.h"

#include <sstream>
#include <string>

#include "gtest/gtest.h"

namespace q9 {
namespace {

const std::string kGreetingEnd = "ordner ist)\n";
const std::string kKeyPrompt = "Drueck die \"Any Key\" taste zum fortfahren\n";
const std::string kClosing = "Operation abgeschlossen\n" + kKeyPrompt;

// Runs the dialogue on |input| with a conversion that returns |result| and
// records the path it was given. Returns what was written after the greeting.
struct Outcome {
  std::string after_greeting;
  int status;
  std::string converted_path;
  int key_reads;
};

Outcome RunWith(const std::string& input, const FileConversion& result) {
  Outcome outcome{"", 0, "<none>", 0};
  DialogueHooks hooks;
  hooks.convert = [&](const std::string& path) {
    outcome.converted_path = path;
    return result;
  };
  hooks.read_key = [&](std::istream&) { ++outcome.key_reads; };
  std::istringstream in(input);
  std::ostringstream out;
  outcome.status = RunDialogue(in, out, hooks);
  const std::string text = out.str();
  const std::size_t end = text.find(kGreetingEnd);
  outcome.after_greeting = end == std::string::npos ? text : text.substr(end + kGreetingEnd.size());
  return outcome;
}

FileConversion Converted(std::vector<BracketError> errors = {}) {
  FileConversion result;
  result.conversion.bracket_errors = std::move(errors);
  result.written = true;
  return result;
}

TEST(DialogueTest, ReportsEachOutcomeOfTheConversion) {
  FileConversion read_failed;
  read_failed.read = Status::Error("Is a directory");
  FileConversion write_failed = Converted({{11, 3}});
  write_failed.write = Status::Error("No space left on device");
  write_failed.written = false;
  FileConversion correct_failed;
  correct_failed.conversion.failure = StageFailure::kCorrect;
  FileConversion func_failed;
  func_failed.conversion.failure = StageFailure::kFuncCorrect;
  FileConversion memory_failed;
  memory_failed.conversion.failure = StageFailure::kOutOfMemory;

  struct Case {
    const char* name;
    FileConversion result;
    std::string output;
    int status;
    int key_reads;
  };
  const Case cases[] = {
      {"clean", Converted(), "Pfad: a.c\n" + kClosing, 0, 1},
      {"bracket errors", Converted({{11, 0}, {20, 17}}),
       "Pfad: a.c\nKlammer fehler in zeile 0\nKlammer fehler in zeile 17\n" + kClosing, 0, 1},
      // A file error waits for a key, so a window can be read before it closes.
      {"read failed", read_failed,
       "Pfad: a.c\nFehler beim Lesen der Datei: a.c (Is a directory)\n" + kKeyPrompt, 1, 1},
      {"write failed", write_failed,
       "Pfad: a.c\nKlammer fehler in zeile 3\n"
       "Fehler beim Schreiben der Datei: a.c (No space left on device)\n" +
           kKeyPrompt,
       1, 1},
      {"layout failed", correct_failed, "Pfad: a.c\nFehler beim Korregieren", 1, 0},
      {"headers failed", func_failed, "Pfad: a.c\nFehler bei der FunktionsKorrektur", 1, 0},
      {"memory", memory_failed, "Pfad: a.c\nFehler: nicht genug Speicher\n", 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome o = RunWith("a.c\n", c.result);
    EXPECT_EQ(o.after_greeting, c.output);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.converted_path, "a.c");
    EXPECT_EQ(o.key_reads, c.key_reads);
  }
}

TEST(DialogueTest, HelpWordsAndTheEmptyPathConvertNothing) {
  struct Case {
    std::string input;
    std::string output_start;
    int status;
  };
  const Case cases[] = {
      {"/help\n", "Das Update Script", 1},
      {"/Help\n", "Dir ist schon", 1},
      {"", "Sorry, I could find nothing :(\nPfad: \n" + kClosing, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Outcome o = RunWith(c.input, Converted());
    EXPECT_EQ(o.after_greeting.substr(0, c.output_start.size()), c.output_start);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.converted_path, "<none>");
    EXPECT_EQ(o.key_reads, 1);
  }
}

}  // namespace
}  // namespace q9
