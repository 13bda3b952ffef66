// The interactive program run as a process in a scratch folder: standard output
// byte for byte, the exit status and the files it leaves.

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;

const std::string kGreeting =
    "#strict Update Script - Quellor/Tavin 08\n"
    "/help koennte helfen\n"
    "Wenn die Datei Script.c heist und im Brontel Ordner liegt druecke Enter\n"
    "Ansonsten gib den vollen Pfad ein (bzw den dateinamen wenn die exe in dem jeweiligen ordner "
    "ist)\n";
const std::string kHelpPage =
    "Das Update Script erneuert die Syntax des angegeben Scripts m\xF6"
    "glichst behutsam zur #strict syntax, Hierbei ist zu beachten das das Script vorher "
    "moeglichst auf Vexa fehlerfrei laufen sollte da der Updater sonst komisch reagieren k\xF6"
    "nnte.Der Updater reagiert manchmal komisch auf : in strings oder kommentaren. Diese fehler "
    "werden jedoch normalerweise gemeldet. Auch ein problem sind Funktionen mit leerzeichen "
    "zwischen name und klammer (Var     (0)).\n"
    "\n"
    "Nach erneuerung der Scripts ist es extrem wichtig sie von dem Debugger untersuchen zu lassen "
    "da kein stupides uebersetzungs programm perfekt ist ;)\n"
    "\n"
    "Autor: Quellor";
const std::string kWrongCase =
    "Dir ist schon irgendwie klar das du das h klein schreiben musst? So dumm kann man echt nicht "
    "sein :\\\n"
    "Leg dir mal intelligenz zu!";
const std::string kKeyPrompt = "Drueck die \"Any Key\" taste zum fortfahren\n";
const std::string kClosing = "Operation abgeschlossen\n" + kKeyPrompt;
const std::string kMarker = "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/";

const std::string kHeader = kMarker + "\n#strict\n";

class InteractiveProgramTest : public ::testing::Test {
 protected:
  ProcessResult Run(const std::string& input, std::vector<std::string> args = {}) {
    args.insert(args.begin(), Q9_PROGRAM);
    return RunProcess(args, input, {.cwd = dir_.string()});
  }
  std::size_t FileCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_ = MakeScratchDir();
};

// What the program says to each kind of input, the file it leaves (a missing
// one is created with the two header lines) and its exit status.
TEST_F(InteractiveProgramTest, AnswersEachInput) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string output;
    int status;
    std::string file;  // the one file left afterwards, if any
  };
  const Case cases[] = {
      {{}, "/help\n", kGreeting + kHelpPage, 1, ""},
      {{}, "/help me\n", kGreeting + kHelpPage, 1, ""},
      {{}, "  /help", kGreeting + kHelpPage, 1, ""},
      {{}, "/Help\n", kGreeting + kWrongCase, 1, ""},
      {{}, "", kGreeting + "Sorry, I could find nothing :(\nPfad: \n" + kClosing, 0, ""},
      // Other forms of the help word are file names.
      {{}, "help\n", kGreeting + "Pfad: help\n" + kClosing, 0, "help"},
      {{}, "HELP\n", kGreeting + "Pfad: HELP\n" + kClosing, 0, "HELP"},
      {{}, "my script.c\nx", kGreeting + "Pfad: my\n" + kClosing, 0, "my"},
      {{}, "\n", kGreeting + "Pfad: Script.c\n" + kClosing, 0, "Script.c"},
      // Arguments other than these two are ignored.
      {{"--version"}, "", "Q9ToQ9strict 1.0.0\n", 0, ""},
      {{"--verbose"}, "", kGreeting + "Sorry, I could find nothing :(\nPfad: \n" + kClosing, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    ProcessResult r = Run(c.input, c.args);
    EXPECT_EQ(r.out, c.output);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(FileCount(), c.file.empty() ? 0u : 1u);
    if (!c.file.empty()) {
      EXPECT_EQ(ReadFile(dir_ / c.file), kHeader);
    }
    fs::remove_all(dir_);
    fs::create_directory(dir_);
  }
  ProcessResult help = Run("", {"--help"});
  EXPECT_TRUE(help.out.starts_with("Usage: Q9ToQ9strict\n")) << help.out;
  EXPECT_EQ(help.status, 0);
}

