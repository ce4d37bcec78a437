// Live mode taking saved effects and images into the production's Demo on the recording device:
// what the scenes set once stays bound through reloads (and reaches an effect fixed after it
// failed to load), every image the show reads takes a saved file at any size through the views
// already bound, and the effect pool's file rebuilds the pool and every effect.
#include "demo_Demo.h"
#include "demo_Mosaic.h"
#include "scroller_Components.h"

#include "core_recording.h"
#include "live/fw_LiveReload.h"
#include "res/fw_Effect.h"
#include "res/fw_ObjMesh.h"
#include "sync/fw_Clock.h"

#include <stb/stb_image_write.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = boost::filesystem;
using Draw = const d3d10rec::Event*;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const std::string& text) { std::ofstream(path.string(), std::ios::binary) << text; }

// Text with the first occurrence of `from` replaced; fails the test when it is not there.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

bool WritePng(const fs::path& path, int width, int height, unsigned char grey) {
  std::vector<unsigned char> texels(size_t(width) * height * 4, grey);
  for (size_t i = 3; i < texels.size(); i += 4) texels[i] = 255;
  return stbi_write_png(path.string().c_str(), width, height, 4, texels.data(), width * 4) != 0;
}

// The production with shaders and the scroller's images of its own, so the test may save them;
// the other data is linked. Both roots are the copy, as in a standalone tree.
class LiveReload : public core_test::FrameworkRecording {
 protected:
  LiveReload() : FrameworkRecording(192, 108) {}

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FrameworkRecording::SetUp());
    const fs::path production = fs::path(DUSK_SOURCE_DIR) / "projects/dusk";
    fs::create_directories(mRoot / "data");
    fs::create_directories(mRoot / "src/shaders");
    for (fs::directory_iterator it(production / "data"), end; it != end; ++it) {
      const std::string name = it->path().filename().string();
      if (name == "scroller") {
        fs::create_directories(mRoot / "data/scroller");
        for (fs::directory_iterator image(it->path()); image != end; ++image)
          fs::copy_file(image->path(), mRoot / "data/scroller" / image->path().filename());
      } else if (name != "sync" && name != "temp" && name != "screenshots") {
        fs::create_symlink(it->path(), mRoot / "data" / name);
      }
    }
    for (const fs::path& dir : {production / "src/shaders", fs::path(DUSK_SOURCE_DIR) / "libraries/fw/src/shaders"})
      for (fs::directory_iterator it(dir), end; it != end; ++it) {
        const std::string ext = it->path().extension().string();
        if (ext == ".fx" || ext == ".fxi" || ext == ".fxo")
          fs::copy_file(it->path(), mRoot / "src/shaders" / it->path().filename());
      }
    fw_SetRoots(mRoot.string(), mRoot.string());
  }

  void LoadDemo() {
    ASSERT_NO_FATAL_FAILURE(Load());
    mDemo = new Demo("demo.xml");
    mDemo->createResources();
    fw_CreateClocks();
    d3d10rec::ClearRecord(mDevice);
  }

  void TearDown() override {
    delete mDemo;
    fw_DestroyClocks();
    FrameworkRecording::TearDown();
    fs::remove_all(mRoot);
  }

  fs::path Shader(const char* name) const { return mRoot / "src/shaders" / name; }

  // The terrain's first draw on a fresh record (the walls, drawn before the tops with the same
  // variables); null when nothing was drawn.
  Draw DrawTerrain() {
    d3d10rec::ClearRecord(mDevice);
    mDemo->mTerrain->render({0.5f, 0.0f, 0.0f, 0.0f, 1.0f, 2.0f});
    const auto draws = Draws();
    return draws.empty() ? nullptr : draws[0];
  }

  // The live objects the device counts: each holds a reference on it.
  ULONG DeviceChildren() const {
    mDevice->AddRef();
    return mDevice->Release() - 1;
  }

  fs::path mRoot = fs::temp_directory_path() / fs::unique_path("live-reload-%%%%%%");
  Demo* mDemo = nullptr;
};

