// Replacing a settings file through a temporary file and a rename, and building settings paths.
#include "config/settings_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder part of a path, "." when it has none.
void folder_of(const char *path, vesk_fixed_text &folder) {
  const char *slash = std::strrchr(path, '/');
  folder.clear();
  if (!slash)
    folder.append(".");
  else if (slash == path)
    folder.append("/");
  else
    folder.append(path, (int)(slash - path));
}

// Makes the rename itself durable; a failure here leaves a complete file either way.
void sync_folder(const char *path) {
  vesk_fixed_text folder;
  folder_of(path, folder);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return;
  fsync(fd);
  close(fd);
}

} // namespace

bool vesk_settings_path(vesk_fixed_text &path, const char *directory, const char *middle, const char *name,
                        const char *suffix) {
  path.clear();
  const char *parts[] = {directory, middle, name, suffix};
  for (const char *part : parts) {
    if (!part)
      continue;
    int n = (int)std::strlen(part);
    if (path.append(part) != n) {
      path.clear();
      return false;
    }
  }
  return true;
}

vesk_replacement_file::~vesk_replacement_file() { abandon(); }

bool vesk_replacement_file::open(const char *path) {
  abandon();
  final_path.clear();
  temporary_path.clear();
  if (!path || !*path)
    return false;
  int n = (int)std::strlen(path);
  if (final_path.append(path) != n)
    return false;
  // The temporary name starts with "." so that it can never be the name of a settings file.
  vesk_fixed_text folder;
  folder_of(path, folder);
  const char *slash = std::strrchr(path, '/');
  const char *base = slash ? slash + 1 : path;
  temporary_path.append(folder.c_str());
  temporary_path.append("/.");
  temporary_path.append(base);
  temporary_path.append(".XXXXXX");
  if (temporary_path.full()) {
    temporary_path.clear();
    return false;
  }
  int fd = mkstemp(temporary_path.data);
  if (fd < 0) {
    temporary_path.clear();
    return false;
  }
  handle = fdopen(fd, "w");
  if (!handle) {
    close(fd);
    unlink(temporary_path.c_str());
    temporary_path.clear();
    return false;
  }
  return true;
}

bool vesk_replacement_file::commit() {
  if (!handle)
    return false;
  bool ok = std::fflush(handle) == 0 && !std::ferror(handle);
  ok = ok && fsync(fileno(handle)) == 0;
  ok = std::fclose(handle) == 0 && ok;
  handle = nullptr;
  ok = ok && std::rename(temporary_path.c_str(), final_path.c_str()) == 0;
  if (!ok) {
    unlink(temporary_path.c_str());
    temporary_path.clear();
    return false;
  }
  temporary_path.clear();
  sync_folder(final_path.c_str());
  return true;
}

void vesk_replacement_file::abandon() {
  if (handle) {
    std::fclose(handle);
    handle = nullptr;
  }
  if (temporary_path.length) {
    unlink(temporary_path.c_str());
    temporary_path.clear();
  }
}
