#include "platform/cups/cups_library.h"

#include <dlfcn.h>

#include <string>

#include "platform/cups/cups_printing.h"

namespace cups_printing {

namespace {

CupsLibrary load() {
  // Kept for the life of the process: libcups keeps per-thread state and registers its own
  // clean-ups, which must not outlive its code.
  void* const library = ::dlopen(kCupsLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr)
    throw CupsError(std::string("the CUPS library ") + kCupsLibrary + " cannot be loaded (install libcups2): " +
                    ::dlerror());
  CupsLibrary functions;
#define VANTORY_CUPS_FIND(name)                                                                                 \
  functions.name = reinterpret_cast<decltype(functions.name)>(::dlsym(library, #name));                        \
  if (functions.name == nullptr)                                                                                \
    throw CupsError(std::string("the CUPS library ") + kCupsLibrary + " has no " #name " (it is older than 2.3)");
  VANTORY_CUPS_FUNCTIONS(VANTORY_CUPS_FIND)
#undef VANTORY_CUPS_FIND
  return functions;
}

}  // namespace

const CupsLibrary& cups() {
  static const CupsLibrary functions = load();
  return functions;
}

}  // namespace cups_printing
