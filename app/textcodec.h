// Text files as bytes: line splitting and the two encodings the program
// reads and writes (UTF-8, and Windows-1252 for older 8-bit files).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

enum class TextEncoding { Utf8, Utf8Bom, Windows1252 };

struct DecodedText {
  std::string utf8;  // the text up to the first NUL, as UTF-8
  TextEncoding encoding = TextEncoding::Utf8;
};

// Text that is valid UTF-8 is taken as UTF-8 (a byte-order mark is skipped);
// anything else as Windows-1252. A NUL byte ends the text: readers of files
// refuse such files first (NulLine).
DecodedText DecodeText(std::string_view bytes);
// The same, reusing the bytes' storage when they are UTF-8 already.
DecodedText DecodeTextInPlace(std::string&& bytes);

// The 1-based line (counted as SplitLines counts them) of the first NUL
// byte, if there is one. No text file holds one.
std::optional<std::size_t> NulLine(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// Windows-1252 bytes as UTF-8, whatever they look like.
std::string Windows1252ToUtf8(std::string_view bytes);

// The text in the given encoding. Windows-1252 that cannot hold every
// character falls back to UTF-8, so that nothing is lost; usedEncoding
// tells which one was written.
std::string EncodeText(std::string_view utf8, TextEncoding encoding, TextEncoding* usedEncoding = nullptr);

// Splits at CR LF, a lone CR and a lone LF; a break at the very end makes no
// extra empty line. The views point into text.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace varnel
