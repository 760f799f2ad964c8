// The windows' captions (UTF-8, handed to Qt as they are) and the texts that
// go through the toolkit as system text (GBK, converted once).
#pragma once

#include <string>
#include <string_view>

namespace qf::texts {

inline constexpr std::string_view kMainCaption = "Quillfen V2.0 By：Brevoldt";
inline constexpr std::string_view kPreviewCaption = "种子预览窗口";
inline constexpr std::string_view kStart = "开始";
inline constexpr std::string_view kSelectAll = "全选";
inline constexpr std::string_view kInvert = "反选";
inline constexpr std::string_view kSelectNone = "全不选";
// Two-line captions; Qt breaks button text at LF.
inline constexpr std::string_view kCopyLinks = "复制黏\n贴板";
inline constexpr std::string_view kOpenPreview = "打开种\n子面板";
inline constexpr std::string_view kMenuTitle = "隐藏菜单";
inline constexpr std::string_view kOpenSource = "打开片源";
inline constexpr std::string_view kCopyAddress = "复制地址";
inline constexpr std::string_view kCopySeed = "复制种子";
inline constexpr std::string_view kColumnHeaders[] = {"序号", "片名", "片源", "简介", "地址"};
inline constexpr int kColumnWidths[] = {50, 250, 100, 0, 0};
inline constexpr std::string_view kYaHei = "微软雅黑";
inline constexpr std::string_view kSong = "宋体";

struct SystemTexts {
  std::string enterKeyword;       // "请输入关键词"
  std::string noLinks;            // "没有下载链接信息！"
  std::string searchStatusLabel;  // "搜索状态："
  std::string linkStatusLabel;    // "种子获取状态："
};
const SystemTexts& System();

}  // namespace qf::texts
