#pragma once
// Private files on Windows, as a user's profile keeps them: the file or folder carries a
// protected ACL (nothing inherited) that grants access to the user who runs the program, the
// system and the Administrators only, and the user owns it. The access token is kept in
// %LOCALAPPDATA%\Vantory\access-token.

#include <memory>

#include "service/access_token.h"

namespace windows::service {

std::unique_ptr<::service::PrivateFiles> privateFiles();

}  // namespace windows::service
