#include "service/access_token.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <stdexcept>

namespace service {

namespace {

bool isToken(const std::string& text) {
  return text.size() == 64 && std::ranges::all_of(text, [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

std::string newAccessToken() {
  // std::random_device is the system's random source: getrandom or RDRAND with libstdc++ on
  // Linux, rand_s on Windows.
  std::random_device random;
  std::string token;
  char word[9];
  for (int i = 0; i < 8; ++i) {
    std::snprintf(word, sizeof word, "%08x", static_cast<unsigned>(random()));
    token += word;
  }
  return token;
}

std::string loadOrMakeAccessToken(PrivateFiles& files, const std::filesystem::path& file) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (const auto kept = files.read(file)) {
      const std::string token = trimmed(*kept);
      if (!isToken(token))
        throw std::runtime_error(file.string() + " holds no access token; remove it and a new one is made at the next start");
      return token;
    }
    const std::string token = newAccessToken();
    if (files.create(file, token + "\n")) return token;
    // Another start made it first: read theirs.
  }
  throw std::runtime_error("cannot read or make the access token file " + file.string());
}

}  // namespace service
