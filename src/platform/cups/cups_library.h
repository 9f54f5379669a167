#pragma once
// libcups, loaded when a run first prints through CUPS or asks for its queues rather than at
// every start of a program: linked in, libcups and what it brings (GnuTLS, Kerberos, Avahi,
// D-Bus: some 35 shared libraries) cost every start of the native host more than drawing
// its label does. The functions this code calls are declared by libcups' own headers, so
// each pointer has the function's exact type.

#include <cups/cups.h>
#include <cups/raster.h>

namespace cups_printing {

// clang-format off
#define VANTORY_CUPS_FUNCTIONS(FUNCTION)                                                            \
  FUNCTION(cupsCancelJob2) FUNCTION(cupsCheckDestSupported) FUNCTION(cupsCopyDestInfo)              \
  FUNCTION(cupsDoRequest) FUNCTION(cupsEncryption) FUNCTION(cupsFindDestDefault)                    \
  FUNCTION(cupsFreeDestInfo) FUNCTION(cupsFreeDests) FUNCTION(cupsGetDestMediaByIndex)              \
  FUNCTION(cupsGetDestMediaBySize) FUNCTION(cupsGetDestMediaCount) FUNCTION(cupsGetDests2)          \
  FUNCTION(cupsGetOption) FUNCTION(cupsGetResponse) FUNCTION(cupsLastError)                         \
  FUNCTION(cupsLastErrorString) FUNCTION(cupsRasterClose) FUNCTION(cupsRasterErrorString)           \
  FUNCTION(cupsRasterInitPWGHeader) FUNCTION(cupsRasterOpenIO) FUNCTION(cupsRasterWriteHeader2)     \
  FUNCTION(cupsRasterWritePixels) FUNCTION(cupsSendRequest) FUNCTION(cupsServer) FUNCTION(cupsUser) \
  FUNCTION(cupsWriteRequestData) FUNCTION(httpClose) FUNCTION(httpConnect2) FUNCTION(ippAddString)  \
  FUNCTION(ippAddStrings) FUNCTION(ippDelete) FUNCTION(ippFindAttribute) FUNCTION(ippGetBoolean)    \
  FUNCTION(ippGetCount) FUNCTION(ippGetInteger) FUNCTION(ippGetResolution) FUNCTION(ippGetString)   \
  FUNCTION(ippLength) FUNCTION(ippNewRequest) FUNCTION(ippPort) FUNCTION(pwgMediaForPWG)
// clang-format on

struct CupsLibrary {
#define VANTORY_CUPS_POINTER(name) decltype(&::name) name = nullptr;
  VANTORY_CUPS_FUNCTIONS(VANTORY_CUPS_POINTER)
#undef VANTORY_CUPS_POINTER
};

// The soname loaded: the ABI of Debian's libcups2.
inline constexpr const char* kCupsLibrary = "libcups.so.2";

// libcups' functions, the library loaded at the first call; it then stays loaded, as a
// linked library would. Throws CupsError naming the library when it cannot be loaded or
// lacks one of them (a later call tries again).
const CupsLibrary& cups();

}  // namespace cups_printing
