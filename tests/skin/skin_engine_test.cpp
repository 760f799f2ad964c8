// Our skin engine, mapped from the bytes the program carries, dressing a
// running application; and the skin application's single call.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/skin_format.h"
#include "skin/skin.h"
#include "tests/skin/pe_builder.h"

namespace qf {
namespace {

using platform::Address;
using platform::RecordingModulePlatform;

std::string Skin(const std::string& body, char version = 1) {
  return std::string(".SHE\0", 5) + version + body;
}

TEST(SkinFormatTest, Parses) {
  const std::string body =
      "; comment\n[colors]\naccent = #112233\naccentHover=#445566\n\n"
      "[colors:dark]\naccent = #000000\n"
      "[font]\nfamily = Some Font\nsize = 11\n"
      "[style]\nA { color: @accent; }\nB { color: @accentHover; }\n[x] stays\n";
  const auto skin = skin::ParseSkin(Skin(body));
  ASSERT_TRUE(skin);
  EXPECT_EQ(skin->colors.at("accent"), QColor("#112233"));
  EXPECT_EQ(skin->fontFamily, "Some Font");
  EXPECT_EQ(skin->fontPointSize, 11);
  EXPECT_EQ(skin->styleSheet, "A { color: #112233; }\nB { color: #445566; }\n[x] stays\n");

  const auto dark = skin::ParseSkin(Skin(body), "dark");
  ASSERT_TRUE(dark);
  EXPECT_EQ(dark->colors.at("accent"), QColor("#000000"));
  EXPECT_EQ(dark->colors.at("accentHover"), QColor("#445566"));  // not in the variant: default

  const auto turned = skin::ParseSkin(Skin(body), {}, {180, 0, 0});
  ASSERT_TRUE(turned);
  EXPECT_EQ(turned->colors.at("accent").name(), "#332211");
  EXPECT_TRUE(turned->styleSheet.contains("#332211"));
}

TEST(SkinFormatTest, RejectsWhatIsNoSkin) {
  const struct {
    const char* name;
    std::string bytes;
    const char* variant;
  } cases[] = {
      {"empty", "", ""},
      {"header only", std::string(".SHE\0", 5), ""},
      {"no zero after the mark", ".SHE\x01[colors]\n", ""},
      {"wrong mark", std::string(".SHF\0\1", 6), ""},
      {"unknown version", Skin("[colors]\n", 2), ""},
      {"line without a value", Skin("[colors]\naccent\n"), ""},
      {"colour that is none", Skin("[colors]\naccent = #12\n"), ""},
      {"variant not in the file", Skin("[colors]\naccent = #123456\n"), "nosuch"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(skin::ParseSkin(c.bytes, QString::fromLatin1(c.variant))) << c.name;
  }
}

std::string FileBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The program carries the two files exactly: no padding or terminator of the
// carrying counts towards the lengths the engine is given.
TEST(CarriedBytesTest, AreTheEngineAndTheSkinFileAsBuilt) {
  const struct {
    const char* name;
    const char* path;
    const CarriedBytes& carried;
  } cases[] = {{"skin file", QF_SKIN_FILE, SkinData}, {"engine", QF_ENGINE_FILE, SkinLibraryImage}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = FileBytes(c.path);
    ASSERT_FALSE(file.empty()) << c.path;
    EXPECT_EQ(c.carried.size(), file.size());
    EXPECT_TRUE(std::string(reinterpret_cast<const char*>(c.carried.data()), c.carried.size()) == file);
  }
}

TEST(SkinFormatTest, OurSkinFileParses) {
  const std::string bytes(reinterpret_cast<const char*>(SkinData.data()), SkinData.size());
  const auto skin = skin::ParseSkin(bytes);
  ASSERT_TRUE(skin);
  EXPECT_FALSE(skin->styleSheet.isEmpty());
  EXPECT_FALSE(skin->styleSheet.contains('@')) << "a colour name the skin does not define";
  ASSERT_TRUE(skin::ParseSkin(bytes, "dusk"));
  EXPECT_FALSE(skin::ParseSkin(bytes, "dusk")->styleSheet.contains('@'));
}

using AttachFn = std::intptr_t (*)(const unsigned char*, std::uintptr_t, const char*, std::intptr_t,
                                   std::intptr_t, std::intptr_t);

// One engine mapping and one application for the whole program, as in the
// real program.
MemoryModule& Engine() {
  static MemoryModule* engine = [] {
    auto* m = new MemoryModule();
    m->Load(SkinLibraryImage);
    return m;
  }();
  return *engine;
}

TEST(SkinEngineTest, IsMappedFromTheCarriedBytesAndExportsTheAttachCall) {
  ASSERT_GT(SkinLibraryImage.size(), 0u);
  ASSERT_NE(Engine().BaseAddress(), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Engine().BaseAddress()), 4), "\x7f" "ELF");
  EXPECT_NE(Engine().FindExport("SkinH_AttachRes"), 0u);
  EXPECT_EQ(Engine().FindExport("skinh_attachres"), 0u);
  EXPECT_EQ(Engine().FindExport("1"), 0u);
  EXPECT_EQ(Engine().FindExport("ParseSkin"), 0u);  // nothing else is exported
}

TEST(SkinEngineTest, DressesTheApplication) {
  const Address attach = Engine().FindExport("SkinH_AttachRes");
  ASSERT_NE(attach, 0u);
  auto call = [&](const std::string& bytes, const char* text = nullptr, int hue = 0) {
    return CallByAddress(attach, reinterpret_cast<Address>(bytes.data()), bytes.size(),
                         reinterpret_cast<Address>(text), static_cast<Address>(hue), 0, 0);
  };
  const std::string ours(reinterpret_cast<const char*>(SkinData.data()), SkinData.size());
  EXPECT_EQ(call(ours), 0u) << "no application to dress yet";

  static int argc = 1;
  static char name[] = "skin_engine_test";
  static char* argv[] = {name, nullptr};
  static auto* app = new QApplication(argc, argv);
  (void)app;

  ASSERT_EQ(call(ours), 1u);
  EXPECT_TRUE(qApp->styleSheet().contains("#2f6f9f"));
  EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor("#eef1f5"));
  EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), QColor("#cde2f2"));
  EXPECT_EQ(QApplication::font().family(), "WenQuanYi Micro Hei");
  const QString dressed = qApp->styleSheet();

  EXPECT_EQ(call("not a skin"), 0u);
  EXPECT_EQ(call(ours, "nosuch"), 0u);
  EXPECT_EQ(qApp->styleSheet(), dressed) << "a refused skin changes nothing";

  ASSERT_EQ(call(ours, "dusk"), 1u);
  EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor("#2b323b"));
  ASSERT_EQ(call(ours, nullptr, -120), 1u);
  EXPECT_FALSE(qApp->styleSheet().contains("#2f6f9f"));
  ASSERT_EQ(call(ours), 1u);
  EXPECT_EQ(qApp->styleSheet(), dressed);
}

