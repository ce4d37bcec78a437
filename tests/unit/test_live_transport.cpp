// Live mode's section map and transport: a damaged map line is named and skipped, and the keys
// never take the row below 0 or past the last section's start.
#include "live/fw_LiveTransport.h"
#include "log_capture.h"

#include <platform/win32.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fstream>

TEST(LiveTransport, SectionMapSkipsBadLinesByNameAndLine) {
  const auto path = boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("sections-%%%%%%");
  std::ofstream(path.string()) << "# name first last\nintro 0 255\nbuild 256\ndrop 768 1279 # comment\n"
                                  "back 700 800\nend 1280 1300\n";
  LogCapture log;
  const std::vector<fw_LiveSection> sections = fw_ReadSectionMap(path.string());
  boost::filesystem::remove(path);
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[1].name, "drop");
  EXPECT_TRUE(log.contains(path.string() + ":3:"));  // a row missing
  EXPECT_TRUE(log.contains(path.string() + ":5:"));  // overlaps the section before
  EXPECT_EQ(fw_SectionAt(sections, 767.5f), nullptr);  // between sections
  EXPECT_EQ(fw_SectionAt(sections, 1279.9f)->name, "drop");
  EXPECT_TRUE(fw_ReadSectionMap(path.string()).empty());  // gone: no sections
}

TEST(LiveTransport, KeysStayInsideTheShow) {
  const std::vector<fw_LiveSection> sections{{"intro", 0, 255}, {"build", 256, 767}};
  EXPECT_EQ(fw_LiveSeekTarget(VK_LEFT, true, 20.0f, sections), 0.0f);
  EXPECT_EQ(fw_LiveSeekTarget(VK_RIGHT, false, 99.6f, sections), 108.0f);  // from the nearest row
  EXPECT_EQ(fw_LiveSeekTarget(VK_PRIOR, false, 300.0f, sections), 256.0f);
  EXPECT_EQ(fw_LiveSeekTarget(VK_PRIOR, false, 260.0f, sections), 0.0f);  // just in: the one before
  EXPECT_EQ(fw_LiveSeekTarget(VK_NEXT, false, 400.0f, sections), 400.0f);  // past the last start
  EXPECT_EQ(fw_LiveSeekTarget('Q', false, 400.0f, sections), -1.0f);
  EXPECT_EQ(fw_LiveStatusLine("show", 1412.7f, {{"breakdown", 1280, 1791}}, 12.4f, true),
            "show \xc2\xb7 row 1412 \xc2\xb7 bar 45.1 \xc2\xb7 breakdown \xc2\xb7 12 fps \xc2\xb7 paused");
}
