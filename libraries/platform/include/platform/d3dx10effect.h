// D3DX10 effects over GLSL effect files: an effect file is GLSL 4.50 in sections ("-- common",
// "-- vertex NAME", "-- fragment NAME", "-- sampler VAR ...", "-- technique NAME" with "pass"
// lines), loaded from source or from the precompiled ".fxo" form. Offers the platform's effect
// interfaces: techniques and passes by name and index, variables by name with As* casts, effect
// pools whose variables every child effect shares, and invalid objects that do nothing safely.
//
// Format details beyond the design note:
//   pass NAME vertex=V [geometry=G] [fragment=F] [blend=none|alpha|add|premultiplied|multiply]
//        [depth=off|test|write|writeonly] [cull=none|back|front] [fill=solid|wireframe]
//     unstated states are the platform's defaults: blend=none depth=write cull=back fill=solid;
//     a pass without a fragment stage writes depth only.
//   -- sampler VAR [filter=point|linear|anisotropic] [mip=linear|point|none]
//        [address=wrap|clamp|mirror|border] [addressU=..] [addressV=..] [addressW=..] [border=r,g,b,a]
//     a sampler without such a line filters linearly with mipmaps and clamps.
//   Text before the first section is common. "#version" lines are dropped (the loader states 450).
//   Uniform initializers that are constants (numbers, + - * /, vecN/matN/type[N] constructors)
//   are the variables' initial values; others take the value the GL compiler gives them.
#pragma once

#include <platform/d3d10.h>

#define D3D10_EFFECT_COMPILE_CHILD_EFFECT 0x1u
#define D3D10_EFFECT_COMPILE_ALLOW_SLOW_OPS 0x2u
#define D3D10_EFFECT_SINGLE_THREADED 0x8u
#define D3D10_EFFECT_VARIABLE_POOLED 0x1u
#define D3D10_EFFECT_VARIABLE_ANNOTATION 0x2u
#define D3D10_EFFECT_VARIABLE_EXPLICIT_BIND_POINT 0x4u

// Compiler flags are accepted and otherwise ignored: GLSL is always compiled strictly.
#define D3D10_SHADER_DEBUG 0x1u
#define D3D10_SHADER_SKIP_VALIDATION 0x2u
#define D3D10_SHADER_SKIP_OPTIMIZATION 0x4u
#define D3D10_SHADER_PACK_MATRIX_ROW_MAJOR 0x8u
#define D3D10_SHADER_PACK_MATRIX_COLUMN_MAJOR 0x10u
#define D3D10_SHADER_ENABLE_STRICTNESS 0x800u

typedef enum D3D10_INCLUDE_TYPE { D3D10_INCLUDE_LOCAL = 0, D3D10_INCLUDE_SYSTEM = 1 } D3D10_INCLUDE_TYPE;

typedef struct D3D10_SHADER_MACRO { LPCSTR Name; LPCSTR Definition; } D3D10_SHADER_MACRO;

// Resolves #include "name" while an effect loads. Open hands out a buffer that Close frees.
struct ID3D10Include {
  virtual HRESULT Open(D3D10_INCLUDE_TYPE includeType, LPCSTR fileName, LPCVOID parentData, LPCVOID* data,
                       UINT* bytes) = 0;
  virtual HRESULT Close(LPCVOID data) = 0;
};

struct ID3DX10ThreadPump;  // loading is always synchronous; a pump is ignored

typedef enum D3D10_SHADER_VARIABLE_CLASS {
  D3D10_SVC_SCALAR = 0, D3D10_SVC_VECTOR = 1, D3D10_SVC_MATRIX_ROWS = 2, D3D10_SVC_MATRIX_COLUMNS = 3,
  D3D10_SVC_OBJECT = 4, D3D10_SVC_STRUCT = 5
} D3D10_SHADER_VARIABLE_CLASS;

