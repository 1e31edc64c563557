#include "program/messagecatalog.h"

#include <array>

namespace xiuyun {
namespace {

using enum MessageId;
constexpr MessageIcon error = MessageIcon::Error;
constexpr MessageIcon warning = MessageIcon::Warning;
constexpr MessageIcon information = MessageIcon::Information;
constexpr MessageCaption status = MessageCaption::Status;
constexpr MessageCaption plain = MessageCaption::Information;
constexpr MessageCaption congratulations = MessageCaption::Congratulations;
constexpr bool failure = true;
constexpr bool report = false;

#define XIUYUN_LOCKED_REASON                                                                                 \
    "\r\n\r\n原因：同一程序目录的另一个程序正在分析或下载\r\n\r\n解决：请等它完成或重置分析后再试"
#define XIUYUN_PLEASE_WAIT "请耐心等待，删除成功或失败的提示，避免程序发生崩！"

// In the order of MessageId.
constexpr std::array<MessageEntry, 42> catalog{{
    {AnalyseHomePage, "状态：分析数据失败\r\n\r\n原因：首页分析不了\r\n\r\n解决：输入非首页地址再重试", error,
     status, failure},
    {AnalyseNoAddress, "状态：分析数据失败\r\n\r\n原因：页面地址不能为空\r\n\r\n解决：请输入页面地址再重试",
     error, status, failure},
    {AnalyseOtherSite, "状态：分析数据失败\r\n\r\n原因：页面地址错误\r\n\r\n解决：正确输入地址", error,
     status, failure},
    {AnalyseNoPageType,
     "状态：分析数据失败\r\n\r\n原因：没有选择地址类型\r\n\r\n解决：请选择所属地址类型再重试", error, status,
     failure},
    {AnalyseNoFolder, "状态：分析数据失败\r\n\r\n原因：存放目录不能为空\r\n\r\n解决：请选择保存目录再重试",
     error, status, failure},
    {AnalyseLocked, "状态：分析数据失败" XIUYUN_LOCKED_REASON, error, status, failure},
    {AnalyseWrongListType,
     "状态：分析数据失败\r\n\r\n原因：不符合当前地址类型\r\n\r\n解决：请确认页面地址是何类型!", error, status,
     failure},
    {AnalyseWrongAlbumType,
     "状态：分析数据失败\r\n\r\n原因：不符合当前地址类型\r\n\r\n解决：请确认页面地址是何类型！", error,
     status, failure},
    {AnalyseFolderFailed, "状态：分析数据失败\r\n\r\n原因：存放目录不存在或创建失败", error, status, failure},
    {AnalyseDecoderFailed,
     "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：请确认文件是否正确，再重试", error,
     status, failure},
    {AnalyseEmptyPage, "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：请确认正确再重试",
     error, status, failure},
    {AnalyseImplausiblePage,
     "状态：分析数据失败\r\n\r\n原因：页面地址解析错误\r\n\r\n解决：再重试分析,如果还出错就是程序问题", error,
     status, failure},
    {AnalyseListPageUnsaved, "状态：分析数据失败\r\n\r\n原因：图集地址解析错误\r\n\r\n错误标识：0{}", error,
     status, failure},
    {AnalyseCachedPageBroken,
     "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n解决：试试删除缓存文件再看看！", error, status,
     failure},
    {AnalyseNoAlbums, "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n错误标识：000", error, status,
     failure},
    {AnalyseNoPager, "状态：分析数据失败\r\n\r\n原因：页面地址解析失败\r\n\r\n错误标识：0000", error, status,
     failure},
    {AnalyseFailedAgain, "状态：分析数据再次失败\r\n\r\n原因：页面地址解析失败\r\n\r\n错误标识：005", error,
     status, failure},
    {ReadPageNotAnalysed,
     "状态：读取数据失败\r\n\r\n原因：图集分类下的页面没有被提前分析\r\n\r\n解决：重新下载分析图集", error,
     status, failure},
    {PatternInvalid, "正则创建失败，请检查正则表达式语句是否有误！", error, plain, failure},
    {PatternMatchedNothing, "匹配失败，请检检查正则语句是否有误，数量：0", error, plain, failure},
    {AnalyseDone, "状态：分析数据完成\r\n\r\n原因：\r\n\r\n解决：\r\n\r\n说明：线程可调，其他禁止再输入",
     information, status, report},
    {ReanalyseDoneCacheFound,
     "状态：重置分析完成，发现存在缓存文件\r\n\r\n原因：\r\n\r\n解决：如需要删除，请点击删除缓存文件按钮",
     information, status, report},
    {ReanalyseDone, "状态：重置分析完成\r\n\r\n原因：\r\n\r\n解决：\r\n\r\n说明：", information, status,
     report},
    {StartNotAnalysed,
     "状态：开始下载失败\r\n\r\n原因：分析数据未完成\r\n\r\n解决：请确认分析数据正确，再开始下载", error,
     status, failure},
    {StartLocked, "状态：开始下载失败" XIUYUN_LOCKED_REASON, error, status, failure},
    {StartDownloadedBefore,
     "发现：这个页面地址曾被下载过\r\n\r\n如果需要再次下载，请点击 -2 强制下载- 按钮！", warning, status,
     report},
    {FolderCreateFailed,
     "状态：分析数据失败\r\n\r\n原因：目录创建出错\r\n\r\n解决：请确认目录是否正确或是否被占用！", error,
     status, failure},
    {ImageFileFailed, "状态：下载图片失败\r\n\r\n原因：文件创建失败\r\n\r\n解决：请重试下载", error, status,
     failure},
    {DownloadDone, "状态：图片下载完成\r\n\r\n原因：\r\n\r\n重试：{}", information, congratulations, report},
    // Its outcome, not its words, makes the command line's exit code.
    {ListDownloadMaybeFailed,
     "状态：图片下载完成，但可能存在下载失败的文件\r\n\r\n原因：未知\r\n\r\n累计重试次数：{} 有点问题啊！",
     warning, congratulations, report},
    {AlbumDownloadMaybeFailed,
     "状态：图片下载完成，但可能存在下载失败的文件\r\n\r\n原因：未知\r\n\r\n重试次数：{} 有点问题啊！",
     warning, congratulations, report},
    {CleanUpPleaseWait, XIUYUN_PLEASE_WAIT, warning, plain, report},
    {CleanUpConfirmImages,
     XIUYUN_PLEASE_WAIT
     "\r\n\r\n如果你的图片很多的话，可能就有点小久！\r\n\r\n谨慎操作，将会删除图片根目录，那是否删除呢！",
     warning, plain, report},
    {CacheFolderMissing, "状态：删除缓存失败\r\n\r\n原因：未知\r\n\r\n解决：文件不存在", error, status,
     failure},
    {CacheLocked, "状态：删除缓存失败" XIUYUN_LOCKED_REASON, error, status, failure},
    {CacheNothingFound, "状态：没有发现缓存文件\r\n\r\n原因：\r\n\r\n解决：", information, status, report},
    {CacheFileNotDeleted,
     "状态：删除缓存文件失败\r\n\r\n失败文件名：{}\r\n\r\n解决：等执行删除操作完，自行手动删除吧", warning,
     status, failure},
    {CacheDeleted,
     "状态：删除缓存完成\r\n\r\n提示：如需要删除页面地址的记录数据\r\n ，请手动删除vrd目录下的c_x.q文件",
     information, status, report},
    {CancelledImagesWhileDownloading, "状态：删除取消下载的图片失败\r\n\r\n原因：\r\n\r\n解决：", error,
     status, failure},
    {CancelledImagesPaused,
     "状态：删除被暂停\r\n\r\n原因：存在 <等待中...> 的图片\r\n\r\n解决：请等待显示下载完成！", error, status,
     report},
    {CancelledImagesDeleted, "状态：删除取消下载时产生的图片成功\r\n\r\n原因：\r\n\r\n解决：", information,
     status, report},
    {CancelledImagesNotDeleted, "状态：删除取消下载时产生的图片失败\r\n\r\n原因：\r\n\r\n解决：", error,
     status, failure},
}};

#undef XIUYUN_LOCKED_REASON
#undef XIUYUN_PLEASE_WAIT

constexpr bool inIdOrder() {
    for (std::size_t i = 0; i < catalog.size(); ++i) {
        if (static_cast<std::size_t>(catalog[i].id) != i)
            return false;
    }
    return true;
}
static_assert(inIdOrder(), "one entry per MessageId, in its order");
static_assert(catalog.size() == static_cast<std::size_t>(CancelledImagesNotDeleted) + 1);

} // namespace

std::span<const MessageEntry> messageCatalog() {
    return catalog;
}

const MessageEntry& messageEntry(MessageId id) {
    return catalog[static_cast<std::size_t>(id)];
}

Text messageText(const Message& message) {
    const std::string_view text = messageEntry(message.id).text;
    Text result;
    std::size_t value = 0;
    std::size_t from = 0;
    for (std::size_t mark = text.find("{}"); mark != std::string_view::npos; mark = text.find("{}", from)) {
        result += Text::fromUtf8(text.substr(from, mark - from));
        if (value < message.values.size())
            result += message.values[value];
        ++value;
        from = mark + 2;
    }
    return result + Text::fromUtf8(text.substr(from));
}

Text captionText(MessageCaption caption) {
    switch (caption) {
    case MessageCaption::Information:
        return "信息："_t;
    case MessageCaption::Congratulations:
        return "恭喜客官"_t;
    case MessageCaption::Status:
        break;
    }
    return "温馨提示"_t;
}

} // namespace xiuyun
