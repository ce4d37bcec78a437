// Pass input signatures: built, validated, interned and their semantics split.
#include "signature_p.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace d3d10gl {
namespace {

std::vector<std::vector<SignatureInput>>& signatures() {
  static std::vector<std::vector<SignatureInput>> table;
  return table;
}

bool SameInputs(const std::vector<SignatureInput>& a, const std::vector<SignatureInput>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (strcmp(a[i].semantic, b[i].semantic) != 0 || a[i].index != b[i].index || a[i].location != b[i].location)
      return false;
  return true;
}

}  // namespace

uint32_t InternSignature(const std::vector<SignatureInput>& inputs) {
  auto& table = signatures();
  for (size_t i = 0; i < table.size(); ++i)
    if (SameInputs(table[i], inputs)) return uint32_t(i + 1);
  table.push_back(inputs);
  return uint32_t(table.size());
}

const std::vector<SignatureInput>& SignatureById(uint32_t id) {
  static const std::vector<SignatureInput> none;
  auto& table = signatures();
  return id >= 1 && id <= table.size() ? table[id - 1] : none;
}

std::vector<uint8_t> BuildSignature(const std::vector<SignatureInput>& inputs) {
  SignatureHeader header{kSignatureMagic, InternSignature(inputs), uint32_t(inputs.size())};
  std::vector<uint8_t> bytes(sizeof(header) + inputs.size() * sizeof(SignatureInput));
  memcpy(bytes.data(), &header, sizeof(header));
  if (!inputs.empty()) memcpy(bytes.data() + sizeof(header), inputs.data(), inputs.size() * sizeof(SignatureInput));
  return bytes;
}

const SignatureHeader* ReadSignature(const void* bytes, SIZE_T size) {
  if (!bytes || size < sizeof(SignatureHeader)) return nullptr;
  const SignatureHeader* header = static_cast<const SignatureHeader*>(bytes);
  if (header->magic != kSignatureMagic) return nullptr;
  if (size < sizeof(SignatureHeader) + SIZE_T(header->count) * sizeof(SignatureInput)) return nullptr;
  if (SignatureById(header->id).size() != header->count) return nullptr;
  return header;
}

void SplitSemantic(const char* name, std::string* semantic, UINT* index) {
  size_t n = strlen(name), end = n;
  while (end > 0 && isdigit(static_cast<unsigned char>(name[end - 1]))) --end;
  if (end == 0 || end == n || n - end > 6) {
    semantic->assign(name, n);
    *index = 0;
    return;
  }
  semantic->assign(name, end);
  *index = UINT(strtoul(name + end, nullptr, 10));
}

}  // namespace d3d10gl
