// Platform-internal: what every object of the stand-in shares whatever draws behind it, the
// reference count and QueryInterface, and the private interface ids by which code above a device
// learns once which device it has. No GL here: the recording device is built on this alone.
#pragma once

#include <platform/d3d10.h>

#include <initializer_list>

// Each device answers its own id with its implementation object (a reference added, as any
// QueryInterface): d3d10gl::Device for the first, d3d10null::Device for the second. Nothing
// outside the platform asks for them.
DUSK_DECLARE_IID(DuskGlDevice, 0x6475736b, 0x676c, 0x0001, 0x9a, 0x31, 0x5e, 0x0c, 0x7d, 0x22, 0x41, 0x01);
DUSK_DECLARE_IID(DuskRecordingDevice, 0x6475736b, 0x7265, 0x0002, 0x9a, 0x31, 0x5e, 0x0c, 0x7d, 0x22, 0x41, 0x02);

namespace d3d10com {

template <class Base>
class RefCounted : public Base {
 public:
  ULONG AddRef() override { return ++mRefs; }
  ULONG Release() override {
    ULONG refs = --mRefs;
    if (refs == 0) delete this;
    return refs;
  }
  ULONG RefCount() const { return mRefs; }

 protected:
  virtual ~RefCounted() = default;
  ULONG mRefs = 1;
};

// QueryInterface for an object that is `self` under each of `ids` and under no other id.
template <class Interface>
HRESULT AnswerQuery(Interface* self, REFIID riid, void** object, std::initializer_list<const IID*> ids) {
  if (!object) return E_INVALIDARG;
  for (const IID* id : ids) {
    if (riid == *id) {
      self->AddRef();
      *object = self;
      return S_OK;
    }
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The implementation object behind `device` when it answers `id`, else null. No reference is
// kept: the caller already holds one on the device.
template <class Implementation>
Implementation* ImplementationOf(IUnknown* device, REFIID id) {
  void* object = nullptr;
  if (!device || FAILED(device->QueryInterface(id, &object)) || !object) return nullptr;
  device->Release();
  return static_cast<Implementation*>(object);
}

}  // namespace d3d10com
