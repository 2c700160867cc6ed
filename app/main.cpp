// The one application object of the setup program.
#include "app/setup_app.h"

static SetupApp theApp;
