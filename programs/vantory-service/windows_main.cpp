// vantory-service.exe: the print service for web pages on Windows. The same HTTP API as on
// Linux, printing through the label engine "Dymo.LabelEngine" as the control does. A program
// without a console window: the installer starts it hidden at every user's login.
//
// Besides the options of every platform it reads, unless told --config, the machine's
// configuration %ProgramData%\Vantory\service.json where lab IT has put one, and records the
// labels in %LOCALAPPDATA%\Vantory\labels and keeps the access token in
// %LOCALAPPDATA%\Vantory\access-token unless told otherwise, both private to the user.

#include <winsock2.h>  // before windows.h, for the HTTP library
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "automation/text.h"
#include "platform/windows/service/engine_printer.h"
#include "platform/windows/service/private_files.h"
#include "platform/windows/service/windows_printers.h"
#include "service/access_token.h"
#include "service/http/loopback_listeners.h"
#include "service/options.h"
#include "service/service.h"

namespace {

service::LoopbackListeners* running = nullptr;

// Ctrl+C, Ctrl+Break or the console closed: the service ends.
BOOL WINAPI stopOnConsoleEvent(DWORD) {
  if (running) running->stop();
  return TRUE;
}

std::string utf8(std::wstring_view text) { return automation::toUtf8(std::u16string(text.begin(), text.end())); }

// The command line's arguments as UTF-8, without the program.
std::vector<std::string> arguments() {
  int count = 0;
  wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> result;
  for (int i = 1; list && i < count; ++i) result.push_back(utf8(list[i]));
  if (list) LocalFree(list);
  return result;
}

std::filesystem::path knownFolder(REFKNOWNFOLDERID which) {
  wchar_t* path = nullptr;
  std::filesystem::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(which, KF_FLAG_DEFAULT, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  return folder;
}

std::string describe(const std::filesystem::path& path) {
  const std::wstring text = path.wstring();
  return utf8(text);
}

}  // namespace

int main() {
  std::vector<std::string> args = arguments();
  // The machine's configuration, where lab IT deployed one and no other is named.
  if (std::find(args.begin(), args.end(), "--config") == args.end())
    if (const auto programData = knownFolder(FOLDERID_ProgramData); !programData.empty()) {
      const auto machineConfig = programData / L"Vantory" / L"service.json";
      std::error_code ignored;
      if (std::filesystem::exists(machineConfig, ignored)) args.insert(args.begin(), {"--config", describe(machineConfig)});
    }
  const auto localAppData = knownFolder(FOLDERID_LocalAppData);
  const std::filesystem::path defaultOutput =
      localAppData.empty() ? std::filesystem::path(L"labels") : localAppData / L"Vantory" / L"labels";

  service::Options options;
  try {
    options = service::parseOptions(args, defaultOutput);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "vantory-service: %s\n\n%s", failure.what(), service::kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(service::kUsage, stdout);
    std::fputs("\nOn Windows: labels print through the label engine \"Dymo.LabelEngine\" (--record-only: the\n"
               "built-in engine only records them), not through CUPS. Without --config it reads\n"
               "%ProgramData%\\Vantory\\service.json where there is one; labels are recorded in\n"
               "%LOCALAPPDATA%\\Vantory\\labels and the access token kept in %LOCALAPPDATA%\\Vantory\\access-token.\n",
               stdout);
    return 0;
  }

  // The access token, and a label folder only this user may read: labels hold patient data.
  std::filesystem::path output;
  try {
    const auto privateFiles = windows::service::privateFiles();
    const auto tokenFile =
        std::filesystem::absolute(options.tokenFile.empty() ? privateFiles->defaultTokenFile() : options.tokenFile);
    options.settings.accessToken = service::loadOrMakeAccessToken(*privateFiles, tokenFile);
    options.settings.accessTokenFile = describe(tokenFile);
    output = std::filesystem::absolute(options.output);
    privateFiles->makeFolder(output);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "vantory-service: %s\n", failure.what());
    return 1;
  }
  // What every engine this process creates is told: where to record the labels the service
  // serves, under names no one can guess; and, with --record-only, to print nothing (Vantory's
  // built-in engine; a vendor's engine knows nothing of it).
  SetEnvironmentVariableW(L"VANTORY_LABEL_DIR", output.wstring().c_str());
  SetEnvironmentVariableW(L"VANTORY_LABEL_NAMES", L"unguessable");
  SetEnvironmentVariableW(L"VANTORY_RECORD_ONLY", options.recordOnly ? L"1" : nullptr);

  service::LoopbackListeners listeners(options.settings.limits);
  if (!service::bindAsConfigured(listeners, options)) return 1;

  windows::service::WindowsPrinters printers(output, options.recordOnly);
  windows::service::EnginePrinter printer(output);
  service::Service service(options.settings, printers, printer);

  running = &listeners;
  SetConsoleCtrlHandler(stopOnConsoleEvent, TRUE);
  service::announce(listeners, options, "printing through \"Dymo.LabelEngine\"", describe(output));
  listeners.run(service);
  running = nullptr;
  return 0;
}
