#include "console/dialogue.h"

#include <string_view>

#include "console/texts.h"
#include "console/word_reader.h"

namespace q9 {
namespace {

void Write(std::ostream& out, std::string_view text) {
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// A line end on this console is one LF, flushed at once.
void EndLine(std::ostream& out) { out.put('\n').flush(); }

void WriteLine(std::ostream& out, std::string_view text) {
  Write(out, text);
  EndLine(out);
}

// The message of a failed read or write: the path and, in brackets, why.
void WriteFileError(std::ostream& out, std::string_view what, const std::string& path,
                    const Status& status) {
  Write(out, what);
  Write(out, path);
  Write(out, " (");
  Write(out, status.reason());
  Write(out, ")");
  EndLine(out);
}

int ShowHelp(std::istream& in, std::ostream& out, const DialogueHooks& hooks) {
  Write(out, texts::kHelp1);  // the first two help texts share one line
  WriteLine(out, texts::kHelp2);
  EndLine(out);
  WriteLine(out, texts::kHelp3);
  EndLine(out);
  Write(out, texts::kAuthor);
  out.flush();
  hooks.read_key(in);
  return 1;
}

int ShowWrongCaseReply(std::istream& in, std::ostream& out, const DialogueHooks& hooks) {
  WriteLine(out, texts::kReply1);
  Write(out, texts::kReply2);
  out.flush();
  hooks.read_key(in);
  return 1;
}

// How a conversion ends the run.
enum class Ending {
  kDone,          // the closing lines, the key read, status 0
  kFileError,     // the key prompt and the key read, so the message can be read; status 1
  kStageFailure,  // at once, status 1
};

// Reports what the conversion of |path| did.
Ending ReportConversion(std::ostream& out, const std::string& path, const FileConversion& result) {
  if (!result.read.ok()) {
    WriteFileError(out, texts::kReadFailed, path, result.read);
    return Ending::kFileError;
  }
  switch (result.conversion.failure) {
    case StageFailure::kNone:
      break;
    case StageFailure::kCorrect:
      Write(out, texts::kCorrectFailed);
      out.flush();
      return Ending::kStageFailure;
    case StageFailure::kFuncCorrect:
      Write(out, texts::kFuncCorrectFailed);
      out.flush();
      return Ending::kStageFailure;
    case StageFailure::kOutOfMemory:
      WriteLine(out, texts::kOutOfMemory);
      return Ending::kStageFailure;
  }
  for (const BracketError& error : result.conversion.bracket_errors) {
    Write(out, texts::kBracketError);
    WriteLine(out, std::to_string(error.line));
  }
  if (!result.write.ok()) {
    WriteFileError(out, texts::kWriteFailed, path, result.write);
    return Ending::kFileError;
  }
  return Ending::kDone;
}

int Convert(std::istream& in, std::ostream& out, const DialogueHooks& hooks,
            const std::string& path) {
  if (path.empty()) WriteLine(out, texts::kNothingFound);
  Write(out, texts::kPathEcho);
  WriteLine(out, hooks.show_path ? hooks.show_path(path) : path);
  // The input ended before any word: there is no file to read or write.
  const Ending ending =
      path.empty() ? Ending::kDone : ReportConversion(out, path, hooks.convert(path));
  if (ending == Ending::kStageFailure) return 1;
  if (ending == Ending::kFileError) {
    WriteLine(out, texts::kKeyPrompt);
    hooks.read_key(in);
    return 1;
  }
  WriteLine(out, texts::kDone);
  WriteLine(out, texts::kKeyPrompt);
  hooks.read_key(in);
  return 0;
}

}  // namespace

int RunDialogue(std::istream& in, std::ostream& out, const DialogueHooks& hooks) {
  WriteLine(out, texts::kBanner);
  WriteLine(out, texts::kHint);
  WriteLine(out, texts::kPrompt1);
  WriteLine(out, texts::kPrompt2);
  const std::string path = ReadPathWord(in, texts::kDefaultPath);
  if (Status input = hooks.input_error(); !input.ok()) {
    WriteFileError(out, texts::kReadFailed, std::string(texts::kStandardInput), input);
    return 1;
  }
  if (path == texts::kHelpWord) return ShowHelp(in, out, hooks);
  if (path == texts::kWrongCaseWord) return ShowWrongCaseReply(in, out, hooks);
  return Convert(in, out, hooks, path);
}

}  // namespace q9
