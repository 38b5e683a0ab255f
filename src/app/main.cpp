// The program: the application object does everything.
#include "app/app.h"

wxIMPLEMENT_APP(vesk_app);
