// Cameras: projection and view from a transform, the animated view and its previous view, the
// camera set's current camera, the track-driven orbit camera with its shake, and the values a
// frame hands to the shared effect variables.
#include <gtest/gtest.h>

#include "scene/fw_Camera.h"
#include "scene/fw_CameraFrame.h"
#include "scene/fw_OrbitCamera.h"

#include <platform/crt.h>
#include <platform/d3dx10math.h>

#include <cmath>

namespace {

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual, float tol = 1e-5f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(expected.m[r][c], actual.m[r][c], tol) << "row " << r << " column " << c;
}

void ExpectVec3Near(const D3DXVECTOR3& expected, const D3DXVECTOR3& actual, float tol = 1e-4f) {
  EXPECT_NEAR(expected.x, actual.x, tol);
  EXPECT_NEAR(expected.y, actual.y, tol);
  EXPECT_NEAR(expected.z, actual.z, tol);
}

D3DXVECTOR3 Apply(const D3DXMATRIX& m, D3DXVECTOR3 v) {
  D3DXVec3TransformCoord(&v, &v, &m);
  return v;
}

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

// A camera set with one camera "cam" on its own transform, made current.
struct OneCamera {
  fw_Transform transform;
  fw_CameraSet set;
  fw_Camera* camera;
  explicit OneCamera(fw_Transform* t = nullptr) {
    auto c = std::make_unique<fw_Camera>(t ? t : &transform, 16.0f / 9.0f);
    camera = c.get();
    set.add("cam", std::move(c));
    set.update(0.0f);
  }
};

}  // namespace

TEST(Camera, NewCameraHasTheDefaultsAndProjectsWithTheRenderRatio) {
  fw_Camera camera(nullptr, 2.0f);
  const fw_CameraValues& v = camera.values();
  EXPECT_FLOAT_EQ(0.7853982f, v.vFOV);
  EXPECT_FLOAT_EQ(0.005f, v.nearz);
  EXPECT_FLOAT_EQ(100.0f, v.farz);
  EXPECT_EQ(0.0f, v.nearfocus);
  EXPECT_EQ(0.0f, v.farfocus);
  EXPECT_FLOAT_EQ(1.7777778f, v.aspect);
  D3DXMATRIX expected;
  D3DXMatrixPerspectiveFovRH(&expected, 0.7853982f, 2.0f, 0.005f, 100.0f);
  EXPECT_EQ(expected, camera.projection());
  EXPECT_TRUE(D3DXMatrixIsIdentity(&camera.view()));
  camera.computeViewFromTransform();  // no transform: nothing changes
  camera.computeAnimatedView(3.0f);
  EXPECT_TRUE(D3DXMatrixIsIdentity(&camera.view()));
  EXPECT_TRUE(D3DXMatrixIsIdentity(&camera.previousView()));
}

TEST(Camera, ViewIsTheInverseOfTheTransformsRotationAndTranslation) {
  fw_Transform t;
  t.setRotationOrder(1);
  t.setTranslation(D3DXVECTOR3(3, -2, 7));
  t.setRotation(D3DXVECTOR3(0.4f, -1.1f, 0.25f));
  fw_Camera camera(&t, 1.0f);
  camera.computeViewFromTransform();
  ExpectMatrixNear(Identity(), t.worldMatrix() * camera.view());
  EXPECT_EQ(camera.view(), camera.previousView());

  // By hand: an eye at (0, 0, 20) with no rotation sees the origin 20 units down its -z.
  fw_Transform eye;
  eye.setTranslation(D3DXVECTOR3(0, 0, 20));
  fw_Camera ahead(&eye, 1.0f);
  ahead.computeViewFromTransform();
  ExpectVec3Near(D3DXVECTOR3(0, 0, -20), Apply(ahead.view(), D3DXVECTOR3(0, 0, 0)));
}