typedef enum D3D10_SHADER_VARIABLE_TYPE {
  D3D10_SVT_VOID = 0, D3D10_SVT_BOOL = 1, D3D10_SVT_INT = 2, D3D10_SVT_FLOAT = 3,
  D3D10_SVT_TEXTURE2D = 7, D3D10_SVT_TEXTURE3D = 8, D3D10_SVT_TEXTURECUBE = 9, D3D10_SVT_UINT = 19
} D3D10_SHADER_VARIABLE_TYPE;

typedef struct D3D10_EFFECT_DESC {
  BOOL IsChildEffect;
  UINT ConstantBuffers;
  UINT SharedConstantBuffers;
  UINT GlobalVariables;        // the effect's own variables
  UINT SharedGlobalVariables;  // variables of the pool it was created with
  UINT Techniques;
} D3D10_EFFECT_DESC;

typedef struct D3D10_TECHNIQUE_DESC { LPCSTR Name; UINT Passes; UINT Annotations; } D3D10_TECHNIQUE_DESC;

typedef struct D3D10_PASS_DESC {
  LPCSTR Name;
  UINT Annotations;
  BYTE* pIAInputSignature;  // for CreateInputLayout; valid while the effect lives
  SIZE_T IAInputSignatureSize;
  UINT StencilRef;
  UINT SampleMask;
  FLOAT BlendFactor[4];
} D3D10_PASS_DESC;

typedef struct D3D10_EFFECT_VARIABLE_DESC {
  LPCSTR Name;
  LPCSTR Semantic;  // always null: GLSL uniforms carry none
  UINT Flags;       // D3D10_EFFECT_VARIABLE_POOLED for a pool's variable
  UINT Annotations;
  UINT BufferOffset;
  UINT ExplicitBindPoint;
} D3D10_EFFECT_VARIABLE_DESC;

typedef struct D3D10_EFFECT_TYPE_DESC {
  LPCSTR TypeName;  // the GLSL type: "float", "vec4", "mat4", "sampler2D", ...
  D3D10_SHADER_VARIABLE_CLASS Class;
  D3D10_SHADER_VARIABLE_TYPE Type;
  UINT Elements;  // 0 for a variable that is not an array
  UINT Members;
  UINT Rows;
  UINT Columns;
  UINT PackedSize;
  UINT UnpackedSize;
  UINT Stride;
} D3D10_EFFECT_TYPE_DESC;

struct ID3D10EffectType {
  virtual BOOL IsValid() = 0;
  virtual HRESULT GetDesc(D3D10_EFFECT_TYPE_DESC* desc) = 0;
};

struct ID3D10EffectScalarVariable;
struct ID3D10EffectVectorVariable;
struct ID3D10EffectMatrixVariable;
struct ID3D10EffectShaderResourceVariable;

// A variable keeps its value on the CPU side; passes upload what changed when applied. Calls on
// an invalid variable (unknown name, wrong cast, element out of range) fail and change nothing.
struct ID3D10EffectVariable {
  virtual BOOL IsValid() = 0;
  virtual ID3D10EffectType* GetType() = 0;
  virtual HRESULT GetDesc(D3D10_EFFECT_VARIABLE_DESC* desc) = 0;
  virtual ID3D10EffectVariable* GetElement(UINT index) = 0;
  // Each cast is invalid unless the variable is of that class (scalar: float, int, uint, bool).
  virtual ID3D10EffectScalarVariable* AsScalar() = 0;
  virtual ID3D10EffectVectorVariable* AsVector() = 0;
  virtual ID3D10EffectMatrixVariable* AsMatrix() = 0;
  virtual ID3D10EffectShaderResourceVariable* AsShaderResource() = 0;
  // Raw bytes of numeric variables in their packed layout (4 bytes per component).
  virtual HRESULT SetRawValue(const void* data, UINT byteOffset, UINT byteCount) = 0;
  virtual HRESULT GetRawValue(void* data, UINT byteOffset, UINT byteCount) = 0;
};

