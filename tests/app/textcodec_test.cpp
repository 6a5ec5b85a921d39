#include "app/textcodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnel {
namespace {

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> out;
  for (std::string_view l : SplitLines(text)) out.emplace_back(l);
  return out;
}

using V = std::vector<std::string>;

TEST(SplitLines, BreaksAtCrLfLoneCrAndLoneLf) {
  EXPECT_EQ(Lines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(Lines("a\n\rb"), (V{"a", "", "b"})) << "LF then CR is two breaks";
  EXPECT_EQ(Lines("a\r\n"), (V{"a"})) << "a final break adds no line";
  EXPECT_EQ(Lines("a\r\n\r\n"), (V{"a", ""}));
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("\n"), (V{""}));
  EXPECT_EQ(Lines("x\ty\r\r\n"), (V{"x\ty", ""}));
}

TEST(SplitLines, ManyLoneCarriageReturnsStayLinear) {
  std::string text;
  for (int k = 0; k < 200000; ++k) text += "1\r";
  EXPECT_EQ(SplitLines(text).size(), 200000u);
}

TEST(DecodeText, Utf8IsKeptAndItsMarkSkipped) {
  const DecodedText plain = DecodeText("Fo\xC2\xB2\x43");
  EXPECT_EQ(plain.encoding, TextEncoding::Utf8);
  EXPECT_EQ(plain.utf8, "Fo\xC2\xB2\x43");
  const DecodedText bom = DecodeText("\xEF\xBB\xBFSiO2");
  EXPECT_EQ(bom.encoding, TextEncoding::Utf8Bom);
  EXPECT_EQ(bom.utf8, "SiO2");
}

TEST(DecodeText, AnythingElseIsWindows1252) {
  // 0xE9 e-acute, 0x80 euro sign, 0xB0 degree sign, 0x81 undefined.
  const DecodedText t = DecodeText("caf\xE9 \x80 25\xB0 \x81");
  EXPECT_EQ(t.encoding, TextEncoding::Windows1252);
  EXPECT_EQ(t.utf8, "caf\xC3\xA9 \xE2\x82\xAC 25\xC2\xB0 \xC2\x81");
  // Round trip to the same bytes.
  TextEncoding used;
  EXPECT_EQ(EncodeText(t.utf8, TextEncoding::Windows1252, &used), "caf\xE9 \x80 25\xB0 \x81");
  EXPECT_EQ(used, TextEncoding::Windows1252);
}

TEST(DecodeText, NulEndsTheText) {
  const std::string bytes("ab\ncd\0ef\ngh", 11);
  EXPECT_EQ(DecodeText(bytes).utf8, "ab\ncd");
}

TEST(NulLine, CountsLinesAsTheSplitterDoes) {
  EXPECT_FALSE(NulLine("no nul\r\nhere\n").has_value());
  EXPECT_EQ(NulLine(std::string_view("\0", 1)), 1u);
  EXPECT_EQ(NulLine(std::string_view("a\r\nb\rc\n\nd\0e", 12)), 5u) << "CR LF, lone CR, LF, empty line";
  EXPECT_EQ(NulLine(std::string_view("a\r\0", 3)), 2u) << "a CR just before it ends its line";
}

TEST(DecodeTextInPlace, GivesWhatDecodeTextGives) {
  for (const std::string& bytes : {std::string("plain"), std::string("\xEF\xBB\xBFmarked \xC3\xA9"),
                                   std::string("caf\xE9"), std::string("\xEF\xBB\xBF\xE9"), std::string()}) {
    const DecodedText copy = DecodeText(bytes);
    const DecodedText moved = DecodeTextInPlace(std::string(bytes));
    EXPECT_EQ(moved.utf8, copy.utf8) << bytes;
    EXPECT_EQ(moved.encoding, copy.encoding) << bytes;
  }
}

TEST(DecodeText, InvalidUtf8SequencesAreNotUtf8) {
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(IsValidUtf8("abc\xE2\x82"));       // cut short
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80 \xE2\x82\xAC"));
  EXPECT_EQ(DecodeText("\xC0\xAF").encoding, TextEncoding::Windows1252);
}

TEST(EncodeText, FallsBackToUtf8RatherThanLoseACharacter) {
  TextEncoding used;
  const std::string greek = "\xCE\xB1-quartz";  // alpha cannot be held by Windows-1252
  EXPECT_EQ(EncodeText(greek, TextEncoding::Windows1252, &used), greek);
  EXPECT_EQ(used, TextEncoding::Utf8);
  EXPECT_EQ(EncodeText("SiO2", TextEncoding::Utf8Bom, &used), "\xEF\xBB\xBFSiO2");
  EXPECT_EQ(used, TextEncoding::Utf8Bom);
}

}  // namespace
}  // namespace varnel
