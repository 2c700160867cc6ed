// A small loadable library for the library manager tests; built twice with another value.
#ifdef _WIN32
#define TESTLIB_EXPORT extern "C" __declspec(dllexport)
#else
#define TESTLIB_EXPORT extern "C" __attribute__((visibility("default")))
#endif

TESTLIB_EXPORT int qel_testlib_value() { return TESTLIB_VALUE; }
