// The game's web server: its two host names (pages on port 8080 live on the second), the address
// shown under the logo, and the URLs of its pages. QUORVETH_WEB_SERVER ("host" or "host:port")
// replaces both hosts, so a local web server can stand in for the real one.
#pragma once

#include "support/fixed_text.h"

extern const char *const vesk_web_address_text;

// "http://host[:port]" + path for a page; help pages sit on port 8080 of the second host.
void vesk_web_url(const char *path, bool help_server, vesk_fixed_text &url);
// The web server's host and port (80 unless QUORVETH_WEB_SERVER names one).
const char *vesk_web_host();
int vesk_web_port();
