// The one application object of the setup program.
#include "app/dll_search.h"
#include "app/setup_app.h"

// Before every other constructor: the toolchain's stack protector, for one, asks the system's
// crypto provider for its guard, and that loads DLLs.
#ifdef __GNUC__
__attribute__((constructor(101)))
#endif
static void RestrictDllSearchFirst() {
    RestrictDllSearchToSystemFolder();
}

static SetupApp theApp;