// Input that cannot be read is an error, not an empty name.
TEST_F(InteractiveProgramTest, UnreadableInputConvertsNothing) {
  ProcessResult r =
      RunProcess({Q9_PROGRAM}, "", {.cwd = dir_.string(), .stdin_file = dir_.string()});
  EXPECT_EQ(r.out, kGreeting + "Fehler beim Lesen der Datei: stdin (Is a directory)\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(FileCount(), 0u);
}

TEST_F(InteractiveProgramTest, UpperCaseHelpWordIsAnAbsolutePath) {
  if (fs::exists("/HELP")) GTEST_SKIP() << "/HELP exists on this machine";
  ProcessResult r = Run("/HELP\n");
  // Whether / may be written depends on who runs the test; either way it is a path.
  const std::string head = kGreeting + "Pfad: /HELP\n";
  EXPECT_EQ(r.out.substr(0, head.size()), head);
  EXPECT_EQ(r.status, fs::exists("/HELP") ? 0 : 1);
  fs::remove("/HELP");
}

// A file that cannot be read (a folder, a FIFO, a socket, a device behind a
// link) or written is left as it was; the message stays until a key is pressed.
TEST_F(InteractiveProgramTest, FailuresToReadOrWriteWaitForAKeyAndEndWithStatusOne) {
  fs::create_directory(dir_ / "sub");
  ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0644), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = (dir_ / "sock").string();
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  fs::create_symlink("/dev/null", dir_ / "Script.c");
  const std::pair<std::string, std::string> cases[] = {
      {"sub", "Fehler beim Lesen der Datei: sub ("},
      {"fifo", "Fehler beim Lesen der Datei: fifo ("},
      {"sock", "Fehler beim Lesen der Datei: sock ("},
      {"Script.c", "Fehler beim Lesen der Datei: Script.c ("},
      {"nodir/x.c", "Fehler beim Schreiben der Datei: nodir/x.c ("},
  };
  for (const auto& [path, message] : cases) {
    SCOPED_TRACE(path);
    ProcessResult r = Run(path + "\n");
    const std::string head = kGreeting + "Pfad: " + path + "\n" + message;
    EXPECT_EQ(r.out.substr(0, head.size()), head);
    EXPECT_TRUE(r.out.ends_with(")\n" + kKeyPrompt)) << r.out;
    EXPECT_EQ(r.status, 1);
  }
  close(sock);
  EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
  EXPECT_TRUE(fs::is_fifo(dir_ / "fifo"));
  EXPECT_TRUE(fs::is_socket(dir_ / "sock"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "Script.c"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_FALSE(fs::exists(dir_ / "nodir"));
  EXPECT_EQ(FileCount(), 4u);
}

TEST_F(InteractiveProgramTest, ConvertsWholeScripts) {
  const std::string body =
      " func Initialize(){\n"
      " Var(0)=1;\n"
      " return(1);\n"
      "}\n"
      " func Timer(){\n";
  struct Case {
    std::string script;
    std::string converted;
  };
  const Case cases[] = {
      // Two lines become eleven: every stage has its part.
      {"Initialize: SetVar(0,1); return(1);\n"
       "Timer: if(Equal(Var(0),10)) SetVar(0,0); IncVar(0); return(Sum(Var(0),2));\n",
       kMarker + "\n#strict\n" + body + " if(Var(0)==10) Var(0)=0;\n Var(0)++;\n" +
           " return(Var(0)+2);\n}\n"},
      // A script that already declares the directive only gains the marker.
      {"#strict\nInitialize: SetVar(0,1); return(1);\nTimer: if(Var(0)) Foo(); return(0);\n",
       kMarker + "\n#strict\n" + body + " if(Var(0)) Foo();\n return(0);\n}\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    WriteFile(dir_ / "Script.c", c.script);
    ProcessResult r = Run("Script.c\n");
    EXPECT_EQ(r.out, kGreeting + "Pfad: Script.c\n" + kClosing);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(dir_ / "Script.c"), c.converted);
  }
}

TEST_F(InteractiveProgramTest, BracketErrorIsReportedAndTheRunStillSucceeds) {
  WriteFile(dir_ / "Script.c", "#strict\nx=Sum(a,b\ny=Sum(c,d)\n");
  ProcessResult r = Run("Script.c\n");
  EXPECT_EQ(r.out, kGreeting + "Pfad: Script.c\nKlammer fehler in zeile 2\n" + kClosing);
  EXPECT_EQ(r.status, 0);
  // The failing run is dropped whole: the good call on the later line stays too.
  EXPECT_EQ(ReadFile(dir_ / "Script.c"), kMarker + "\n#strict\nx=Sum(a,b\ny=Sum(c,d)\n");
}

TEST_F(InteractiveProgramTest, KeepsModeBitsAndSymbolicLinks) {
  WriteFile(dir_ / "real.c", "#strict\nx=Sum(a,b);\n");
  chmod((dir_ / "real.c").c_str(), 0640);
  fs::create_symlink("real.c", dir_ / "Script.c");
  ProcessResult r = Run("Script.c\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(fs::is_symlink(dir_ / "Script.c"));
  EXPECT_EQ(ReadFile(dir_ / "real.c"), kMarker + "\n#strict\nx=a+b;\n");
  EXPECT_EQ(fs::status(dir_ / "real.c").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(FileCount(), 2u);
}

}  // namespace
}  // namespace q9::test
