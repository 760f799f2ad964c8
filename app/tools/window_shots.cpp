// Shows the windows with sample rows and links, for screenshots, dressed by
// the skin through the program's own start steps, or without it:
//   quillfen-window-shots main|preview [--unskinned]
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <cstring>
#include <string>

#include "app/app_icon.h"
#include "app/main_window.h"
#include "app/skin_hooks.h"
#include "app/widgets.h"
#include "app/toolkit/toolkit.h"
#include "web/codecs.h"

namespace {

void Fill(qf::MainControls controls) {
  struct Row {
    const char* title;
    const char* label;
  };
  const Row rows[] = {
      {"流浪地球 2023 高清国语中字", "阳光电影①"}, {"流浪地球 蓝光 1080P", "电影港"},
      {"流浪地球（导演剪辑版）", "中国高清网"},    {"流浪地球 4K 超清", "六V电影网"},
      {"流浪地球 全集", "全集网"},                  {"流浪地球 国语", "七七铺"},
  };
  int number = 0;
  for (const Row& row : rows) {
    const int index = controls.resultList.AppendRow();
    controls.resultList.SetCellText(index, 0, std::to_string(++number));
    controls.resultList.SetCellText(index, 1, qf::Utf8ToGbk(row.title));
    controls.resultList.SetCellText(index, 2, qf::Utf8ToGbk(row.label));
    controls.resultList.SetCellText(index, 4, "http://movies.example/entry/" + std::to_string(number) + ".html");
  }
  const char* links[] = {
      "magnet:?xt=urn:btih:3f1c9a0e5b7d2c4a6e8f0b1d3c5e7a9b0c2d4e6f&dn=liulang",
      "ftp://dl.example/流浪地球.BD1080P.国语中字.mkv",
      "magnet:?xt=urn:btih:a1b2c3d4e5f60718293a4b5c6d7e8f9012345678",
      "ed2k://|file|流浪地球.HD.mp4|1876543210|0123456789ABCDEF0123456789ABCDEF|/",
  };
  for (const char* link : links) controls.linkList.AddItem(qf::Utf8ToGbk(link));
  controls.linkList.SetCheck(1, true);
  controls.statusBar.SetStatusText(1, qf::Utf8ToGbk("全部获取完毕！共获取[ 6 ]条信息！"));
  controls.statusBar.SetStatusText(3, qf::Utf8ToGbk("获取完成！成功获取[ 4 ]条种子数据！"));
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
  // Dressed as the program is, but with no runs behind the buttons.
  qf::CreateSkinModule();
  if (skinned) qf::LoadSkinEngine();
  qf::MainWindowHooks hooks = qf::MainWindowHooks::Program();
  hooks.startSearch = nullptr;
  hooks.startLinks = nullptr;
  qf::MainWindow window(hooks);
  window.keywordEdit()->setText(QString::fromUtf8("流浪地球"));
  Fill(window.Controls());
  window.resultList()->selectRow(1);
  window.ShowCentred();
  if (preview) QTimer::singleShot(500, &window, [&window] { window.OpenPreview(); });
  QApplication::exec();
  qf::DestroySkinModule();
  return 0;
}
