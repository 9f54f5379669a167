// The Wine soak: one host process makes many print calls through the control (HOSPITAL,
// PHYSICIAN and GENERIC in turn) onto the registered virtual label engine, and records after
// each call the process's GDI and USER object counts and its private bytes, as the native
// soak (native_soak.cpp) records resident memory.
//
//   wine_soak CONTROL LABEL_FOLDER CALLS
//
// CONTROL is the control's DLL, loaded with LoadLibrary and created through its
// DllGetClassObject; "Dymo.LabelEngine" must be registered; labels are recorded in
// LABEL_FOLDER, which is emptied first. Exits 0 only when every call printed and neither
// count grew after the warm-up (memory growth is reported, not judged).

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "sweep_support.h"

namespace {

using namespace sweep;

LONG WINAPI reportCrash(EXCEPTION_POINTERS* exception) {
  std::printf("\nCRASH: exception %08lx at %p\n", static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode),
              exception->ExceptionRecord->ExceptionAddress);
  std::fflush(stdout);
  ExitProcess(3);
}

int soak(ControlLibrary& library, LabelFolder& labels, int calls) {
  auto control = library.create();
  if (!control) {
    std::printf("FAIL: the control could not be created\n");
    return 1;
  }
  const int warmUp = std::min(5, std::max(1, calls / 3));
  using Request = std::vector<Variant> (*)();
  const std::pair<const wchar_t*, Request> requests[] = {{L"PrintLabels", &hospitalRequest},
                                                         {L"PrintLabels", &physicianRequest},
                                                         {L"PrintGENERICLabels", &genericRequest}};
  const char* names[] = {"HOSPITAL", "PHYSICIAN", "GENERIC"};

  std::printf("soak: %d print calls in one process; resources: %s\n", calls, resourceSources().c_str());
  const ResourceSample start = sampleResources();
  std::printf("%6s %-10s %-6s %6s %6s %14s\n", "call", "layout", "result", "GDI", "USER", "private bytes");
  std::printf("%6s %-10s %-6s %6ld %6ld %14llu\n", "start", "", "", start.gdi, start.user,
              static_cast<unsigned long long>(start.privateBytes));
  int failures = 0;
  ResourceSample afterWarmUp, last, peak = start;
  const ULONGLONG started = GetTickCount64();
  for (int i = 0; i < calls; ++i) {
    const auto& [member, request] = requests[i % 3];
    // The next label by its number: listing a folder that grows by one file a call would
    // itself cost the process memory.
    const auto number = static_cast<std::size_t>(i) + 1;
    const auto outcome = invokeByName(*control.get(), member, request());
    const bool ok = outcome.printed && labels.exists(number) && !labels.exists(number + 1);
    if (!ok) ++failures;
    last = sampleResources();
    peak.gdi = std::max(peak.gdi, last.gdi);
    peak.user = std::max(peak.user, last.user);
    peak.privateBytes = std::max(peak.privateBytes, last.privateBytes);
    if (i + 1 == warmUp) afterWarmUp = last;
    std::printf("%6d %-10s %-6s %6ld %6ld %14llu\n", i + 1, names[i % 3], ok ? "True" : "FAILED", last.gdi, last.user,
                static_cast<unsigned long long>(last.privateBytes));
  }
  const ULONGLONG elapsed = GetTickCount64() - started;
  control.reset();
  const ResourceSample released = sampleResources();

  const auto growth = static_cast<long long>(last.privateBytes) - static_cast<long long>(afterWarmUp.privateBytes);
  const int measured = calls - warmUp;
  std::printf("\nsoak summary: %d calls, %d failed, %.1f s (%.0f ms per call)\n", calls, failures, elapsed / 1000.0,
              static_cast<double>(elapsed) / calls);
  std::printf("  GDI objects:   start %ld, after %d warm-up calls %ld, peak %ld, last %ld, control released %ld\n",
              start.gdi, warmUp, afterWarmUp.gdi, peak.gdi, last.gdi, released.gdi);
  std::printf("  USER objects:  start %ld, after %d warm-up calls %ld, peak %ld, last %ld, control released %ld\n",
              start.user, warmUp, afterWarmUp.user, peak.user, last.user, released.user);
  std::printf(
      "  private bytes: start %llu, after warm-up %llu, peak %llu, last %llu: %+lld after warm-up (%+.0f per call over "
      "%d calls)\n",
      static_cast<unsigned long long>(start.privateBytes), static_cast<unsigned long long>(afterWarmUp.privateBytes),
      static_cast<unsigned long long>(peak.privateBytes), static_cast<unsigned long long>(last.privateBytes), growth,
      measured > 0 ? static_cast<double>(growth) / measured : 0.0, measured);

  int verdict = failures == 0 ? 0 : 1;
  if (failures) std::printf("FAIL: %d print calls did not print\n", failures);
  // Handles: after the warm-up the counts must not grow. (Memory is reported, not judged.)
  if (last.gdi > afterWarmUp.gdi) {
    std::printf("FAIL: GDI objects grew from %ld after the warm-up to %ld\n", afterWarmUp.gdi, last.gdi);
    verdict = 1;
  }
  if (last.user > afterWarmUp.user) {
    std::printf("FAIL: USER objects grew from %ld after the warm-up to %ld\n", afterWarmUp.user, last.user);
    verdict = 1;
  }
  std::printf("SOAK: %s\n", verdict == 0 ? "PASS" : "FAIL");
  return verdict;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetUnhandledExceptionFilter(&reportCrash);
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  const int calls = argc == 4 ? _wtoi(argv[3]) : 0;
  if (calls <= 0) {
    std::printf("usage: wine_soak CONTROL LABEL_FOLDER CALLS\n");
    return 2;
  }
  if (FAILED(OleInitialize(nullptr))) return 2;
  int verdict = 1;
  {
    LabelFolder labels(windowsPath(argv[2]));
    labels.clear();
    ControlLibrary library(windowsPath(argv[1]));
    if (!library.loaded()) {
      std::printf("FAIL: %s does not load as a COM server\n", narrow(argv[1]).c_str());
    } else {
      WindowCloser closer;
      verdict = soak(library, labels, calls);
    }
  }
  OleUninitialize();
  std::printf("%s\n", verdict == 0 ? "RESULT: PASS" : "RESULT: FAIL");
  std::fflush(stdout);
  return verdict;
}
