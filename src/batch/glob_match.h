#ifndef Q9_BATCH_GLOB_MATCH_H_
#define Q9_BATCH_GLOB_MATCH_H_

#include <string_view>

namespace q9 {

// True when |name| matches the shell glob |pattern| as fnmatch() with no flags
// would have it, for systems without fnmatch (Windows): "*" matches any run of
// bytes (dots and slashes included), "?" any one byte, "[abc]", "[a-z]" and the
// negated "[!a-z]" / "[^a-z]" one byte of (or not of) the set, with a "]" right
// after the opening bracket taken as a member; a backslash makes the next byte
// literal; a "[" without its closing "]" is a literal "[". Bytes are compared as
// they are, case-sensitively; named classes such as "[:alpha:]" are not known.
bool GlobMatch(std::string_view pattern, std::string_view name);

}  // namespace q9

#endif  // Q9_BATCH_GLOB_MATCH_H_