// Numbers are converted to the variable's own component type (float, int or bool).
struct ID3D10EffectScalarVariable : ID3D10EffectVariable {
  virtual HRESULT SetFloat(float value) = 0;
  virtual HRESULT GetFloat(float* value) = 0;
  virtual HRESULT SetFloatArray(const float* data, UINT offset, UINT count) = 0;
  virtual HRESULT GetFloatArray(float* data, UINT offset, UINT count) = 0;
  virtual HRESULT SetInt(int value) = 0;
  virtual HRESULT GetInt(int* value) = 0;
  virtual HRESULT SetIntArray(const int* data, UINT offset, UINT count) = 0;
  virtual HRESULT GetIntArray(int* data, UINT offset, UINT count) = 0;
  virtual HRESULT SetBool(BOOL value) = 0;
  virtual HRESULT GetBool(BOOL* value) = 0;
};

// Vectors take as many components as the variable has (a vec2 reads two of the four given).
struct ID3D10EffectVectorVariable : ID3D10EffectVariable {
  virtual HRESULT SetFloatVector(const float* data) = 0;
  virtual HRESULT GetFloatVector(float* data) = 0;
  virtual HRESULT SetIntVector(const int* data) = 0;
  virtual HRESULT GetIntVector(int* data) = 0;
  virtual HRESULT SetBoolVector(const BOOL* data) = 0;
  virtual HRESULT GetBoolVector(BOOL* data) = 0;
  virtual HRESULT SetFloatVectorArray(const float* data, UINT offset, UINT count) = 0;
  virtual HRESULT GetFloatVectorArray(float* data, UINT offset, UINT count) = 0;
};

// Sixteen floats, rows first as the D3DX helpers lay them out; uploaded without transposing, so
// "M * v" in a shader applies the row-vector transform "v · M".
struct ID3D10EffectMatrixVariable : ID3D10EffectVariable {
  virtual HRESULT SetMatrix(const float* data) = 0;
  virtual HRESULT GetMatrix(float* data) = 0;
  virtual HRESULT SetMatrixArray(const float* data, UINT offset, UINT count) = 0;
  virtual HRESULT GetMatrixArray(float* data, UINT offset, UINT count) = 0;
  virtual HRESULT SetMatrixTranspose(const float* data) = 0;
  virtual HRESULT GetMatrixTranspose(float* data) = 0;
};

// Views are held with a reference until replaced or the effect is released.
struct ID3D10EffectShaderResourceVariable : ID3D10EffectVariable {
  virtual HRESULT SetResource(ID3D10ShaderResourceView* resource) = 0;
  // Adds a reference to the returned view (null when none is set).
  virtual HRESULT GetResource(ID3D10ShaderResourceView** resource) = 0;
  virtual HRESULT SetResourceArray(ID3D10ShaderResourceView** resources, UINT offset, UINT count) = 0;
  virtual HRESULT GetResourceArray(ID3D10ShaderResourceView** resources, UINT offset, UINT count) = 0;
};

struct ID3D10EffectPass {
  virtual BOOL IsValid() = 0;
  virtual HRESULT GetDesc(D3D10_PASS_DESC* desc) = 0;
  // Binds the pass's program and states and uploads the variables that changed since the
  // program last saw them. An invalid pass does nothing and fails.
  virtual HRESULT Apply(UINT flags) = 0;
};

struct ID3D10EffectTechnique {
  virtual BOOL IsValid() = 0;
  virtual HRESULT GetDesc(D3D10_TECHNIQUE_DESC* desc) = 0;
  virtual ID3D10EffectPass* GetPassByIndex(UINT index) = 0;
  virtual ID3D10EffectPass* GetPassByName(LPCSTR name) = 0;
};