// ApplySkin over a recording platform that still runs the engine.
struct ApplySkinTest : ::testing::Test {
  RecordingModulePlatform rec;
  void SetUp() override {
    rec.runNativeCalls = true;
    platform::SetCurrentModulePlatform(&rec);
  }
  void TearDown() override {
    platform::SetCurrentModulePlatform(nullptr);
    SkinModule = nullptr;
  }
};

TEST_F(ApplySkinTest, MakesOneCallWithTheSkinBytesAndZeros) {
  SkinModule = &Engine();
  ApplySkin(SkinData);
  ASSERT_EQ(rec.calls.size(), 1u);
  EXPECT_EQ(rec.calls[0].target, Engine().FindExport("SkinH_AttachRes"));
  EXPECT_EQ(rec.calls[0].args,
            (platform::CallArgs{reinterpret_cast<Address>(SkinData.data()), SkinData.size(), 0, 0, 0, 0,
                                0, 0, 0, 0}));
}

TEST_F(ApplySkinTest, PassesTheTextAndTheThreeIntegers) {
  SkinModule = &Engine();
  const std::string text = "dusk";
  ApplySkin(SkinData, text, 5, -6, 7);
  ASSERT_EQ(rec.calls.size(), 1u);
  const auto& a = rec.calls[0].args;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(a[2])), "dusk");
  EXPECT_EQ(static_cast<std::int32_t>(a[3]), 5);
  EXPECT_EQ(static_cast<std::int32_t>(a[4]), -6);
  EXPECT_EQ(static_cast<std::int32_t>(a[5]), 7);
  EXPECT_EQ(a[6], 0u);
  ApplySkin(SkinData);  // back to the defaults for the tests after this one
}

TEST_F(ApplySkinTest, NoModuleOrNoExportMeansNoCall) {
  SkinModule = nullptr;
  EXPECT_EQ(ApplySkin(SkinData), 0);

  MemoryModule empty(&rec);
  SkinModule = &empty;
  EXPECT_EQ(ApplySkin(SkinData), 0);

  // A library without the export.
  RecordingModulePlatform mapper;
  MemoryModule other(&mapper);
  test::PeImage pe;
  pe.characteristics = test::kExecutable;
  pe.Exports(0x4000, 1, {0x1010}, {{"SkinH_Attach", 0}});
  ASSERT_TRUE(other.Load(pe.Build()));
  SkinModule = &other;
  EXPECT_EQ(ApplySkin(SkinData), 0);
  EXPECT_TRUE(rec.calls.empty());
  other.Unload();
}

}  // namespace
}  // namespace qf
