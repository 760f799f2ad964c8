#include "skin/skin.h"

namespace qf {

MemoryModule* SkinModule = nullptr;

namespace {

ModuleAddress Value(std::int32_t v) {
  // Sign-extended, so a callee reading a 32-bit integer sees v.
  return static_cast<ModuleAddress>(static_cast<std::intptr_t>(v));
}

}  // namespace

std::int32_t ApplySkin(std::span<const std::uint8_t> skinBytes, const std::string& skinText,
                       std::int32_t skinValue1, std::int32_t skinValue2,
                       std::int32_t skinValue3) {
  if (!SkinModule) return 0;
  const ModuleAddress attach = SkinModule->FindExport("SkinH_AttachRes");
  if (attach == 0) return 0;
  const ModuleAddress text =
      skinText.empty() ? 0 : reinterpret_cast<ModuleAddress>(skinText.c_str());
  const ModuleAddress result =
      CallByAddress(attach, reinterpret_cast<ModuleAddress>(skinBytes.data()), skinBytes.size(),
                    text, Value(skinValue1), Value(skinValue2), Value(skinValue3));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(result));
}

}  // namespace qf
