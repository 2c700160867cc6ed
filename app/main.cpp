// The one application object of the setup program.
#include "app/dll_search.h"
#include "app/setup_app.h"

// Before every other constructor: the toolchain's stack protector, for one, asks the system's
// crypto provider for its guard, and that loads DLLs.
#ifdef __GNUC__
__attribute__((constructor(101))) static void RestrictDllSearchFirst() {
    RestrictDllSearchToSystemFolder();
}
#else
#pragma init_seg(lib)
static const bool dllSearchRestricted = (RestrictDllSearchToSystemFolder(), true);
#endif

static SetupApp theApp;
