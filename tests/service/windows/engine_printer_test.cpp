// The Windows service printing through "Dymo.LabelEngine": the service's answers while the
// engine is missing, while its registration names a server that cannot be loaded, and once
// the real engine (VirtualLabelEngine.dll, next to this program) is registered; each request
// tries the engine anew. Runs in a private Wine prefix with VANTORY_RECORD_ONLY=1.

#include "platform/windows/service/engine_printer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "platform/windows/service/windows_printers.h"
#include "service/service.h"
#include "support/temporary_folder.h"

namespace windows::service {
namespace {

using nlohmann::json;

constexpr int kPort = 41951;
constexpr char kToken[] = "5f0c2a7e9b3d4e61a8f70c2d4b6e8a1f3c5e7a9b1d3f5a7c9e1b3d5f7a9c1e3b";

// What a local program sends: the host and the access token.
::service::Headers local() {
  return {{"Host", "127.0.0.1:" + std::to_string(kPort)}, {"Authorization", std::string("Bearer ") + kToken}};
}
constexpr wchar_t kProgIdKey[] = L"Dymo.LabelEngine";
constexpr wchar_t kBrokenClass[] = L"{3D7C2A41-9B1E-4C55-A0F2-6E8D5B4C3A21}";

std::filesystem::path nextToThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path() / name;
}

void setValue(const std::wstring& key, const std::wstring& value) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
}

// The real engine's DLL, registered or unregistered by its own entry points, as regsvr32 does.
class EngineDll {
 public:
  EngineDll() : module_(LoadLibraryW(nextToThisProgram(L"VirtualLabelEngine.dll").c_str())) {}
  ~EngineDll() {
    if (module_) FreeLibrary(module_);
  }
  bool loaded() const { return module_ != nullptr; }
  HRESULT call(const char* entry) {
    const auto function =
        reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(module_, entry)));
    return function ? function() : E_FAIL;
  }

 private:
  HMODULE module_;
};

class EngineService : public ::testing::Test {
 protected:
  EngineService() : printers_(folder_.path()), printer_(folder_.path()) {
    // As vantory-service.exe tells its engines.
    SetEnvironmentVariableW(L"VANTORY_LABEL_DIR", folder_.path().wstring().c_str());
    SetEnvironmentVariableW(L"VANTORY_LABEL_NAMES", L"unguessable");
    ::service::Settings settings;
    settings.port = kPort;
    settings.accessToken = kToken;
    service_ = std::make_unique<::service::Service>(settings, printers_, printer_);
  }
  ~EngineService() override {
    forgetTheBrokenRegistration();
    if (engine_.loaded()) engine_.call("DllUnregisterServer");
  }

  static void forgetTheBrokenRegistration() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgIdKey);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kBrokenClass).c_str());
  }

  ::service::HttpResponse print(const std::string& key) {
    std::ifstream in(std::string(VANTORY_SOURCE_DIR) + "/examples/hospital.json");
    const json arguments = json::parse(in).at("arguments");
    ::service::Headers headers = local();
    headers.emplace("Idempotency-Key", key);
    return service_->handle({"POST", "/v1/PrintLabels", headers, arguments.dump()});
  }

  std::size_t recorded() const {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
      count += entry.path().extension() == ".json";
    return count;
  }

  engine_test::TemporaryFolder folder_;
  WindowsPrinters printers_;
  EnginePrinter printer_;
  std::unique_ptr<::service::Service> service_;
  EngineDll engine_;
};

TEST_F(EngineService, AMissingOrBrokenEngineIsA503NamingTheProgIdAndTheNextRequestTriesAgain) {
  ASSERT_TRUE(engine_.loaded()) << "VirtualLabelEngine.dll is not next to the test program";
  struct Step {
    const char* what;
    void (*arrange)(EngineDll&);
    int status;
    const char* code;
    const char* says;
  };
  const Step steps[] = {
      {"nothing holds the ProgID", [](EngineDll&) {}, 503, "ENGINE_UNAVAILABLE", "is not registered"},
      {"the ProgID names a server that is not there",
       [](EngineDll&) {
         setValue(std::wstring(kProgIdKey) + L"\\CLSID", kBrokenClass);
         setValue(std::wstring(L"CLSID\\") + kBrokenClass + L"\\InprocServer32",
                  L"C:\\nowhere\\MissingLabelEngine.dll");
       },
       503, "ENGINE_UNAVAILABLE", "its object cannot be made"},
      {"the label engine is registered",
       [](EngineDll& engine) {
         forgetTheBrokenRegistration();
         ASSERT_EQ(engine.call("DllRegisterServer"), S_OK);
       },
       200, nullptr, nullptr},
  };
  // One order, one key: what was not printed is printed when the engine is there, once.
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.arrange(engine_);
    const auto answer = print("order-7493843");
    ASSERT_EQ(answer.status, step.status) << answer.body;
    const json body = json::parse(answer.body);
    if (step.code) {
      EXPECT_EQ(body["error"]["code"], step.code);
      const std::string message = body["error"]["message"];
      EXPECT_NE(message.find("\"Dymo.LabelEngine\""), std::string::npos) << message;
      EXPECT_NE(message.find(step.says), std::string::npos) << message;
      EXPECT_EQ(recorded(), 0u);
    } else {
      EXPECT_EQ(body["result"], true) << answer.body;
      ASSERT_EQ(body["labels"].size(), 1u) << answer.body;
      EXPECT_EQ(recorded(), 1u);
      // The record the engine named, served by the service.
      const std::string png = body["labels"][0]["png"];
      EXPECT_TRUE(std::regex_match(png, std::regex("/v1/labels/label-0001-[0-9a-f]{32}\\.png"))) << png;
      const auto picture = service_->handle({"GET", png, local(), ""});
      EXPECT_EQ(picture.status, 200);
      EXPECT_EQ(picture.contentType, "image/png");
      const auto description = service_->handle({"GET", std::string(body["labels"][0]["json"]), local(), ""});
      EXPECT_NE(description.body.find("ROWE, SAM, K."), std::string::npos);
    }
  }
  // The answer was kept for the key: the same order again prints nothing more.
  EXPECT_EQ(print("order-7493843").status, 200);
  EXPECT_EQ(recorded(), 1u);
}

TEST_F(EngineService, TheControlsOwnFalseIsAnAnswerAndTheEnginesErrorIsInItsDiagnostics) {
  ASSERT_EQ(engine_.call("DllRegisterServer"), S_OK);
  std::ifstream in(std::string(VANTORY_SOURCE_DIR) + "/examples/hospital.json");
  json arguments = json::parse(in).at("arguments");
  arguments["LabelCopies"] = "0";  // the engine refuses it
  const auto answer = service_->handle({"POST", "/v1/PrintLabels", local(), arguments.dump()});
  ASSERT_EQ(answer.status, 200) << answer.body;
  const json body = json::parse(answer.body);
  EXPECT_EQ(body["result"], false);
  EXPECT_TRUE(body["labels"].empty());
  EXPECT_NE(body["diagnostics"].dump().find("copies"), std::string::npos) << body["diagnostics"].dump();
  EXPECT_EQ(recorded(), 0u);
}

}  // namespace
}  // namespace windows::service
