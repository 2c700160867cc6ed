#include "threads/qel_library_manager.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "threads/qel_mutex.h"
#include "threads/qel_platform.h"

QELThrLoadedLib* QELThrLibraryManager::_loadedLibraries = nullptr;
int QELThrLibraryManager::_nbLibs = 0;
QELThrFoundSymbol* QELThrLibraryManager::_foundSymbols = nullptr;
int QELThrLibraryManager::_nbSymbols = 0;
QELMutex* QELThrLibraryManager::_pMutex = nullptr;

namespace {

char* CopyOf(const char* text) {
    const size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

int CompareNames(const char* a, const char* b) {
    if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
    return std::strcmp(a, b);
}

// Makes room for one more entry; the arrays grow ten entries at a time. False if that failed.
template <typename T>
bool Reserve(T*& array, int count) {
    if (count % 10 != 0) return true;
    T* grown = static_cast<T*>(std::malloc((count + 10) * sizeof(T)));
    if (!grown) return false;
    if (count) std::memcpy(grown, array, count * sizeof(T));
    std::free(array);
    array = grown;
    return true;
}

// The caches' mutex is created once, thread-safely, and released with the caches at exit.
void CreateMutexOnce(QELMutex*& mutex, void (*cleanup)()) {
    static const bool created = [&] {
        mutex = new (std::nothrow) QELMutex(0, 0, 0);
        std::atexit(cleanup);
        return true;
    }();
    (void)created;
}

// A mutex whose creation failed leaves the caches unguarded, as they always were then.
class QEL_SCOPED_CAPABILITY Hold {
  public:
    explicit Hold(QELMutex* mutex) QEL_ACQUIRE(mutex) : _mutex(mutex) {
        if (_mutex) _mutex->Lock();
    }
    ~Hold() QEL_RELEASE() {
        if (_mutex) _mutex->Unlock();
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

  private:
    QELMutex* _mutex;
};

}  // namespace

int QELThrLibraryManager::_CompareLib(const void* a, const void* b) {
    if (!a || !b) return 0;
    return CompareNames(static_cast<const QELThrLoadedLib*>(a)->name,
                        static_cast<const QELThrLoadedLib*>(b)->name);
}

int QELThrLibraryManager::_CompareSymbols(const void* a, const void* b) {
    if (!a || !b) return 0;
    auto* x = static_cast<const QELThrFoundSymbol*>(a);
    auto* y = static_cast<const QELThrFoundSymbol*>(b);
    const int bySymbol = CompareNames(x->symbol, y->symbol);
    return bySymbol != 0 ? bySymbol : CompareNames(x->library, y->library);
}

unsigned char QELThrLibraryManager::_QueryLoadedLib(const char* name, HINSTANCE& module,
                                                    QELThrLoadedLib** entry) {
    if (!name || _nbLibs == 0) return 0;
    QELThrLoadedLib key{const_cast<char*>(name), nullptr};
    auto* found = static_cast<QELThrLoadedLib*>(
        std::bsearch(&key, _loadedLibraries, _nbLibs, sizeof(QELThrLoadedLib), &_CompareLib));
    if (!found) return 0;
    module = found->module;
    if (entry) *entry = found;
    return 1;
}

void QELThrLibraryManager::_AddLoadedLib(const char* name, HINSTANCE module) {
    char* copy = CopyOf(name);
    if (!copy || !Reserve(_loadedLibraries, _nbLibs)) {
        std::free(copy);
        return;
    }
    _loadedLibraries[_nbLibs++] = QELThrLoadedLib{copy, module};
    std::qsort(_loadedLibraries, _nbLibs, sizeof(QELThrLoadedLib), &_CompareLib);
}

void* QELThrLibraryManager::_QueryFoundSymbol(const char* library, const char* symbol) {
    CreateMutexOnce(_pMutex, &_Cleanup);
    Hold hold(_pMutex);
    if (_nbSymbols == 0) return nullptr;
    QELThrFoundSymbol key{const_cast<char*>(library), const_cast<char*>(symbol), nullptr};
    auto* found = static_cast<QELThrFoundSymbol*>(
        std::bsearch(&key, _foundSymbols, _nbSymbols, sizeof(QELThrFoundSymbol), &_CompareSymbols));
    return found ? found->address : nullptr;
}

void QELThrLibraryManager::_AddFoundSymbol(const char* library, const char* symbol, void* address) {
    CreateMutexOnce(_pMutex, &_Cleanup);
    Hold hold(_pMutex);
    char* libraryCopy = library ? CopyOf(library) : nullptr;
    char* symbolCopy = CopyOf(symbol);
    if ((library && !libraryCopy) || !symbolCopy || !Reserve(_foundSymbols, _nbSymbols)) {
        std::free(libraryCopy);
        std::free(symbolCopy);
        return;
    }
    _foundSymbols[_nbSymbols++] = QELThrFoundSymbol{libraryCopy, symbolCopy, address};
    std::qsort(_foundSymbols, _nbSymbols, sizeof(QELThrFoundSymbol), &_CompareSymbols);
}

void* QELThrLibraryManager::_FindSymbolInLibrary(const char* symbol, HINSTANCE module) {
    return qel::LibrarySymbol(module, symbol);
}

HINSTANCE QELThrLibraryManager::LoadLibraryW(const char* name) {
    CreateMutexOnce(_pMutex, &_Cleanup);
    {
        Hold hold(_pMutex);
        HINSTANCE cached = nullptr;
        // A library that failed to load once is not tried again.
        if (_QueryLoadedLib(name, cached, nullptr)) return cached;
    }
    if (!name) return nullptr;
    const size_t length = std::strlen(name);
    const size_t suffixLength = std::strlen(qel::kLibrarySuffix);
    char* fileName = static_cast<char*>(std::malloc(length + suffixLength + 1));
    if (!fileName) return nullptr;
    std::memcpy(fileName, name, length);
    std::memcpy(fileName + length, qel::kLibrarySuffix, suffixLength + 1);
    HINSTANCE module = static_cast<HINSTANCE>(qel::LibraryLoad(fileName));
    std::free(fileName);

    Hold hold(_pMutex);
    QELThrLoadedLib* entry = nullptr;
    HINSTANCE cached = nullptr;
    if (_QueryLoadedLib(name, cached, &entry)) {
        entry->module = module;  // another thread loaded it meanwhile
    } else {
        _AddLoadedLib(name, module);
    }
    return module;
}

QELThrLibraryHandler QELThrLibraryManager::GetFunctionAddress(const char* library,
                                                              const char* symbol) {
    if (symbol) {
        if (void* cached = _QueryFoundSymbol(library, symbol)) return {cached, nullptr};
    }
    HINSTANCE module = LoadLibraryW(library);
    void* address = nullptr;
    if (module && symbol) {
        address = _FindSymbolInLibrary(symbol, module);
        if (address) _AddFoundSymbol(library, symbol, address);
    }
    return {address, module};
}

void QELThrLibraryManager::_Cleanup() {
    if (!_pMutex) return;
    {
        Hold hold(_pMutex);
        for (int i = 0; i < _nbLibs; ++i) std::free(_loadedLibraries[i].name);
        std::free(_loadedLibraries);
        _loadedLibraries = nullptr;
        _nbLibs = 0;
        for (int i = 0; i < _nbSymbols; ++i) {
            std::free(_foundSymbols[i].library);
            std::free(_foundSymbols[i].symbol);
        }
        std::free(_foundSymbols);
        _foundSymbols = nullptr;
        _nbSymbols = 0;
    }
    delete _pMutex;
    _pMutex = nullptr;
}
