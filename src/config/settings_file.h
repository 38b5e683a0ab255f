// Replacing a settings file safely: the new content goes to a temporary file in the same folder,
// which is then renamed over the old one, so a reader finds either the old or the new file whole.
#pragma once

#include <cstdio>

#include "support/fixed_text.h"

class vesk_replacement_file {
public:
  vesk_replacement_file() = default;
  vesk_replacement_file(const vesk_replacement_file &) = delete;
  vesk_replacement_file &operator=(const vesk_replacement_file &) = delete;
  // Abandons the temporary file unless it was committed.
  ~vesk_replacement_file();

  // Creates the temporary file beside path; false when it cannot be made (or path was cut).
  bool open(const char *path);
  FILE *file() const { return handle; }
  // Flushes and syncs the content, closes it and renames it over path. False when anything of
  // that failed; the temporary file is then removed and the old file is untouched.
  bool commit();
  // Closes and removes the temporary file.
  void abandon();

  vesk_fixed_text final_path;
  vesk_fixed_text temporary_path;

private:
  FILE *handle = nullptr;
};

// Path building for the settings: the parts joined, or false (and path emptied) when the result
// would not fit, since a cut path names another file.
bool vesk_settings_path(vesk_fixed_text &path, const char *directory, const char *middle, const char *name,
                        const char *suffix);
