// The skin in the real program: the start steps map our engine from the
// carried bytes, the main window's creation calls it once, the preview
// window does not call it again.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "app/main_window.h"
#include "app/skin_hooks.h"
#include "skin/skin.h"

namespace qf {
namespace {

using platform::Address;
using platform::RecordingModulePlatform;

class QuietDesktop : public DesktopServices {
 public:
  void ShowMessage(QWidget*, const QString&, const QString&) override { ++messages; }
  void SetClipboardText(const QString&) override {}
  void OpenUrl(const QUrl&) override {}
  int messages = 0;
};

struct SkinInProgramTest : ::testing::Test {
  RecordingModulePlatform rec;  // records every call, and runs our engine for real
  void SetUp() override {
    rec.runNativeCalls = true;
    platform::SetCurrentModulePlatform(&rec);
    qApp->setStyleSheet(QString());
  }
  void TearDown() override {
    DestroySkinModule();
    platform::SetCurrentModulePlatform(nullptr);
  }
  std::unique_ptr<MainWindow> NewMainWindow() {
    MainWindowHooks hooks = MainWindowHooks::Program();
    hooks.startSearch = nullptr;
    hooks.startLinks = nullptr;
    return std::make_unique<MainWindow>(hooks, std::make_shared<QuietDesktop>());
  }
};

TEST_F(SkinInProgramTest, WithoutAnEngineNothingIsCalledAndTheWindowIsUnskinned) {
  CreateSkinModule();  // start step 4 left out: nothing was loaded
  auto window = NewMainWindow();
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

TEST_F(SkinInProgramTest, AnEngineThatCannotBeMappedMeansNoCall) {
  CreateSkinModule();
  const std::uint8_t notALibrary[] = {'M', 'Z', 0, 0};
  EXPECT_FALSE(SkinModule->Load(notALibrary));
  auto window = NewMainWindow();
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

TEST_F(SkinInProgramTest, MainWindowCreationCallsTheEngineOnceAndThePreviewNever) {
  CreateSkinModule();
  LoadSkinEngine();
  ASSERT_NE(SkinModule, nullptr);
  EXPECT_EQ(rec.nativeLoads, 1u);
  const Address attach = SkinModule->FindExport("SkinH_AttachRes");
  ASSERT_NE(attach, 0u) << "the engine is mapped and has its export";

  auto window = NewMainWindow();
  ASSERT_EQ(rec.calls.size(), 1u);
  EXPECT_EQ(rec.calls[0].target, attach);
  EXPECT_EQ(rec.calls[0].args,
            (platform::CallArgs{reinterpret_cast<Address>(SkinData.data()), SkinData.size(), 0, 0, 0,
                                0, 0, 0, 0, 0}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(SkinData.data()), 5), std::string(".SHE\0", 5));
  // The engine really ran in this process.
  EXPECT_FALSE(qApp->styleSheet().isEmpty());
  QApplication::processEvents();
  EXPECT_EQ(window->palette().color(QPalette::Window), QColor("#eef1f5"));

  window->Controls().linkList.AddItem("magnet:?xt=urn:btih:0123456789abcdef");
  bool previewSkinned = false;
  QTimer::singleShot(100, [&] {
    if (QWidget* preview = QApplication::activeModalWidget()) {
      previewSkinned = preview->palette().color(QPalette::Window) == QColor("#eef1f5");
      preview->close();
    }
  });
  window->OpenPreview();
  EXPECT_TRUE(previewSkinned) << "the engine dresses the preview window as well";
  EXPECT_EQ(rec.calls.size(), 1u) << "no call from the preview window";

  // Exit step 1: the module object goes, the engine stays mapped.
  DestroySkinModule();
  EXPECT_EQ(SkinModule, nullptr);
  Dl_info info{};
  EXPECT_NE(dladdr(reinterpret_cast<void*>(attach), &info), 0);
  EXPECT_EQ(rec.calls.size(), 1u);
}

}  // namespace
}  // namespace qf

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