// Every variable of a draw, with its value and the views it held.
void ExpectSameBindings(const d3d10rec::Event& before, const d3d10rec::Event& after) {
  ASSERT_EQ(before.variables.size(), after.variables.size());
  for (const d3d10rec::RecordedVariable& was : before.variables) {
    const d3d10rec::RecordedVariable* now = after.Variable(was.name);
    ASSERT_NE(now, nullptr) << was.name;
    EXPECT_EQ(now->floats, was.floats) << was.name;
    EXPECT_EQ(now->ints, was.ints) << was.name;
    ASSERT_EQ(now->views.size(), was.views.size()) << was.name;
    for (size_t i = 0; i < was.views.size(); ++i) EXPECT_EQ(now->views[i].view, was.views[i].view) << was.name;
  }
  EXPECT_EQ(after.inputLayout, before.inputLayout);
}

}  // namespace

// A declaration taken out and put back (a sampler, a constant) gets what the scene set on it at
// create, also through a reload in between where it is of another type.
TEST_F(LiveReload, ValuesSetOnceComeBackWithTheirDeclarations) {
  ASSERT_NO_FATAL_FAILURE(LoadDemo());
  fw_Effect* terrain = mDemo->mTerrain->mEffect;
  ASSERT_NE(terrain->mEffect, nullptr);
  ASSERT_EQ(terrain->getVariableByName("gNumRows")->AsScalar()->SetInt(40), S_OK);  // not the file's initial 45
  Draw draw = DrawTerrain();
  ASSERT_NE(draw, nullptr);
  const d3d10rec::Event before = *draw;
  ASSERT_EQ(before.Variable("gHeightTexture")->views[0].view, mDemo->mTerrain->mTextures[0]->mShaderResourceView);

  const fs::path file = Shader("rtype.fx");
  const std::string original = ReadAll(file);
  const std::string sampler = "-- sampler gHeightTexture filter=point address=wrap mip=none\n";
  WriteAll(file, Replaced(Replaced(Replaced(original, "uniform sampler2D gHeightTexture;", ""), sampler, ""),
                          "uniform int gNumRows = 45;", ""));
  ASSERT_EQ(fw_LiveReloadEffects(file.string()), "");
  draw = DrawTerrain();
  ASSERT_NE(draw, nullptr);
  EXPECT_EQ(draw->Variable("gHeightTexture"), nullptr);
  EXPECT_EQ(draw->Variable("gNumRows"), nullptr);

  WriteAll(file, Replaced(original, "uniform int gNumRows = 45;", "uniform float gNumRows = 45.0;"));
  ASSERT_EQ(fw_LiveReloadEffects(file.string()), "");
  draw = DrawTerrain();
  ASSERT_NE(draw, nullptr);
  EXPECT_EQ(draw->Variable("gHeightTexture")->views[0].view, before.Variable("gHeightTexture")->views[0].view);
  EXPECT_EQ(draw->Variable("gNumRows")->floats, std::vector<float>{45.0f});  // a new variable of a new type

  WriteAll(file, original);
  ASSERT_EQ(fw_LiveReloadEffects(file.string()), "");
  draw = DrawTerrain();
  ASSERT_NE(draw, nullptr);
  ExpectSameBindings(before, *draw);
  EXPECT_EQ(draw->Variable("gNumRows")->ints, std::vector<int32_t>{40});
}

