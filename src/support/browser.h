// Opening a web link in the external browser "firefox", waiting for it or polling for its end.
#pragma once

#include <sys/types.h>

#include "support/fixed_text.h"

// Starts "firefox" (searched on PATH) with the URL as its only argument, never through a shell,
// and waits until that program ends. A normal end counts as success whatever the exit status
// (so a missing browser is not detected here); death by a signal or a failed start is a failure.
// A URL that begins with "-" would reach the browser as an option and is refused.
// The wait lasts as long as the browser program runs: the GUI thread uses the form below.
bool vesk_launch_browser(const char *url);

enum vesk_browser_outcome { VESK_BROWSER_RUNNING, VESK_BROWSER_LAUNCHED, VESK_BROWSER_FAILED };

// One launch that the GUI thread starts and then polls from its timer. Poll one copy only: the
// pid is collected once, and polling a stale copy could collect an unrelated child.
struct vesk_browser_launch {
  pid_t pid = -1;
  vesk_browser_outcome outcome = VESK_BROWSER_FAILED;
  // The link, for the explanation shown when the launch failed.
  vesk_fixed_text url;
};

// Starts the browser and returns at once. False when nothing was started (refused URL or failed
// start, already logged); the launch's outcome is then VESK_BROWSER_FAILED.
bool vesk_browser_launch_async(const char *url, vesk_browser_launch *launch);
// Never blocks. VESK_BROWSER_RUNNING until the browser program ended; the final outcome is
// reported again by later calls. Collects only this launch's own child.
vesk_browser_outcome vesk_browser_poll(vesk_browser_launch *launch);
