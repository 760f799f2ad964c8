// The carried skin engine and skin file, the program-wide module that holds
// the engine, and the call that hands a skin to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "skin/memory_module.h"

namespace qf {

// Bytes placed in the program at build time; they stay at one place until
// the process ends, so the engine may keep using them.
struct CarriedBytes {
  const std::uint8_t* begin;
  const std::uint8_t* end;

  const std::uint8_t* data() const { return begin; }
  std::size_t size() const { return static_cast<std::size_t>(end - begin); }
  operator std::span<const std::uint8_t>() const { return {begin, size()}; }
};

// The skin engine's library image and our skin file.
extern const CarriedBytes SkinLibraryImage;
extern const CarriedBytes SkinData;

// Created empty at start-up, destroyed at exit without unloading the engine.
extern MemoryModule* SkinModule;

// Hands the skin to the engine's "SkinH_AttachRes" and gives its result.
// Without a module or without that export nothing is called and the result
// is 0.
std::int32_t ApplySkin(std::span<const std::uint8_t> skinBytes, const std::string& skinText = {},
                       std::int32_t skinValue1 = 0, std::int32_t skinValue2 = 0,
                       std::int32_t skinValue3 = 0);

}  // namespace qf
