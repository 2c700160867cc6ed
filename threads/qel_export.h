// Export marker of the thread library: the setup executable exports these classes for other
// modules.
#pragma once

#ifdef _WIN32
#define QEL_EXPORT __declspec(dllexport)
#else
#define QEL_EXPORT
#endif
