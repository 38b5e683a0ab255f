// Starting the browser program in a child process and reading the way it ended.
#include "support/browser.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

#include "support/log.h"

namespace {

const int facility_files = 1;

void log_errno(int error) {
  char line[80];
  std::snprintf(line, sizeof line, "vesk_http_fork() failed with errno %d.", error);
  log_message(line, VESK_LOG_FAILURE, facility_files);
}

// Link text comes from the server; a leading "-" would make it an option of the browser.
bool refused(const char *url) {
  if (!url) {
    log_message("Error in vesk_launch_browser(), NULL url.", VESK_LOG_BAD_CALL, facility_files);
    return true;
  }
  if (url[0] == '-') {
    log_message("Error in vesk_launch_browser(), refusing a URL that begins with '-'.", VESK_LOG_BAD_CALL,
                facility_files);
    return true;
  }
  return false;
}

// The child's pid, or -1 with errno set.
pid_t start_child(const char *url) {
  char program[] = "firefox";
  char *argv[] = {program, const_cast<char *>(url), nullptr};
  long max_fd = sysconf(_SC_OPEN_MAX);
  if (max_fd < 0 || max_fd > 65536)
    max_fd = 65536;
  pid_t pid = fork();
  if (pid != 0)
    return pid;
  // Only async-signal-safe calls from here on: other threads may hold locks.
  // The browser must not keep the game socket or a lock file open, nor inherit what this
  // program ignores or blocks.
  if (close_range(3, ~0U, 0) != 0) {
    for (int fd = 3; fd < max_fd; fd++)
      close(fd);
  }
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(SIGPIPE, &action, nullptr);
  sigaction(SIGCHLD, &action, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execvp(program, argv);
  _exit(127);
}

vesk_browser_outcome outcome_of(int status) {
  return WIFSIGNALED(status) ? VESK_BROWSER_FAILED : VESK_BROWSER_LAUNCHED;
}

} // namespace

bool vesk_launch_browser(const char *url) {
  if (refused(url))
    return false;
  pid_t pid = start_child(url);
  if (pid < 0) {
    log_errno(errno);
    return false;
  }
  for (;;) {
    int status = 0;
    pid_t done = waitpid(pid, &status, 0);
    if (done == pid)
      return outcome_of(status) == VESK_BROWSER_LAUNCHED;
    if (done < 0 && errno == EINTR)
      continue;
    // Already collected elsewhere (for instance with SIGCHLD ignored): it did start.
    if (done < 0 && errno == ECHILD)
      return true;
    log_errno(errno);
    return false;
  }
}

bool vesk_browser_launch_async(const char *url, vesk_browser_launch *launch) {
  if (!launch)
    return false;
  launch->pid = -1;
  launch->outcome = VESK_BROWSER_FAILED;
  launch->url.set(url);
  if (refused(url))
    return false;
  pid_t pid = start_child(url);
  if (pid < 0) {
    log_errno(errno);
    return false;
  }
  launch->pid = pid;
  launch->outcome = VESK_BROWSER_RUNNING;
  return true;
}

vesk_browser_outcome vesk_browser_poll(vesk_browser_launch *launch) {
  if (!launch)
    return VESK_BROWSER_FAILED;
  if (launch->outcome != VESK_BROWSER_RUNNING)
    return launch->outcome;
  int status = 0;
  pid_t done = waitpid(launch->pid, &status, WNOHANG);
  if (done == 0 || (done < 0 && errno == EINTR))
    return VESK_BROWSER_RUNNING;
  if (done == launch->pid)
    launch->outcome = outcome_of(status);
  else if (done < 0 && errno == ECHILD)
    launch->outcome = VESK_BROWSER_LAUNCHED;
  else {
    log_errno(errno);
    launch->outcome = VESK_BROWSER_FAILED;
  }
  launch->pid = -1;
  return launch->outcome;
}
