#include "platform/windows/service/private_files.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "automation/text.h"

namespace windows::service {

namespace {

std::string utf8(std::wstring_view text) { return automation::toUtf8(std::u16string(text.begin(), text.end())); }
std::string shown(const std::filesystem::path& path) { return utf8(path.wstring()); }

std::string systemMessage(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = text ? text : L"";
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(error) : utf8(message);
}

std::runtime_error failure(const std::string& what, const std::filesystem::path& path, DWORD error) {
  return std::runtime_error("cannot " + what + " " + shown(path) + ": " + systemMessage(error));
}

// Memory LocalAlloc gave, freed at scope exit.
template <class T>
class Local {
 public:
  Local() = default;
  ~Local() { LocalFree(pointer_); }
  Local(const Local&) = delete;
  Local& operator=(const Local&) = delete;
  T** out() { return &pointer_; }
  T* get() const { return pointer_; }

 private:
  T* pointer_ = nullptr;
};

// The user this process runs as, as a SID string ("S-1-5-21-...").
std::wstring currentUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
    throw std::runtime_error("cannot read this process's user: " + systemMessage(GetLastError()));
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  const bool read = size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
  const DWORD error = GetLastError();
  CloseHandle(token);
  if (!read) throw std::runtime_error("cannot read this process's user: " + systemMessage(error));
  Local<wchar_t> text;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, text.out()))
    throw std::runtime_error("cannot read this process's user: " + systemMessage(GetLastError()));
  return text.get();
}

// Owned by the user; a protected ACL granting everything to the user, the system ("SY") and
// the Administrators ("BA"), inherited by what a folder holds.
class PrivateSecurity {
 public:
  explicit PrivateSecurity(const std::wstring& user) {
    const std::wstring sddl =
        L"O:" + user + L"D:P(A;OICI;FA;;;" + user + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, descriptor_.out(),
                                                              nullptr))
      throw std::runtime_error("cannot describe a private file's access: " + systemMessage(GetLastError()));
    attributes_.lpSecurityDescriptor = descriptor_.get();
  }
  SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

 private:
  Local<void> descriptor_;
  SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

bool sameSid(PSID sid, const std::wstring& text) {
  Local<void> other;
  return ConvertStringSidToSidW(text.c_str(), other.out()) && EqualSid(sid, other.get());
}

class WindowsPrivateFiles : public ::service::PrivateFiles {
 public:
  WindowsPrivateFiles() : user_(currentUser()) {}

  std::optional<std::string> read(const std::filesystem::path& file) override {
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
      throw failure("read", file, error);
    }
    struct Closer {
      HANDLE handle;
      ~Closer() { CloseHandle(handle); }
    } closer{handle};
    checkPrivate(handle, file);
    std::string content;
    char buffer[512];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) throw failure("read", file, GetLastError());
      if (got == 0) break;
      content.append(buffer, got);
      if (content.size() > 4096) throw std::runtime_error(shown(file) + " is too large to hold an access token");
    }
    return content;
  }

  bool create(const std::filesystem::path& file, const std::string& content) override {
    if (file.has_parent_path()) makeFolder(file.parent_path());
    PrivateSecurity security(user_);
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, security.attributes(), CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return false;
      throw failure("create", file, error);
    }
    DWORD written = 0;
    const bool wrote = WriteFile(handle, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                       written == content.size() && FlushFileBuffers(handle);
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (!wrote) {
      DeleteFileW(file.c_str());
      throw failure("write", file, error);
    }
    return true;
  }

  void makeFolder(const std::filesystem::path& folder) override {
    const std::filesystem::path absolute = std::filesystem::absolute(folder);
    std::filesystem::path made;
    for (const auto& part : absolute) {
      made /= part;
      if (made == absolute.root_path() || made == absolute.root_name()) continue;
      PrivateSecurity security(user_);
      if (!CreateDirectoryW(made.c_str(), security.attributes()) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw failure("create the folder", made, GetLastError());
    }
  }

  std::filesystem::path defaultTokenFile() const override {
    wchar_t* folder = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &folder))) {
      CoTaskMemFree(folder);
      throw std::runtime_error("this user has no local application data folder: give --token-file FILE");
    }
    const std::filesystem::path path = std::filesystem::path(folder) / L"Vantory" / L"access-token";
    CoTaskMemFree(folder);
    return path;
  }

 private:
  // The file must be the user's, and no one but the user, the system and the Administrators
  // may reach it.
  void checkPrivate(HANDLE handle, const std::filesystem::path& file) const {
    PSID owner = nullptr;
    PACL acl = nullptr;
    Local<void> descriptor;
    const DWORD error = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                        &owner, nullptr, &acl, nullptr, descriptor.out());
    if (error != ERROR_SUCCESS) throw failure("read the access rights of", file, error);
    const std::string remedy = ": remove it, and a new one is made at the next start";
    if (!owner || !(sameSid(owner, user_) || sameSid(owner, L"BA")))
      throw std::runtime_error(shown(file) + " belongs to another user" + remedy);
    if (!acl) throw std::runtime_error(shown(file) + " may be read or changed by anyone" + remedy);
    for (DWORD i = 0; i < acl->AceCount; ++i) {
      ACE_HEADER* ace = nullptr;
      if (!GetAce(acl, i, reinterpret_cast<void**>(&ace))) continue;
      if (ace->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
      const PSID sid = &reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
      if (!(sameSid(sid, user_) || sameSid(sid, L"SY") || sameSid(sid, L"BA")))
        throw std::runtime_error(shown(file) + " may be read or changed by other users" + remedy);
    }
  }

  std::wstring user_;
};

}  // namespace

std::unique_ptr<::service::PrivateFiles> privateFiles() { return std::make_unique<WindowsPrivateFiles>(); }

}  // namespace windows::service
