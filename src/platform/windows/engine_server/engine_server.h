#pragma once
// The in-process COM server of the virtual label engine, VirtualLabelEngine.dll: one
// creatable, apartment-threaded class whose every instance is a fresh engine (an empty
// label). It draws every label it prints with GDI, prints it through the Windows spooler on
// the printer the label names (spooler/spooler_sink.h), and records it as label-NNNN.json
// and label-NNNN.png in the label folder; with VANTORY_RECORD_ONLY=1 it only records. With
// VANTORY_LABEL_NAMES=unguessable (the print service's setting: it serves labels by name) the
// records are named label-NNNN-<32 random hex digits>.
//
//   HKCR\CLSID\{8114E17F-2D24-4F9A-828B-E820285CB5C4}   "Vantory virtual label engine"
//     InprocServer32                                    <this file>, ThreadingModel = Apartment
//     ProgID                                            "Dymo.LabelEngine"
//   HKCR\Dymo.LabelEngine                               "Vantory virtual label engine"
//     CLSID                                             {8114E17F-...}
//
// Unregistering removes the class and the ProgID, the ProgID only while it names our class.

#include <windows.h>

#include <filesystem>
#include <string_view>

namespace windows::engine_server {

inline constexpr CLSID kClsidVirtualLabelEngine = {
    0x8114e17f, 0x2d24, 0x4f9a, {0x82, 0x8b, 0xe8, 0x20, 0x28, 0x5c, 0xb5, 0xc4}};
inline constexpr wchar_t kProgId[] = L"Dymo.LabelEngine";

// Where an engine made now records its labels: VANTORY_LABEL_DIR when set (a Windows path;
// under Wine Z:\ reaches the Linux file system), else %TEMP%\VantoryLabels. The folder is
// created at the first print.
std::filesystem::path labelFolder();

// What engines made now do with a printed label, by the environment variable
// VANTORY_RECORD_ONLY: unset, empty, "0", "false", "no" or "off" (any letter case) print it and
// record it; "1", "true", "yes" or "on" only record it (for tests and demonstrations without
// a printer); anything else is unreadable, and every print then fails saying so.
enum class Output { Print, RecordOnly, Unreadable };
Output outputFor(std::wstring_view setting);

// The work of the DLL's exports, callable from tests.
HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object);
bool canUnloadNow() noexcept;
HRESULT registerServer();
HRESULT unregisterServer();

}  // namespace windows::engine_server
