// Real libraries from the cross compiler: what the loader finds in them must
// agree with what binutils reads in the same files.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "skin/memory_module.h"

namespace qf {
namespace {

using platform::Address;
using platform::RecordingModulePlatform;

struct ObjdumpView {
  std::uint32_t imageBase = 0;
  std::uint32_t entryPoint = 0;
  std::uint32_t ordinalBase = 0;
  std::map<std::uint32_t, std::uint32_t> functions;  // ordinal -> RVA
  std::map<std::string, std::uint32_t> names;        // name -> ordinal
  std::set<std::string> imports;                     // "lib!name", lib in lower case
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

ObjdumpView ReadWithObjdump(const std::string& path) {
  ObjdumpView view;
  const std::string command = std::string(QF_OBJDUMP) + " -p '" + path + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return view;
  std::string text;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
  pclose(pipe);

  std::istringstream lines(text);
  std::string line, library;
  enum { kNone, kImports, kAddresses, kNames } part = kNone;
  while (std::getline(lines, line)) {
    unsigned a = 0, b = 0, c = 0;
    char word[256];
    if (std::sscanf(line.c_str(), "ImageBase %x", &a) == 1) view.imageBase = a;
    if (std::sscanf(line.c_str(), "AddressOfEntryPoint %x", &a) == 1) view.entryPoint = a;
    if (std::sscanf(line.c_str(), "Ordinal Base %u", &a) == 1) view.ordinalBase = a;
    if (std::sscanf(line.c_str(), " DLL Name: %255s", word) == 1) {
      library = Lower(word);
      part = kImports;
      continue;
    }
    if (line.rfind("Export Address Table --", 0) == 0) part = kAddresses;
    if (line.rfind("[Ordinal/Name Pointer] Table", 0) == 0) part = kNames;
    if (line.empty() && part != kImports) part = kNone;
    if (part == kImports && line.rfind("\t", 0) == 0 && std::sscanf(line.c_str(), " %x %u %255s", &a, &b, word) == 3) {
      view.imports.insert(library + "!" + word);
    } else if (part == kAddresses &&
               std::sscanf(line.c_str(), " [ %u] +base[ %u] %x", &a, &b, &c) == 3) {
      view.functions[b] = c;
    } else if (part == kNames && std::sscanf(line.c_str(), " [ %u] %255s", &a, word) == 2) {
      view.names[word] = view.ordinalBase + a;
    }
  }
  return view;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Read32(Address at) {
  std::uint32_t v;
  std::memcpy(&v, reinterpret_cast<const void*>(at), 4);
  return v;
}

class RealDllTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RealDllTest, ExportsEntryPointAndImportsAgreeWithObjdump) {
  const std::string path = std::string(QF_TEST_DLL_DIR) + "/" + GetParam();
  const ObjdumpView expected = ReadWithObjdump(path);
  ASSERT_NE(expected.imageBase, 0u) << "objdump could not read " << path;
  ASSERT_FALSE(expected.names.empty());

  RecordingModulePlatform rec;
  MemoryModule module(&rec);
  const std::vector<std::uint8_t> bytes = ReadFile(path);
  ASSERT_TRUE(module.Load(bytes));
  const Address base = module.BaseAddress();
  EXPECT_EQ(base, expected.imageBase);
  EXPECT_EQ(module.EntryAddress(), base + expected.entryPoint);
  ASSERT_FALSE(rec.calls.empty());
  EXPECT_EQ(rec.calls[0].target, base + expected.entryPoint);
  EXPECT_EQ(rec.calls[0].args, (platform::CallArgs{0, 1, 0, 0, 0, 0, 0, 0, 0, 0}));

  for (const auto& [name, ordinal] : expected.names) {
    EXPECT_EQ(module.FindExport(name), base + expected.functions.at(ordinal)) << name;
    if (Lower(name) != name) {
      EXPECT_EQ(module.FindExport(Lower(name)), 0u) << name;
    }
  }
  for (const auto& [ordinal, rva] : expected.functions) {
    EXPECT_EQ(module.FindExport(std::to_string(ordinal)), base + rva) << "ordinal " << ordinal;
  }
  EXPECT_EQ(module.FindExport(std::to_string(expected.ordinalBase + 1000)), 0u);

  const std::set<std::string> looked(rec.lookups.begin(), rec.lookups.end());
  EXPECT_EQ(looked, expected.imports);
  EXPECT_TRUE(module.Unload());
  EXPECT_EQ(rec.LiveBlocks(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Libraries, RealDllTest,
                         ::testing::Values("sample.dll", "packed.dll", "tiny.dll"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

TEST(PackedDllTest, HasThePackedLayoutAndLoadsAwayFromItsBase) {
  const std::string path = std::string(QF_TEST_DLL_DIR) + "/packed.dll";
  const std::vector<std::uint8_t> bytes = ReadFile(path);
  ASSERT_GT(bytes.size(), 0x400u);
  std::uint32_t nt = 0;
  std::memcpy(&nt, &bytes[0x3C], 4);
  std::uint16_t sections = 0;
  std::memcpy(&sections, &bytes[nt + 6], 2);
  std::vector<std::string> names;
  std::vector<std::uint32_t> rawSizes, virtualSizes;
  for (std::uint16_t i = 0; i < sections; ++i) {
    const std::uint8_t* s = &bytes[nt + 248 + 40 * i];
    names.emplace_back(reinterpret_cast<const char*>(s), strnlen(reinterpret_cast<const char*>(s), 8));
    std::uint32_t raw, vsize;
    std::memcpy(&vsize, s + 8, 4);
    std::memcpy(&raw, s + 16, 4);
    rawSizes.push_back(raw);
    virtualSizes.push_back(vsize);
  }
  ASSERT_EQ(names, (std::vector<std::string>{"UPX0", "UPX1", ".rsrc"}));
  EXPECT_EQ(rawSizes[0], 0u);
  EXPECT_GT(virtualSizes[0], 0x4000u);

  RecordingModulePlatform rec;
  rec.refusePreferredBase = true;
  MemoryModule module(&rec);
  ASSERT_TRUE(module.Load(bytes));
  const Address base = module.BaseAddress();
  ASSERT_NE(base, 0x10000000u);
  // Descriptors without lookup tables, their address tables filled in.
  std::uint32_t importDir = 0;
  std::memcpy(&importDir, &bytes[nt + 128], 4);
  int descriptors = 0;
  for (Address d = base + importDir; Read32(d + 16) != 0; d += 20, ++descriptors) {
    EXPECT_EQ(Read32(d), 0u);
    const std::string library = reinterpret_cast<const char*>(base + Read32(d + 12));
    EXPECT_NE(Read32(base + Read32(d + 16)), 0u) << library;
    EXPECT_EQ(Read32(base + Read32(d + 16)) & 0x70000000u, 0x70000000u) << library;
  }
  EXPECT_EQ(descriptors, 2);
  // The entry stub's absolute address was moved with the image.
  const Address entry = module.EntryAddress();
  EXPECT_EQ(Read32(entry + 8), entry);
  EXPECT_NE(module.FindExport("SkinH_AttachRes"), 0u);
  EXPECT_EQ(module.FindExport("skinh_attachres"), 0u);
}

}  // namespace
}  // namespace qf
