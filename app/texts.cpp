#include "app/texts.h"

#include "web/codecs.h"

namespace qf::texts {

const SystemTexts& System() {
  static const SystemTexts table{
      Utf8ToGbk("请输入关键词"),
      Utf8ToGbk("没有下载链接信息！"),
      Utf8ToGbk("搜索状态："),
      Utf8ToGbk("种子获取状态："),
  };
  return table;
}

}  // namespace qf::texts
