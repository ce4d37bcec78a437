// Platform-internal: a pass's input signature, the bytes behind D3D10_PASS_DESC's
// pIAInputSignature that an input layout is matched against. The same on every device: the GL
// device reads the inputs from a linked program, the recording device from the vertex stage's
// declarations.
#pragma once

#include <platform/d3d10.h>

#include <cstdint>
#include <string>
#include <vector>

namespace d3d10gl {

// The type of a vertex input, with GL's numbers for the types (a GL program reports them so).
enum InputType : uint32_t {
  kInputFloat = 0x1406,
  kInputFloatVec2 = 0x8B50,
  kInputFloatVec3 = 0x8B51,
  kInputFloatVec4 = 0x8B52,
  kInputInt = 0x1404,
  kInputIntVec2 = 0x8B53,
  kInputIntVec3 = 0x8B54,
  kInputIntVec4 = 0x8B55,
  kInputUInt = 0x1405,
  kInputUIntVec2 = 0x8DC6,
  kInputUIntVec3 = 0x8DC7,
  kInputUIntVec4 = 0x8DC8,
  kInputFloatMat4 = 0x8B5C,
};

// One vertex input: its semantic (name and index), attribute location and type.
struct SignatureInput {
  char semantic[64];
  UINT index;
  int32_t location;
  uint32_t type;  // an InputType
};

// A header and the inputs. Identical input sets share one id, so a layout keeps one vertex array
// per distinct signature.
struct SignatureHeader {
  uint32_t magic;
  uint32_t id;
  uint32_t count;
};
constexpr uint32_t kSignatureMagic = 0x47495344;  // "DSIG"
std::vector<uint8_t> BuildSignature(const std::vector<SignatureInput>& inputs);
// Validates the bytes; null when they are not a signature.
const SignatureHeader* ReadSignature(const void* bytes, SIZE_T size);
inline const SignatureInput* SignatureInputs(const SignatureHeader* header) {
  return reinterpret_cast<const SignatureInput*>(header + 1);
}
// "TEXCOORD1" -> ("TEXCOORD", 1); "POSITION" -> ("POSITION", 0).
void SplitSemantic(const char* name, std::string* semantic, UINT* index);

// Process-wide table of distinct signatures (main thread only).
uint32_t InternSignature(const std::vector<SignatureInput>& inputs);
const std::vector<SignatureInput>& SignatureById(uint32_t id);

}  // namespace d3d10gl
