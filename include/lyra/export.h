// LYRA_API marks the symbols that liblyra exports to host programs; every other
// symbol of the library is hidden.
#ifndef LYRA_EXPORT_H_
#define LYRA_EXPORT_H_

#if defined(_WIN32)
#define LYRA_API __declspec(dllexport)
#else
#define LYRA_API __attribute__((visibility("default")))
#endif

#endif  // LYRA_EXPORT_H_
