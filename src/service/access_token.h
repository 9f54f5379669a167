#pragma once
// The per-user access token: local programs present it as "Authorization: Bearer <token>" to
// print and to read labels (pages are judged by their origin). It is made at the service's
// first start and kept in a file only the user who runs the service may read, so another user
// of a shared lab PC cannot use the service as them.
//
// The file handling is the platform's (PrivateFiles): POSIX modes in platform/posix; on
// Windows the file must carry a protected ACL that grants only the user (and the system) access.

#include <filesystem>
#include <optional>
#include <string>

namespace service {

// Files and folders only the user who runs the service may read.
class PrivateFiles {
 public:
  virtual ~PrivateFiles() = default;
  // The file's content, or nothing when there is no such file. Throws std::runtime_error when
  // it cannot be read, is not this user's, or others may read or change it (the message says
  // what to do).
  virtual std::optional<std::string> read(const std::filesystem::path& file) = 0;
  // Creates the file with `content`, readable and writable by this user only, and the folders
  // it lies in where they are missing (for this user only). False when the file exists already
  // (another start made it first); throws std::runtime_error when it cannot.
  virtual bool create(const std::filesystem::path& file, const std::string& content) = 0;
  // Creates the folder and its missing parents for this user only; leaves an existing one as it is.
  virtual void makeFolder(const std::filesystem::path& folder) = 0;
  // Where the token is kept unless the user says otherwise.
  virtual std::filesystem::path defaultTokenFile() const = 0;
};

// 256 bits from the system's random source, as 64 hexadecimal digits.
std::string newAccessToken();

// The token in `file`, made there at the first start. Throws std::runtime_error, saying what to
// do, when the file cannot be read or made, is not private, or holds no token.
std::string loadOrMakeAccessToken(PrivateFiles& files, const std::filesystem::path& file);

}  // namespace service
