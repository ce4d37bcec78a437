// The recording device installed as the framework's device, for testing a scene's wiring without
// a display: it draws nothing, keeps every resource in CPU memory and writes down what each draw
// had bound (targets, techniques, every effect variable's value), read through
// platform/d3d10_recording.h. Released at the end of scope.
#pragma once

#include "device/fw_DeviceState.h"
#include "diag/fw_Alert.h"

#include <platform/d3d10_recording.h>

class fw_RecordingDevice {
 public:
  fw_RecordingDevice() {
    fw_SetAlertMode(0);  // a warning must never wait for a click in a test
    D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_NULL, nullptr, 0, D3D10_SDK_VERSION, &mDevice);
    fw_SetDevice(mDevice);
    fw_SetSwapChain(nullptr);
  }
  ~fw_RecordingDevice() {
    fw_SetDevice(nullptr);
    if (mDevice) mDevice->Release();
  }
  fw_RecordingDevice(const fw_RecordingDevice&) = delete;
  fw_RecordingDevice& operator=(const fw_RecordingDevice&) = delete;

  ID3D10Device* get() const { return mDevice; }
  const d3d10rec::Record& record() const { return *d3d10rec::RecordOf(mDevice); }

 private:
  ID3D10Device* mDevice = nullptr;
};
