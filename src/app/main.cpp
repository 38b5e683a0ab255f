// The program: the application object lives in the interface library; until it exists the
// program only starts its logging and says what it is.
#include "support/log.h"

#include <cstdio>

int main() {
  std::printf("Quorveth client: the window arrives with the running-client work.\n");
  return 0;
}
