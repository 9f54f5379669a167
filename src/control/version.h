#pragma once
// The control's identity as it shows to users and hosts.

#include <cstdint>
#include <string>

namespace control {

inline constexpr char16_t kApplicationTitle[] = u"Vantory ActiveX";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 3;
inline constexpr int kVersionRevision = 5;
// What GetControlVersion answers; a constant of its own, not derived from the file version.
inline constexpr std::int16_t kControlVersion = 12;

// "Vantory ActiveX v.1.3.5": the settings dialogs' caption and the last diagnostic box.
std::u16string applicationVersionText();

}  // namespace control