TEST(Camera, AnimatedViewTakesThePreviousViewOneSixtiethEarlierAlsoOnTheFirstFrame) {
  fw_Transform t;
  auto x = std::make_unique<fw_TransformCurve>();
  x->insertKey(-1, -60, 60, 60);  // the line x = 60 t
  x->insertKey(1, 60, 60, 60);
  t.setCurve(fw_TranslateX, std::move(x));
  fw_Camera camera(&t, 1.0f);
  camera.computeAnimatedView(0.0f);
  EXPECT_NEAR(0.0f, camera.view()._41, 1e-5f);
  EXPECT_NEAR(1.0f, camera.previousView()._41, 1e-4f);  // x was -1 at -1/60 s
  camera.computeAnimatedView(0.5f);
  EXPECT_NEAR(-30.0f, camera.view()._41, 1e-4f);
  EXPECT_NEAR(-29.0f, camera.previousView()._41, 1e-4f);
  EXPECT_NEAR(30.0f, t.translation().x, 1e-4f);  // the transform is left at the scene time
}

TEST(CameraSet, FirstInNameOrderBecomesCurrentAndStays) {
  fw_Transform a, b, c;
  fw_CameraSet set;
  set.update(0.0f);  // empty: nothing to do
  EXPECT_EQ(nullptr, set.current());

  set.add("b", std::make_unique<fw_Camera>(&b, 1.0f));
  set.add("c", std::make_unique<fw_Camera>(&c, 1.0f));
  EXPECT_EQ(nullptr, set.current());  // chosen lazily
  set.update(0.0f);
  EXPECT_EQ(set.find("b"), set.current());
  EXPECT_EQ("b", set.currentName());

  set.add("a", std::make_unique<fw_Camera>(&a, 1.0f));
  set.update(0.0f);
  EXPECT_EQ(set.find("b"), set.current());
  EXPECT_EQ("a", set.cameras().begin()->first);

  // Replacing the current camera makes its replacement current rather than leaving it dangling.
  set.add("b", std::make_unique<fw_Camera>(&c, 1.0f));
  EXPECT_EQ(set.find("b"), set.current());
  EXPECT_EQ(&c, set.current()->transform());
  set.update(1.0f);
}

TEST(OrbitCamera, EmptyTracksPutTheEyeTwentyUnitsUpZLookingAtTheOrigin) {
  OneCamera scene;
  fw_CameraShakePhase phase;
  ASSERT_TRUE(fw_UpdateOrbitCamera(&scene.set, fw_OrbitCameraInputs(), phase));
  EXPECT_EQ(1, scene.transform.rotationOrder());
  ExpectVec3Near(D3DXVECTOR3(0, 0, 20), scene.transform.translation());
  ExpectVec3Near(D3DXVECTOR3(0, 0, 0), scene.transform.rotation(), 0);
  ExpectVec3Near(D3DXVECTOR3(0, 0, -20), Apply(scene.camera->view(), D3DXVECTOR3(0, 0, 0)));
  EXPECT_EQ(scene.camera->view(), scene.camera->previousView());
  EXPECT_EQ(0.0f, phase.s0);  // paused music: no shake movement
}

