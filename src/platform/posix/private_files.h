#pragma once
// Private files on POSIX systems: files of mode 0600 and folders of mode 0700, owned by the
// user who runs the program.

#include <memory>

#include "service/access_token.h"

namespace posix_platform {

std::unique_ptr<service::PrivateFiles> privateFiles();

}  // namespace posix_platform
