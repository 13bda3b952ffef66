#ifndef Q9_PIPELINE_CONVERSION_HAZARDS_H_
#define Q9_PIPELINE_CONVERSION_HAZARDS_H_

#include <vector>

#include "hazards/hazard.h"
#include "linestore/line_store.h"
#include "pipeline/pipeline.h"
#include "syntax/labels.h"
#include "syntax/lexer.h"

namespace q9 {

// What deserves a second look in a conversion, ordered by line: a warning
// wherever a function may compute something else (CheckConversion), a note for
// every bracket error (its calls stay in the old form), and notes on line ends
// when a CR LF script gained lines that end otherwise.
// |before| is the list Convert was given, |after| its result, and |conversion|
// what it returned, made with ConvertOptions::track_origin and no failure.
Hazards ConversionHazards(LineViews before, LineViews after, const Conversion& conversion);
// The same, with TopLevelLabels(before) found already.
Hazards ConversionHazards(LineViews before, LineViews after, const Conversion& conversion,
                          std::vector<Label> labels);

}  // namespace q9

#endif  // Q9_PIPELINE_CONVERSION_HAZARDS_H_
