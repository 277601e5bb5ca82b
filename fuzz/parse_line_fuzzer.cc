// ParseLine on arbitrary bytes. The input is cut at LF only, and every piece goes to the
// tokenizer and ParseLine as it stands (CR, Ctrl-Z, NUL and all), into one model, so that
// the state carried from line to line is exercised too. Besides the sanitizers' findings,
// the tokens and the model must keep the invariants that the write-back pass relies on.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "JwwGaibu/model.h"
#include "JwwGaibu/reader.h"
#include "MyFunc/my_func.h"

namespace {

using namespace JwwGaibu;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

/// Walks the bytes by the lead-byte rule: true when no character is cut in half.
bool WholeCharacters(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) i += MyFunc::IsLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
  return i == bytes.size();
}

/// A token holds whole characters, and outside two-byte characters only the bytes that the
/// tokenizer keeps (0x20 to 0xFD).
void CheckToken(std::string_view token) {
  size_t i = 0;
  while (i < token.size()) {
    const auto b = static_cast<unsigned char>(token[i]);
    if (MyFunc::IsLeadByte(b)) {
      if (i + 1 >= token.size()) Fail("a token ends in a lead byte");
      i += 2;
      continue;
    }
    if (b < 0x20 || b > 0xFD) Fail("a token holds a byte that the tokenizer drops");
    ++i;
  }
}

void CheckTokens(std::string_view line, const TJwwTokens& tokens) {
  if (tokens.N < 1 || tokens.N > kMaxTokens) Fail("token count out of range");
  size_t total = 0;
  for (int i = 0; i < tokens.N; ++i) {
    CheckToken(tokens[i]);
    if (i + 1 < tokens.N && tokens[i].empty()) Fail("an empty token before the last slot");
    total += tokens[i].size();
  }
  if (total > line.size()) Fail("the tokens hold more bytes than the line");
  for (int i = tokens.N; i < kMaxTokens; ++i)
    if (!tokens[i].empty()) Fail("a slot behind the count holds bytes");
  for (int i = 0; i < kMaxTokens; ++i) {
    if ((tokens.NumberMask >> i & 1) == 0) continue;
    if (i >= tokens.N) Fail("a slot behind the count holds a number");
    const double field = MyFunc::ParseRealOrZero(tokens[i]);
    if (std::memcmp(&field, &tokens.Number[i], sizeof field) != 0)
      Fail("a number read while tokenizing differs from what its field reads as");
  }
}

template <class T>
void CheckHeads(const TJwwTable<T>& table) {
  for (int32_t i = 0; i < table.Count(); ++i) {
    const TJwwEntHead& h = table[i].Head;
    if (h.Group < 0 || h.Group > 15 || h.Layer < 0 || h.Layer > 15)
      Fail("group or layer out of range");
    if (h.ZFlags < 0 || h.ZFlags > 31) Fail("z flags beyond z1 to z5");
  }
}

void CheckText(const TJwwEntText& t) {
  if (t.TextKind < 0 || t.TextKind > 9) Fail("text keyword out of range");
  if (t.Cc < 0 || t.Cc > 8) Fail("cc out of range");
  if (!WholeCharacters(t.Text)) Fail("a text ends in half a character");
  if (!WholeCharacters(t.FontName)) Fail("a font name ends in half a character");
}

void CheckModel(const TJwwState& s) {
  if (s.CurGroup < 0 || s.CurGroup > 15 || s.CurLayer < 0 || s.CurLayer > 15)
    Fail("current group or layer");
  if (s.CurCc < 0 || s.CurCc > 8) Fail("current cc");
  // Every entry names the next record of its kind, and every record has its entry.
  int32_t next[16] = {};
  for (int32_t i = 0; i < s.EntCount(); ++i) {
    const TJwwEntRef ref = s.EntIndex[i];
    if (ref.Kind < 1 || ref.Kind > 15) Fail("master index entry without a kind");
    if (ref.Index != next[ref.Kind]++) Fail("master index out of reading order");
  }
  const int32_t counts[16] = {0,
                              s.LineTable.Count(),
                              s.CircleTable.Count(),
                              s.ArcTable.Count(),
                              s.TextTable.Count(),
                              s.PointTable.Count(),
                              s.PointExTable.Count(),
                              s.DimTable.Count(),
                              s.BlockTable.Count(),
                              s.Sl2Table.Count(),
                              s.Sl3Table.Count(),
                              s.Sl4Table.Count(),
                              s.ScTable.Count(),
                              s.SeTable.Count(),
                              s.SoTable.Count(),
                              s.SgTable.Count()};
  for (int k = 1; k < 16; ++k)
    if (counts[k] != next[k]) Fail("a table and the master index disagree");
  CheckHeads(s.LineTable);
  CheckHeads(s.CircleTable);
  CheckHeads(s.ArcTable);
  CheckHeads(s.TextTable);
  CheckHeads(s.PointTable);
  CheckHeads(s.PointExTable);
  CheckHeads(s.DimTable);
  CheckHeads(s.Sl2Table);
  CheckHeads(s.Sl4Table);
  CheckHeads(s.ScTable);
  CheckHeads(s.SoTable);
  for (int32_t i = 0; i < s.TextTable.Count(); ++i) CheckText(s.TextTable[i]);
  for (int32_t i = 0; i < s.DimTable.Count(); ++i) {
    CheckText(s.DimTable[i].Text);
    if (s.DimTable[i].Text.TextKind != 2) Fail("a dimension text that is not \"cs\"");
    if (s.DimTable[i].Line.PolylineNo != 0) Fail("a dimension line in a polyline");
  }
  for (int32_t i = 0; i < s.LineTable.Count(); ++i)
    if (s.LineTable[i].PolylineNo < 0 || s.LineTable[i].PolylineNo > s.PolylineCount)
      Fail("a polyline number that was never started");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  TJwwState s;
  ResetModel(s);
  TJwwTokens tokens;
  size_t begin = 0;
  while (begin <= input.size()) {
    size_t end = input.find('\n', begin);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view line = input.substr(begin, end - begin);
    if (!line.empty()) {
      TokenizeLine(line, tokens);
      CheckTokens(line, tokens);
    }
    // A number too large for a double fails the line; the reader would stop, but going on
    // here also tries the lines after it against the state that such a line leaves.
    ParseLine(s, line, tokens);
    begin = end + 1;
  }
  CheckModel(s);
  ReleaseModel(s);
  return 0;
}
