#ifndef Q9_BATCH_JSON_REPORT_H_
#define Q9_BATCH_JSON_REPORT_H_

#include <string>
#include <string_view>

#include "batch/convert_job.h"
#include "batch/text_sink.h"

namespace q9 {

// |bytes| as a JSON string, quotes included. Valid UTF-8 passes through; any
// other byte is read as Latin-1 (the scripts' usual encoding) and so a path or
// a script line of any bytes gives valid JSON that names the same characters.
std::string JsonString(std::string_view bytes);

// The report's warnings as JSON Lines, for editors and CI: one object a line,
//   {"path":"PATH","line":LINE,"kind":"KIND","message":"MESSAGE"}
// with LINE 1-based and MESSAGE as WarningMessage gives it; handed to |write|
// in pieces.
void WriteJsonWarnings(const FileReport& report, const TextSink& write);

}  // namespace q9

#endif  // Q9_BATCH_JSON_REPORT_H_
