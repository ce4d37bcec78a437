// Direct3D 10 and DXGI stand-in on OpenGL 4.5 core and an SDL2 window. Names, numbers, structure
// layouts and calling shapes follow the platform's; every object is reference counted
// (AddRef/Release) and reached through its interface. D3D's clip space and top-left origin are kept
// on the GL side, so texture row 0 is the top row for images and render targets alike.
// Sections: COM basics · DXGI formats and descriptions · D3D10 enums and descriptions ·
// D3D10 interfaces · DXGI interfaces · creation calls.
#pragma once

#include <platform/win32.h>

// ---- COM basics ----------------------------------------------------------------------------
#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID;
#endif
typedef GUID IID;
typedef const IID& REFIID;
typedef unsigned char UINT8;
typedef const GUID& REFGUID;

inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
inline BOOL IsEqualGUID(REFGUID a, REFGUID b) { return a == b ? TRUE : FALSE; }

// __uuidof(Interface) yields the interface's IID, as the platform's compiler does.
template <class T> struct DuskInterfaceId;
#define __uuidof(Interface) (DuskInterfaceId<Interface>::value)
#define DUSK_DECLARE_IID(Interface, d1, d2, d3, b0, b1, b2, b3, b4, b5, b6, b7)              \
  struct Interface;                                                                          \
  template <> struct DuskInterfaceId<Interface> {                                            \
    static constexpr GUID value = {d1, d2, d3, {b0, b1, b2, b3, b4, b5, b6, b7}};           \
  };                                                                                         \
  inline constexpr const GUID& IID_##Interface = DuskInterfaceId<Interface>::value

