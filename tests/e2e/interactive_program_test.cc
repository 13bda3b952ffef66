// The interactive program run as a process in a scratch folder: how its output
// ends, its exit status and the script it leaves, for what only the program
// shows (its arguments, a failed read of the path, the file errors with the
// system's reasons, a size limit, interrupted system calls) and for scripts
// and paths that no sane editor makes, none of which may crash or hang it.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;

const std::string kGreetingStart = "#strict Update Script - Quellor/Tavin 08\n";
const std::string kKeyPrompt = "Drueck die \"Any Key\" taste zum fortfahren\n";
const std::string kClosing = "Operation abgeschlossen\n" + kKeyPrompt;
const std::string kHeader =
    "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n#strict\n";
const std::string kOld =
    "Initialize: SetVar(0,1); return(1);\n"
    "Timer: if(Equal(Var(0),10)) SetVar(0,0); IncVar(0); return(Sum(Var(0),2));\n";
// Two lines become eleven: every stage has its part.
const std::string kNew = kHeader +
                         " func Initialize(){\n Var(0)=1;\n return(1);\n}\n"
                         " func Timer(){\n if(Var(0)==10) Var(0)=0;\n Var(0)++;\n"
                         " return(Var(0)+2);\n}\n";

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

struct Case {
  std::string name;
  std::string path = "Script.c";                     // typed at the prompt
  std::optional<std::string> script = std::nullopt;  // its bytes before the run, if any
  std::optional<std::string> after = std::nullopt;   // its bytes afterwards, where stated
  std::string tail = "";                             // how standard output ends
  int status = 0;
  std::string setup = "";  // a shell command run in the folder first
  std::string head = kGreetingStart;
  std::vector<std::string> args = {};
  ProcessOptions options = {};
};

