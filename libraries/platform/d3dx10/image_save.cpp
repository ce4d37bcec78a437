// Textures into image files: the top level of an 8-bit RGBA texture is copied to a CPU-readable
// twin, mapped and encoded in memory with stb_image_write (PNG, BMP, JPEG, TGA). Row 0 of the
// texture is the image's top row, as the loaders read it. A file is written whole or not at all.
#include <platform/d3dx10tex.h>
#include <platform/diagnostics.h>
#include <platform/file_write.h>

#include <stb_image_write.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

bool IsRgba8(DXGI_FORMAT format) {
  return format == DXGI_FORMAT_R8G8B8A8_UNORM || format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
}

void Release(IUnknown* object) {
  if (object) object->Release();
}

// The texture's top level as tightly packed RGBA rows; false when it cannot be read.
bool ReadTopLevel(ID3D10Texture2D* texture, std::vector<uint8_t>& texels, UINT& width, UINT& height) {
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  width = desc.Width;
  height = desc.Height;
  ID3D10Texture2D* readable = nullptr;
  if (desc.Usage == D3D10_USAGE_STAGING && (desc.CPUAccessFlags & D3D10_CPU_ACCESS_READ)) {
    readable = texture;
    readable->AddRef();
  } else {
    ID3D10Device* device = nullptr;
    texture->GetDevice(&device);
    if (!device) return false;
    D3D10_TEXTURE2D_DESC twin = desc;
    twin.Usage = D3D10_USAGE_STAGING;
    twin.BindFlags = 0;
    twin.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
    twin.MiscFlags = 0;
    device->CreateTexture2D(&twin, nullptr, &readable);
    if (readable) device->CopyResource(readable, texture);
    device->Release();
    if (!readable) return false;
  }
  D3D10_MAPPED_TEXTURE2D mapped{};
  const bool ok = SUCCEEDED(readable->Map(0, D3D10_MAP_READ, 0, &mapped)) && mapped.pData;
  if (ok) {
    texels.resize(size_t(width) * height * 4);
    for (UINT y = 0; y < height; ++y)
      std::memcpy(&texels[size_t(y) * width * 4], static_cast<const uint8_t*>(mapped.pData) + size_t(y) * mapped.RowPitch,
                  size_t(width) * 4);
    readable->Unmap(0);
  }
  readable->Release();
  return ok;
}

// The whole encoded file, gathered from the encoder's pieces.
void Append(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  out->insert(out->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
}

// The texture's top level encoded in the file format; a report names `what` on failure.
HRESULT Encode(ID3D10Resource* source, D3DX10_IMAGE_FILE_FORMAT format, const char* what, std::vector<uint8_t>& file) {
  ID3D10Texture2D* texture = nullptr;
  source->QueryInterface(__uuidof(ID3D10Texture2D), reinterpret_cast<void**>(&texture));
  if (!texture) {
    platform::Report(platform::kReportWarning, "D3DX10SaveTexture <%s>: only 2D textures can be saved.", what);
    return E_NOTIMPL;
  }
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  if (!IsRgba8(desc.Format)) {
    Release(texture);
    platform::Report(platform::kReportWarning, "D3DX10SaveTexture <%s>: format %u is not 8-bit RGBA.", what,
                     static_cast<unsigned>(desc.Format));
    return E_NOTIMPL;
  }
  std::vector<uint8_t> texels;
  UINT width = 0, height = 0;
  const bool read = ReadTopLevel(texture, texels, width, height);
  Release(texture);
  if (!read) return E_FAIL;

  const int w = static_cast<int>(width), h = static_cast<int>(height);
  int encoded = 0;
  switch (format) {
    case D3DX10_IFF_PNG: encoded = stbi_write_png_to_func(Append, &file, w, h, 4, texels.data(), w * 4); break;
    case D3DX10_IFF_BMP: encoded = stbi_write_bmp_to_func(Append, &file, w, h, 4, texels.data()); break;
    case D3DX10_IFF_JPG: encoded = stbi_write_jpg_to_func(Append, &file, w, h, 4, texels.data(), 95); break;
    case D3DX10_IFF_TGA: encoded = stbi_write_tga_to_func(Append, &file, w, h, 4, texels.data()); break;
    default:
      platform::Report(platform::kReportWarning, "D3DX10SaveTexture <%s>: file format %d is not written.", what,
                       static_cast<int>(format));
      return E_NOTIMPL;
  }
  if (!encoded || file.empty()) {
    platform::Report(platform::kReportWarning, "D3DX10SaveTexture <%s>: the image could not be encoded.", what);
    return E_FAIL;
  }
  return S_OK;
}

}  // namespace

HRESULT D3DX10SaveTextureToMemory(ID3D10Resource* source, D3DX10_IMAGE_FILE_FORMAT format, LPD3D10BLOB* destBuffer,
                                  UINT) {
  if (!destBuffer) return E_INVALIDARG;
  *destBuffer = nullptr;
  if (!source) return E_INVALIDARG;
  std::vector<uint8_t> file;
  const HRESULT hr = Encode(source, format, "memory", file);
  if (FAILED(hr)) return hr;
  if (FAILED(D3D10CreateBlob(file.size(), destBuffer)) || !*destBuffer) return E_OUTOFMEMORY;
  std::memcpy((*destBuffer)->GetBufferPointer(), file.data(), file.size());
  return S_OK;
}

HRESULT D3DX10SaveTextureToFileA(ID3D10Resource* source, D3DX10_IMAGE_FILE_FORMAT format, LPCSTR destFile) {
  if (!source || !destFile) return E_INVALIDARG;
  std::vector<uint8_t> file;
  const HRESULT hr = Encode(source, format, destFile, file);
  if (FAILED(hr)) return hr;
  std::string reason;
  if (!platform::WriteWholeFile(destFile, file.data(), file.size(), &reason)) {
    platform::Report(platform::kReportWarning, "D3DX10SaveTextureToFile: could not write <%s>: %s.", destFile,
                     reason.c_str());
    return E_FAIL;
  }
  return S_OK;
}