DUSK_DECLARE_IID(IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

#define DXGI_ERROR_INVALID_CALL ((HRESULT)0x887A0001)
#define DXGI_ERROR_NOT_FOUND ((HRESULT)0x887A0002)
#define DXGI_ERROR_UNSUPPORTED ((HRESULT)0x887A0004)
#define DXGI_ERROR_DEVICE_REMOVED ((HRESULT)0x887A0005)
#define DXGI_ERROR_NOT_CURRENTLY_AVAILABLE ((HRESULT)0x887A0022)
#define DXGI_STATUS_OCCLUDED ((HRESULT)0x087A0001)
#define D3D10_ERROR_FILE_NOT_FOUND ((HRESULT)0x88790002)

// ---- DXGI formats and descriptions ---------------------------------------------------------
// UINT-based, as image load info may hold D3DX10_DEFAULT in this field.
typedef enum DXGI_FORMAT : UINT {
  DXGI_FORMAT_UNKNOWN = 0,
  DXGI_FORMAT_R32G32B32A32_TYPELESS = 1, DXGI_FORMAT_R32G32B32A32_FLOAT = 2,
  DXGI_FORMAT_R32G32B32A32_UINT = 3, DXGI_FORMAT_R32G32B32A32_SINT = 4,
  DXGI_FORMAT_R32G32B32_TYPELESS = 5, DXGI_FORMAT_R32G32B32_FLOAT = 6,
  DXGI_FORMAT_R32G32B32_UINT = 7, DXGI_FORMAT_R32G32B32_SINT = 8,
  DXGI_FORMAT_R16G16B16A16_TYPELESS = 9, DXGI_FORMAT_R16G16B16A16_FLOAT = 10,
  DXGI_FORMAT_R16G16B16A16_UNORM = 11, DXGI_FORMAT_R16G16B16A16_UINT = 12,
  DXGI_FORMAT_R16G16B16A16_SNORM = 13, DXGI_FORMAT_R16G16B16A16_SINT = 14,
  DXGI_FORMAT_R32G32_TYPELESS = 15, DXGI_FORMAT_R32G32_FLOAT = 16,
  DXGI_FORMAT_R32G32_UINT = 17, DXGI_FORMAT_R32G32_SINT = 18,
  DXGI_FORMAT_R32G8X24_TYPELESS = 19, DXGI_FORMAT_D32_FLOAT_S8X24_UINT = 20,
  DXGI_FORMAT_R32_FLOAT_X8X24_TYPELESS = 21, DXGI_FORMAT_X32_TYPELESS_G8X24_UINT = 22,
  DXGI_FORMAT_R10G10B10A2_TYPELESS = 23, DXGI_FORMAT_R10G10B10A2_UNORM = 24,
  DXGI_FORMAT_R10G10B10A2_UINT = 25, DXGI_FORMAT_R11G11B10_FLOAT = 26,
  DXGI_FORMAT_R8G8B8A8_TYPELESS = 27, DXGI_FORMAT_R8G8B8A8_UNORM = 28,
  DXGI_FORMAT_R8G8B8A8_UNORM_SRGB = 29, DXGI_FORMAT_R8G8B8A8_UINT = 30,
  DXGI_FORMAT_R8G8B8A8_SNORM = 31, DXGI_FORMAT_R8G8B8A8_SINT = 32,
  DXGI_FORMAT_R16G16_TYPELESS = 33, DXGI_FORMAT_R16G16_FLOAT = 34,
  DXGI_FORMAT_R16G16_UNORM = 35, DXGI_FORMAT_R16G16_UINT = 36,
  DXGI_FORMAT_R16G16_SNORM = 37, DXGI_FORMAT_R16G16_SINT = 38,
  DXGI_FORMAT_R32_TYPELESS = 39, DXGI_FORMAT_D32_FLOAT = 40, DXGI_FORMAT_R32_FLOAT = 41,
  DXGI_FORMAT_R32_UINT = 42, DXGI_FORMAT_R32_SINT = 43,
  DXGI_FORMAT_R24G8_TYPELESS = 44, DXGI_FORMAT_D24_UNORM_S8_UINT = 45,
  DXGI_FORMAT_R24_UNORM_X8_TYPELESS = 46, DXGI_FORMAT_X24_TYPELESS_G8_UINT = 47,
  DXGI_FORMAT_R8G8_TYPELESS = 48, DXGI_FORMAT_R8G8_UNORM = 49, DXGI_FORMAT_R8G8_UINT = 50,
  DXGI_FORMAT_R8G8_SNORM = 51, DXGI_FORMAT_R8G8_SINT = 52,
  DXGI_FORMAT_R16_TYPELESS = 53, DXGI_FORMAT_R16_FLOAT = 54, DXGI_FORMAT_D16_UNORM = 55,
  DXGI_FORMAT_R16_UNORM = 56, DXGI_FORMAT_R16_UINT = 57, DXGI_FORMAT_R16_SNORM = 58,
  DXGI_FORMAT_R16_SINT = 59,
  DXGI_FORMAT_R8_TYPELESS = 60, DXGI_FORMAT_R8_UNORM = 61, DXGI_FORMAT_R8_UINT = 62,
  DXGI_FORMAT_R8_SNORM = 63, DXGI_FORMAT_R8_SINT = 64, DXGI_FORMAT_A8_UNORM = 65,
  DXGI_FORMAT_R1_UNORM = 66, DXGI_FORMAT_R9G9B9E5_SHAREDEXP = 67,
  DXGI_FORMAT_R8G8_B8G8_UNORM = 68, DXGI_FORMAT_G8R8_G8B8_UNORM = 69,
  DXGI_FORMAT_BC1_TYPELESS = 70, DXGI_FORMAT_BC1_UNORM = 71, DXGI_FORMAT_BC1_UNORM_SRGB = 72,
  DXGI_FORMAT_BC2_TYPELESS = 73, DXGI_FORMAT_BC2_UNORM = 74, DXGI_FORMAT_BC2_UNORM_SRGB = 75,
  DXGI_FORMAT_BC3_TYPELESS = 76, DXGI_FORMAT_BC3_UNORM = 77, DXGI_FORMAT_BC3_UNORM_SRGB = 78,
  DXGI_FORMAT_BC4_TYPELESS = 79, DXGI_FORMAT_BC4_UNORM = 80, DXGI_FORMAT_BC4_SNORM = 81,
  DXGI_FORMAT_BC5_TYPELESS = 82, DXGI_FORMAT_BC5_UNORM = 83, DXGI_FORMAT_BC5_SNORM = 84,
  DXGI_FORMAT_B5G6R5_UNORM = 85, DXGI_FORMAT_B5G5R5A1_UNORM = 86,
  DXGI_FORMAT_B8G8R8A8_UNORM = 87, DXGI_FORMAT_B8G8R8X8_UNORM = 88,
  DXGI_FORMAT_FORCE_UINT = 0xffffffff
} DXGI_FORMAT;

typedef UINT DXGI_USAGE;
#define DXGI_USAGE_SHADER_INPUT 0x00000010u
#define DXGI_USAGE_RENDER_TARGET_OUTPUT 0x00000020u
#define DXGI_USAGE_BACK_BUFFER 0x00000040u
#define DXGI_USAGE_SHARED 0x00000080u
#define DXGI_USAGE_READ_ONLY 0x00000100u
#define DXGI_USAGE_DISCARD_ON_PRESENT 0x00000200u

#define DXGI_MWA_NO_WINDOW_CHANGES 0x1u
#define DXGI_MWA_NO_ALT_ENTER 0x2u
#define DXGI_MWA_NO_PRINT_SCREEN 0x4u
#define DXGI_PRESENT_TEST 0x00000001u

typedef struct DXGI_RATIONAL { UINT Numerator; UINT Denominator; } DXGI_RATIONAL;

typedef enum DXGI_MODE_SCANLINE_ORDER {
  DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED = 0, DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE = 1,
  DXGI_MODE_SCANLINE_ORDER_UPPER_FIELD_FIRST = 2, DXGI_MODE_SCANLINE_ORDER_LOWER_FIELD_FIRST = 3
} DXGI_MODE_SCANLINE_ORDER;

typedef enum DXGI_MODE_SCALING {
  DXGI_MODE_SCALING_UNSPECIFIED = 0, DXGI_MODE_SCALING_CENTERED = 1, DXGI_MODE_SCALING_STRETCHED = 2
} DXGI_MODE_SCALING;

typedef struct DXGI_MODE_DESC {
  UINT Width;
  UINT Height;
  DXGI_RATIONAL RefreshRate;
  DXGI_FORMAT Format;
  DXGI_MODE_SCANLINE_ORDER ScanlineOrdering;
  DXGI_MODE_SCALING Scaling;
} DXGI_MODE_DESC;

typedef struct DXGI_SAMPLE_DESC { UINT Count; UINT Quality; } DXGI_SAMPLE_DESC;

typedef enum DXGI_SWAP_EFFECT { DXGI_SWAP_EFFECT_DISCARD = 0, DXGI_SWAP_EFFECT_SEQUENTIAL = 1 } DXGI_SWAP_EFFECT;

typedef struct DXGI_SWAP_CHAIN_DESC {
  DXGI_MODE_DESC BufferDesc;
  DXGI_SAMPLE_DESC SampleDesc;
  DXGI_USAGE BufferUsage;
  UINT BufferCount;
  HWND OutputWindow;
  BOOL Windowed;
  DXGI_SWAP_EFFECT SwapEffect;
  UINT Flags;
} DXGI_SWAP_CHAIN_DESC;

typedef struct DXGI_ADAPTER_DESC {
  WCHAR Description[128];
  UINT VendorId;
  UINT DeviceId;
  UINT SubSysId;
  UINT Revision;
  SIZE_T DedicatedVideoMemory;
  SIZE_T DedicatedSystemMemory;
  SIZE_T SharedSystemMemory;
  struct { DWORD LowPart; LONG HighPart; } AdapterLuid;
} DXGI_ADAPTER_DESC;

// ---- D3D10 enums and descriptions ----------------------------------------------------------
#define D3D10_SDK_VERSION 29
#define D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT 8
#define D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT 16
#define D3D10_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE 16
#define D3D10_APPEND_ALIGNED_ELEMENT 0xffffffffu
#define D3D10_FLOAT32_MAX 3.402823466e+38f

typedef enum D3D10_DRIVER_TYPE {
  D3D10_DRIVER_TYPE_HARDWARE = 0,   // a GL 4.5 context whose renderer is not a software rasteriser
  D3D10_DRIVER_TYPE_REFERENCE = 1,  // Mesa's reference rasteriser (softpipe)
  D3D10_DRIVER_TYPE_NULL = 2,       // no rendering at all: the recording device (d3d10_recording.h)
  D3D10_DRIVER_TYPE_SOFTWARE = 3,   // needs the software module; same as WARP here
  D3D10_DRIVER_TYPE_WARP = 5        // Mesa's fast software rasteriser (llvmpipe), forced
} D3D10_DRIVER_TYPE;

#define D3D10_CREATE_DEVICE_SINGLETHREADED 0x1u
#define D3D10_CREATE_DEVICE_DEBUG 0x2u

typedef enum D3D10_BIND_FLAG {
  D3D10_BIND_VERTEX_BUFFER = 0x1, D3D10_BIND_INDEX_BUFFER = 0x2, D3D10_BIND_CONSTANT_BUFFER = 0x4,
  D3D10_BIND_SHADER_RESOURCE = 0x8, D3D10_BIND_STREAM_OUTPUT = 0x10,
  D3D10_BIND_RENDER_TARGET = 0x20, D3D10_BIND_DEPTH_STENCIL = 0x40
} D3D10_BIND_FLAG;

// UINT-based, as image load info may hold D3DX10_DEFAULT in these fields.
typedef enum D3D10_USAGE : UINT {
  D3D10_USAGE_DEFAULT = 0, D3D10_USAGE_IMMUTABLE = 1, D3D10_USAGE_DYNAMIC = 2, D3D10_USAGE_STAGING = 3
} D3D10_USAGE;

typedef enum D3D10_CPU_ACCESS_FLAG { D3D10_CPU_ACCESS_WRITE = 0x10000, D3D10_CPU_ACCESS_READ = 0x20000 } D3D10_CPU_ACCESS_FLAG;

typedef enum D3D10_RESOURCE_MISC_FLAG {
  D3D10_RESOURCE_MISC_GENERATE_MIPS = 0x1, D3D10_RESOURCE_MISC_SHARED = 0x2,
  D3D10_RESOURCE_MISC_TEXTURECUBE = 0x4
} D3D10_RESOURCE_MISC_FLAG;

typedef enum D3D10_MAP {
  D3D10_MAP_READ = 1, D3D10_MAP_WRITE = 2, D3D10_MAP_READ_WRITE = 3,
  D3D10_MAP_WRITE_DISCARD = 4, D3D10_MAP_WRITE_NO_OVERWRITE = 5
} D3D10_MAP;

typedef enum D3D10_RESOURCE_DIMENSION {
  D3D10_RESOURCE_DIMENSION_UNKNOWN = 0, D3D10_RESOURCE_DIMENSION_BUFFER = 1,
  D3D10_RESOURCE_DIMENSION_TEXTURE1D = 2, D3D10_RESOURCE_DIMENSION_TEXTURE2D = 3,
  D3D10_RESOURCE_DIMENSION_TEXTURE3D = 4
} D3D10_RESOURCE_DIMENSION;

typedef enum D3D10_SRV_DIMENSION {
  D3D10_SRV_DIMENSION_UNKNOWN = 0, D3D10_SRV_DIMENSION_BUFFER = 1,
  D3D10_SRV_DIMENSION_TEXTURE1D = 2, D3D10_SRV_DIMENSION_TEXTURE1DARRAY = 3,
  D3D10_SRV_DIMENSION_TEXTURE2D = 4, D3D10_SRV_DIMENSION_TEXTURE2DARRAY = 5,
  D3D10_SRV_DIMENSION_TEXTURE2DMS = 6, D3D10_SRV_DIMENSION_TEXTURE2DMSARRAY = 7,
  D3D10_SRV_DIMENSION_TEXTURE3D = 8, D3D10_SRV_DIMENSION_TEXTURECUBE = 9
} D3D10_SRV_DIMENSION;

typedef enum D3D10_RTV_DIMENSION {
  D3D10_RTV_DIMENSION_UNKNOWN = 0, D3D10_RTV_DIMENSION_BUFFER = 1,
  D3D10_RTV_DIMENSION_TEXTURE1D = 2, D3D10_RTV_DIMENSION_TEXTURE1DARRAY = 3,
  D3D10_RTV_DIMENSION_TEXTURE2D = 4, D3D10_RTV_DIMENSION_TEXTURE2DARRAY = 5,
  D3D10_RTV_DIMENSION_TEXTURE2DMS = 6, D3D10_RTV_DIMENSION_TEXTURE2DMSARRAY = 7,
  D3D10_RTV_DIMENSION_TEXTURE3D = 8
} D3D10_RTV_DIMENSION;

typedef enum D3D10_DSV_DIMENSION {
  D3D10_DSV_DIMENSION_UNKNOWN = 0, D3D10_DSV_DIMENSION_TEXTURE1D = 1,
  D3D10_DSV_DIMENSION_TEXTURE1DARRAY = 2, D3D10_DSV_DIMENSION_TEXTURE2D = 3,
  D3D10_DSV_DIMENSION_TEXTURE2DARRAY = 4, D3D10_DSV_DIMENSION_TEXTURE2DMS = 5,
  D3D10_DSV_DIMENSION_TEXTURE2DMSARRAY = 6
} D3D10_DSV_DIMENSION;

typedef enum D3D10_INPUT_CLASSIFICATION {
  D3D10_INPUT_PER_VERTEX_DATA = 0, D3D10_INPUT_PER_INSTANCE_DATA = 1
} D3D10_INPUT_CLASSIFICATION;

typedef enum D3D10_PRIMITIVE_TOPOLOGY {
  D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED = 0, D3D10_PRIMITIVE_TOPOLOGY_POINTLIST = 1,
  D3D10_PRIMITIVE_TOPOLOGY_LINELIST = 2, D3D10_PRIMITIVE_TOPOLOGY_LINESTRIP = 3,
  D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST = 4, D3D10_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP = 5,
  D3D10_PRIMITIVE_TOPOLOGY_LINELIST_ADJ = 10, D3D10_PRIMITIVE_TOPOLOGY_LINESTRIP_ADJ = 11,
  D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST_ADJ = 12, D3D10_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP_ADJ = 13
} D3D10_PRIMITIVE_TOPOLOGY;

typedef enum D3D10_CLEAR_FLAG { D3D10_CLEAR_DEPTH = 0x1, D3D10_CLEAR_STENCIL = 0x2 } D3D10_CLEAR_FLAG;

typedef struct D3D10_VIEWPORT {
  INT TopLeftX;
  INT TopLeftY;
  UINT Width;
  UINT Height;
  FLOAT MinDepth;
  FLOAT MaxDepth;
} D3D10_VIEWPORT;

typedef struct D3D10_BOX { UINT left, top, front, right, bottom, back; } D3D10_BOX;

typedef struct D3D10_SUBRESOURCE_DATA {
  const void* pSysMem;
  UINT SysMemPitch;
  UINT SysMemSlicePitch;
} D3D10_SUBRESOURCE_DATA;

typedef struct D3D10_BUFFER_DESC {
  UINT ByteWidth;
  D3D10_USAGE Usage;
  UINT BindFlags;
  UINT CPUAccessFlags;
  UINT MiscFlags;
} D3D10_BUFFER_DESC;

typedef struct D3D10_TEXTURE2D_DESC {
  UINT Width;
  UINT Height;
  UINT MipLevels;  // 0 asks for the full chain
  UINT ArraySize;
  DXGI_FORMAT Format;
  DXGI_SAMPLE_DESC SampleDesc;
  D3D10_USAGE Usage;
  UINT BindFlags;
  UINT CPUAccessFlags;
  UINT MiscFlags;
} D3D10_TEXTURE2D_DESC;

typedef struct D3D10_TEXTURE3D_DESC {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  DXGI_FORMAT Format;
  D3D10_USAGE Usage;
  UINT BindFlags;
  UINT CPUAccessFlags;
  UINT MiscFlags;
} D3D10_TEXTURE3D_DESC;

typedef struct D3D10_MAPPED_TEXTURE2D { void* pData; UINT RowPitch; } D3D10_MAPPED_TEXTURE2D;
typedef struct D3D10_MAPPED_TEXTURE3D { void* pData; UINT RowPitch; UINT DepthPitch; } D3D10_MAPPED_TEXTURE3D;

typedef struct D3D10_TEX2D_SRV { UINT MostDetailedMip; UINT MipLevels; } D3D10_TEX2D_SRV;
typedef struct D3D10_TEX2D_ARRAY_SRV { UINT MostDetailedMip; UINT MipLevels; UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX2D_ARRAY_SRV;
typedef struct D3D10_TEX3D_SRV { UINT MostDetailedMip; UINT MipLevels; } D3D10_TEX3D_SRV;
typedef struct D3D10_TEXCUBE_SRV { UINT MostDetailedMip; UINT MipLevels; } D3D10_TEXCUBE_SRV;

typedef struct D3D10_SHADER_RESOURCE_VIEW_DESC {
  DXGI_FORMAT Format;
  D3D10_SRV_DIMENSION ViewDimension;
  union {
    D3D10_TEX2D_SRV Texture2D;
    D3D10_TEX2D_ARRAY_SRV Texture2DArray;
    D3D10_TEX3D_SRV Texture3D;
    D3D10_TEXCUBE_SRV TextureCube;
  };
} D3D10_SHADER_RESOURCE_VIEW_DESC;

typedef struct D3D10_TEX2D_RTV { UINT MipSlice; } D3D10_TEX2D_RTV;
typedef struct D3D10_TEX2D_ARRAY_RTV { UINT MipSlice; UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX2D_ARRAY_RTV;
typedef struct D3D10_TEX3D_RTV { UINT MipSlice; UINT FirstWSlice; UINT WSize; } D3D10_TEX3D_RTV;

typedef struct D3D10_RENDER_TARGET_VIEW_DESC {
  DXGI_FORMAT Format;
  D3D10_RTV_DIMENSION ViewDimension;
  union {
    D3D10_TEX2D_RTV Texture2D;
    D3D10_TEX2D_ARRAY_RTV Texture2DArray;
    D3D10_TEX3D_RTV Texture3D;
  };
} D3D10_RENDER_TARGET_VIEW_DESC;

typedef struct D3D10_TEX2D_DSV { UINT MipSlice; } D3D10_TEX2D_DSV;
typedef struct D3D10_TEX2D_ARRAY_DSV { UINT MipSlice; UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX2D_ARRAY_DSV;

typedef struct D3D10_DEPTH_STENCIL_VIEW_DESC {
  DXGI_FORMAT Format;
  D3D10_DSV_DIMENSION ViewDimension;
  union {
    D3D10_TEX2D_DSV Texture2D;
    D3D10_TEX2D_ARRAY_DSV Texture2DArray;
  };
} D3D10_DEPTH_STENCIL_VIEW_DESC;

typedef struct D3D10_INPUT_ELEMENT_DESC {
  LPCSTR SemanticName;
  UINT SemanticIndex;
  DXGI_FORMAT Format;
  UINT InputSlot;
  UINT AlignedByteOffset;
  D3D10_INPUT_CLASSIFICATION InputSlotClass;
  UINT InstanceDataStepRate;
} D3D10_INPUT_ELEMENT_DESC;

// ---- D3D10 interfaces ----------------------------------------------------------------------
DUSK_DECLARE_IID(ID3D10DeviceChild, 0x9B7E4C00, 0x342C, 0x4106, 0xA1, 0x9F, 0x4F, 0x27, 0x04, 0xF6, 0x89, 0xF0);
DUSK_DECLARE_IID(ID3D10Resource, 0x9B7E4C01, 0x342C, 0x4106, 0xA1, 0x9F, 0x4F, 0x27, 0x04, 0xF6, 0x89, 0xF0);
DUSK_DECLARE_IID(ID3D10Buffer, 0x9B7E4C02, 0x342C, 0x4106, 0xA1, 0x9F, 0x4F, 0x27, 0x04, 0xF6, 0x89, 0xF0);
DUSK_DECLARE_IID(ID3D10Texture2D, 0x9B7E4C04, 0x342C, 0x4106, 0xA1, 0x9F, 0x4F, 0x27, 0x04, 0xF6, 0x89, 0xF0);
DUSK_DECLARE_IID(ID3D10Texture3D, 0x9B7E4C05, 0x342C, 0x4106, 0xA1, 0x9F, 0x4F, 0x27, 0x04, 0xF6, 0x89, 0xF0);
DUSK_DECLARE_IID(ID3D10View, 0xC902B03F, 0x60A7, 0x49BA, 0x99, 0x36, 0x2A, 0x3A, 0xB3, 0x7A, 0x7E, 0x33);
DUSK_DECLARE_IID(ID3D10ShaderResourceView, 0x9B7E4C07, 0x342C, 0x4106, 0xA1, 0x9F, 0x4F, 0x27, 0x04, 0xF6, 0x89, 0xF0);
DUSK_DECLARE_IID(ID3D10RenderTargetView, 0x9B7E4C08, 0x342C, 0x4106, 0xA1, 0x9F, 0x4F, 0x27, 0x04, 0xF6, 0x89, 0xF0);
DUSK_DECLARE_IID(ID3D10DepthStencilView, 0x9B7E4C09, 0x342C, 0x4106, 0xA1, 0x9F, 0x4F, 0x27, 0x04, 0xF6, 0x89, 0xF0);
DUSK_DECLARE_IID(ID3D10InputLayout, 0x9B7E4C0B, 0x342C, 0x4106, 0xA1, 0x9F, 0x4F, 0x27, 0x04, 0xF6, 0x89, 0xF0);
DUSK_DECLARE_IID(ID3D10Device, 0x9B7E4C0F, 0x342C, 0x4106, 0xA1, 0x9F, 0x4F, 0x27, 0x04, 0xF6, 0x89, 0xF0);
DUSK_DECLARE_IID(ID3D10Blob, 0x8BA5FB08, 0x5195, 0x40E2, 0xAC, 0x58, 0x0D, 0x98, 0x9C, 0x3A, 0x01, 0x02);

struct ID3D10Device;

struct ID3D10DeviceChild : IUnknown {
  // The device that created the object, with a reference added.
  virtual void GetDevice(ID3D10Device** device) = 0;
};

struct ID3D10Resource : ID3D10DeviceChild {
  virtual void GetType(D3D10_RESOURCE_DIMENSION* dimension) = 0;
};

struct ID3D10Buffer : ID3D10Resource {
  // DYNAMIC buffers with WRITE_DISCARD or WRITE_NO_OVERWRITE; STAGING buffers with any mode.
  virtual HRESULT Map(D3D10_MAP mapType, UINT mapFlags, void** data) = 0;
  virtual void Unmap() = 0;
  virtual void GetDesc(D3D10_BUFFER_DESC* desc) = 0;
};

struct ID3D10Texture2D : ID3D10Resource {
  // STAGING textures (any mode) and DYNAMIC ones (WRITE_DISCARD); a subresource is mip + slice * MipLevels.
  virtual HRESULT Map(UINT subresource, D3D10_MAP mapType, UINT mapFlags, D3D10_MAPPED_TEXTURE2D* mapped) = 0;
  virtual void Unmap(UINT subresource) = 0;
  virtual void GetDesc(D3D10_TEXTURE2D_DESC* desc) = 0;
};

struct ID3D10Texture3D : ID3D10Resource {
  virtual HRESULT Map(UINT subresource, D3D10_MAP mapType, UINT mapFlags, D3D10_MAPPED_TEXTURE3D* mapped) = 0;
  virtual void Unmap(UINT subresource) = 0;
  virtual void GetDesc(D3D10_TEXTURE3D_DESC* desc) = 0;
};

struct ID3D10View : ID3D10DeviceChild {
  // The viewed resource, with a reference added.
  virtual void GetResource(ID3D10Resource** resource) = 0;
};

struct ID3D10ShaderResourceView : ID3D10View {
  virtual void GetDesc(D3D10_SHADER_RESOURCE_VIEW_DESC* desc) = 0;
};

struct ID3D10RenderTargetView : ID3D10View {
  virtual void GetDesc(D3D10_RENDER_TARGET_VIEW_DESC* desc) = 0;
};

struct ID3D10DepthStencilView : ID3D10View {
  virtual void GetDesc(D3D10_DEPTH_STENCIL_VIEW_DESC* desc) = 0;
};

struct ID3D10InputLayout : ID3D10DeviceChild {};

// A block of bytes: compiler messages, shader signatures.
struct ID3D10Blob : IUnknown {
  virtual void* GetBufferPointer() = 0;
  virtual SIZE_T GetBufferSize() = 0;
};
typedef ID3D10Blob* LPD3D10BLOB;
HRESULT D3D10CreateBlob(SIZE_T numBytes, ID3D10Blob** blob);

struct ID3D10Device : IUnknown {
  // Input assembler. Vertex formats are cached per layout, buffers bound per slot.
  virtual void IASetInputLayout(ID3D10InputLayout* layout) = 0;
  virtual void IASetVertexBuffers(UINT startSlot, UINT numBuffers, ID3D10Buffer* const* buffers,
                                  const UINT* strides, const UINT* offsets) = 0;
  virtual void IASetIndexBuffer(ID3D10Buffer* buffer, DXGI_FORMAT format, UINT offset) = 0;
  virtual void IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY topology) = 0;
  virtual void IAGetInputLayout(ID3D10InputLayout** layout) = 0;
  virtual void IAGetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY* topology) = 0;

  // Draws with the pipeline that the last applied effect pass bound.
  virtual void DrawIndexed(UINT indexCount, UINT startIndexLocation, INT baseVertexLocation) = 0;
  virtual void Draw(UINT vertexCount, UINT startVertexLocation) = 0;
  virtual void DrawIndexedInstanced(UINT indexCountPerInstance, UINT instanceCount, UINT startIndexLocation,
                                    INT baseVertexLocation, UINT startInstanceLocation) = 0;
  virtual void DrawInstanced(UINT vertexCountPerInstance, UINT instanceCount, UINT startVertexLocation,
                             UINT startInstanceLocation) = 0;

  // Output merger and rasteriser.
  virtual void OMSetRenderTargets(UINT numViews, ID3D10RenderTargetView* const* views,
                                  ID3D10DepthStencilView* depthStencilView) = 0;
  // References are added to every returned view.
  virtual void OMGetRenderTargets(UINT numViews, ID3D10RenderTargetView** views,
                                  ID3D10DepthStencilView** depthStencilView) = 0;
  virtual void RSSetViewports(UINT numViewports, const D3D10_VIEWPORT* viewports) = 0;
  // With viewports null, *numViewports receives the count bound.
  virtual void RSGetViewports(UINT* numViewports, D3D10_VIEWPORT* viewports) = 0;

  virtual void ClearRenderTargetView(ID3D10RenderTargetView* view, const FLOAT colorRGBA[4]) = 0;
  virtual void ClearDepthStencilView(ID3D10DepthStencilView* view, UINT clearFlags, FLOAT depth, UINT8 stencil) = 0;
  // Unbinds everything and returns every state to its default.
  virtual void ClearState() = 0;
  virtual void Flush() = 0;

  // Resources.
  virtual void UpdateSubresource(ID3D10Resource* dst, UINT dstSubresource, const D3D10_BOX* dstBox,
                                 const void* srcData, UINT srcRowPitch, UINT srcDepthPitch) = 0;
  // Same type, size and format; a STAGING destination receives the GPU contents for Map.
  virtual void CopyResource(ID3D10Resource* dst, ID3D10Resource* src) = 0;
  virtual void GenerateMips(ID3D10ShaderResourceView* view) = 0;

  virtual HRESULT CreateBuffer(const D3D10_BUFFER_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                               ID3D10Buffer** buffer) = 0;
  // Initial data: one entry per subresource (mip levels of slice 0 first, then slice 1, ...).
  virtual HRESULT CreateTexture2D(const D3D10_TEXTURE2D_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                                  ID3D10Texture2D** texture) = 0;
  virtual HRESULT CreateTexture3D(const D3D10_TEXTURE3D_DESC* desc, const D3D10_SUBRESOURCE_DATA* initialData,
                                  ID3D10Texture3D** texture) = 0;
  // A null description views the whole resource in its own format.
  virtual HRESULT CreateShaderResourceView(ID3D10Resource* resource, const D3D10_SHADER_RESOURCE_VIEW_DESC* desc,
                                           ID3D10ShaderResourceView** view) = 0;
  virtual HRESULT CreateRenderTargetView(ID3D10Resource* resource, const D3D10_RENDER_TARGET_VIEW_DESC* desc,
                                         ID3D10RenderTargetView** view) = 0;
  virtual HRESULT CreateDepthStencilView(ID3D10Resource* resource, const D3D10_DEPTH_STENCIL_VIEW_DESC* desc,
                                         ID3D10DepthStencilView** view) = 0;
  // Elements are matched to the inputs of an effect pass by semantic name and index; the signature
  // is D3D10_PASS_DESC::pIAInputSignature with its size. An input the elements lack fails.
  virtual HRESULT CreateInputLayout(const D3D10_INPUT_ELEMENT_DESC* elements, UINT numElements,
                                    const void* shaderBytecodeWithInputSignature, SIZE_T bytecodeLength,
                                    ID3D10InputLayout** layout) = 0;
};

// ---- DXGI interfaces -----------------------------------------------------------------------
DUSK_DECLARE_IID(IDXGIObject, 0xaec22fb8, 0x76f3, 0x4639, 0x9b, 0xe0, 0x28, 0xeb, 0x43, 0xa6, 0x7a, 0x2e);
DUSK_DECLARE_IID(IDXGIDeviceSubObject, 0x3d3e0379, 0xf9de, 0x4d58, 0xbb, 0x6c, 0x18, 0xd6, 0x29, 0x92, 0xf1, 0xa6);
DUSK_DECLARE_IID(IDXGIAdapter, 0x2411e7e1, 0x12ac, 0x4ccf, 0xbd, 0x14, 0x97, 0x98, 0xe8, 0x53, 0x4d, 0xc0);
DUSK_DECLARE_IID(IDXGIFactory, 0x7b7166ec, 0x21c7, 0x44ae, 0xb2, 0x1a, 0xc9, 0xae, 0x32, 0x1a, 0xe3, 0x69);
DUSK_DECLARE_IID(IDXGIDevice, 0x54ec77fa, 0x1377, 0x44e6, 0x8c, 0x32, 0x88, 0xfd, 0x5f, 0x44, 0xc8, 0x4c);
DUSK_DECLARE_IID(IDXGISwapChain, 0x310d36a0, 0xd2e7, 0x4c0a, 0xaa, 0x04, 0x6a, 0x9d, 0x23, 0xb8, 0x88, 0x6a);

struct IDXGIOutput;  // never handed out: full screen always uses the window's own display

struct IDXGIObject : IUnknown {
  // Adapter → factory, device → adapter; the parent comes with a reference added.
  virtual HRESULT GetParent(REFIID riid, void** parent) = 0;
};

struct IDXGIDeviceSubObject : IDXGIObject {
  virtual HRESULT GetDevice(REFIID riid, void** device) = 0;
};

struct IDXGIAdapter : IDXGIObject {
  // Description from the GL renderer and vendor strings.
  virtual HRESULT GetDesc(DXGI_ADAPTER_DESC* desc) = 0;
};

struct IDXGIFactory : IDXGIObject {
  // Records the window and flags; Alt+Enter is never handled by this layer in any case.
  virtual HRESULT MakeWindowAssociation(HWND window, UINT flags) = 0;
  virtual HRESULT GetWindowAssociation(HWND* window) = 0;
};

struct IDXGIDevice : IDXGIObject {
  virtual HRESULT GetAdapter(IDXGIAdapter** adapter) = 0;
};

struct IDXGISwapChain : IDXGIDeviceSubObject {
  // Shows buffer 0 in the window (flipped to the window's bottom-up rows, scaled to its size);
  // a sync interval above 0 waits for vertical blank.
  virtual HRESULT Present(UINT syncInterval, UINT flags) = 0;
  // Buffer 0 only: the back buffer texture, with a reference added.
  virtual HRESULT GetBuffer(UINT buffer, REFIID riid, void** surface) = 0;
  // Full screen on the window's display (SDL desktop full screen); target must be null.
  virtual HRESULT SetFullscreenState(BOOL fullscreen, IDXGIOutput* target) = 0;
  virtual HRESULT GetFullscreenState(BOOL* fullscreen, IDXGIOutput** target) = 0;
  virtual HRESULT GetDesc(DXGI_SWAP_CHAIN_DESC* desc) = 0;
  // Fails while references to the old back buffer remain, as the platform's does.
  virtual HRESULT ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT newFormat, UINT flags) = 0;
};

// ---- Creation calls ------------------------------------------------------------------------
// Creates the GL context on the swap chain's output window (an SDL window made with OpenGL); with
// D3D10_DRIVER_TYPE_NULL the recording device and a swap chain in CPU memory, without a window.
// Hardware fails when the only renderer is a software rasteriser; WARP and SOFTWARE force
// Mesa's llvmpipe (the module, if given, names the driver); REFERENCE forces softpipe, which
// fails where it offers no GL 4.5.
HRESULT D3D10CreateDeviceAndSwapChain(IDXGIAdapter* adapter, D3D10_DRIVER_TYPE driverType, HMODULE software,
                                      UINT flags, UINT sdkVersion, DXGI_SWAP_CHAIN_DESC* swapChainDesc,
                                      IDXGISwapChain** swapChain, ID3D10Device** device);
// A device without a swap chain, on a hidden window of its own (tools, tests, off-screen work);
// with D3D10_DRIVER_TYPE_NULL the recording device, which needs no display.
HRESULT D3D10CreateDevice(IDXGIAdapter* adapter, D3D10_DRIVER_TYPE driverType, HMODULE software, UINT flags,
                          UINT sdkVersion, ID3D10Device** device);
