#include "res/fw_ObjText.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "diag/fw_Log.h"

namespace fw_objtext {

namespace {
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\0'; }
}  // namespace

bool LineReader::Next(std::vector<std::string_view>& tokens) {
  tokens.clear();
  if (mPos >= mSize) return false;
  size_t end = mPos;
  while (end < mSize && mText[end] != '\n') ++end;
  ++mLine;
  size_t i = mPos;
  while (i < end) {
    while (i < end && IsSpace(mText[i])) ++i;
    size_t start = i;
    while (i < end && !IsSpace(mText[i])) ++i;
    if (i > start) tokens.emplace_back(mText + start, i - start);
  }
  mPos = end < mSize ? end + 1 : end;
  return true;
}

bool ParseFloat(std::string_view token, float& value) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  if (token.empty() || token.front() == '+') return false;
  float parsed = 0.0f;
  auto result = std::from_chars(token.data(), token.data() + token.size(), parsed);
  if (result.ec != std::errc() || result.ptr != token.data() + token.size()) return false;
  if (!std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

bool ParseInteger(std::string_view token, int64_t& value) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  if (token.empty() || token.front() == '+') return false;
  int64_t parsed = 0;
  auto result = std::from_chars(token.data(), token.data() + token.size(), parsed);
  if (result.ec != std::errc() || result.ptr != token.data() + token.size()) return false;
  value = parsed;
  return true;
}

bool ParseLeadingInteger(std::string_view token, int64_t& value) {
  size_t i = 0;
  const bool negative = !token.empty() && token[0] == '-';
  if (!token.empty() && (token[0] == '-' || token[0] == '+')) i = 1;
  if (i >= token.size() || token[i] < '0' || token[i] > '9') return false;
  // Accumulated on the negative side, which holds one more value than the positive side.
  int64_t parsed = 0;
  bool saturated = false;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
    const int digit = token[i] - '0';
    if (parsed < (INT64_MIN + digit) / 10) saturated = true;
    if (!saturated) parsed = parsed * 10 - digit;
  }
  if (saturated) value = negative ? INT64_MIN : INT64_MAX;
  else if (negative) value = parsed;
  else value = parsed == INT64_MIN ? INT64_MAX : -parsed;
  return true;
}

void ProblemReporter::Warn(uint32_t line, const char* format, ...) {
  ++mCount;
  if (mCount > kListedProblems) return;
  char message[512];
  va_list args;
  va_start(args, format);
  vsnprintf(message, sizeof message, format, args);
  va_end(args);
  fw_Log(fw_LogWarning, "Mesh file <%s>, line %u: %s", mFileName.c_str(), line, message);
}

void ProblemReporter::Finish() {
  if (mFinished) return;
  mFinished = true;
  if (mCount > kListedProblems)
    fw_Log(fw_LogWarning, "Mesh file <%s>: %u more problems of the same kinds were not listed.",
           mFileName.c_str(), mCount - kListedProblems);
}

std::string Shorten(std::string_view token) {
  if (token.size() <= 40) return std::string(token);
  return std::string(token.substr(0, 37)) + "...";
}

}  // namespace fw_objtext
