// The log: line format and timestamp, prefixes, truncation, counts, outputs and the log file.
#include "diag/fw_Alert.h"
#include "diag/fw_Log.h"
#include "log_capture.h"

#include <platform/diagnostics.h>
#include <platform/win32_testing.h>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace {

const char* kStampPattern = R"(\d{4}-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-\d{2} \d{2}:\d{2}:\d{2}\.\d{3})";

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string tempPath(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / ("dusk_test_log_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

// Every test starts with no outputs and console alerts, and leaves it that way.
class Log : public ::testing::Test {
 protected:
  void SetUp() override {
    fw_SetLogFile("");
    fw_SetLogEcho(false);
    fw_SetLogListener(nullptr);
    fw_SetAlertMode(0);
    fw_SetAlertCaption("Alert");
  }
  void TearDown() override { SetUp(); }
};

std::string echoed(int level, const char* format, const char* argument) {
  fw_SetLogEcho(true);
  testing::internal::CaptureStdout();
  fw_Log(level, format, argument);
  std::string out = testing::internal::GetCapturedStdout();
  fw_SetLogEcho(false);
  return out;
}

}  // namespace

TEST_F(Log, TimestampHasMillisecondsCutFromMicroseconds) {
  using namespace boost::posix_time;
  using boost::gregorian::date;
  ptime t(date(2015, boost::gregorian::Mar, 19), hours(14) + minutes(3) + seconds(27) + microseconds(123987));
  EXPECT_EQ(fw_LogTimestamp(t), "2015-Mar-19 14:03:27.123");
  // A whole second keeps the same shape instead of losing its seconds.
  EXPECT_EQ(fw_LogTimestamp(ptime(date(2015, boost::gregorian::Jan, 2), hours(1))), "2015-Jan-02 01:00:00.000");
}

TEST_F(Log, LineIsTimestampTwoSpacesPrefixAndMessage) {
  std::regex plain(std::string("^") + kStampPattern + ":  hello world\n$");
  std::regex warning(std::string("^") + kStampPattern + ":  WARNING: hello world\n$");
  std::regex error(std::string("^") + kStampPattern + ":  ERROR: hello world\n$");
  EXPECT_TRUE(std::regex_match(echoed(0, "hello %s", "world"), plain));
  EXPECT_TRUE(std::regex_match(echoed(1, "hello %s", "world"), warning));
  EXPECT_TRUE(std::regex_match(echoed(2, "hello %s", "world"), error));
}

TEST_F(Log, LongMessageIsCutToTheLineBuffer) {
  std::string longText(20000, 'x');
  std::string out = echoed(0, "%s", longText.c_str());
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.size(), 15999u + 1u);  // 16000 bytes with the terminator, then the echo's newline
  EXPECT_EQ(out.back(), '\n');
}

TEST_F(Log, CountsWarningsAndErrorsByLevel) {
  LogCapture capture;  // a listener, so no alerts
  uint32_t warnings = fw_GetWarningCount(), errors = fw_GetErrorCount();
  fw_Log(0, "plain");
  EXPECT_EQ(fw_GetWarningCount(), warnings);
  fw_Log(1, "one");
  fw_Log(1, "two");
  EXPECT_EQ(fw_GetWarningCount(), warnings + 2);
  EXPECT_EQ(fw_GetErrorCount(), errors);
  fw_Log(2, "bad");
  EXPECT_EQ(fw_GetErrorCount(), errors + 1);
  EXPECT_EQ(fw_GetWarningCount(), warnings + 2);
}

TEST_F(Log, ListenerGetsTheMessageWithoutTimestampOrPrefix) {
  LogCapture capture;
  fw_Log(1, "texture %s missing", "a.png");
  auto lines = capture.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].first, 1);
  EXPECT_EQ(lines[0].second, "texture a.png missing");
}

