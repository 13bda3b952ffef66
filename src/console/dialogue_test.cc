#include "console/dialogue.h"

#include <sstream>
#include <string>

#include "console/texts.h"
#include "gtest/gtest.h"

namespace q9 {
namespace {

const std::string kGreeting =
    "#strict Update Script - Quellor/Tavin 08\n"
    "/help koennte helfen\n"
    "Wenn die Datei Script.c heist und im Brontel Ordner liegt druecke Enter\n"
    "Ansonsten gib den vollen Pfad ein (bzw den dateinamen wenn die exe in dem jeweiligen ordner "
    "ist)\n";
// The wording is texts.h's; how the help and the reply are laid out is shown here.
const std::string kHelpPage = std::string(texts::kHelp1) + std::string(texts::kHelp2) + "\n\n" +
                              std::string(texts::kHelp3) + "\n\nAutor: Quellor";
const std::string kWrongCase = std::string(texts::kReply1) + "\n" + std::string(texts::kReply2);
const std::string kKeyPrompt = "Drueck die \"Any Key\" taste zum fortfahren\n";
const std::string kClosing = "Operation abgeschlossen\n" + kKeyPrompt;

FileConversion Converted(std::vector<BracketError> errors = {}) {
  FileConversion result;
  result.conversion.bracket_errors = std::move(errors);
  return result;
}

FileConversion Failed(StageFailure failure) {
  FileConversion result;
  result.conversion.failure = failure;
  return result;
}

// Each input and each outcome of the conversion: everything written after
// the greeting, the status, the path converted and the number of key reads.
TEST(DialogueTest, AnswersEachInputAndOutcome) {
  FileConversion read_failed;
  read_failed.read = Status::Error("Is a directory");
  FileConversion write_failed = Converted({{11, 3}});
  write_failed.write = Status::Error("No space left on device");
  struct Case {
    std::string input;
    FileConversion result;
    std::string output;
    int status;
    int key_reads;
  };
  const Case cases[] = {
      {"a.c\n", Converted({{11, 0}, {20, 17}}),
       "Pfad: a.c\nKlammer fehler in zeile 0\nKlammer fehler in zeile 17\n" + kClosing, 0, 1},
      // A file error waits for a key, so a window can be read before it closes.
      {"a.c\n", read_failed,
       "Pfad: a.c\nFehler beim Lesen der Datei: a.c (Is a directory)\n" + kKeyPrompt, 1, 1},
      {"a.c\n", write_failed,
       "Pfad: a.c\nKlammer fehler in zeile 3\n"
       "Fehler beim Schreiben der Datei: a.c (No space left on device)\n" +
           kKeyPrompt,
       1, 1},
      {"a.c\n", Failed(StageFailure::kCorrect), "Pfad: a.c\nFehler beim Korregieren", 1, 0},
      {"a.c\n", Failed(StageFailure::kFuncCorrect), "Pfad: a.c\nFehler bei der FunktionsKorrektur",
       1, 0},
      {"a.c\n", Failed(StageFailure::kOutOfMemory), "Pfad: a.c\nFehler: nicht genug Speicher\n", 1,
       0},
      {"/help\n", Converted(), kHelpPage, 1, 1},
      {"/Help\n", Converted(), kWrongCase, 1, 1},
      {"", Converted(), "Sorry, I could find nothing :(\nPfad: \n" + kClosing, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    std::string converted_path = "<none>";
    int key_reads = 0;
    DialogueHooks hooks;
    hooks.convert = [&](const std::string& path) {
      converted_path = path;
      return c.result;
    };
    hooks.read_key = [&](std::istream&) { ++key_reads; };
    std::istringstream in(c.input);
    std::ostringstream out;
    EXPECT_EQ(RunDialogue(in, out, hooks), c.status);
    EXPECT_EQ(out.str(), kGreeting + c.output);
    const bool converts = c.output.starts_with("Pfad: a.c");
    EXPECT_EQ(converted_path, converts ? "a.c" : "<none>");
    EXPECT_EQ(key_reads, c.key_reads);
  }
}

}  // namespace
}  // namespace q9