TEST(OrbitCamera, AnglesOffsetsAndLookAtPlaceTheEye) {
  OneCamera scene;
  fw_CameraShakePhase phase;
  fw_OrbitCameraInputs in;
  in.yaw = 90;  // (0, 0, 20) times RotationY(pi/2)
  fw_UpdateOrbitCamera(&scene.set, in, phase);
  ExpectVec3Near(D3DXVECTOR3(20, 0, 0), scene.transform.translation());
  ExpectVec3Near(D3DXVECTOR3(0, 0, -20), Apply(scene.camera->view(), D3DXVECTOR3(0, 0, 0)));

  in = fw_OrbitCameraInputs();
  in.pitch = 90;  // x = -pi/2: the eye goes overhead and looks down
  fw_UpdateOrbitCamera(&scene.set, in, phase);
  ExpectVec3Near(D3DXVECTOR3(0, 20, 0), scene.transform.translation());
  ExpectVec3Near(D3DXVECTOR3(0, 0, -20), Apply(scene.camera->view(), D3DXVECTOR3(0, 0, 0)));
  EXPECT_NEAR(-1.5707964f, scene.transform.rotation().x, 1e-6f);

  in = fw_OrbitCameraInputs();
  in.lookAt = D3DXVECTOR3(1, 2, 3);
  in.offsetX = 5;
  in.offsetY = -1;
  in.distToLookAt = 10;
  fw_UpdateOrbitCamera(&scene.set, in, phase);
  ExpectVec3Near(D3DXVECTOR3(6, 1, 13), scene.transform.translation());
  // The look-at point sits at the offset, straight ahead along -z.
  ExpectVec3Near(D3DXVECTOR3(-5, 1, -10), Apply(scene.camera->view(), D3DXVECTOR3(1, 2, 3)));

  // Roll then pitch, by hand: (5, 0, 20) * RotationZ(-pi/2) = (0, -5, 20), then
  // * RotationX(-pi/2) = (0, 20, 5).
  in = fw_OrbitCameraInputs();
  in.roll = 90;
  in.pitch = 90;
  in.offsetX = 5;
  fw_UpdateOrbitCamera(&scene.set, in, phase);
  ExpectVec3Near(D3DXVECTOR3(0, 20, 5), scene.transform.translation());
  ExpectVec3Near(D3DXVECTOR3(-5, 0, -20), Apply(scene.camera->view(), D3DXVECTOR3(0, 0, 0)));

  in = fw_OrbitCameraInputs();
  in.roll = 30;
  fw_UpdateOrbitCamera(&scene.set, in, phase);
  ExpectVec3Near(D3DXVECTOR3(0, 0, 20), scene.transform.translation());
  EXPECT_NEAR(-30.0f * 3.1415927f / 180.0f, scene.transform.rotation().z, 1e-6f);
}

TEST(OrbitCamera, ShakeNudgesTheAnglesByTheWanderingDirection) {
  fw_OrbitCameraInputs in;
  in.shake = 100;  // one degree
  fw_CameraShakePhase still;  // s0 = s1 = 0: j = (1, 0, 0), only the yaw moves
  D3DXVECTOR3 eye, rotation;
  fw_ComputeOrbitCamera(in, still, &eye, &rotation);
  EXPECT_NEAR(0.017453292f, rotation.y, 1e-7f);
  EXPECT_EQ(0.0f, rotation.x);
  EXPECT_EQ(0.0f, rotation.z);

  fw_CameraShakePhase turned;
  turned.s0 = 1.5707964f;  // j = (0, 1, 0): the pitch moves instead
  fw_ComputeOrbitCamera(in, turned, &eye, &rotation);
  EXPECT_NEAR(-0.017453292f, rotation.x, 1e-7f);
  EXPECT_NEAR(0.0f, rotation.y, 1e-7f);
}

TEST(OrbitCamera, ShakePhaseAdvancesByTheSharedGeneratorOnlyWhileTheMusicRuns) {
  OneCamera scene;
  fw_OrbitCameraInputs in;
  in.musicRunning = true;

  // The generator's first two values after srand(1) are 41 and 18467.
  crt::srand(1);
  fw_CameraShakePhase phase;
  fw_UpdateOrbitCamera(&scene.set, in, phase);
  EXPECT_NEAR((41 * 2.0f / 32767.0f - 1.0f) * 0.06f, phase.s0, 1e-7f);
  EXPECT_NEAR((18467 * 2.0f / 32767.0f - 1.0f) * 0.03f, phase.s1, 1e-7f);

  // Paused: the phase and the generator stay where they are.
  in.musicRunning = false;
  const fw_CameraShakePhase before = phase;
  crt::srand(5);
  fw_UpdateOrbitCamera(&scene.set, in, phase);
  EXPECT_EQ(before.s0, phase.s0);
  EXPECT_EQ(before.s1, phase.s1);
  const int next = crt::rand();
  crt::srand(5);
  EXPECT_EQ(crt::rand(), next);
}

TEST(OrbitCamera, TheSameSeedGivesTheSameShake) {
  auto run = [](unsigned seed) {
    OneCamera scene;
    fw_OrbitCameraInputs in;
    in.musicRunning = true;
    in.shake = 250;
    fw_CameraShakePhase phase;
    crt::srand(seed);
    for (int i = 0; i < 50; ++i) fw_UpdateOrbitCamera(&scene.set, in, phase);
    return scene.camera->view();
  };
  EXPECT_EQ(run(77), run(77));
  EXPECT_NE(run(77), run(78));
}

