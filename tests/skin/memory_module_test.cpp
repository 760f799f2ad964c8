#include "skin/memory_module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/skin/pe_builder.h"

namespace qf {
namespace {

using platform::Address;
using platform::RecordingModulePlatform;
using test::PeImage;

std::uint32_t Read32(Address at) {
  std::uint32_t v;
  std::memcpy(&v, reinterpret_cast<const void*>(at), 4);
  return v;
}

// An image with code at 0x1000, two values to relocate at 0x1100 and 0x1104,
// imports at 0x2000, relocations at 0x3000 and exports at 0x4000.
PeImage SampleImage() {
  PeImage pe;
  pe.Put32(0x1100, pe.imageBase + 0x1200);
  pe.Put32(0x1104, pe.imageBase + 0x1300);
  pe.Relocations(0x3000, {{0x1000, {0x3100, 0x3104, 0x0000}}});
  return pe;
}

bool LoadImage(MemoryModule& module, const PeImage& pe, Address resolver = 0, std::uint32_t param = 0) {
  const std::vector<std::uint8_t> bytes = pe.Build();
  return module.Load(bytes, resolver, param);
}

struct Fixture : ::testing::Test {
  RecordingModulePlatform platform;
  MemoryModule module{&platform};
  ~Fixture() override { module.Unload(); }
};

using MemoryModuleTest = Fixture;

TEST_F(MemoryModuleTest, MapsHeadersAndSectionsAtThePreferredBase) {
  PeImage pe = SampleImage();
  pe.PutText(0x1800, "section text");
  ASSERT_TRUE(LoadImage(module, pe));
  const Address base = module.BaseAddress();
  EXPECT_EQ(base, pe.imageBase);
  EXPECT_EQ(std::memcmp(reinterpret_cast<const void*>(base), "MZ", 2), 0);
  EXPECT_EQ(std::memcmp(reinterpret_cast<const void*>(base + pe.ntOffset), "PE\0\0", 4), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(base + 0x1800), "section text");
  // Relocations walked with a difference of 0 leave the values as stored.
  EXPECT_EQ(Read32(base + 0x1100), pe.imageBase + 0x1200);
  EXPECT_EQ(Read32(base + 0x1104), pe.imageBase + 0x1300);
  EXPECT_EQ(module.EntryAddress(), base + 0x1000);
}

TEST_F(MemoryModuleTest, HeadersAreCopiedOnlyUpToTheEndOfTheSectionTable) {
  const PeImage pe = SampleImage();
  std::vector<std::uint8_t> bytes = pe.Build();
  const std::size_t tableEnd = pe.ntOffset + 248 + 40 * pe.sections.size();
  ASSERT_LT(tableEnd + 8, 0x200u) << "still inside the file's header area";
  bytes[tableEnd - 1] ^= 0x5A;  // last byte of the table: copied
  bytes[tableEnd] = 0xAB;       // first byte after it: not
  ASSERT_TRUE(module.Load(bytes));
  const auto* mapped = reinterpret_cast<const std::uint8_t*>(module.BaseAddress());
  EXPECT_EQ(mapped[tableEnd - 1], bytes[tableEnd - 1]);
  EXPECT_EQ(mapped[tableEnd], 0);
}

TEST_F(MemoryModuleTest, RelocationsAreWalkedEvenAtThePreferredBase) {
  // A relocation pointing past the image is only noticed if the walk runs.
  PeImage pe = SampleImage();
  pe.Relocations(0x3000, {{0x1000, {0x3100}}, {0x7000, {0x3000}}});
  EXPECT_FALSE(LoadImage(module, pe));
  ASSERT_EQ(platform.reserved.size(), 1u);
  EXPECT_EQ(platform.reserved[0], pe.imageBase);
  EXPECT_EQ(platform.released, platform.reserved);
}

TEST_F(MemoryModuleTest, RelocatesWhenPlacedElsewhere) {
  platform.refusePreferredBase = true;
  PeImage pe = SampleImage();
  pe.Put32(0x1108, 0xAAAAAAAA);  // type 0 padding and other types are skipped
  pe.Put32(0x110C, 0xBBBBBBBB);
  pe.Relocations(0x3000, {{0x1000, {0x3100, 0x0108, 0xA10C, 0x3104}}});
  ASSERT_TRUE(LoadImage(module, pe));
  const Address base = module.BaseAddress();
  ASSERT_NE(base, pe.imageBase);
  EXPECT_LT(base + pe.sizeOfImage, Address{1} << 32);
  EXPECT_EQ(Read32(base + 0x1100), base + 0x1200);
  EXPECT_EQ(Read32(base + 0x1104), base + 0x1300);
  EXPECT_EQ(Read32(base + 0x1108), 0xAAAAAAAAu);
  EXPECT_EQ(Read32(base + 0x110C), 0xBBBBBBBBu);
}

TEST_F(MemoryModuleTest, ZeroPageAddressEndsTheWalkBeforeTheDeclaredSize) {
  platform.refusePreferredBase = true;
  PeImage pe = SampleImage();
  // block 1 (12 bytes), a zero header, then a block that must not be applied
  pe.Relocations(0x3000, {{0x1000, {0x3100, 0x0000}}}, 0x100);
  pe.Put32(0x3014, 0x1000);
  pe.Put32(0x3018, 10);
  pe.Put16(0x301C, 0x3104);
  ASSERT_TRUE(LoadImage(module, pe));
  const Address base = module.BaseAddress();
  EXPECT_EQ(Read32(base + 0x1100), base + 0x1200);
  EXPECT_EQ(Read32(base + 0x1104), pe.imageBase + 0x1300);
}

TEST_F(MemoryModuleTest, ImportsAreReadFromAndWrittenBackToTheAddressTable) {
  for (bool lookupTables : {false, true}) {
    SCOPED_TRACE(lookupTables ? "with lookup tables" : "without lookup tables");
    RecordingModulePlatform rec;
    MemoryModule m(&rec);
    PeImage pe = SampleImage();
    const auto tables = pe.Imports(0x2000,
                                   {{"KERNEL32.dll", {std::string("LoadLibraryA"), std::uint16_t{17}}},
                                    {"user32.dll", {std::string("MessageBoxA")}}},
                                   lookupTables);
    if (lookupTables) {
      // Spoil the lookup tables: they are never consulted.
      for (std::uint32_t d = 0; d < 2; ++d) pe.Put32(pe.dirAddress[1] + 20 * d, 0x4FF0);
    }
    ASSERT_TRUE(LoadImage(m, pe));
    const Address base = m.BaseAddress();
    EXPECT_EQ(rec.librariesLoaded, (std::vector<std::string>{"KERNEL32.dll", "user32.dll"}));
    EXPECT_EQ(rec.lookups,
              (std::vector<std::string>{"kernel32.dll!LoadLibraryA", "kernel32.dll!#17", "user32.dll!MessageBoxA"}));
    EXPECT_EQ(Read32(base + tables[0]), RecordingModulePlatform::FakeProcAddress("kernel32.dll", "LoadLibraryA"));
    EXPECT_EQ(Read32(base + tables[0] + 4), RecordingModulePlatform::FakeProcAddress("kernel32.dll", "#17"));
    EXPECT_EQ(Read32(base + tables[0] + 8), 0u);
    EXPECT_EQ(Read32(base + tables[1]), RecordingModulePlatform::FakeProcAddress("user32.dll", "MessageBoxA"));
    m.Unload();
  }
}

TEST_F(MemoryModuleTest, ResolverIsAskedFirstAndThePlatformWhenItGivesZero) {
  constexpr Address kResolver = 0x0BAD0000;
  std::vector<std::string> asked;
  platform.onCall = [&](const RecordingModulePlatform::RecordedCall& call) -> Address {
    if (call.target != kResolver) return 1;
    const std::string lib = reinterpret_cast<const char*>(call.args[0]);
    const std::string proc = reinterpret_cast<const char*>(call.args[1]);
    asked.push_back(lib + "!" + proc + "/" + std::to_string(call.args[2]));
    return proc == "Mine" ? 0x01020304 : 0;
  };
  PeImage pe = SampleImage();
  const auto tables =
      pe.Imports(0x2000, {{"a.dll", {std::string("Mine"), std::string("Theirs"), std::uint16_t{5}}}}, false);
  ASSERT_TRUE(LoadImage(module, pe, kResolver, 77));
  EXPECT_EQ(asked, (std::vector<std::string>{"a.dll!Mine/77", "a.dll!Theirs/77", "a.dll!5/77"}));
  const Address base = module.BaseAddress();
  EXPECT_EQ(Read32(base + tables[0]), 0x01020304u);
  EXPECT_EQ(Read32(base + tables[0] + 4), RecordingModulePlatform::FakeProcAddress("a.dll", "Theirs"));
  EXPECT_EQ(Read32(base + tables[0] + 8), RecordingModulePlatform::FakeProcAddress("a.dll", "#5"));
  EXPECT_EQ(platform.lookups, (std::vector<std::string>{"a.dll!Theirs", "a.dll!#5"}));
}

TEST_F(MemoryModuleTest, AnImportNobodySuppliesFailsTheLoadAndReleasesTheBlock) {
  platform.missingProcedures.insert("b.dll!Gone");
  PeImage pe = SampleImage();
  pe.Imports(0x2000, {{"a.dll", {std::string("Here")}}, {"b.dll", {std::string("Gone")}}}, false);
  EXPECT_FALSE(LoadImage(module, pe));
  EXPECT_EQ(module.BaseAddress(), 0u);
  EXPECT_EQ(platform.released, platform.reserved);
  EXPECT_EQ(platform.LiveBlocks(), 0u);
  EXPECT_TRUE(platform.calls.empty());  // the entry point is never reached
}

TEST_F(MemoryModuleTest, EntryPointCalls) {
  struct Case {
    const char* name;
    std::uint16_t characteristics;
    std::uint32_t entryPoint;
    Address attachResult;
    bool loads;
    std::vector<Address> reasons;  // of the calls, in order
  };
  const std::vector<Case> cases = {
      {"library attached", test::kExecutable | test::kLibraryBit, 0x1000, 1, true, {1}},
      {"attach refused: detached, released", test::kExecutable | test::kLibraryBit, 0x1000, 0, false, {1, 0}},
      {"no library bit: never called", test::kExecutable, 0x1000, 0, true, {}},
      {"entry point 0: nothing to call", test::kExecutable | test::kLibraryBit, 0, 0, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingModulePlatform rec;
    rec.onCall = [&](const RecordingModulePlatform::RecordedCall& call) {
      return call.args[1] == 1 ? c.attachResult : Address{1};
    };
    MemoryModule m(&rec);
    PeImage pe = SampleImage();
    pe.characteristics = c.characteristics;
    pe.entryPoint = c.entryPoint;
    EXPECT_EQ(LoadImage(m, pe), c.loads);
    std::vector<Address> reasons;
    for (const auto& call : rec.calls) {
      EXPECT_EQ(call.target, pe.imageBase + c.entryPoint);
      EXPECT_EQ(call.args[0], 0u) << "module handle";
      EXPECT_EQ(call.args[2], 0u) << "reserved";
      reasons.push_back(call.args[1]);
    }
    EXPECT_EQ(reasons, c.reasons);
    EXPECT_EQ(rec.LiveBlocks(), c.loads ? 1u : 0u);
    m.Unload();
  }
}

TEST_F(MemoryModuleTest, FindExport) {
  PeImage pe = SampleImage();
  // ordinals 5..8; index 2 (ordinal 7) is an empty slot
  pe.Exports(0x4000, 5, {0x1010, 0x1020, 0, 0x1040},
             {{"Alpha", 0}, {"SkinH_AttachRes", 1}, {"Hole", 2}, {"Zeta", 3}});
  ASSERT_TRUE(LoadImage(module, pe));
  const Address base = module.BaseAddress();
  const struct {
    const char* name;
    Address rva;  // 0: not found
  } cases[] = {
      {"SkinH_AttachRes", 0x1020}, {"Alpha", 0x1010}, {"Zeta", 0x1040},
      {"skinh_attachres", 0},      {"SkinH_AttachRe", 0}, {"SkinH_AttachRes2", 0},
      {"Hole", 0},                 {"", 0},
      {"5", 0x1010},               {"6", 0x1020},          {"8", 0x1040},
      {"7", 0},                    {"4", 0},               {"9", 0},
      {"0", 0},                    {"-1", 0},
      {"05", 0},  // does not read back identically: a name, and no such name
      {"+6", 0},  {"6 ", 0},       {"99999999999", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(module.FindExport(c.name), c.rva ? base + c.rva : 0) << '"' << c.name << '"';
  }
}

// Only the name table's first entry is read: the names that follow are taken
// back to back from it, wherever the other entries point. A name whose
// ordinal-table entry lies past the function table is passed over.
TEST_F(MemoryModuleTest, FindExportReadsTheNamesBackToBackFromTheFirst) {
  PeImage pe = SampleImage();
  pe.Exports(0x4000, 1, {0x1010, 0x1020, 0x1030}, {{"Alpha", 0}, {"Beta", 7}, {"Beta", 1}, {"Gamma", 2}});
  const std::uint32_t nameTable = pe.mem[0x4000 + 32] | pe.mem[0x4000 + 33] << 8;
  pe.PutText(0x4800, "Decoy");
  for (std::uint32_t i = 1; i < 4; ++i) pe.Put32(nameTable + 4 * i, 0x4800);
  ASSERT_TRUE(LoadImage(module, pe));
  const Address base = module.BaseAddress();
  EXPECT_EQ(module.FindExport("Alpha"), base + 0x1010);
  EXPECT_EQ(module.FindExport("Beta"), base + 0x1020) << "the second Beta, the first one's index is out of range";
  EXPECT_EQ(module.FindExport("Gamma"), base + 0x1030);
  EXPECT_EQ(module.FindExport("Decoy"), 0u) << "reached only through the name table";
}

TEST_F(MemoryModuleTest, FindExportWithoutExportsOrModule) {
  EXPECT_EQ(module.FindExport("Alpha"), 0u);
  EXPECT_EQ(module.FindExport("1"), 0u);
  EXPECT_EQ(module.EntryAddress(), 0u);
  ASSERT_TRUE(LoadImage(module, SampleImage()));
  EXPECT_EQ(module.FindExport("Alpha"), 0u);
  EXPECT_EQ(module.FindExport("1"), 0u);
}

TEST_F(MemoryModuleTest, LoadOnAHeldModuleUnloadsItFirst) {
  ASSERT_TRUE(LoadImage(module, SampleImage()));
  const Address first = module.BaseAddress();
  PeImage second = SampleImage();
  second.imageBase = 0x22000000;
  ASSERT_TRUE(LoadImage(module, second));
  EXPECT_EQ(module.BaseAddress(), second.imageBase);
  EXPECT_EQ(platform.released, std::vector<Address>{first});
  ASSERT_EQ(platform.calls.size(), 3u);  // attach, detach of the first, attach
  EXPECT_EQ(platform.calls[1].target, first + 0x1000);
  EXPECT_EQ(platform.calls[1].args[1], 0u);
  EXPECT_EQ(platform.calls[2].target, second.imageBase + 0x1000);
  EXPECT_EQ(platform.LiveBlocks(), 1u);

  // The held image goes before the new bytes are looked at, so bytes that
  // are no image leave the object empty.
  EXPECT_FALSE(module.Load(std::vector<std::uint8_t>{'M', 'Z'}));
  EXPECT_EQ(module.BaseAddress(), 0u);
  EXPECT_EQ(platform.LiveBlocks(), 0u);
  ASSERT_EQ(platform.calls.size(), 4u);
  EXPECT_EQ(platform.calls[3].target, second.imageBase + 0x1000);
  EXPECT_EQ(platform.calls[3].args[1], 0u);
}

TEST_F(MemoryModuleTest, UnloadDetachesAndReleases) {
  EXPECT_TRUE(module.Unload());  // empty: nothing to do
  EXPECT_TRUE(platform.calls.empty());
  EXPECT_TRUE(platform.released.empty());

  ASSERT_TRUE(LoadImage(module, SampleImage()));
  const Address base = module.BaseAddress();
  EXPECT_TRUE(module.Unload());
  EXPECT_EQ(module.BaseAddress(), 0u);
  EXPECT_EQ(platform.released, std::vector<Address>{base});
  ASSERT_EQ(platform.calls.size(), 2u);
  EXPECT_EQ(platform.calls[1].args[1], 0u);
  EXPECT_TRUE(module.Unload());
  EXPECT_EQ(platform.calls.size(), 2u);
}

// Unload reads the signatures afresh from the mapped image: a spoilt one
// keeps the module held, without a detach call or a release.
TEST_F(MemoryModuleTest, UnloadKeepsAnImageWhoseSignaturesNoLongerMatch) {
  const PeImage pe = SampleImage();
  for (std::uint32_t at : {std::uint32_t{0}, pe.ntOffset}) {
    SCOPED_TRACE(at);
    RecordingModulePlatform rec;
    MemoryModule m(&rec);
    ASSERT_TRUE(LoadImage(m, pe));
    const Address base = m.BaseAddress();
    auto* signature = reinterpret_cast<std::uint8_t*>(base + at);
    const std::uint8_t kept = *signature;
    *signature = 'X';
    EXPECT_FALSE(m.Unload());
    EXPECT_EQ(m.BaseAddress(), base);
    EXPECT_EQ(rec.calls.size(), 1u) << "only the attach";
    EXPECT_TRUE(rec.released.empty());
    *signature = kept;
    EXPECT_TRUE(m.Unload());
    EXPECT_EQ(m.BaseAddress(), 0u);
  }
}

TEST_F(MemoryModuleTest, CopiesShareTheImageAndDestroyingKeepsItMapped) {
  PeImage pe = SampleImage();
  pe.Exports(0x4000, 1, {0x1010}, {{"Alpha", 0}});
  ASSERT_TRUE(LoadImage(module, pe));
  {
    MemoryModule copy(module);
    EXPECT_EQ(copy.BaseAddress(), module.BaseAddress());
    EXPECT_EQ(copy.FindExport("Alpha"), module.FindExport("Alpha"));
    auto* heap = new MemoryModule(module);
    delete heap;
  }
  EXPECT_EQ(platform.LiveBlocks(), 1u);
  EXPECT_EQ(platform.calls.size(), 1u);  // no detach
  EXPECT_NE(module.FindExport("Alpha"), 0u);
}

TEST_F(MemoryModuleTest, ARelocationTableFillingTheLastPageEndsThere) {
  platform.refusePreferredBase = true;
  PeImage pe = SampleImage();
  pe.Relocations(0x4000, {{0x1000, {0x3100, 0, 0, 0}}});  // 16 bytes
  for (std::uint32_t at = 0x4010; at < 0x5000; at += 8) {  // empty blocks up to the end
    pe.Put32(at, 0x1000);
    pe.Put32(at + 4, 8);
  }
  ASSERT_TRUE(LoadImage(module, pe));
  EXPECT_EQ(Read32(module.BaseAddress() + 0x1100), module.BaseAddress() + 0x1200);
}

// Images the header checks turn away, before any memory is taken.
TEST_F(MemoryModuleTest, HeaderChecks) {
  const PeImage good = SampleImage();
  const std::vector<std::uint8_t> bytes = good.Build();
  auto with = [&](const std::function<void(std::vector<std::uint8_t>&)>& change) {
    std::vector<std::uint8_t> b = bytes;
    change(b);
    return b;
  };
  const std::uint32_t nt = good.ntOffset;
  const struct {
    const char* name;
    std::vector<std::uint8_t> image;
  } cases[] = {
      {"empty", {}},
      {"shorter than the DOS header", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 63)},
      {"no MZ", with([](auto& b) { b[1] = 'X'; })},
      {"too short for the NT headers", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + nt + 247)},
      {"NT offset far away", with([](auto& b) { b[0x3C + 3] = 0x7F; })},
      {"no PE", with([&](auto& b) { b[nt + 1] = 'X'; })},
      {"PE not followed by zeros", with([&](auto& b) { b[nt + 3] = 1; })},
      {"not an executable image", with([&](auto& b) { b[nt + 22] &= ~0x02; })},
      {"too short for the section table", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + nt + 248 + 39)},
      {"size 0", with([&](auto& b) {
         std::memset(&b[nt + 80], 0, 4);                 // image size
         std::memset(&b[nt + 6], 0, 2);                  // no sections
       })},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(module.Load(c.image)) << c.name;
    EXPECT_EQ(module.BaseAddress(), 0u) << c.name;
  }
  EXPECT_TRUE(platform.reserved.empty());
}

TEST_F(MemoryModuleTest, NoMemoryNoModule) {
  platform.refusePreferredBase = true;
  platform.refuseAnywhere = true;
  EXPECT_FALSE(LoadImage(module, SampleImage()));
  EXPECT_EQ(module.BaseAddress(), 0u);
  EXPECT_TRUE(platform.calls.empty());
}

TEST_F(MemoryModuleTest, ReservedSizeCoversTheLargestSection) {
  PeImage pe = SampleImage();
  pe.sizeOfImage = 0x2000;  // smaller than what the sections need
  pe.sections = {{".text", 0x1000, 0x1000, 0x1000, {}}, {".bss", 0x3000, 0x2801, 0, {}}};
  ASSERT_TRUE(LoadImage(module, pe));
  // 0x3000 + 0x2801 rounds up to 0x6000; the last byte is writable.
  auto* last = reinterpret_cast<volatile std::uint8_t*>(module.BaseAddress() + 0x5FFF);
  *last = 1;
  EXPECT_EQ(*last, 1);
}

// Images that would make a loader read or write outside the given bytes or
// the reserved block: each fails, releasing its block, and nothing crashes.
TEST_F(MemoryModuleTest, MalformedImagesFailCleanly) {
  const struct {
    const char* name;
    std::function<void(PeImage&)> spoil;
  } cases[] = {
      {"section data past the end of the bytes",
       [](PeImage& pe) { pe.sections[0].rawOffset = 0x400; pe.sections[0].rawSize = 0x10000; }},
      {"section offset wraps 2^32",
       [](PeImage& pe) { pe.sections.push_back({".w", 0x4000, 0x10, 0x200, 0xFFFFFF00u}); }},
      {"section size wraps 2^32",
       [](PeImage& pe) { pe.sections.push_back({".w", 0xFFFFF000u, 0x2000, 0, {}}); }},
      {"image size of 4 GiB", [](PeImage& pe) { pe.sizeOfImage = 0xFFFFF000u; }},
      {"section alignment 0", [](PeImage& pe) { pe.sectionAlignment = 0; }},
      {"relocation block of size 0",
       [](PeImage& pe) { pe.Relocations(0x3000, {{0x1000, {}}}); pe.Put32(0x3004, 0); }},
      {"relocation block of size 4",
       [](PeImage& pe) { pe.Relocations(0x3000, {{0x1000, {}}}); pe.Put32(0x3004, 4); }},
      {"relocation block running past the image",
       [](PeImage& pe) { pe.Relocations(0x3000, {{0x1000, {0x3100}}}); pe.Put32(0x3004, 0x10000); }},
      {"relocation target past the image",
       [](PeImage& pe) { pe.Relocations(0x3000, {{0x4000, {0x3FFE}}}); }},
      {"relocation page wraps 2^32",
       [](PeImage& pe) { pe.Relocations(0x3000, {{0xFFFFF000u, {0x3FFF}}}); }},
      {"relocation table outside the image", [](PeImage& pe) { pe.Dir(5, 0x9000, 8); }},
      {"relocation table without an end",
       [](PeImage& pe) {
         // the last header is cut by the end of the image
         for (std::uint32_t at = 0x3004; at + 8 <= 0x5000; at += 8) { pe.Put32(at, 0x1000); pe.Put32(at + 4, 8); }
         pe.Put32(0x4FFC, 0x1000);
         pe.Dir(5, 0x3004, 8);
       }},
      {"import descriptors outside the image", [](PeImage& pe) { pe.Dir(1, 0x4FF0, 20); pe.Put32(0x4FF0 + 12, 0x2100); }},
      {"import library name outside the image",
       [](PeImage& pe) { pe.Imports(0x2000, {{"a.dll", {std::string("F")}}}, false); pe.Put32(0x2000 + 12, 0x80000000u); }},
      {"import library name without its zero",
       [](PeImage& pe) {
         pe.Imports(0x2000, {{"a.dll", {std::string("F")}}}, false);
         std::fill(pe.mem.begin() + 0x4000, pe.mem.end(), 'x');
         pe.Put32(0x2000 + 12, 0x4000);
       }},
      {"import address table outside the image",
       [](PeImage& pe) { pe.Imports(0x2000, {{"a.dll", {std::string("F")}}}, false); pe.Put32(0x2000 + 16, 0x6000); }},
      {"import address table without an end",
       [](PeImage& pe) {
         const auto t = pe.Imports(0x2000, {{"a.dll", {std::string("F")}}}, false);
         const std::uint32_t hintName = pe.mem[t[0]] | pe.mem[t[0] + 1] << 8;
         for (std::uint32_t at = 0x4000; at < 0x5000; at += 4) pe.Put32(at, hintName);
         pe.Put32(0x2000 + 16, 0x4000);
       }},
      {"hint and name outside the image",
       [](PeImage& pe) { const auto t = pe.Imports(0x2000, {{"a.dll", {std::string("F")}}}, false); pe.Put32(t[0], 0x7FFFFFFEu); }},
      {"entry point outside the image", [](PeImage& pe) { pe.entryPoint = 0x5000; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingModulePlatform rec;
    rec.maxReserve = 64 << 20;
    MemoryModule m(&rec);
    PeImage pe = SampleImage();
    c.spoil(pe);
    EXPECT_FALSE(LoadImage(m, pe));
    EXPECT_EQ(m.BaseAddress(), 0u);
    EXPECT_EQ(rec.LiveBlocks(), 0u);
    EXPECT_EQ(rec.released, rec.reserved);
    EXPECT_EQ(m.FindExport("Alpha"), 0u);
  }
}

// Export tables that point outside the image give 0, without reading there.
TEST_F(MemoryModuleTest, MalformedExportsGiveZero) {
  const struct {
    const char* name;
    std::function<void(PeImage&)> spoil;
    bool ordinalStillFound;  // only the name side is spoilt
  } cases[] = {
      {"directory outside the image", [](PeImage& pe) { pe.Dir(0, 0x4FF0, 40); }, false},
      {"directory address wraps", [](PeImage& pe) { pe.Dir(0, 0xFFFFFFF0u, 40); }, false},
      {"function table outside", [](PeImage& pe) { pe.Put32(0x4000 + 28, 0x7FFFFFF0u); }, false},
      {"name table outside", [](PeImage& pe) { pe.Put32(0x4000 + 32, 0x10000); }, true},
      {"ordinal table outside", [](PeImage& pe) { pe.Put32(0x4000 + 36, 0xFFFFFFFEu); }, true},
      {"first name outside", [](PeImage& pe) { pe.Put32(pe.mem[0x4000 + 32] | pe.mem[0x4000 + 33] << 8, 0x9000); }, true},
      {"names without an end",
       [](PeImage& pe) {
         std::fill(pe.mem.begin() + 0x4800, pe.mem.end(), 'A');
         pe.Put32(pe.mem[0x4000 + 32] | pe.mem[0x4000 + 33] << 8, 0x4800);
       }, true},
      {"huge name count", [](PeImage& pe) { pe.Put32(0x4000 + 24, 0xFFFFFFFFu); }, true},
      {"function address outside the image", [](PeImage& pe) { pe.Put32(0x4000 + 40, 0x12345678); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingModulePlatform rec;
    MemoryModule m(&rec);
    PeImage pe = SampleImage();
    pe.Exports(0x4000, 1, {0x1010}, {{"Beta", 0}});
    c.spoil(pe);
    ASSERT_TRUE(LoadImage(m, pe));
    EXPECT_EQ(m.FindExport("Missing"), 0u);
    EXPECT_EQ(m.FindExport("1"), c.ordinalStillFound ? m.BaseAddress() + 0x1010 : 0u);
    m.Unload();
  }
}

// The host's own services: no 32-bit x86 code runs on this host.
TEST(HostModulePlatformTest, ALibraryImageFailsCleanlyAndOtherImagesMap) {
  platform::HostModulePlatform host;
  {
    MemoryModule m(&host);
    EXPECT_FALSE(LoadImage(m, SampleImage()));
    EXPECT_EQ(m.BaseAddress(), 0u);
    EXPECT_FALSE(host.InReservedBlock(SampleImage().imageBase));
  }
  {
    MemoryModule m(&host);
    PeImage pe = SampleImage();
    pe.characteristics = test::kExecutable;
    pe.Exports(0x4000, 1, {0x1010}, {{"Alpha", 0}});
    ASSERT_TRUE(LoadImage(m, pe));
    const Address base = m.BaseAddress();
    EXPECT_TRUE(host.InReservedBlock(base));
    EXPECT_LT(base + pe.sizeOfImage, Address{1} << 32);
    EXPECT_EQ(Read32(base + 0x1100), base + 0x1200);
    EXPECT_EQ(m.FindExport("Alpha"), base + 0x1010);
    bool refused = false;
    EXPECT_EQ(host.Call(m.FindExport("Alpha"), {}, &refused), 0u);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(m.Unload());
    EXPECT_FALSE(host.InReservedBlock(base));
  }
}

// Targets of both argument-count habits, reached with ten values.
extern "C" std::uintptr_t TakesTen(std::uintptr_t a, std::uintptr_t b, std::uintptr_t c, std::uintptr_t d,
                                   std::uintptr_t e, std::uintptr_t f, std::uintptr_t g, std::uintptr_t h,
                                   std::uintptr_t i, std::uintptr_t j) {
  return a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h + 9 * i + 10 * j;
}
extern "C" std::uintptr_t TakesTwo(std::uintptr_t a, std::uintptr_t b) { return a * 100 + b; }
extern "C" std::uintptr_t ReadsPointer(const char* text) { return std::strlen(text); }
extern "C" std::uintptr_t TakesNone() { return 42; }

TEST(CallByAddressTest, PassesTheValuesInOrderAndGivesTheResult) {
  auto addr = [](auto* f) { return reinterpret_cast<Address>(f); };
  EXPECT_EQ(CallByAddress(addr(TakesTen), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10), 385u);
  EXPECT_EQ(CallByAddress(addr(TakesTen), 0, 0, 0, 0, 0, 0, 0, 0, 0, 1), 10u);
  EXPECT_EQ(CallByAddress(addr(TakesTen), 1), 1u);  // the rest are 0
  EXPECT_EQ(CallByAddress(addr(TakesTwo), 3, 4, 99, 99), 304u);
  EXPECT_EQ(CallByAddress(addr(TakesNone), 7, 7, 7, 7, 7, 7, 7, 7, 7, 7), 42u);
  // Addresses pass whole, wherever the text lives.
  const std::string text(123, 'x');
  EXPECT_EQ(CallByAddress(addr(ReadsPointer), reinterpret_cast<Address>(text.c_str())), 123u);
  // Called in a loop, the stack stays where it was.
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(CallByAddress(addr(TakesTwo), 1, 2), 102u);
}

TEST(CallByAddressTest, GoesThroughTheCurrentPlatform) {
  RecordingModulePlatform rec;
  rec.onCall = [](const RecordingModulePlatform::RecordedCall&) { return Address{9}; };
  platform::SetCurrentModulePlatform(&rec);
  const Address result = CallByAddress(0x1234, 1, 2, 3);
  platform::SetCurrentModulePlatform(nullptr);
  EXPECT_EQ(result, 9u);
  ASSERT_EQ(rec.calls.size(), 1u);
  EXPECT_EQ(rec.calls[0].target, 0x1234u);
  EXPECT_EQ(rec.calls[0].args, (platform::CallArgs{1, 2, 3, 0, 0, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace qf
