#include "batch/file_walk.h"

#ifdef _WIN32
#include "batch/glob_match.h"  // Windows has no fnmatch
#else
#include <fnmatch.h>
#endif

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "batch/path_bytes.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

[[maybe_unused]] std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Collects while it walks; |seen| holds the resolved form of every file listed.
class Walker {
 public:
  explicit Walker(std::span<const std::string> patterns) : patterns_(patterns) {}

  void AddPath(const std::string& path) {
    std::error_code error;
    if (fs::is_directory(PathFromBytes(path), error)) {
      const std::size_t before = result_.files.size();
      WalkFolder(PathFromBytes(path));
      if (result_.files.size() == before) result_.empty_folders.push_back(path);
    } else {
      AddFile(path);
    }
  }

  WalkResult Take() { return std::move(result_); }

 private:
  void AddFile(const std::string& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(PathFromBytes(path), error);
    std::string key = error ? path : PathBytes(resolved);
    if (seen_.insert(std::move(key)).second) result_.files.push_back(path);
  }

  void WalkFolder(const fs::path& folder) {
    std::error_code error;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      entries.push_back(*it);
    }
    if (error) {
      result_.errors.push_back({folder.string(), error.message()});
      return;
    }
    // Listing order depends on the file system; names give an order that does not.
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
      return a.path().filename().native() < b.path().filename().native();
    });
    for (const fs::directory_entry& entry : entries) {
      fs::file_status status = entry.symlink_status(error);
      if (error) continue;  // vanished since the listing
      if (fs::is_directory(status)) {
        WalkFolder(entry.path());
      } else if (fs::is_regular_file(status) &&
                 MatchesAny(PathBytes(entry.path().filename()), patterns_)) {
        // Forward slashes on every system (Windows takes them too), so that
        // listings and diff headers read alike everywhere.
        AddFile(PathBytes(entry.path()));
      }
    }
  }

  std::span<const std::string> patterns_;
  std::set<std::string> seen_;
  WalkResult result_;
};

}  // namespace

bool MatchesAny(std::string_view name, std::span<const std::string> patterns) {
  const std::string terminated(name);
  return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
#ifdef _WIN32
    return GlobMatch(AsciiLower(pattern), AsciiLower(terminated));
#else
    return fnmatch(pattern.c_str(), terminated.c_str(), 0) == 0;
#endif
  });
}

WalkResult CollectScripts(std::span<const std::string> paths,
                          std::span<const std::string> patterns) {
  Walker walker(patterns);
  for (const std::string& path : paths) walker.AddPath(path);
  return walker.Take();
}

}  // namespace q9
