// Shows the program's windows with sample rows and links, dressed by our
// skin engine through the program's own start steps, or without a skin:
//   skin_window_shots main|preview [--unskinned]
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <cstring>
#include <memory>
#include <string>

#include "app/app_icon.h"
#include "app/main_window.h"
#include "app/skin_hooks.h"
#include "app/widgets.h"
#include "web/codecs.h"

namespace {

void Fill(qf::MainControls controls) {
  const char* rows[][2] = {
      {"星际归途 2024 高清国语中字", "阳光电影①"}, {"星际归途 蓝光 1080P", "电影港"},
      {"星际归途（导演剪辑版）", "中国高清网"},    {"星际归途 4K 超清", "六V电影网"},
      {"星际归途 全集", "全集网"},                  {"星际归途 国语", "七七铺"},
  };
  int number = 0;
  for (const auto& row : rows) {
    const int index = controls.resultList.AppendRow();
    controls.resultList.SetCellText(index, 0, std::to_string(++number));
    controls.resultList.SetCellText(index, 1, qf::Utf8ToGbk(row[0]));
    controls.resultList.SetCellText(index, 2, qf::Utf8ToGbk(row[1]));
    controls.resultList.SetCellText(index, 4, "http://movies.example/entry/" + std::to_string(number) + ".html");
  }
  for (const char* link : {"magnet:?xt=urn:btih:7c2e9a0f5b1d3c4a6e8f0b2d4c6e8a0b1c3d5e7f&dn=guitu",
                           "ftp://dl.example/星际归途.BD1080P.国语中字.mkv",
                           "magnet:?xt=urn:btih:0a1b2c3d4e5f60718293a4b5c6d7e8f901234567",
                           "ed2k://|file|星际归途.HD.mp4|1876543210|0123456789ABCDEF0123456789ABCDEF|/"}) {
    controls.linkList.AddItem(qf::Utf8ToGbk(link));
  }
  controls.linkList.SetCheck(1, true);
  controls.statusBar.SetStatusText(1, qf::Utf8ToGbk("全部获取完毕！共获取[ 6 ]条信息！"));
  controls.statusBar.SetStatusText(3, qf::Utf8ToGbk("获取成功！共 4 条"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setWindowIcon(qf::ApplicationIcon());
  bool preview = false, skinned = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "preview") == 0) preview = true;
    if (std::strcmp(argv[i], "--unskinned") == 0) skinned = false;
  }
  qf::CreateSkinModule();
  if (skinned) qf::LoadSkinEngine();
  qf::MainWindowHooks hooks;
  hooks.applySkin = qf::ApplySkinOnCreation;
  qf::MainWindow window(hooks);
  window.keywordEdit()->setText(QString::fromUtf8("星际归途"));
  Fill(window.Controls());
  window.resultList()->selectRow(1);
  window.ShowCentred();
  if (preview) QTimer::singleShot(500, &window, [&window] { window.OpenPreview(); });
  const int code = QApplication::exec();
  qf::DestroySkinModule();
  return code;
}
