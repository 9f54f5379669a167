#pragma once
// The bar code symbologies of BCType and what data each can carry. The check is portable
// so a Windows engine refuses the same data the Linux renderer could not draw.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

enum class Symbology {
  Code39,        // BCType 0
  Code39Mod43,   // 1: with the modulo 43 check character
  Code128,       // 2: code sets chosen by the encoder
  Code128A,      // 3: data limited to code set A (ASCII 0 to 95)
  Code128B,      // 4: code set B only (ASCII 32 to 127)
  Code128C,      // 5: digit pairs
  UpcA,          // 7
  UpcE,          // 8
  Ean8,          // 9
  Ean13,         // 10
  Codabar,       // 11
};

std::optional<Symbology> symbologyOf(std::int64_t bcType);
std::string_view symbologyName(Symbology symbology);

// Why the symbology cannot carry this data (naming the data), or nothing when it can.
// Empty data is accepted: such a bar code prints nothing.
std::optional<std::string> barcodeProblem(Symbology symbology, std::string_view utf8Data);

// The data as the encoder takes it: check digits the host gave are dropped (they were
// verified and the encoder adds its own), and Codabar gets the start/stop pair "A...A"
// when the host gave none. Only for data barcodeProblem accepts.
std::string encoderData(Symbology symbology, std::string_view utf8Data);

// An upper bound of the data symbol characters (start, check and stop excluded) Code 128
// needs for this data. Generous on purpose: encoders choose code sets by heuristics that
// are not always optimal, and data accepted here must never be refused when drawn.
// Counts: ASCII 32 to 95 one each, control characters and lower case two; a run of four or
// more digits half its length plus three; with any character above 127, every character
// one more and every digit run two more.
int code128SymbolBound(std::u16string_view text);

inline constexpr int kCode128MaxSymbols = 60;
inline constexpr std::size_t kCode39MaxLength = 85;
inline constexpr std::size_t kCodabarMaxLength = 60;  // start and stop included

}  // namespace engine
