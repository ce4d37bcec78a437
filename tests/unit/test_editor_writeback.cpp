// The timeline editor's write-back: an edit changes only the lines of the keys it touches (a
// changed key keeps its columns and comment, a moved one goes to its new row's place), every
// other byte stays, a bad edit or a source with an error changes nothing, and the result always
// reads back as the edit.
#include "editor/fw_TrackWriteBack.h"

#include <gtest/gtest.h>

namespace {

using Op = fw_TrackEditOp;

const std::string kCamera =
    "# the orbit\n"
    "track cam_Yaw\n"
    "1280    -70     catmull   # a long orbit\n"
    "1344    -35     catmull\n"
    "\n"
    "1535    80      step      # cut\n"
    "track cam_Pitch   # tilt\n"
    "0       10\n";

Op Set(const std::string& track, uint32_t row, uint32_t newRow, float value, int32_t kind) {
  return Op{Op::Kind::Set, track, row, {newRow, value, kind}};
}
Op Add(const std::string& track, uint32_t row, float value, int32_t kind) {
  return Op{Op::Kind::Add, track, 0, {row, value, kind}};
}
Op Delete(const std::string& track, uint32_t row) { return Op{Op::Kind::Delete, track, row, {}}; }
Op AddTrack(const std::string& track) { return Op{Op::Kind::AddTrack, track, 0, {}}; }

std::string Apply(const std::string& text, const std::vector<Op>& ops) {
  const fw_WriteBackResult result = fw_ApplyTrackEdits(text, "camera.txt", ops);
  EXPECT_EQ(result.status, fw_WriteBackResult::Status::Ok) << result.error;
  return result.text;
}

}  // namespace

TEST(EditorWriteBack, AChangedKeyKeepsItsColumnsAndCommentAndNothingElseMoves) {
  EXPECT_EQ(Apply(kCamera, {Set("cam_Yaw", 1280, 1280, 2.5f, 1)}),
            "# the orbit\n"
            "track cam_Yaw\n"
            "1280    2.5     linear    # a long orbit\n"
            "1344    -35     catmull\n"
            "\n"
            "1535    80      step      # cut\n"
            "track cam_Pitch   # tilt\n"
            "0       10\n");
  // A key with no kind written is a step and stays so; a new kind is written in the next column.
  EXPECT_EQ(Apply(kCamera, {Set("cam_Pitch", 0, 0, 0.1f, 0)}), kCamera.substr(0, kCamera.size() - 11) + "0       0.1\n");
  EXPECT_EQ(Apply(kCamera, {Set("cam_Pitch", 0, 0, 10, 2)}), kCamera.substr(0, kCamera.size() - 11) + "0       10      smooth\n");
  // An edit that changes nothing leaves the bytes alone.
  EXPECT_EQ(Apply(kCamera, {Set("cam_Yaw", 1344, 1344, -35, 4)}), kCamera);
}

TEST(EditorWriteBack, SeveralEditsApplyInOrderAndAMovedKeyGoesToItsRowsPlace) {
  // Moved past both neighbours: its line, comment and all, goes below the last key.
  EXPECT_EQ(Apply(kCamera, {Set("cam_Yaw", 1280, 1600, -70, 4), Add("cam_Pitch", 64, 20, 1),
                            Delete("cam_Yaw", 1344), Add("cam_Yaw", 1300, 1, 3)}),
            "# the orbit\n"
            "track cam_Yaw\n"
            "\n"
            "1300    1       ramp\n"
            "1535    80      step      # cut\n"
            "1600    -70     catmull   # a long orbit\n"
            "track cam_Pitch   # tilt\n"
            "0       10\n"
            "64      20      linear\n");
  // Moved onto a row that holds a key: that key is replaced, its line goes.
  EXPECT_EQ(Apply(kCamera, {Set("cam_Yaw", 1280, 1344, 7, 4)}),
            "# the orbit\n"
            "track cam_Yaw\n"
            "\n"
            "1344    7       catmull   # a long orbit\n"
            "1535    80      step      # cut\n"
            "track cam_Pitch   # tilt\n"
            "0       10\n");
  // Added at a row that has a key: that key's line changes in place.
  EXPECT_EQ(Apply(kCamera, {Add("cam_Yaw", 1535, 90, 0)}),
            "# the orbit\ntrack cam_Yaw\n1280    -70     catmull   # a long orbit\n1344    -35     catmull\n\n"
            "1535    90      step      # cut\ntrack cam_Pitch   # tilt\n0       10\n");
}

TEST(EditorWriteBack, ANewTrackIsAppendedAfterABlankLineAndKeepsTheFilesLineEndings) {
  // The file ended without a line ending, and still does.
  EXPECT_EQ(Apply("track a\r\n0 1 step\r\n# end", {AddTrack("b"), Add("b", 8, 2, 1), Add("b", 0, -1, 0)}),
            "track a\r\n0 1 step\r\n# end\r\n\r\ntrack b\r\n0 -1 step\r\n8 2 linear");
  // Into an empty file: no blank line first, and the track printer's columns.
  EXPECT_EQ(Apply("", {AddTrack("new_Track"), Add("new_Track", 16, 0.5f, 2)}),
            "track new_Track\n16         0.5              smooth\n");
}

TEST(EditorWriteBack, ABadEditOrASourceWithAnErrorChangesNothing) {
  using Status = fw_WriteBackResult::Status;
  const struct {
    std::vector<Op> ops;
    const char* error;
  } bad[] = {
      {{Set("cam_Roll", 0, 0, 1, 0)}, "no track \"cam_Roll\""},
      {{Set("cam_Yaw", 1281, 1281, 1, 0)}, "no key at row 1281"},
      {{Delete("cam_Yaw", 1280), Delete("cam_Yaw", 1280)}, "no key at row 1280"},  // all or none
      {{AddTrack("cam_Yaw")}, "already has a track cam_Yaw"},
      {{AddTrack("../x")}, "is no track name"},
  };
  for (const auto& edit : bad) {
    const fw_WriteBackResult result = fw_ApplyTrackEdits(kCamera, "camera.txt", edit.ops);
    EXPECT_EQ(result.status, Status::BadEdit);
    EXPECT_NE(result.error.find(edit.error), std::string::npos) << result.error;
    EXPECT_TRUE(result.text.empty());
  }
  const fw_WriteBackResult broken = fw_ApplyTrackEdits("track a\n0 1\n12 zero\n", "camera.txt", {Add("a", 4, 1, 0)});
  EXPECT_EQ(broken.status, Status::SourceError);
  EXPECT_NE(broken.error.find("camera.txt:3: bad value 'zero'"), std::string::npos) << broken.error;
}

TEST(EditorWriteBack, ValuesAreWrittenInTheirShortestExactForm) {
  EXPECT_EQ(fw_ShortestFloat(0.1f), "0.1");
  EXPECT_EQ(fw_ShortestFloat(-70.0f), "-70");
  EXPECT_EQ(fw_ShortestFloat(1.0f / 3.0f), "0.33333334");
  EXPECT_EQ(fw_ShortestFloat(3e-8f), "3e-08");
}