TEST(OrbitCamera, WithoutACurrentCameraWithATransformNothingHappens) {
  fw_CameraShakePhase phase;
  fw_OrbitCameraInputs in;
  in.musicRunning = true;
  EXPECT_FALSE(fw_UpdateOrbitCamera(nullptr, in, phase));
  fw_CameraSet empty;
  empty.update(0.0f);
  EXPECT_FALSE(fw_UpdateOrbitCamera(&empty, in, phase));

  fw_CameraSet loose;
  loose.add("cam", std::make_unique<fw_Camera>(nullptr, 1.0f));
  loose.update(0.0f);
  EXPECT_FALSE(fw_UpdateOrbitCamera(&loose, in, phase));
  EXPECT_TRUE(D3DXMatrixIsIdentity(&loose.current()->view()));
  EXPECT_EQ(0.0f, phase.s0);
}

TEST(CameraFrame, ValuesForTheSharedVariables) {
  fw_Transform t;
  t.setTranslation(D3DXVECTOR3(1, 2, 3));
  OneCamera scene(&t);
  fw_CameraValues values;
  values.vFOV = 1.5707964f;  // tan(fov / 2) = 1
  values.nearz = 1;
  values.farz = 100;
  values.aspect = 2;
  scene.camera->setValues(values);
  scene.camera->computeProjection(2.0f);
  scene.camera->computeViewFromTransform();

  fw_CameraFrameValues frame;
  ASSERT_TRUE(fw_ComputeCameraFrameValues(&scene.set, &frame));
  EXPECT_EQ(scene.camera->view(), frame.view);
  EXPECT_EQ(scene.camera->projection(), frame.projection);
  EXPECT_EQ(scene.camera->view() * scene.camera->projection(), frame.viewProjection);
  EXPECT_EQ(scene.camera->previousView() * scene.camera->projection(), frame.previousViewProjection);
  ExpectMatrixNear(Identity(), frame.view * frame.viewInverse);
  EXPECT_NEAR(2.0f, frame.nearXYZFarZ.x, 1e-6f);
  EXPECT_NEAR(1.0f, frame.nearXYZFarZ.y, 1e-6f);
  EXPECT_EQ(1.0f, frame.nearXYZFarZ.z);
  EXPECT_EQ(100.0f, frame.nearXYZFarZ.w);

  fw_CameraFrameValues eye;
  ASSERT_TRUE(fw_ComputeEyeFrameValues(&scene.set, 2.0f, &eye));
  EXPECT_FLOAT_EQ(scene.camera->projection()._43 / 2.0f, eye.projection._43);
  EXPECT_EQ(scene.camera->projection()._33, eye.projection._33);
  EXPECT_EQ(eye.view * eye.projection, eye.viewProjection);
  EXPECT_NEAR(1.0f, eye.eyePositionWorld.x, 1e-5f);
  EXPECT_NEAR(2.0f, eye.eyePositionWorld.y, 1e-5f);
  EXPECT_NEAR(3.0f, eye.eyePositionWorld.z, 1e-5f);
  EXPECT_EQ(0.0f, eye.stereoConstants.x);
  EXPECT_EQ(1.0f, eye.stereoConstants.y);
  EXPECT_EQ(2.0f, eye.stereoConstants.z);
  EXPECT_EQ(0.5f, eye.stereoConstants.w);

  ASSERT_TRUE(fw_ComputeEyeFrameValues(&scene.set, 0.0f, &eye));  // a zero scale counts as 1
  EXPECT_EQ(scene.camera->projection(), eye.projection);

  fw_CameraSet none;
  fw_CameraFrameValues untouched = frame;
  EXPECT_FALSE(fw_ComputeCameraFrameValues(&none, &untouched));
  EXPECT_FALSE(fw_ComputeEyeFrameValues(&none, 1.0f, &untouched));
  EXPECT_EQ(frame.view, untouched.view);
}
