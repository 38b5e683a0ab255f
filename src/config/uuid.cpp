// Default client id from the program's random generator.
#include "config/uuid.h"

#include "support/log.h"
#include "support/random.h"

void vesk_create_default_uuid(vesk_random &random, char *id) {
  static const char hex[] = "0123456789abcdef";
  for (int i = 0; i < 32; i++)
    id[i] = hex[random.below(16)];
  id[0] = 'D', id[1] = 'F', id[2] = 'L', id[3] = 'T';
  id[32] = 0;
  if (vesk_debug_level > 2)
    format_message("create_default_uuid() - created default uuid '%s'.\n", id);
}
