// The floor for a program that converts a script in place: one pass over the
// bytes and a safe save. Reads the file at argv[1], turns every tab into a
// blank (a stand-in for a conversion that touches every line), writes the
// result to a temporary file beside it, syncs that to the disk, renames it
// over the original and syncs the folder. Exit status 0, or 1 with a message
// on any failure.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int Fail(const std::string& what) {
  std::fprintf(stderr, "fsync_floor: %s: %s\n", what.c_str(), std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fsync_floor FILE\n");
    return 2;
  }
  const std::string path = argv[1];
  const std::string temporary = path + ".floor-tmp";
  const int in = open(path.c_str(), O_RDONLY);
  if (in < 0) return Fail("cannot open " + path);
  struct stat info;
  if (fstat(in, &info) != 0) return Fail("cannot stat " + path);
  std::string text(static_cast<std::size_t>(info.st_size), '\0');
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t got = read(in, text.data() + done, text.size() - done);
    if (got <= 0) return Fail("cannot read " + path);
    done += static_cast<std::size_t>(got);
  }
  close(in);
  std::string converted;
  converted.reserve(text.size());
  for (const char c : text) converted.push_back(c == '\t' ? ' ' : c);
  const int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) return Fail("cannot create " + temporary);
  for (std::size_t done = 0; done < converted.size();) {
    const ssize_t put = write(out, converted.data() + done, converted.size() - done);
    if (put <= 0) return Fail("cannot write " + temporary);
    done += static_cast<std::size_t>(put);
  }
  if (fsync(out) != 0) return Fail("cannot sync " + temporary);
  if (close(out) != 0) return Fail("cannot close " + temporary);
  if (rename(temporary.c_str(), path.c_str()) != 0) return Fail("cannot rename " + temporary);
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir < 0 || fsync(dir) != 0) return Fail("cannot sync " + folder);
  close(dir);
  return 0;
}
