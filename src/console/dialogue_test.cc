#include "console/dialogue.h"

#include <iterator>
#include <sstream>
#include <string>
#include <tuple>

#include "console/texts.h"
#include "console/word_reader.h"
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

FileConversion Converted(std::vector<BracketError> errors = {},
                         StageFailure failure = StageFailure::kNone) {
  FileConversion result;
  result.conversion.bracket_errors = std::move(errors);
  result.conversion.failure = failure;
  return result;
}

// Each input and outcome: all written after the greeting, the status, path converted, key reads.
TEST(DialogueTest, AnswersEachInputAndOutcome) {
  FileConversion read_failed;
  read_failed.read = Status::Error("Is a directory");
  FileConversion write_failed = Converted({{11, 3}});
  write_failed.write = Status::Error("No space left on device");
  // The input, the conversion's result, the status, the key reads, the output.
  const std::tuple<std::string, FileConversion, int, int, std::string> cases[] = {
      {"a.c\n", Converted({{11, 0}, {20, 17}}), 0, 1,
       "Pfad: a.c\nKlammer fehler in zeile 0\nKlammer fehler in zeile 17\n" + kClosing},
      // A file error waits for a key, so a window can be read before it closes.
      {"a.c\n", read_failed, 1, 1,
       "Pfad: a.c\nFehler beim Lesen der Datei: a.c (Is a directory)\n" + kKeyPrompt},
      {"a.c\n", write_failed, 1, 1,
       "Pfad: a.c\nKlammer fehler in zeile 3\n"
       "Fehler beim Schreiben der Datei: a.c (No space left on device)\n" + kKeyPrompt},
      {"a.c\n", Converted({}, StageFailure::kCorrect), 1, 0, "Pfad: a.c\nFehler beim Korregieren"},
      {"a.c\n", Converted({}, StageFailure::kFuncCorrect), 1, 0,
       "Pfad: a.c\nFehler bei der FunktionsKorrektur"},
      {"a.c\n", Converted({}, StageFailure::kOutOfMemory), 1, 0,
       "Pfad: a.c\nFehler: nicht genug Speicher\n"},
      {"/help\n", Converted(), 1, 1, kHelpPage},
      {"/Help\n", Converted(), 1, 1, kWrongCase},
      {"", Converted(), 0, 1, "Sorry, I could find nothing :(\nPfad: \n" + kClosing},
  };
  for (const auto& [input, result, status, key_reads, output] : cases) {
    SCOPED_TRACE(output);
    std::string converted_path = "<none>";
    int reads = 0;
    DialogueHooks hooks;
    hooks.convert = [&](const std::string& path) {
      converted_path = path;
      return result;
    };
    hooks.read_key = [&](std::istream&) { ++reads; };
    std::istringstream in(input);
    std::ostringstream out;
    EXPECT_EQ(RunDialogue(in, out, hooks), status);
    EXPECT_EQ(out.str(), kGreeting + output);
    EXPECT_EQ(converted_path, output.starts_with("Pfad: a.c") ? "a.c" : "<none>");
    EXPECT_EQ(reads, key_reads);
  }
}

TEST(WordReaderTest, PathWordAndWhatTheKeyReadThenTakes) {
  // Input, the word read, what stays unread after the key read.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"Script.c\nab", "Script.c", "b"},  // the key is the first byte of the next line
      {"my script.c\nxy", "my", "y"},     // the rest of the path's line is dropped
      {" \t\r\v\fx.c\nk!", "x.c", "!"},   // leading whitespace other than LF is skipped
      {"\nk!", "Script.c", "!"},          // Enter alone: its LF is the path's line end
      {"  \nk!", "Script.c", "!"},
      {"", "", ""},  // end of input before any word
      {"a\xF6\xFF\x01z rest\n", "a\xF6\xFF\x01z", ""},  // bytes are taken as they are
      {"x.c", "x.c", ""},                               // end of input right after the word
      {std::string(100000, 'w') + "\n", std::string(100000, 'w'), ""},  // no length limit
  };
  for (const auto& [input, word, after_key] : cases) {
    SCOPED_TRACE(input);
    std::istringstream in(input);
    EXPECT_EQ(ReadPathWord(in, "Script.c"), word);
    ReadKeyFromStream(in);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), after_key);
  }
}

}  // namespace
}  // namespace q9
