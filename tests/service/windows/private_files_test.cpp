// The Windows service's private files: the access token made once with an ACL for the user
// alone (and the system and the Administrators), read back; a token file others may reach is
// refused, saying what to do.

#include "platform/windows/service/private_files.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <regex>
#include <string>

#include "support/temporary_folder.h"

namespace windows::service {
namespace {

// The file's or folder's security descriptor as SDDL (owner and ACL).
std::wstring securityOf(const std::filesystem::path& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
    return L"(unreadable)";
  wchar_t* text = nullptr;
  ConvertSecurityDescriptorToStringSecurityDescriptorW(
      descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr);
  std::wstring sddl = text ? text : L"";
  LocalFree(text);
  LocalFree(descriptor);
  return sddl;
}

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(WindowsPrivateFiles, TheTokenIsMadeForTheUserAloneAndReadAfterwards) {
  const engine_test::TemporaryFolder folder;
  const auto files = privateFiles();
  const auto file = folder.path() / "Vantory" / "state" / "access-token";
  EXPECT_EQ(files->read(file), std::nullopt) << "no file yet";
  const std::string token = ::service::loadOrMakeAccessToken(*files, file);
  EXPECT_TRUE(std::regex_match(token, std::regex("[0-9a-f]{64}"))) << token;
  EXPECT_EQ(::service::loadOrMakeAccessToken(*files, file), token);
  EXPECT_FALSE(files->create(file, "another\n")) << "an existing file is kept";

  // The user's, and reached by the user, the system and the Administrators only. (Wine keeps
  // no ACL as given: it answers one made from the file's Unix mode, with the same grants.)
  const std::regex others(R"(\(A;[^)]*;;;(?!S-1-5-21-[0-9-]+\)|SY\)|BA\))[^)]*\))");
  for (const auto& path : {file, file.parent_path()}) {
    const std::string sddl = narrow(securityOf(path));
    EXPECT_TRUE(std::regex_search(sddl, std::regex("^O:(S-1-5-21-[0-9-]+|BA)D:"))) << path.string() << ": " << sddl;
    EXPECT_FALSE(std::regex_search(sddl, others)) << path.string() << ": " << sddl;
  }
  EXPECT_NE(files->defaultTokenFile().wstring().find(L"\\Vantory\\access-token"), std::wstring::npos);
}

TEST(WindowsPrivateFiles, ATokenFileOthersMayReachIsRefusedSayingWhatToDo) {
  const engine_test::TemporaryFolder folder;
  const auto files = privateFiles();
  const auto file = folder.path() / "access-token";
  ASSERT_TRUE(files->create(file, std::string(64, 'a') + "\n"));
  // Everyone may read it now.
  PSECURITY_DESCRIPTOR open = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;SY)(A;;FR;;;WD)", SDDL_REVISION_1,
                                                                   &open, nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  GetSecurityDescriptorDacl(open, &present, &acl, &defaulted);
  ASSERT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(file.c_str()), SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                  acl, nullptr),
            ERROR_SUCCESS);
  LocalFree(open);
  try {
    ::service::loadOrMakeAccessToken(*files, file);
    ADD_FAILURE() << "a token others may read was used: " << narrow(securityOf(file));
  } catch (const std::runtime_error& refusal) {
    const std::string message = refusal.what();
    EXPECT_NE(message.find("other users"), std::string::npos) << message;
    EXPECT_NE(message.find("remove it"), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace windows::service