// An effect that did not build at start draws nothing; saved fixed, it draws with the images,
// sizes and input layout its scene would have given it at create.
TEST_F(LiveReload, AnEffectFixedAfterFailingAtStartGetsWhatItsSceneSetAtCreate) {
  const std::string broken = "\n-- technique broken\npass p0 vertex=NoSuchStage\n";
  const fs::path file = Shader("rtype.fx"), quads = Shader("mosaicQuads.fx"), mesh = Shader("mesh.fx");
  const std::string original = ReadAll(file), mosaic = ReadAll(quads), models = ReadAll(mesh);
  WriteAll(file, original + broken);
  WriteAll(quads, mosaic + broken);
  WriteAll(mesh, models + broken);
  ASSERT_NO_FATAL_FAILURE(LoadDemo());
  scroller_Terrain& terrain = *mDemo->mTerrain;
  ASSERT_EQ(terrain.mEffect->mEffect, nullptr);
  EXPECT_EQ(terrain.mInputLayout, nullptr);
  EXPECT_EQ(DrawTerrain(), nullptr);

  WriteAll(file, original);
  ASSERT_EQ(fw_LiveReloadEffects(file.string()), "");
  ASSERT_NE(terrain.mEffect->mEffect, nullptr);
  Draw draw = DrawTerrain();
  ASSERT_NE(draw, nullptr);
  EXPECT_NE(draw->inputLayout, nullptr);
  EXPECT_EQ(draw->inputLayout, terrain.mInputLayout);
  const std::pair<const char*, ID3D10ShaderResourceView*> images[] = {
      {"gHeightTexture", terrain.mTextures[0]->mShaderResourceView},
      {"gHeightTexture2", terrain.mTextures[1]->mShaderResourceView},
      {"gHorEdgeTextures", terrain.mEdgePairs[0]->mShaderResourceView},
      {"gVertEdgeTextures", terrain.mEdgePairs[1]->mShaderResourceView},
      {"gTexture1", terrain.mTextures[6]->mShaderResourceView},
      {"gGrainTexture", terrain.mTextures[7]->mShaderResourceView}};
  for (const auto& [name, view] : images) {
    const d3d10rec::RecordedVariable* image = draw->Variable(name);
    ASSERT_NE(image, nullptr) << name;
    EXPECT_EQ(image->views[0].view, view) << name;
  }
  EXPECT_EQ(draw->Variable("gNumColumns")->ints, std::vector<int32_t>{terrain.mColumns});

  // The same for the mosaic's wallpaper and quad layout, which the Demo sets.
  ASSERT_EQ(mDemo->mMosaicEffect->mEffect, nullptr);
  EXPECT_EQ(mDemo->mQuads->mInputLayout, nullptr);
  WriteAll(quads, mosaic);
  ASSERT_EQ(fw_LiveReloadEffects(quads.string()), "");
  ID3D10ShaderResourceView* tapet = nullptr;
  ASSERT_EQ(mDemo->mMosaicEffect->getVariableByName("gTapetTexture")->AsShaderResource()->GetResource(&tapet), S_OK);
  EXPECT_EQ(tapet, fw_FindTexture("./data/tex.png")->mShaderResourceView);
  if (tapet) tapet->Release();
  EXPECT_NE(mDemo->mQuads->mInputLayout, nullptr);

  // And the models' layouts, made against the mesh effect.
  auto layout = [](const fw_ObjMesh* model) {
    const auto it = model->mLayouts.find(fw_ObjMesh::kOwnerLayoutSlot);
    return it == model->mLayouts.end() ? nullptr : it->second;
  };
  ASSERT_EQ(mDemo->mMeshEffect->mEffect, nullptr);
  EXPECT_EQ(layout(mDemo->mSecondModel), nullptr);
  WriteAll(mesh, models);
  ASSERT_EQ(fw_LiveReloadEffects(mesh.string()), "");
  for (const fw_ObjMesh* model : {mDemo->mFirstModel, mDemo->mSecondModel, mDemo->mThirdModel})
    EXPECT_NE(layout(model), nullptr);
}

