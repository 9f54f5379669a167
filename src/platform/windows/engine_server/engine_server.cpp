#include "platform/windows/engine_server/engine_server.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/engine.h"
#include "engine/image_sink.h"
#include "engine/print_sink.h"
#include "platform/windows/class_factory.h"
#include "platform/windows/com_module.h"
#include "platform/windows/engine_server/engine_dispatch.h"
#include "platform/windows/registry.h"
#include "platform/windows/spooler/spooler_sink.h"

namespace windows::engine_server {

namespace {

constexpr wchar_t kClassName[] = L"Vantory virtual label engine";
constexpr wchar_t kFolderVariable[] = L"VANTORY_LABEL_DIR";
constexpr wchar_t kRecordOnlyVariable[] = L"VANTORY_RECORD_ONLY";
constexpr wchar_t kLabelNamesVariable[] = L"VANTORY_LABEL_NAMES";

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

// Refuses every label, saying why: an engine whose output setting cannot be read prints
// nowhere rather than guess.
class RefusingSink final : public engine::PrintSink {
 public:
  explicit RefusingSink(std::string why) : why_(std::move(why)) {}
  void print(const engine::LabelDescription&) override { throw std::runtime_error(why_); }

 private:
  std::string why_;
};

std::shared_ptr<engine::PrintSink> makeSink() {
  const std::wstring setting = environmentVariable(kRecordOnlyVariable);
  // A service that serves its labels by name asks for names no one can guess.
  const engine::LabelNames names = environmentVariable(kLabelNamesVariable) == L"unguessable"
                                       ? engine::LabelNames::Unguessable
                                       : engine::LabelNames::Numbered;
  switch (outputFor(setting)) {
    case Output::Print: return std::make_shared<spooler::SpoolerSink>(labelFolder(), names);
    case Output::RecordOnly: return std::make_shared<engine::ImageFolderSink>(labelFolder(), names);
    case Output::Unreadable: break;
  }
  std::string shown;
  for (const wchar_t c : setting.substr(0, 40)) shown += c >= 32 && c < 127 ? static_cast<char>(c) : '?';
  return std::make_shared<RefusingSink>("VANTORY_RECORD_ONLY is \"" + shown +
                                        "\"; it must be 1 (record labels only) or 0 (print them)");
}

// A fresh engine: an empty label, with a sink of its own that prints (or only records) and
// finds the next free label number when the engine prints.
HRESULT createEngine(REFIID iid, void** object) {
  const ComPtr<IDispatch> created = EngineDispatch::forEngine(engine::createEngine(makeSink()));
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

Output outputFor(std::wstring_view setting) {
  std::wstring folded(setting);
  for (wchar_t& c : folded) c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
  for (const wchar_t* off : {L"", L"0", L"false", L"no", L"off"})
    if (folded == off) return Output::Print;
  for (const wchar_t* on : {L"1", L"true", L"yes", L"on"})
    if (folded == on) return Output::RecordOnly;
  return Output::Unreadable;
}

HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object) {
  return windows::getClassObject(kClasses, clsid, iid, object);
}

bool canUnloadNow() noexcept { return ComModule::instance().canUnloadNow(); }

HRESULT registerServer() { return registerInprocClass(kInprocClass, &unregisterServer); }

HRESULT unregisterServer() { return unregisterInprocClass(kInprocClass); }

}  // namespace windows::engine_server
