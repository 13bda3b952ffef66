#include "batch/file_walk.h"

#ifdef _WIN32
#include "batch/glob_match.h"  // Windows has no fnmatch
#else
#include <fnmatch.h>
#endif

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <utility>

#include "batch/path_bytes.h"
#include "linestore/line_store.h"

namespace q9 {
namespace {

std::string Joined(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.ends_with('/')) return folder + name;
  return folder + "/" + name;
}

// Forward slashes on every system (Windows takes them too), so that
// listings and diff headers read alike everywhere.
std::string Shown(std::string path) {
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '\\', '/');
#endif
  return path;
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(PathFromBytes(path), error);
}

[[maybe_unused]] std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Collects while it walks; a file is known by its folder and its name.
class Walker {
 public:
  explicit Walker(std::span<const std::string> patterns) : patterns_(patterns) {}

  void AddPath(const std::string& path) {
    if (!IsFolder(path)) return AddNamedFile(path);
    Folder folder;
    if (Status status = Folder::Open(path, &folder); !status.ok()) {
      return Error(Shown(path), status.reason());
    }
    const std::size_t index = FolderIndex(folder.id(), kNoFolder, "", path);
    const std::size_t before = result_.files.size();
    WalkFolder(index, folder, Shown(path));
    if (result_.files.size() == before) result_.empty_folders.push_back(path);
  }

  WalkResult Take() { return std::move(result_); }

 private:
  void AddNamedFile(const std::string& path) {
    FoundScript script;
    script.path = path;
    Folder folder;
    std::string folder_path;
    if (Status status = ResolveScript(path, &folder, &script.name, &folder_path); !status.ok()) {
      script.error = status.reason();
    } else if (!folder.is_open()) {
      script.error = std::generic_category().message(ENOENT);
    } else {
      script.folder = FolderIndex(folder.id(), kNoFolder, "", folder_path);
    }
    Add(std::move(script));
  }

  void Add(FoundScript script) {
    auto key =
        std::make_pair(script.folder, script.folder == kNoFolder ? script.path : script.name);
    if (seen_.insert(std::move(key)).second) result_.files.push_back(std::move(script));
  }

  void Error(std::string path, std::string reason) {
    result_.errors.push_back({std::move(path), std::move(reason)});
  }

  // The one index of the folder |id|, made on first sight.
  std::size_t FolderIndex(const FileId& id, std::size_t parent, const std::string& name,
                          const std::string& path) {
    const std::size_t next = result_.folders.size();
    // Without an id (a system that gives none) a folder cannot be recognised.
    if (id.known() && !folder_ids_.emplace(id, next).second) return folder_ids_[id];
    result_.folders.push_back({parent, name, path, id});
    return next;
  }

  void WalkFolder(std::size_t index, const Folder& folder, const std::string& shown) {
    std::vector<FolderEntry> entries;
    if (Status status = folder.List(&entries); !status.ok()) {
      return Error(shown, status.reason());
    }
    // Listing order depends on the file system; names give an order that does not.
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const FolderEntry& entry : entries) {
      const std::string path = Joined(shown, entry.name);
      const bool wanted = MatchesAny(entry.name, patterns_);
      if (!entry.error.ok()) {
        if (wanted || entry.kind == EntryKind::kFolder) Error(path, entry.error.reason());
      } else if (entry.kind == EntryKind::kFolder) {
        Folder child;
        if (Status status = folder.OpenChild(entry.name, entry.id, &child); !status.ok()) {
          Error(path, status.reason());
          continue;
        }
        WalkFolder(FolderIndex(child.id(), index, entry.name, ""), child, path);
      } else if (entry.kind == EntryKind::kFile && wanted) {
        Add({path, index, entry.name, entry.id, true, ""});
      }
    }
  }

  std::span<const std::string> patterns_;
  std::map<FileId, std::size_t> folder_ids_;
  std::set<std::pair<std::size_t, std::string>> seen_;
  WalkResult result_;
};

// A name that |pattern| matches: every wildcard given its least.
std::string SampleName(std::string_view pattern) {
  std::string name;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '*') continue;
    if (c == '?') {
      name += 'x';
    } else if (c == '\\' && i + 1 < pattern.size()) {
      name += pattern[++i];
    } else if (c == '[') {
      std::size_t first = i + 1;
      const bool negated =
          first < pattern.size() && (pattern[first] == '!' || pattern[first] == '^');
      if (negated) ++first;
      const std::size_t close = pattern.find(']', first + 1);
      if (close == std::string_view::npos || first >= pattern.size()) {
        name += c;
        continue;
      }
      // A negated class: a byte it does not list (ranges aside); else its first byte.
      const std::string_view members = pattern.substr(first, close - first);
      name += negated ? (members.find('x') == std::string_view::npos ? 'x' : 'y') : pattern[first];
      i = close;
    } else {
      name += c;
    }
  }
  return name;
}

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

bool BackupsWouldMatch(std::string_view suffix, std::span<const std::string> patterns) {
  return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
    const std::string script = SampleName(pattern);
    return MatchesAny(script, patterns) && MatchesAny(script + std::string(suffix), patterns);
  });
}

WalkResult CollectScripts(std::span<const std::string> paths,
                          std::span<const std::string> patterns) {
  Walker walker(patterns);
  for (const std::string& path : paths) walker.AddPath(path);
  return walker.Take();
}

}  // namespace q9