// Saved at another size, the heightmap reaches the landscape through the view the terrain bound
// at create; saved again and again, nothing is left behind. The grain, read by the terrain and
// the hero, reaches both.
TEST_F(LiveReload, ASavedImageOfAnotherSizeReachesEveryViewAndLeavesNothingBehind) {
  ASSERT_NO_FATAL_FAILURE(LoadDemo());
  Draw draw = DrawTerrain();
  ASSERT_NE(draw, nullptr);
  const d3d10rec::RecordedView was = draw->Variable("gHeightTexture")->views[0];
  EXPECT_EQ(was.width, 640u);
  EXPECT_EQ(was.height, 45u);
  const ULONG children = DeviceChildren();

  const fs::path heightmap = mRoot / "data/scroller/heightmap.png";
  // Each save's texture is made while the one before it is alive, so their addresses differ; an
  // older one's may be reused once it is gone, so only neighbours are compared.
  ID3D10Resource* before = was.resource;
  for (int width : {320, 64, 640, 96}) {
    ASSERT_TRUE(WritePng(heightmap, width, 45, 200));
    EXPECT_EQ(fw_LiveReloadImage(heightmap.string()), 1) << width;
    draw = DrawTerrain();
    ASSERT_NE(draw, nullptr);
    const d3d10rec::RecordedView now = draw->Variable("gHeightTexture")->views[0];
    EXPECT_EQ(now.view, was.view);
    EXPECT_EQ(now.width, UINT(width));
    EXPECT_NE(now.resource, before);
    before = now.resource;
    EXPECT_EQ(mDemo->mTerrain->mTextures[0]->getWidth(), UINT(width));
    EXPECT_EQ(DeviceChildren(), children) << "the old picture of a save stays alive";
  }

  const fs::path grain = mRoot / "data/scroller/grain.png";
  ASSERT_TRUE(WritePng(grain, 8, 4, 128));
  EXPECT_EQ(fw_LiveReloadImage(grain.string()), 2);
  EXPECT_EQ(DrawTerrain()->Variable("gGrainTexture")->views[0].width, 8u);
  EXPECT_EQ(mDemo->mHero->mTextures[0]->getWidth(), 8u);

  // A file cut short leaves the picture in use.
  WriteAll(heightmap, "\x89PNG\r\n");
  EXPECT_EQ(fw_LiveReloadImage(heightmap.string()), 0);
  EXPECT_EQ(DrawTerrain()->Variable("gHeightTexture")->views[0].width, 96u);
}

// The pool's file rebuilds the pool and every effect made with it, the precompiled post chain
// among them: a global added to it reaches their draws, the pool's values stay; a pool that does
// not build changes nothing and says where.
TEST_F(LiveReload, SavingThePoolsFileRebuildsThePoolAndEveryEffect) {
  ASSERT_NO_FATAL_FAILURE(LoadDemo());
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, 1.0f, 2.0f, 3.0f);
  fw_GetGlobals().World->SetMatrix(reinterpret_cast<const float*>(&world));
  Draw draw = DrawTerrain();
  ASSERT_NE(draw, nullptr);
  const d3d10rec::Event before = *draw;
  ASSERT_NE(before.Variable("gNoiseTexture"), nullptr);
  EXPECT_EQ(before.Variable("gLiveAdded"), nullptr);

  const fs::path pool = Shader("fw_Globals.fxi");
  const std::string original = ReadAll(pool);
  WriteAll(pool, original + "\n-- common\nuniform float gLiveAdded = 7.0;\n");
  ASSERT_EQ(fw_LiveReloadEffects(pool.string()), "");
  draw = DrawTerrain();
  ASSERT_NE(draw, nullptr);
  const d3d10rec::RecordedVariable* added = draw->Variable("gLiveAdded");
  ASSERT_NE(added, nullptr);
  EXPECT_TRUE(added->pooled);
  EXPECT_EQ(added->floats, std::vector<float>{7.0f});
  EXPECT_EQ(draw->Variable("gNoiseTexture")->views[0].view, before.Variable("gNoiseTexture")->views[0].view);
  EXPECT_EQ(draw->Variable("World")->floats, before.Variable("World")->floats);
  EXPECT_TRUE(fw_gPostEffects->mEffect->getVariableByName("gLiveAdded")->IsValid());
  // The handles follow the pool: a value set through them reaches the draws.
  fw_GetGlobals().Time->SetFloat(12.5f);
  EXPECT_EQ(DrawTerrain()->Float("Time"), 12.5f);

  WriteAll(pool, original + "\n-- common\nuniform vec7 gLiveAdded;\n");
  const std::string error = fw_LiveReloadEffects(pool.string());
  EXPECT_NE(error.find("fw_Globals.fxi"), std::string::npos) << error;
  draw = DrawTerrain();
  ASSERT_NE(draw, nullptr);
  EXPECT_NE(draw->Variable("gLiveAdded"), nullptr);
}