TEST_F(Log, WithoutOutputsWarningsBecomeAlertsAndPlainLinesVanish) {
  testing::internal::CaptureStdout();
  fw_Log(0, "nobody sees this");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

  testing::internal::CaptureStdout();
  fw_Log(1, "%s", "100% broken %d");
  std::string out = testing::internal::GetCapturedStdout();
  std::regex alert(std::string("^Alert: ") + kStampPattern + ":  WARNING: 100% broken %d\n$");
  EXPECT_TRUE(std::regex_match(out, alert)) << out;
}

TEST_F(Log, FileGetsCrLfLinesAndAnEmptyLineWhenReopened) {
  std::string path = tempPath("run.log");
  std::filesystem::remove(path);
  fw_SetLogFile(path);
  EXPECT_EQ(fw_GetLogPath(), std::filesystem::absolute(path).string());
  fw_Log(0, "first run");
  fw_SetLogFile("");
  EXPECT_EQ(fw_GetLogPath(), "");
  std::string once = readFile(path);
  std::regex firstRun(std::string("^") + kStampPattern + ":  first run\r\n$");
  EXPECT_TRUE(std::regex_match(once, firstRun)) << once;

  fw_SetLogFile(path);
  fw_Log(2, "second run");
  fw_SetLogFile("");
  std::string twice = readFile(path);
  ASSERT_GT(twice.size(), once.size());
  std::string added = twice.substr(once.size());
  std::regex secondRun(std::string("^\r\n") + kStampPattern + ":  ERROR: second run\r\n$");
  EXPECT_TRUE(std::regex_match(added, secondRun)) << added;
}

TEST_F(Log, RelativePathIsMadeAbsoluteAndASecondFileReplacesTheFirst) {
  std::string dir = std::filesystem::path(tempPath("x")).parent_path().string();
  auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  fw_SetLogFile("a.log");
  EXPECT_EQ(fw_GetLogPath(), dir + "/a.log");
  fw_SetLogFile("b.log");
  fw_Log(0, "into b");
  fw_SetLogFile("");
  std::filesystem::current_path(cwd);
  EXPECT_EQ(readFile(dir + "/a.log"), "");
  EXPECT_NE(readFile(dir + "/b.log").find("into b"), std::string::npos);
}

TEST_F(Log, UnwritableFileIsReportedAndLoggingGoesOn) {
  testing::internal::CaptureStdout();
  fw_SetLogFile("/nonexistent-dir/dusk.log");
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Alert: Could not open log file \"/nonexistent-dir/dusk.log\" for writing.\n");
  EXPECT_EQ(fw_GetLogPath(), "");
  std::regex line(std::string("^") + kStampPattern + ":  still logging\n$");
  EXPECT_TRUE(std::regex_match(echoed(0, "still %s", "logging"), line));
}

TEST_F(Log, LinesFromManyThreadsNeverInterleave) {
  std::string path = tempPath("threads.log");
  std::filesystem::remove(path);
  fw_SetLogFile(path);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) fw_Log(0, "thread %d line %d %s", t, i, std::string(100, 'a' + t).c_str());
    });
  for (auto& t : threads) t.join();
  fw_SetLogFile("");
  std::istringstream in(readFile(path));
  std::regex line(std::string("^") + kStampPattern + ":  thread (\\d) line \\d+ ([a-d])\\3{99}\r$");
  std::string text;
  int count = 0;
  while (std::getline(in, text)) {
    ++count;
    ASSERT_TRUE(std::regex_match(text, line)) << text;
  }
  EXPECT_EQ(count, 800);
}

TEST_F(Log, PlatformReportsArriveAtTheirLevel) {
  LogCapture capture;
  fw_ForwardPlatformReports();
  uint32_t warnings = fw_GetWarningCount();
  platform::Report(platform::kReportWarning, "shader %s did not compile", "x.fx");
  platform::SetReportSink(nullptr);
  EXPECT_TRUE(capture.contains("shader x.fx did not compile", 1));
  EXPECT_EQ(fw_GetWarningCount(), warnings + 1);
}
