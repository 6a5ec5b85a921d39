#include "app/textcodec.h"

#include <cstdint>
#include <cstring>

namespace varnel {
namespace {

// Code points of bytes 0x80..0x9F in Windows-1252. The five bytes it leaves
// undefined map to the C1 controls of the same value so that they survive a
// round trip.
constexpr char16_t High1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The Windows-1252 byte of a code point, or -1.
int To1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int k = 0; k < 32; ++k)
    if (High1252[k] == cp) return 0x80 + k;
  return -1;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    // Runs of ASCII eight bytes at a time.
    while (end - p >= 8) {
      std::uint64_t chunk;
      std::memcpy(&chunk, p, 8);
      if (chunk & 0x8080808080808080ULL) break;
      p += 8;
    }
    if (p >= end) break;
    const unsigned c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int extra;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (end - p <= extra) return false;
    for (int k = 1; k <= extra; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[k] & 0x3F);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    p += extra + 1;
  }
  return true;
}

DecodedText DecodeText(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  DecodedText out;
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF &&
      IsValidUtf8(bytes.substr(3))) {
    out.utf8.assign(bytes.substr(3));
    out.encoding = TextEncoding::Utf8Bom;
    return out;
  }
  if (IsValidUtf8(bytes)) {
    out.utf8.assign(bytes);
    out.encoding = TextEncoding::Utf8;
    return out;
  }
  out.encoding = TextEncoding::Windows1252;
  out.utf8 = Windows1252ToUtf8(bytes);
  return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80)
      out.push_back(ch);
    else if (c < 0xA0)
      AppendUtf8(out, High1252[c - 0x80]);
    else
      AppendUtf8(out, c);
  }
  return out;
}

DecodedText DecodeTextInPlace(std::string&& bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  const std::string_view view(bytes);
  const bool bom = view.size() >= 3 && static_cast<unsigned char>(view[0]) == 0xEF &&
                   static_cast<unsigned char>(view[1]) == 0xBB && static_cast<unsigned char>(view[2]) == 0xBF;
  if (!IsValidUtf8(bom ? view.substr(3) : view)) return DecodeText(view);
  DecodedText out;
  out.encoding = bom ? TextEncoding::Utf8Bom : TextEncoding::Utf8;
  if (bom) bytes.erase(0, 3);
  out.utf8 = std::move(bytes);
  return out;
}

std::optional<std::size_t> NulLine(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul == std::string_view::npos) return std::nullopt;
  std::size_t line = 1;
  for (std::size_t k = 0; k < nul; ++k) {
    if (bytes[k] == '\n' || (bytes[k] == '\r' && (k + 1 >= bytes.size() || bytes[k + 1] != '\n'))) ++line;
  }
  return line;
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding, TextEncoding* usedEncoding) {
  if (encoding != TextEncoding::Windows1252) {
    if (usedEncoding) *usedEncoding = encoding;
    std::string out;
    if (encoding == TextEncoding::Utf8Bom) out = "\xEF\xBB\xBF";
    out.append(utf8);
    return out;
  }
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* end = p + utf8.size();
  while (p < end) {
    const unsigned c = *p;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++p;
      continue;
    }
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
    char32_t cp = c & (extra == 1 ? 0x1F : extra == 2 ? 0x0F : 0x07);
    for (int k = 1; k <= extra && p + k < end; ++k) cp = (cp << 6) | (p[k] & 0x3F);
    const int b = To1252(cp);
    if (b < 0) {
      if (usedEncoding) *usedEncoding = TextEncoding::Utf8;
      return std::string(utf8);
    }
    out.push_back(static_cast<char>(b));
    p += extra + 1;
  }
  if (usedEncoding) *usedEncoding = TextEncoding::Windows1252;
  return out;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  const char* p = text.data();
  const char* const end = p + text.size();
  const char* start = p;
  while (p < end) {
    const char c = *p;
    if (c != '\n' && c != '\r') {
      ++p;
      continue;
    }
    lines.emplace_back(start, static_cast<size_t>(p - start));
    ++p;
    if (c == '\r' && p < end && *p == '\n') ++p;
    start = p;
  }
  if (start < end) lines.emplace_back(start, static_cast<size_t>(end - start));
  return lines;
}

}  // namespace varnel
