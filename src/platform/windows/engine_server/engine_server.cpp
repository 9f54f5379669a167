#include "platform/windows/engine_server/engine_server.h"

#include <memory>
#include <string>

#include "engine/engine.h"
#include "engine/print_sink.h"
#include "platform/windows/class_factory.h"
#include "platform/windows/com_module.h"
#include "platform/windows/engine_server/engine_dispatch.h"
#include "platform/windows/registry.h"

namespace windows::engine_server {

namespace {

constexpr wchar_t kClassName[] = L"Vantory virtual label engine";
constexpr wchar_t kFolderVariable[] = L"VANTORY_LABEL_DIR";

std::wstring environmentVariable(const wchar_t* name) {
  std::wstring value(64, L'\0');
  for (;;) {
    const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return {};
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);  // the size asked for, terminator included
  }
}

// A fresh engine: an empty label, with a sink of its own that finds the next free label
// number when the engine prints.
HRESULT createEngine(REFIID iid, void** object) {
  auto sink = std::make_shared<engine::LabelFolderSink>(labelFolder());
  const ComPtr<IDispatch> created = EngineDispatch::forEngine(engine::createEngine(std::move(sink)));
  return created->QueryInterface(iid, object);
}

constexpr CreatableClass kClasses[] = {{kClsidVirtualLabelEngine, &createEngine}};
constexpr InprocClass kInprocClass{kClsidVirtualLabelEngine, kClassName, kProgId};

}  // namespace

std::filesystem::path labelFolder() {
  if (std::wstring configured = environmentVariable(kFolderVariable); !configured.empty()) return configured;
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  const std::filesystem::path base = length > 0 && length <= MAX_PATH ? std::filesystem::path(temp) : L"C:\\";
  return base / L"VantoryLabels";
}

HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object) {
  return windows::getClassObject(kClasses, clsid, iid, object);
}

bool canUnloadNow() noexcept { return ComModule::instance().canUnloadNow(); }

HRESULT registerServer() { return registerInprocClass(kInprocClass, &unregisterServer); }

HRESULT unregisterServer() { return unregisterInprocClass(kInprocClass); }

}  // namespace windows::engine_server
