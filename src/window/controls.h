// The controls of the main window: names, kinds, places and initial states.
#pragma once

#include <array>
#include <string_view>

namespace xiuyun {

enum class Control {
    超级列表框1,
    透明标签_页面地址,
    编辑框_页面地址,
    透明标签_地址类型,
    选择框_图集分类,
    选择框_精选美女,
    选择框_自动选择,
    选择框_精选其他,
    选择框_单个地址,
    选择框_搜索地址,
    选择框_机构地址,
    透明标签_线程数量,
    透明标签_线程数,
    滑块条1,
    透明标签_存放目录,
    编辑框_存放目录,
    按钮_浏览目录,
    按钮_取消下载,
    按钮_重新分析,
    按钮_开始下载,
    按钮_分析数据,
    分组框1,
    透明标签_图片标题1,
    透明标签_图片标题2,
    透明标签_图片数量1,
    透明标签_图片数量2,
    透明标签_总页码1,
    透明标签_总页码2,
    透明标签_当前页码1,
    透明标签_当前页码2,
    透明标签_总图集1,
    透明标签_总图集2,
    透明标签_当前图集1,
    透明标签_当前图集2,
    透明标签_子页提示,
    按钮_删除残余,
    进度条_下载进度,
    透明标签_下载状态,
};

inline constexpr int controlCount = static_cast<int>(Control::透明标签_下载状态) + 1;

enum class ControlKind { ListView, Label, EditBox, CheckBox, Slider, Button, GroupBox, ProgressBar };

struct Geometry {
    int left;
    int top;
    int width;
    int height;
};

enum class Visibility { Shown, Hidden };
enum class Enablement { Enabled, Disabled };

struct ControlLayoutEntry {
    Control control;
    std::string_view name; // UTF-8, also the widget's object name
    ControlKind kind;
    std::string_view caption; // UTF-8 initial caption or text
    Geometry geometry;        // relative to the parent
    bool insideGroupBox;      // parent is 分组框1 rather than the window
    Visibility visibility;
    Enablement enablement;
};

const std::array<ControlLayoutEntry, controlCount>& controlLayout();
const ControlLayoutEntry& layoutOf(Control control);

inline constexpr std::string_view windowTitle = "岫云阁_下载";
inline constexpr Geometry windowGeometry{50, 50, 1105, 660};

struct ListColumn {
    std::string_view caption;
    int width;
};
inline constexpr std::array<ListColumn, 3> listColumns{{{"序号", 73}, {"下载", 420}, {"状态", 110}}};

inline constexpr int sliderMinimum = 1;
inline constexpr int sliderMaximum = 30;
inline constexpr int sliderInitial = 10;
inline constexpr int sliderLineStep = 1;
inline constexpr int sliderPageStep = 5;

// A progress bar counts in thousandths: a job of thousands of images still moves it smoothly.
inline constexpr int progressMaximum = 1000;

} // namespace xiuyun