DUSK_DECLARE_IID(ID3D10Effect, 0x51b0ca8b, 0xec0b, 0x4519, 0x87, 0x0d, 0x8e, 0xe1, 0xcb, 0x50, 0x17, 0xc7);
DUSK_DECLARE_IID(ID3D10EffectPool, 0x9537ab04, 0x3250, 0x412e, 0x82, 0x13, 0xfc, 0xd2, 0xf8, 0x67, 0x79, 0x33);

struct ID3D10Effect : IUnknown {
  virtual BOOL IsValid() = 0;
  virtual BOOL IsPool() = 0;
  virtual HRESULT GetDevice(ID3D10Device** device) = 0;
  virtual HRESULT GetDesc(D3D10_EFFECT_DESC* desc) = 0;
  // Own variables first, then the pool's; by name the same order decides.
  virtual ID3D10EffectVariable* GetVariableByIndex(UINT index) = 0;
  virtual ID3D10EffectVariable* GetVariableByName(LPCSTR name) = 0;
  virtual ID3D10EffectTechnique* GetTechniqueByIndex(UINT index) = 0;
  virtual ID3D10EffectTechnique* GetTechniqueByName(LPCSTR name) = 0;
};

struct ID3D10EffectPool : IUnknown {
  // The pool as an effect (its variables; it has no techniques). No reference is added.
  virtual ID3D10Effect* AsEffect() = 0;
};

// Loads an effect from source or ".fxo"; on failure *effect is null, the messages (file and line)
// go to platform::Report as warnings and, when asked for, into *errors.
// With effect flag D3D10_EFFECT_COMPILE_CHILD_EFFECT the pool's variables are shared.
// Without an include handler, includes are found beside the including file.
HRESULT D3DX10CreateEffectFromFileA(LPCSTR fileName, const D3D10_SHADER_MACRO* defines, ID3D10Include* include,
                                    LPCSTR profile, UINT hlslFlags, UINT fxFlags, ID3D10Device* device,
                                    ID3D10EffectPool* effectPool, ID3DX10ThreadPump* pump, ID3D10Effect** effect,
                                    ID3D10Blob** errors, HRESULT* result);
// The same from text in memory; sourceFileName names it in messages and roots default includes.
HRESULT D3DX10CreateEffectFromMemory(LPCVOID data, SIZE_T dataLength, LPCSTR sourceFileName,
                                     const D3D10_SHADER_MACRO* defines, ID3D10Include* include, LPCSTR profile,
                                     UINT hlslFlags, UINT fxFlags, ID3D10Device* device,
                                     ID3D10EffectPool* effectPool, ID3DX10ThreadPump* pump,
                                     ID3D10Effect** effect, ID3D10Blob** errors, HRESULT* result);
// A pool: every uniform of its file is a pool variable. It may hold no techniques.
HRESULT D3DX10CreateEffectPoolFromFileA(LPCSTR fileName, const D3D10_SHADER_MACRO* defines,
                                        ID3D10Include* include, LPCSTR profile, UINT hlslFlags, UINT fxFlags,
                                        ID3D10Device* device, ID3DX10ThreadPump* pump,
                                        ID3D10EffectPool** effectPool, ID3D10Blob** errors, HRESULT* result);

namespace platform {

// Live reloading: gives `target` the techniques, passes and programs of `source`, an effect just
// built from the same file on the same device and pool. Every object handed out by the target
// stays valid: a variable whose name and type are unchanged keeps its object and value, a
// technique or pass of an unchanged name keeps its object; what the new text no longer has stays
// alive but invalid. A variable that comes back with a name and type it had before (after
// reloads without it, or with another type) takes up its old object again, with the value and
// views last set on it. Two pools (their AsEffect) join the same way, so the children's kept
// pool variables stay shared. The caller still releases `source`. False, changing nothing, when
// the two cannot be joined (different devices or pools, or a pool and an effect).
bool ReplaceEffectContents(ID3D10Effect* target, ID3D10Effect* source);

}  // namespace platform
