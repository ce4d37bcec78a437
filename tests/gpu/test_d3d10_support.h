// Shared by the graphics stand-in's GPU tests: a WARP device on a hidden window, render targets,
// read-back through staging textures, effects from text, and half-float decoding.
#pragma once

#include <platform/d3dx10effect.h>
#include <platform/diagnostics.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace gfxtest {

inline ID3D10Device* MakeDevice() {
  ID3D10Device* device = nullptr;
  if (FAILED(D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, D3D10_SDK_VERSION, &device)))
    return nullptr;
  return device;
}

inline ID3D10Texture2D* MakeTexture(ID3D10Device* device, UINT w, UINT h, DXGI_FORMAT format, UINT bind,
                                    const void* data = nullptr, UINT pitch = 0) {
  D3D10_TEXTURE2D_DESC desc{};
  desc.Width = w;
  desc.Height = h;
  desc.MipLevels = 1;
  desc.ArraySize = 1;
  desc.Format = format;
  desc.SampleDesc.Count = 1;
  desc.Usage = D3D10_USAGE_DEFAULT;
  desc.BindFlags = bind;
  D3D10_SUBRESOURCE_DATA init{data, pitch, 0};
  ID3D10Texture2D* texture = nullptr;
  device->CreateTexture2D(&desc, data ? &init : nullptr, &texture);
  return texture;
}

// A render target with its view; both released by the destructor.
struct Target {
  ID3D10Texture2D* texture = nullptr;
  ID3D10RenderTargetView* view = nullptr;
  UINT width = 0, height = 0;
  Target(ID3D10Device* device, UINT w, UINT h, DXGI_FORMAT format = DXGI_FORMAT_R8G8B8A8_UNORM) : width(w), height(h) {
    texture = MakeTexture(device, w, h, format, D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE);
    if (texture) device->CreateRenderTargetView(texture, nullptr, &view);
  }
  ~Target() {
    if (view) view->Release();
    if (texture) texture->Release();
  }
  D3D10_VIEWPORT Viewport() const { return {0, 0, width, height, 0.0f, 1.0f}; }
};

// Subresource 0 of a 2D texture, rows tightly packed, row 0 first.
inline std::vector<uint8_t> ReadBack(ID3D10Device* device, ID3D10Texture2D* texture, UINT bytesPerTexel) {
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  desc.Usage = D3D10_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
  desc.MipLevels = 1;
  ID3D10Texture2D* staging = nullptr;
  EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, &staging));
  std::vector<uint8_t> bytes(size_t(desc.Width) * desc.Height * bytesPerTexel);
  if (!staging) return bytes;
  device->CopyResource(staging, texture);
  D3D10_MAPPED_TEXTURE2D mapped{};
  if (SUCCEEDED(staging->Map(0, D3D10_MAP_READ, 0, &mapped))) {
    for (UINT y = 0; y < desc.Height; ++y)
      memcpy(&bytes[size_t(y) * desc.Width * bytesPerTexel],
             static_cast<uint8_t*>(mapped.pData) + size_t(y) * mapped.RowPitch, size_t(desc.Width) * bytesPerTexel);
    staging->Unmap(0);
  }
  staging->Release();
  return bytes;
}

// RGBA8 texel (x, y) as 0xRRGGBBAA.
inline uint32_t Rgba(const std::vector<uint8_t>& pixels, UINT width, UINT x, UINT y) {
  const uint8_t* p = &pixels[(size_t(y) * width + x) * 4];
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline float HalfToFloat(uint16_t h) {
  int sign = h >> 15, exponent = (h >> 10) & 31, mantissa = h & 1023;
  float value;
  if (exponent == 0) value = std::ldexp(float(mantissa), -24);
  else if (exponent == 31) value = mantissa ? NAN : INFINITY;
  else value = std::ldexp(float(mantissa + 1024), exponent - 25);
  return sign ? -value : value;
}

inline ID3D10Effect* EffectFromText(ID3D10Device* device, const std::string& text, ID3D10EffectPool* pool = nullptr,
                                    ID3D10Include* include = nullptr, const char* name = "test.fx") {
  ID3D10Effect* effect = nullptr;
  D3DX10CreateEffectFromMemory(text.data(), text.size(), name, nullptr, include, "fx_4_0", 0,
                               pool ? D3D10_EFFECT_COMPILE_CHILD_EFFECT : 0, device, pool, nullptr, &effect, nullptr,
                               nullptr);
  return effect;
}

// Collects the platform's reports while alive.
struct ReportCapture {
  std::vector<std::string> lines;
  ReportCapture() {
    platform::SetReportSink([this](int, const char* message) { lines.push_back(message); });
  }
  ~ReportCapture() { platform::SetReportSink(nullptr); }
  bool Contains(const std::string& text) const {
    for (const std::string& line : lines)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
};

// A vertex buffer of float positions and an input layout for pass 0 of the technique.
struct Geometry {
  ID3D10Buffer* buffer = nullptr;
  ID3D10InputLayout* layout = nullptr;
  UINT stride = 0;
  Geometry(ID3D10Device* device, ID3D10EffectTechnique* technique, const std::vector<float>& floats,
           UINT components = 3) {
    stride = components * 4;
    D3D10_BUFFER_DESC desc{UINT(floats.size() * 4), D3D10_USAGE_DEFAULT, D3D10_BIND_VERTEX_BUFFER, 0, 0};
    D3D10_SUBRESOURCE_DATA init{floats.data(), 0, 0};
    device->CreateBuffer(&desc, &init, &buffer);
    D3D10_PASS_DESC pass;
    technique->GetPassByIndex(0)->GetDesc(&pass);
    DXGI_FORMAT format = components == 2   ? DXGI_FORMAT_R32G32_FLOAT
                         : components == 3 ? DXGI_FORMAT_R32G32B32_FLOAT
                                           : DXGI_FORMAT_R32G32B32A32_FLOAT;
    D3D10_INPUT_ELEMENT_DESC element{"POSITION", 0, format, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0};
    device->CreateInputLayout(&element, 1, pass.pIAInputSignature, pass.IAInputSignatureSize, &layout);
  }
  ~Geometry() {
    if (layout) layout->Release();
    if (buffer) buffer->Release();
  }
  void Bind(ID3D10Device* device) const {
    UINT offset = 0;
    device->IASetInputLayout(layout);
    device->IASetVertexBuffers(0, 1, &buffer, &stride, &offset);
    device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  }
};

}  // namespace gfxtest
