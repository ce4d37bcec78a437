#include "res/fw_WriteFolders.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {
fw_EnvLookup Env(std::map<std::string, std::string> values) {
  auto table = std::make_shared<std::map<std::string, std::string>>(std::move(values));
  return [table](const char* name) -> const char* {
    auto it = table->find(name);
    return it == table->end() ? nullptr : it->second.c_str();
  };
}
}  // namespace

TEST(WriteFolders, WritableProjectKeepsEverythingInItsDataFolderWhateverTheEnvironment) {
  fw_WriteFolders f = fw_ChooseWriteFolders("/w/repo/projects/dusk", true, "dusk",
                                            Env({{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/x/data"}}));
  EXPECT_FALSE(f.userFolders);
  EXPECT_EQ(f.temp, "/w/repo/projects/dusk/data/temp");
  EXPECT_EQ(f.screenshots, "/w/repo/projects/dusk/data/screenshots");
  EXPECT_EQ(fw_LogFileLocation("run.log", true, "dusk", Env({{"HOME", "/home/u"}})), "run.log");
}

TEST(WriteFolders, ReadOnlyProjectWritesToXdgFoldersOrTheirHomeDefaults) {
  fw_WriteFolders xdg = fw_ChooseWriteFolders(
      "/usr/share/dusk", false, "dusk",
      Env({{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/x/data"}, {"XDG_CACHE_HOME", "/x/cache"}}));
  EXPECT_TRUE(xdg.userFolders);
  EXPECT_EQ(xdg.temp, "/x/cache/dusk/temp");
  EXPECT_EQ(xdg.screenshots, "/x/data/dusk/screenshots");

  // Relative XDG values are not base folders: HOME's defaults stand in for them.
  fw_WriteFolders home = fw_ChooseWriteFolders("/usr/share/dusk", false, "dusk",
                                               Env({{"HOME", "/home/u"}, {"XDG_DATA_HOME", "rel/data"}}));
  EXPECT_EQ(home.temp, "/home/u/.cache/dusk/temp");
  EXPECT_EQ(home.screenshots, "/home/u/.local/share/dusk/screenshots");

  // Nowhere to go: nothing is written, rather than into the working directory.
  fw_WriteFolders none = fw_ChooseWriteFolders("/usr/share/dusk", false, "dusk", Env({}));
  EXPECT_TRUE(none.userFolders);
  EXPECT_EQ(none.temp, "");
  EXPECT_EQ(none.screenshots, "");
}

TEST(WriteFolders, RelativeLogInReadOnlyFolderGoesToStateFolderAndAbsoluteStays) {
  EXPECT_EQ(fw_LogFileLocation("logs/run.log", false, "dusk", Env({{"XDG_STATE_HOME", "/x/state"}})),
            "/x/state/dusk/logs/run.log");
  EXPECT_EQ(fw_LogFileLocation("run.log", false, "dusk", Env({{"HOME", "/home/u"}})),
            "/home/u/.local/state/dusk/run.log");
  EXPECT_EQ(fw_LogFileLocation("/tmp/run.log", false, "dusk", Env({{"HOME", "/home/u"}})), "/tmp/run.log");
  EXPECT_EQ(fw_LogFileLocation("run.log", false, "dusk", Env({})), "");
}
