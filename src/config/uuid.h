// The client id sent in the hello line: by default "DFLT" and 28 lower-case hex digits.
#pragma once

class vesk_random;

// Writes 32 characters and a terminating zero into id (at least 33 bytes).
void vesk_create_default_uuid(vesk_random &random, char *id);
