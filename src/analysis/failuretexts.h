// Failure reports that the list crawler and the album reader share, word for word.
#pragma once

#include "text/text.h"

namespace xiuyun {

inline Text folderFailure() {
    return "状态：分析数据失败\r\n\r\n原因：存放目录不存在或创建失败"_t;
}
inline Text decoderFailure() {
    return "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：请确认文件是否正确，再重试"_t;
}
inline Text emptyPageFailure() {
    return "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：请确认正确再重试"_t;
}
// A page that parsed but said something no real page says: no first image, an image or page
// count of none or beyond belief.
inline Text implausiblePageFailure() {
    return "状态：分析数据失败\r\n\r\n原因：页面地址解析错误\r\n\r\n解决：再重试分析,如果还出错就是程序问题"_t;
}

} // namespace xiuyun
