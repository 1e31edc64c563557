#include "program/cause.h"

namespace xiuyun {
namespace {

Text systemCauseText(const SystemError& error) {
    switch (error.kind) {
    case SystemError::Kind::LinkRefused:
        return "路径中有链接，拒绝经由链接写入"_t;
    case SystemError::Kind::NotAFolder:
        return "路径中有同名的文件，不是文件夹"_t;
    case SystemError::Kind::OutsideFolder:
        return "路径超出了目标文件夹"_t;
    case SystemError::Kind::Missing:
        return "文件或文件夹不存在"_t;
    case SystemError::Kind::System:
        break;
    }
    Text words = systemErrorText(error.code);
    return "系统错误 "_t + Text::number(error.code) + (words.empty() ? Text() : "："_t + words);
}

Text httpCauseText(const HttpCause& cause) {
    switch (cause.failure) {
    case HttpFailure::None:
        return cause.status == 0 ? Text() : "网站回应 HTTP 状态 "_t + Text::number(cause.status);
    case HttpFailure::NoRequest:
        return "无法建立请求"_t;
    case HttpFailure::BadAddress:
        return "网址无效"_t;
    case HttpFailure::Unreachable:
        return "无法连接网站"_t;
    case HttpFailure::TimedOut:
        return "请求超时"_t;
    case HttpFailure::Stalled:
        return "下载速度低于下限，已放弃"_t;
    case HttpFailure::CutShort:
        return "连接中断，数据不完整"_t;
    case HttpFailure::TooLarge:
        return "数据超过大小上限"_t;
    case HttpFailure::SinkRefused:
        return "写入文件失败"_t;
    case HttpFailure::Other:
        break;
    }
    return "网络错误"_t;
}

Text imageFaultText(ImageFault fault) {
    switch (fault) {
    case ImageFault::NotAnImage:
        return "网站送来的不是图片（错误页面）"_t;
    case ImageFault::TooSmall:
        return "图片只有 10 KB 或更小"_t;
    case ImageFault::NotWhole:
        return "图片不完整"_t;
    }
    return Text();
}

} // namespace

Text causeText(const Cause& cause) {
    if (const auto* fault = std::get_if<ImageFault>(&cause))
        return imageFaultText(*fault);
    if (const auto* error = std::get_if<SystemError>(&cause))
        return systemCauseText(*error);
    if (const auto* http = std::get_if<HttpCause>(&cause))
        return httpCauseText(*http);
    return Text();
}

} // namespace xiuyun
