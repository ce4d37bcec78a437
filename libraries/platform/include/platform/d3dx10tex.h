// D3DX10 images on stb_image and stb_image_write: PNG, JPEG, TGA and BMP files (and uncompressed DDS, 2D and
// cube) become R8G8B8A8 textures with a full box-filtered mip chain, image row 0 at the top as in
// D3D. Unreadable or corrupt files fail cleanly with a report naming the file.
#pragma once

#include <platform/d3d10.h>
#include <platform/d3dx10effect.h>  // ID3DX10ThreadPump

#define D3DX10_DEFAULT ((UINT)-1)
#define D3DX10_FROM_FILE ((UINT)-3)
#define DXGI_FORMAT_FROM_FILE ((DXGI_FORMAT)-3)

#define D3DX10_FILTER_NONE (1u << 0)
#define D3DX10_FILTER_POINT (2u << 0)
#define D3DX10_FILTER_LINEAR (3u << 0)
#define D3DX10_FILTER_TRIANGLE (4u << 0)
#define D3DX10_FILTER_BOX (5u << 0)

#define D3DX10_ERR_INVALID_DATA ((HRESULT)0x88760B59)

typedef enum D3DX10_IMAGE_FILE_FORMAT {
  D3DX10_IFF_BMP = 0, D3DX10_IFF_JPG = 1, D3DX10_IFF_PNG = 3, D3DX10_IFF_DDS = 4, D3DX10_IFF_TIFF = 10,
  D3DX10_IFF_GIF = 11, D3DX10_IFF_WMP = 12, D3DX10_IFF_TGA = 0x7f000001,  // TGA has no number of its own
  D3DX10_IFF_FORCE_DWORD = 0x7fffffff
} D3DX10_IMAGE_FILE_FORMAT;

typedef struct D3DX10_IMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT ArraySize;  // 6 for a cube map
  UINT MipLevels;  // in the file
  UINT MiscFlags;  // D3D10_RESOURCE_MISC_TEXTURECUBE for a cube map
  DXGI_FORMAT Format;
  D3D10_RESOURCE_DIMENSION ResourceDimension;
  D3DX10_IMAGE_FILE_FORMAT ImageFileFormat;
} D3DX10_IMAGE_INFO;

// Every field may be D3DX10_DEFAULT. Supported beyond that: Width and Height equal to the file's
// (no resizing), FirstMipLevel 0, MipLevels (0 or DEFAULT: the full chain; FROM_FILE: the file's),
// Usage, BindFlags, CpuAccessFlags, MiscFlags, and Format R8G8B8A8_UNORM or its _SRGB form.
typedef struct D3DX10_IMAGE_LOAD_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT FirstMipLevel;
  UINT MipLevels;
  D3D10_USAGE Usage;
  UINT BindFlags;
  UINT CpuAccessFlags;
  UINT MiscFlags;
  DXGI_FORMAT Format;
  UINT Filter;
  UINT MipFilter;
  D3DX10_IMAGE_INFO* pSrcInfo;
} D3DX10_IMAGE_LOAD_INFO;

// Describes an image file without creating anything.
HRESULT D3DX10GetImageInfoFromFileA(LPCSTR srcFile, ID3DX10ThreadPump* pump, D3DX10_IMAGE_INFO* srcInfo,
                                    HRESULT* result);
// A 2D texture (cube maps: six array slices with D3D10_RESOURCE_MISC_TEXTURECUBE).
HRESULT D3DX10CreateTextureFromFileA(ID3D10Device* device, LPCSTR srcFile, D3DX10_IMAGE_LOAD_INFO* loadInfo,
                                     ID3DX10ThreadPump* pump, ID3D10Resource** texture, HRESULT* result);
// The texture's shader-resource view (TEXTURE2D, or TEXTURECUBE for cube maps); the view holds
// the texture. On failure *view is null.
HRESULT D3DX10CreateShaderResourceViewFromFileA(ID3D10Device* device, LPCSTR srcFile,
                                                D3DX10_IMAGE_LOAD_INFO* loadInfo, ID3DX10ThreadPump* pump,
                                                ID3D10ShaderResourceView** view, HRESULT* result);

// Writes the top level of an 8-bit RGBA 2D texture (R8G8B8A8_UNORM or its _SRGB form) as PNG,
// BMP, JPEG or TGA, row 0 at the top. Other textures and formats give E_NOTIMPL with a report.
HRESULT D3DX10SaveTextureToFileA(ID3D10Resource* source, D3DX10_IMAGE_FILE_FORMAT format, LPCSTR destFile);
// The same, into a new blob of the file's bytes (flags: none defined); *destBuf is null on failure.
HRESULT D3DX10SaveTextureToMemory(ID3D10Resource* source, D3DX10_IMAGE_FILE_FORMAT format, LPD3D10BLOB* destBuf,
                                  UINT flags);
