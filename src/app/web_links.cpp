// Host names of the game's web server and the page URLs built on them.
#include "app/web_links.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char *const vesk_web_address_text = "www.quorveth.net";

namespace {
const char *const main_host = "www.quorveth.net";
const char *const help_host = "help.quorveth.net";

struct web_override {
  char host[256] = "";
  int port = 0;
  web_override() {
    const char *value = std::getenv("QUORVETH_WEB_SERVER");
    if (!value || !*value)
      return;
    std::snprintf(host, sizeof host, "%s", value);
    char *colon = std::strrchr(host, ':');
    if (colon) {
      *colon = 0;
      int p = std::atoi(colon + 1);
      port = p > 0 && p < 65536 ? p : 0;
    }
  }
};

const web_override &override_server() {
  static web_override o;
  return o;
}
} // namespace

const char *vesk_web_host() { return override_server().host[0] ? override_server().host : main_host; }

int vesk_web_port() { return override_server().port > 0 ? override_server().port : 80; }

void vesk_web_url(const char *path, bool help_server, vesk_fixed_text &url) {
  const web_override &o = override_server();
  url.set("http://");
  if (o.host[0]) {
    url.append(o.host);
    if (o.port > 0 && o.port != 80)
      url.appendf(":%d", o.port);
  } else if (help_server) {
    url.append(help_host);
    url.append(":8080");
  } else {
    url.append(main_host);
  }
  url.append(path);
}
