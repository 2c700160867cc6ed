// Cache of dynamically loaded libraries and of the functions found in them.
#pragma once

#include "threads/qel_export.h"

#ifdef _WIN32
#include <windows.h>
#else
typedef void* HINSTANCE;
#endif

class QELMutex;

struct QELThrLoadedLib {
    char* name;        // as the caller gave it, without the suffix
    HINSTANCE module;  // null when loading failed
};

struct QELThrFoundSymbol {
    char* library;
    char* symbol;
    void* address;
};

struct QELThrLibraryHandler {
    void* address;
    HINSTANCE module;  // null when the address came from the cache
};

// The platform suffix (".dll" on Windows, ".so" elsewhere) is always appended to the base name.
// A library that failed to load once is not tried again.
class QEL_EXPORT QELThrLibraryManager {
  public:
    static HINSTANCE LoadLibraryW(const char* name);
    static QELThrLibraryHandler GetFunctionAddress(const char* library, const char* symbol);

  private:
    static unsigned char _QueryLoadedLib(const char* name, HINSTANCE& module,
                                         QELThrLoadedLib** entry);
    static void _AddLoadedLib(const char* name, HINSTANCE module);
    static void* _QueryFoundSymbol(const char* library, const char* symbol);
    static void _AddFoundSymbol(const char* library, const char* symbol, void* address);
    static void* _FindSymbolInLibrary(const char* symbol, HINSTANCE module);
    static int _CompareLib(const void* a, const void* b);
    static int _CompareSymbols(const void* a, const void* b);
    static void _Cleanup();

    static QELThrLoadedLib* _loadedLibraries;
    static int _nbLibs;
    static QELThrFoundSymbol* _foundSymbols;
    static int _nbSymbols;
    static QELMutex* _pMutex;
};
