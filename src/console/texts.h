#ifndef Q9_CONSOLE_TEXTS_H_
#define Q9_CONSOLE_TEXTS_H_

#include <string_view>

// Every text the interactive program writes, byte for byte. The texts are
// Latin-1: the two o-umlauts of the first help text are the single byte 0xF6.
namespace q9::texts {

inline constexpr std::string_view kBanner = "#strict Update Script - Quellor/Tavin 08";
inline constexpr std::string_view kHint = "/help koennte helfen";
inline constexpr std::string_view kPrompt1 =
    "Wenn die Datei Script.c heist und im Brontel Ordner liegt druecke Enter";
inline constexpr std::string_view kPrompt2 =
    "Ansonsten gib den vollen Pfad ein (bzw den dateinamen wenn die exe in dem jeweiligen ordner "
    "ist)";

inline constexpr std::string_view kHelpWord = "/help";
inline constexpr std::string_view kWrongCaseWord = "/Help";
// What Enter alone at the prompt selects, as the first prompt promises.
inline constexpr std::string_view kDefaultPath = "Script.c";

inline constexpr std::string_view kHelp1 =
    "Das Update Script erneuert die Syntax des angegeben Scripts m\xF6"
    "glichst behutsam zur #strict syntax, Hierbei ist zu beachten das das Script vorher "
    "moeglichst auf Vexa fehlerfrei laufen sollte da der Updater sonst komisch reagieren "
    "k\xF6"
    "nnte.";
inline constexpr std::string_view kHelp2 =
    "Der Updater reagiert manchmal komisch auf : in strings oder kommentaren. Diese fehler werden "
    "jedoch normalerweise gemeldet. Auch ein problem sind Funktionen mit leerzeichen zwischen "
    "name und klammer (Var     (0)).";
inline constexpr std::string_view kHelp3 =
    "Nach erneuerung der Scripts ist es extrem wichtig sie von dem Debugger untersuchen zu lassen "
    "da kein stupides uebersetzungs programm perfekt ist ;)";
inline constexpr std::string_view kAuthor = "Autor: Quellor";

inline constexpr std::string_view kReply1 =
    "Dir ist schon irgendwie klar das du das h klein schreiben musst? So dumm kann man echt nicht "
    "sein :\\";
inline constexpr std::string_view kReply2 = "Leg dir mal intelligenz zu!";

inline constexpr std::string_view kNothingFound = "Sorry, I could find nothing :(";
inline constexpr std::string_view kPathEcho = "Pfad: ";
inline constexpr std::string_view kDone = "Operation abgeschlossen";
inline constexpr std::string_view kKeyPrompt = "Drueck die \"Any Key\" taste zum fortfahren";

inline constexpr std::string_view kBracketError = "Klammer fehler in zeile ";
inline constexpr std::string_view kCorrectFailed = "Fehler beim Korregieren";
inline constexpr std::string_view kFuncCorrectFailed = "Fehler bei der FunktionsKorrektur";
inline constexpr std::string_view kOutOfMemory = "Fehler: nicht genug Speicher";
inline constexpr std::string_view kReadFailed = "Fehler beim Lesen der Datei: ";
inline constexpr std::string_view kWriteFailed = "Fehler beim Schreiben der Datei: ";
// What kReadFailed names when the path itself could not be read.
inline constexpr std::string_view kStandardInput = "stdin";

}  // namespace q9::texts

#endif  // Q9_CONSOLE_TEXTS_H_