TEST(InteractiveProgramTest, OutputStatusAndScript) {
  const std::string nul("\0", 1), bom = "\xEF\xBB\xBF", converted = "Pfad: Script.c\n" + kClosing;
  std::string high;  // every byte above 0x7F
  for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
  const std::string sum = "x=Sum(a,b);\n";
  // 4,000 bytes in nested folders, ending in a name of the longest length, 255.
  const std::string long_path = Repeat(std::string(254, 'd') + "/", 14) + std::string(174, 'e') +
                                "/" + std::string(253, 'f') + ".c";
  const std::string preload = std::string("LD_PRELOAD=") + Q9_FAULT_SHIM;
  const char* asan_options = std::getenv("ASAN_OPTIONS");
  // clang-format off
  const Case cases[] = {
      {.name = "--version", .head = "Q9ToQ9strict 1.0.0\n", .args = {"--version"}},
      {.name = "--help", .head = "Usage: Q9ToQ9strict\n", .args = {"--help"}},
      {.name = "help", .path = "/help", .tail = "Autor: Quellor", .status = 1},
      {.name = "standard input unreadable",
       .tail = "ist)\nFehler beim Lesen der Datei: stdin (Is a directory)\n",
       .status = 1,
       .options = {.stdin_file = "/"}},
      // The rest of the line is dropped, the next byte is the key.
      {.name = "a new file", .path = "my script.c\nx", .after = kHeader,
       .tail = "Pfad: my\n" + kClosing},
      {.name = "a script", .script = kOld, .after = kNew, .tail = converted},
      {.name = "a folder", .path = "sub",
       .tail = "Pfad: sub\nFehler beim Lesen der Datei: sub (Is a directory)\n" + kKeyPrompt,
       .status = 1, .setup = "mkdir sub"},
      {.name = "no folder", .path = "no/x.c",
       .tail = "Fehler beim Schreiben der Datei: no/x.c (No such file or directory)\n" + kKeyPrompt,
       .status = 1},
      // The write fails as an error, not as a signal that ends the program.
      {.name = "size limit", .script = kOld, .after = kOld,
       .tail = "Fehler beim Schreiben der Datei: Script.c (File too large)\n" + kKeyPrompt,
       .status = 1, .options = {.file_size_limit = 0}},
      // Through the fault library; the sanitizer's runtime must be told that it comes first.
      {.name = "interrupted read and write", .script = kOld, .after = kNew, .tail = converted,
       .options = {.env = {preload, "Q9_FAULT=read:file 1 fail 4\nwrite:file 1 fail 4",
                           std::string("ASAN_OPTIONS=") + (asan_options ? asan_options : "") +
                               ":verify_asan_link_order=0"}}},
      // The NUL after the semicolon is text after it, so it gets a line of its own.
      {.name = "NUL bytes", .script = "x=Sum(a" + nul + "b,c);" + nul + "\n",
       .after = kHeader + "x=a" + nul + "b+c;\n" + nul + "\n", .tail = converted},
      {.name = "lone CRs", .script = "x=Sum(a,b);\ry=1\r", .after = kHeader + "x=a+b;\n\ry=1\r\n",
       .tail = converted},
      {.name = "bytes above 0x7F", .script = "x=Sum(" + high + ",y);\n",
       .after = kHeader + "x=" + high + "+y;\n", .tail = converted},
      {.name = "a byte-order mark before a label", .script = bom + "Initialize: SetVar(0,1);\n",
       .after = kHeader + " func " + bom + "Initialize(){\n Var(0)=1;\n}\n", .tail = converted},
      {.name = "unbalanced brackets everywhere",
       .script = "Init: Sum(((a,b);\n)))Sum(a,b;\nEqual(Sum(a,b),(c;\nNot((((;\nSetVar(0,Mul(1,2)\n"
                 "IncVar(\nx=Div(a,b)))))\nOr(\n((((((((((\n))))))))))\n",
       .tail = kClosing},
      {.name = "a path of 4,000 bytes", .path = long_path, .script = sum,
       .after = kHeader + "x=a+b;\n", .tail = kClosing},
      {.name = "a path of bytes above 0x7F", .path = high, .script = sum,
       .after = kHeader + "x=a+b;\n", .tail = kClosing},
      // Reading, splitting and writing must stay linear in the size of a line.
      {.name = "a 2 MB line of calls", .script = Repeat("Sum(a,b)", 1 << 18) + "\n",
       .after = kHeader + Repeat("a+b", 1 << 18) + "\n", .tail = converted},
      {.name = "200,000 empty lines", .script = std::string(200000, '\n'),
       .after = kHeader + std::string(200000, '\n'), .tail = converted},
      {.name = "200,000 statements on one line", .script = Repeat("SetVar(0,1);", 200000),
       .after = kHeader + Repeat("Var(0)=1;\n", 200000), .tail = converted},
  };
  // clang-format on
  for (Case c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = MakeScratchDir();
    const std::string path = c.path.substr(0, c.path.find_first_of(" \n"));
    if (c.script) {
      fs::create_directories((dir / path).parent_path());
      WriteFile(dir / path, *c.script);
    }
    if (!c.setup.empty()) {
      ASSERT_EQ(RunProcess({"/bin/sh", "-c", c.setup}, "", {.cwd = dir.string()}).status, 0);
    }
    c.args.insert(c.args.begin(), Q9_PROGRAM);
    c.options.cwd = dir.string();
    c.options.time_limit_seconds = 60;
    const ProcessResult r = RunProcess(c.args, c.path + "\n", c.options);
    EXPECT_EQ(r.status, c.status);
    // Compared as flags: a failure must not print megabytes.
    EXPECT_TRUE(r.out.starts_with(c.head) && r.out.ends_with(c.tail)) << r.out.substr(0, 3000);
    if (c.after) {
      EXPECT_TRUE(ReadFile(dir / path) == *c.after) << "the script differs";
    } else {
      EXPECT_EQ(fs::is_regular_file(dir / path), c.script.has_value());
    }
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      EXPECT_NE(entry.path().filename().string()[0], '.') << "a temporary file was left";
    }
    fs::remove_all(dir);
  }
}

}  // namespace
}  // namespace q9::test
