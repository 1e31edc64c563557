#include "window/controls.h"

#include "net/site.h"

namespace xiuyun {
namespace {

using K = ControlKind;
using C = Control;
constexpr auto shown = Visibility::Shown;
constexpr auto on = Enablement::Enabled;
constexpr auto off = Enablement::Disabled;

constexpr std::array<ControlLayoutEntry, controlCount> layout{{
    {C::超级列表框1, "超级列表框1", K::ListView, "", {0, 0, 608, 628}, false, shown, on},
    {C::透明标签_页面地址, "透明标签_页面地址", K::Label, "页面地址", {616, 7, 64, 32}, false, shown, on},
    {C::编辑框_页面地址, "编辑框_页面地址", K::EditBox, SITE_ROOT, {688, 7, 400, 32}, false, shown, on},
    {C::透明标签_地址类型, "透明标签_地址类型", K::Label, "地址类型", {616, 78, 64, 32}, false, shown, on},
    {C::选择框_图集分类, "选择框_图集分类", K::CheckBox, "图集分类", {686, 56, 88, 24}, false, shown, on},
    {C::选择框_精选美女, "选择框_精选美女", K::CheckBox, "精选美女", {686, 80, 88, 24}, false, shown, on},
    {C::选择框_自动选择, "选择框_自动选择", K::CheckBox, "自动选择", {686, 104, 88, 24}, false, shown, on},
    {C::选择框_精选其他,
     "选择框_精选其他",
     K::CheckBox,
     "日韩港台国产美女",
     {790, 56, 144, 24},
     false,
     shown,
     on},
    {C::选择框_单个地址,
     "选择框_单个地址",
     K::CheckBox,
     "非首页的单个地址",
     {790, 80, 144, 24},
     false,
     shown,
     on},
    {C::选择框_搜索地址,
     "选择框_搜索地址",
     K::CheckBox,
     "搜索中的地址",
     {958, 56, 120, 24},
     false,
     shown,
     on},
    {C::选择框_机构地址,
     "选择框_机构地址",
     K::CheckBox,
     "机构模特标签",
     {958, 80, 120, 24},
     false,
     shown,
     on},
    {C::透明标签_线程数量, "透明标签_线程数量", K::Label, "线程数量", {616, 144, 64, 32}, false, shown, on},
    {C::透明标签_线程数, "透明标签_线程数", K::Label, "10", {688, 144, 48, 32}, false, shown, on},
    {C::滑块条1, "滑块条1", K::Slider, "", {744, 144, 338, 40}, false, shown, on},
    {C::透明标签_存放目录, "透明标签_存放目录", K::Label, "存放目录", {616, 192, 64, 32}, false, shown, on},
    {C::编辑框_存放目录, "编辑框_存放目录", K::EditBox, "", {688, 192, 328, 32}, false, shown, on},
    {C::按钮_浏览目录, "按钮_浏览目录", K::Button, "浏览", {1027, 192, 56, 32}, false, shown, on},
    {C::按钮_取消下载, "按钮_取消下载", K::Button, "4 取消下载 ", {688, 240, 88, 39}, false, shown, off},
    {C::按钮_重新分析, "按钮_重新分析", K::Button, "3 重新分析 ", {792, 240, 88, 39}, false, shown, off},
    {C::按钮_开始下载, "按钮_开始下载", K::Button, "2 开始下载", {896, 240, 88, 39}, false, shown, on},
    {C::按钮_分析数据, "按钮_分析数据", K::Button, "1 分析数据", {995, 239, 88, 39}, false, shown, on},
    {C::分组框1, "分组框1", K::GroupBox, "", {616, 296, 473, 330}, false, shown, on},
    {C::透明标签_图片标题1, "透明标签_图片标题1", K::Label, "图片标题", {1, 19, 64, 32}, true, shown, on},
    {C::透明标签_图片标题2, "透明标签_图片标题2", K::Label, "图片标题", {1, 51, 458, 32}, true, shown, on},
    {C::透明标签_图片数量1, "透明标签_图片数量1", K::Label, "图片数量", {1, 83, 64, 32}, true, shown, on},
    {C::透明标签_图片数量2, "透明标签_图片数量2", K::Label, "图片数量", {1, 115, 458, 32}, true, shown, on},
    {C::透明标签_总页码1, "透明标签_总页码1", K::Label, "总页码", {0, 144, 64, 32}, true, shown, on},
    {C::透明标签_总页码2, "透明标签_总页码2", K::Label, "总页码", {0, 176, 224, 32}, true, shown, on},
    {C::透明标签_当前页码1, "透明标签_当前页码1", K::Label, "当前页码", {406, 144, 64, 32}, true, shown, on},
    {C::透明标签_当前页码2, "透明标签_当前页码2", K::Label, "当前页码", {224, 176, 246, 32}, true, shown, on},
    {C::透明标签_总图集1, "透明标签_总图集1", K::Label, "总图集", {0, 208, 64, 32}, true, shown, on},
    {C::透明标签_总图集2, "透明标签_总图集2", K::Label, "总图集", {0, 240, 224, 32}, true, shown, on},
    {C::透明标签_当前图集1, "透明标签_当前图集1", K::Label, "当前图集", {406, 208, 64, 32}, true, shown, on},
    {C::透明标签_当前图集2, "透明标签_当前图集2", K::Label, "当前图集", {224, 240, 246, 32}, true, shown, on},
    {C::透明标签_子页提示, "透明标签_子页提示", K::Label, "", {112, 208, 256, 32}, true, shown, on},
    {C::按钮_删除残余,
     "按钮_删除残余",
     K::Button,
     "删除取消下载的图片",
     {320, 8, 152, 32},
     true,
     Visibility::Hidden,
     on},
    {C::进度条_下载进度, "进度条_下载进度", K::ProgressBar, "", {1, 276, 470, 20}, true, shown, on},
    {C::透明标签_下载状态, "透明标签_下载状态", K::Label, "", {1, 298, 470, 28}, true, shown, on},
}};

constexpr bool layoutFollowsEnumOrder() {
    for (int i = 0; i < controlCount; ++i) {
        if (static_cast<int>(layout[i].control) != i)
            return false;
    }
    return true;
}
static_assert(layoutFollowsEnumOrder(), "the layout table is indexed by Control");

} // namespace

const std::array<ControlLayoutEntry, controlCount>& controlLayout() {
    return layout;
}

const ControlLayoutEntry& layoutOf(Control control) {
    return layout[static_cast<int>(control)];
}

} // namespace xiuyun
