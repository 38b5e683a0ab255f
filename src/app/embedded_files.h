// Files the program carries inside itself (its pictures), generated into a byte table at build time.
#pragma once

#include <cstring>

struct vesk_embedded_file {
  const char *name;
  const unsigned char *data;
  int size;
};

// Ends with an entry whose name is null.
extern const vesk_embedded_file vesk_embedded_files[];

inline const vesk_embedded_file *vesk_find_embedded_file(const char *name) {
  for (const vesk_embedded_file *f = vesk_embedded_files; f->name; f++)
    if (std::strcmp(f->name, name) == 0)
      return f;
  return nullptr;
}
