// The per-user configuration directory, directory creation and the writability check.
#include "support/config_directory.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/log.h"

namespace {

const int facility_config = 71;
const int facility_files = 1;
const char test_file_name[] = "xx-rw-test.qqq";

// Set once at start-up, before any other thread runs; read-only afterwards.
vesk_fixed_text config_directory;
bool have_config_directory = false;

bool is_separator(char c) { return c == '/' || c == '\\'; }

} // namespace

bool vesk_is_regular_file(const char *path) {
  struct stat info;
  return path && stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

bool vesk_recursive_mkdir(const char *path, mode_t mode, vesk_fixed_text *error_output) {
  if (!path) {
    log_message("Error in vesk_recursive_mkdir(), NULL path.", VESK_LOG_BAD_CALL, facility_files);
    return false;
  }
  vesk_fixed_text built;
  const char *p = path;
  if (is_separator(*p))
    built.append_char('/');
  while (*p) {
    while (is_separator(*p))
      p++;
    const char *start = p;
    while (*p && !is_separator(*p))
      p++;
    // A last component without a separator after it names a file, not a directory.
    if (p == start || !*p)
      break;
    built.append(start, (int)(p - start));
    built.append_char('/');
    if (mkdir(built.c_str(), mode) == 0)
      continue;
    int error = errno;
    struct stat info;
    if (error == EEXIST && stat(built.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
      continue;
    if (error_output)
      error_output->append(built.c_str());
    return false;
  }
  return true;
}

bool vesk_create_and_check_writeable_directory(const char *path, vesk_fixed_text *error_output) {
  if (!path) {
    log_message("Error in vesk_create_and_check_writeable_directory(), NULL path.", VESK_LOG_BAD_CALL,
                facility_files);
    return false;
  }
  vesk_fixed_text test_path;
  if (*path) {
    vesk_fixed_text directory(path);
    directory.append_char('/');
    if (!vesk_recursive_mkdir(directory.c_str(), 0700, error_output))
      return false;
    test_path.append(path);
    test_path.append_char('/');
  }
  test_path.append(test_file_name);
  // No truncation and no symbolic link followed: a test file planted by someone else must not
  // make this check clobber the file it points to.
  int fd = open(test_path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (error_output)
      error_output->append(test_path.c_str());
    return false;
  }
  close(fd);
  unlink(test_path.c_str());
  return true;
}

bool vesk_client_check_config_directory(const char *path) {
  bool ok = vesk_create_and_check_writeable_directory(path, nullptr);
  struct stat info;
  if (ok && (stat(*path ? path : ".", &info) != 0 || info.st_uid != geteuid()))
    ok = false;
  vesk_fixed_text line("Checking config directory: ");
  line.append(path ? path : "(null)");
  if (!ok)
    line.append(" [FAIL]");
  log_message(line.c_str(), VESK_LOG_TRACE, facility_config);
  return ok;
}

bool vesk_client_set_up_config_directory(const char *name) {
  if (!name)
    return false;
  if (have_config_directory) {
    log_message("Error in vesk_client_set_up_config_directory(), attempt to change config directory path "
                "after initial configuration.",
                VESK_LOG_BAD_CALL, facility_config);
    vesk_fixed_text line("Old path '");
    line.append(config_directory.c_str());
    line.append("', new base name '");
    line.append(name);
    line.append("'");
    log_message(line.c_str(), VESK_LOG_TRACE, facility_config);
  }
  const char *home = getenv("HOME");
  if (!home) {
    log_message("Error in vesk_client_set_up_config_directory(), unable to fetch home directory - please set "
                "HOME environment variable and restart.",
                VESK_LOG_BAD_CALL, facility_config);
    return false;
  }
  vesk_fixed_text candidates[4];
  candidates[0].append(home);
  candidates[0].append("/.");
  candidates[0].append(name);
  candidates[1].append(".");
  candidates[1].append(name);
  candidates[2].append("/tmp/");
  candidates[2].append(name);
  candidates[3].append(name);
  for (const vesk_fixed_text &candidate : candidates) {
    if (!vesk_client_check_config_directory(candidate.c_str()))
      continue;
    config_directory.set(candidate.c_str());
    have_config_directory = true;
    vesk_fixed_text line("vesk_client_set_up_config_directory() - got final config directory '");
    line.append(config_directory.c_str());
    line.append("'");
    log_message(line.c_str(), VESK_LOG_TRACE, facility_config);
    return true;
  }
  log_message("vesk_client_set_up_config_directory() - Giving up.  Cannot create config directory.",
              VESK_LOG_GIVE_UP, facility_config);
  return false;
}

const char *vesk_client_get_config_directory() {
  return have_config_directory ? config_directory.c_str() : nullptr;
}
