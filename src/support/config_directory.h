// The per-user configuration directory, and the helpers that create directories and prove that
// they can be written to.
#pragma once

#include <sys/types.h>

#include "support/fixed_text.h"

// Chooses and creates the configuration directory for the application name: HOME/.name, then
// .name in the current directory, then /tmp/name, then name. False when none of them is usable
// or HOME is not set.
bool vesk_client_set_up_config_directory(const char *name);
// Null until set up.
const char *vesk_client_get_config_directory();
// Creates the directory, proves it writable and logs the check. A directory that already exists
// and belongs to another user is refused: settings and the log must not land in a directory
// somebody else prepared (a shared /tmp path especially).
bool vesk_client_check_config_directory(const char *path);
// Creates the directory with its parents (mode 0700) and writes and removes a test file in it
// (in the current directory for an empty path). On failure the failing path is appended to
// error_output when one is given.
bool vesk_create_and_check_writeable_directory(const char *path, vesk_fixed_text *error_output);
// Creates every component of the path that is followed by a separator ("/" or "\\"); a last
// component without one is not created, so directory paths end with "/". Existing directories
// are fine. On failure the path built so far is appended to error_output when one is given.
bool vesk_recursive_mkdir(const char *path, mode_t mode, vesk_fixed_text *error_output);
bool vesk_is_regular_file(const char *path);
