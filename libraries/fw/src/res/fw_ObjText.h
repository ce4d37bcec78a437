// Line and token reading shared by the OBJ and MTL readers: whitespace-separated tokens,
// strict number parsing (whole token, finite values) and a per-file problem reporter that
// names the file and line and keeps a broken file from flooding the log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fw_objtext {

// Splits text into lines ('\n', with a trailing '\r' dropped) and each line into tokens.
class LineReader {
 public:
  LineReader(const char* text, size_t size) : mText(text), mSize(size) {}
  // Fills `tokens` with the next line's tokens; false at the end of the text. Lines without
  // tokens are returned too (as empty) so that line numbers stay right.
  bool Next(std::vector<std::string_view>& tokens);
  uint32_t LineNumber() const { return mLine; }

 private:
  const char* mText;
  size_t mSize;
  size_t mPos = 0;
  uint32_t mLine = 0;
};

// Calls handle(tokens) for each line that has tokens, with `line` set to that line's number
// first, so that the handler's messages can name it.
template <class Handle>
void ForEachTokenLine(const char* text, size_t size, uint32_t& line, Handle&& handle) {
  LineReader lines(text, size);
  std::vector<std::string_view> tokens;
  while (lines.Next(tokens)) {
    if (tokens.empty()) continue;
    line = lines.LineNumber();
    handle(tokens);
  }
}

// The whole token must be a finite decimal number ("1", "-2.5", "+3e-2").
bool ParseFloat(std::string_view token, float& value);
// The whole token must be a signed integer that fits in 64 bits.
bool ParseInteger(std::string_view token, int64_t& value);
// The whole number the token starts with, as a stream read of an integer takes it: an optional
// sign, then digits; whatever follows is left alone ("2.0" reads 2, "1e3" reads 1). Values past
// 64 bits saturate. False when the token does not start with a number.
bool ParseLeadingInteger(std::string_view token, int64_t& value);

class ProblemReporter {
 public:
  static constexpr uint32_t kListedProblems = 8;

  explicit ProblemReporter(const std::string& fileName) : mFileName(fileName) {}
  ~ProblemReporter() { Finish(); }
  // Logs a warning "<file>, line N: message" for the first few problems, counts the rest.
  void Warn(uint32_t line, const char* format, ...) __attribute__((format(printf, 3, 4)));
  // Logs the number of problems that were counted but not listed (once).
  void Finish();
  uint32_t Count() const { return mCount; }

 private:
  std::string mFileName;
  uint32_t mCount = 0;
  bool mFinished = false;
};

// Token text for messages: at most 40 characters, with "..." when cut.
std::string Shorten(std::string_view token);

}  // namespace fw_objtext
