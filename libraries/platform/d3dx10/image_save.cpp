// Textures into image files, or their bytes in memory: the top level of an 8-bit RGBA texture is copied to a CPU-readable
// twin, mapped and written with stb_image_write (PNG, BMP, JPEG, TGA). Row 0 of the texture is the
// image's top row, as the loaders read it.
#include <platform/d3dx10tex.h>
#include <platform/diagnostics.h>

#include <stb_image_write.h>

#include <cstring>
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

// The top level of an 8-bit RGBA 2D texture as packed rows; `where` names the destination in
// reports. S_OK, or the failure to return.
HRESULT SavableTexels(ID3D10Resource* source, const char* where, std::vector<uint8_t>& texels, int& width,
                      int& height) {
  ID3D10Texture2D* texture = nullptr;
  source->QueryInterface(__uuidof(ID3D10Texture2D), reinterpret_cast<void**>(&texture));
  if (!texture) {
    platform::Report(platform::kReportWarning, "D3DX10SaveTexture <%s>: only 2D textures can be saved.", where);
    return E_NOTIMPL;
  }
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  if (!IsRgba8(desc.Format)) {
    Release(texture);
    platform::Report(platform::kReportWarning, "D3DX10SaveTexture <%s>: format %u is not 8-bit RGBA.", where,
                     static_cast<unsigned>(desc.Format));
    return E_NOTIMPL;
  }
  UINT w = 0, h = 0;
  const bool read = ReadTopLevel(texture, texels, w, h);
  Release(texture);
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return read ? S_OK : E_FAIL;
}

void AppendBytes(void* context, void* data, int size) {
  auto* bytes = static_cast<std::vector<uint8_t>*>(context);
  bytes->insert(bytes->end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
}

}  // namespace

HRESULT D3DX10SaveTextureToFileA(ID3D10Resource* source, D3DX10_IMAGE_FILE_FORMAT format, LPCSTR destFile) {
  if (!source || !destFile) return E_INVALIDARG;
  std::vector<uint8_t> texels;
  int w = 0, h = 0;
  if (const HRESULT got = SavableTexels(source, destFile, texels, w, h); FAILED(got)) return got;

  int written = 0;
  switch (format) {
    case D3DX10_IFF_PNG: written = stbi_write_png(destFile, w, h, 4, texels.data(), w * 4); break;
    case D3DX10_IFF_BMP: written = stbi_write_bmp(destFile, w, h, 4, texels.data()); break;
    case D3DX10_IFF_JPG: written = stbi_write_jpg(destFile, w, h, 4, texels.data(), 95); break;
    case D3DX10_IFF_TGA: written = stbi_write_tga(destFile, w, h, 4, texels.data()); break;
    default:
      platform::Report(platform::kReportWarning, "D3DX10SaveTextureToFile <%s>: file format %d is not written.",
                       destFile, static_cast<int>(format));
      return E_NOTIMPL;
  }
  if (!written) {
    platform::Report(platform::kReportWarning, "D3DX10SaveTextureToFile: could not write <%s>.", destFile);
    return E_FAIL;
  }
  return S_OK;
}

HRESULT D3DX10SaveTextureToMemory(ID3D10Resource* source, D3DX10_IMAGE_FILE_FORMAT format, LPD3D10BLOB* destBuf,
                                  UINT /*flags*/) {
  if (!destBuf) return E_INVALIDARG;
  *destBuf = nullptr;
  if (!source) return E_INVALIDARG;
  std::vector<uint8_t> texels, bytes;
  int w = 0, h = 0;
  if (const HRESULT got = SavableTexels(source, "memory", texels, w, h); FAILED(got)) return got;

  int written = 0;
  switch (format) {
    case D3DX10_IFF_PNG: written = stbi_write_png_to_func(AppendBytes, &bytes, w, h, 4, texels.data(), w * 4); break;
    case D3DX10_IFF_BMP: written = stbi_write_bmp_to_func(AppendBytes, &bytes, w, h, 4, texels.data()); break;
    case D3DX10_IFF_JPG: written = stbi_write_jpg_to_func(AppendBytes, &bytes, w, h, 4, texels.data(), 95); break;
    case D3DX10_IFF_TGA: written = stbi_write_tga_to_func(AppendBytes, &bytes, w, h, 4, texels.data()); break;
    default:
      platform::Report(platform::kReportWarning, "D3DX10SaveTextureToMemory: file format %d is not written.",
                       static_cast<int>(format));
      return E_NOTIMPL;
  }
  if (!written || bytes.empty() || FAILED(D3D10CreateBlob(bytes.size(), destBuf)) || !*destBuf) return E_FAIL;
  std::memcpy((*destBuf)->GetBufferPointer(), bytes.data(), bytes.size());
  return S_OK;
}
