#include "testsite/gallery.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <random>

namespace xiuyun::gallery {
namespace {

const std::vector<std::string> plainWords = {"清新", "夏日", "海边", "街拍", "复古", "校园", "森系", "午后",
                                             "私房", "旅拍", "胶片", "花园", "雨季", "晨光", "月色", "写真"};

bool isSmallNumber(const std::string& text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::uint32_t hashOf(const std::string& text) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

// Boilerplate that real pages carry around their content; it also keeps every page well above
// the 5 KiB below which a stored page counts as broken.
std::string padding(const std::string& siteRoot) {
    std::string text = "<div class=\"nav\">";
    for (int i = 0; i < 80; ++i)
        text += "<a href=\"" + siteRoot + "t/tag" + std::to_string(i) + "/\" title=\"分类\">分类标签" +
                std::to_string(i) + "</a>\n";
    text += "</div>\n<div class=\"notice\">本站图片均来自网络，仅供学习交流。</div>\n";
    return text;
}

std::string pageHead(const std::string& title) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
           "</title>\n<link rel=\"stylesheet\" href=\"/static/site.css\"></head>\n<body>\n";
}

// --- PNG with stored (uncompressed) deflate blocks: a real image without a compressor. ---

std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

std::uint32_t crc32Of(std::string_view bytes) {
    static const auto table = makeCrcTable();
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void appendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void appendChunk(std::string& png, const char* type, const std::string& data) {
    appendBigEndian(png, static_cast<std::uint32_t>(data.size()));
    std::string typed = std::string(type, 4) + data;
    png += typed;
    appendBigEndian(png, crc32Of(typed));
}

std::string storedZlibStream(const std::string& raw) {
    std::string out = "\x78\x01";
    std::size_t position = 0;
    do {
        std::size_t length = std::min<std::size_t>(65535, raw.size() - position);
        bool final = position + length == raw.size();
        out += static_cast<char>(final ? 1 : 0);
        out += static_cast<char>(length & 0xFF);
        out += static_cast<char>(length >> 8);
        out += static_cast<char>(~length & 0xFF);
        out += static_cast<char>((~length >> 8) & 0xFF);
        out.append(raw, position, length);
        position += length;
    } while (position < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    appendBigEndian(out, (b << 16) | a);
    return out;
}

} // namespace

std::string makePng(unsigned seed, std::size_t bytes) {
    // A picture a viewer shows as one: a gradient in colours of the seed, with a little grain.
    const std::uint32_t width = 64;
    const std::size_t rowBytes = 1 + width * 3;
    const std::uint32_t height = static_cast<std::uint32_t>(std::max<std::size_t>(1, bytes / rowBytes));
    std::mt19937 random(seed);
    const unsigned base[3] = {static_cast<unsigned>(random() & 0xFF), static_cast<unsigned>(random() & 0xFF),
                              static_cast<unsigned>(random() & 0xFF)};
    std::string raw;
    raw.reserve(rowBytes * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        raw += '\0'; // filter: none
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned grain = static_cast<unsigned>(random() & 0x0F);
            raw += static_cast<char>((base[0] + x * 3 + grain) & 0xFF);
            raw += static_cast<char>((base[1] + y * 2 + grain) & 0xFF);
            raw += static_cast<char>((base[2] + (x + y)) & 0xFF);
        }
    }
    std::string png = "\x89PNG\r\n\x1A\n";
    std::string header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", storedZlibStream(raw));
    appendChunk(png, "IEND", "");
    return png;
}

std::string AlbumInfo::imagePath(int number) const {
    return "/img/" + std::to_string(id) + "/" + std::to_string(number) + ".png";
}

const std::vector<std::string>& Gallery::awkwardTitles() {
    static const std::vector<std::string> titles = {
        "夏日　午后　写真",    // full-width spaces
        "“海边”的\"约定\"",    // quotes
        "a:b\\c/d*e?f|g 写真", // characters no file name may hold
        "表情😀与ℌ符号",        // characters GBK cannot hold
        "..",
        [] {
            std::string longTitle;
            for (int i = 0; i < 40; ++i)
                longTitle += "很长的标题";
            return longTitle; // 400 bytes in GBK
        }(),
        "结尾有点和空格. . ",
        "",
        ".",
    };
    return titles;
}

Gallery::Gallery(std::string siteRoot, GalleryOptions options)
    : m_siteRoot(std::move(siteRoot)), m_options(options) {}

void Gallery::setList(const std::string& listPath, int pages, SinglePageBlock block) {
    m_lists[listPath] = {pages, block};
}

int Gallery::pagesOf(const std::string& listPath) const {
    auto found = m_lists.find(listPath);
    return found == m_lists.end() ? m_options.pagesPerList : found->second.pages;
}

std::string Gallery::absolute(const std::string& path) const {
    return m_siteRoot + (path.empty() || path[0] != '/' ? path : path.substr(1));
}

std::string Gallery::imageAddress(const std::string& path) const {
    if (m_options.imageRoot.empty())
        return absolute(path);
    return m_options.imageRoot + path.substr(1);
}

int Gallery::firstAlbumOf(const std::string& listPath) const {
    return 100000 + static_cast<int>(hashOf(listPath) % 9000) * 1000;
}

bool Gallery::splitListPath(const std::string& path, std::string& listPath, int& page) {
    static const std::vector<std::string> roots = {"/t/",       "/rihan/",  "/gangtai/",
                                                   "/guochan/", "/xihuan/", "/search/"};
    bool known =
        std::any_of(roots.begin(), roots.end(), [&](const std::string& r) { return path.rfind(r, 0) == 0; });
    if (!known || path.find("/item/") != std::string::npos)
        return false;
    std::size_t slash = path.rfind('/');
    std::string last = path.substr(slash + 1);
    listPath = path.substr(0, slash + 1);
    page = 1;
    if (last.empty())
        return listPath != "/t/" && listPath != "/search/";
    if (last.size() > 5 && last.compare(last.size() - 5, 5, ".html") == 0) {
        std::string number = last.substr(0, last.size() - 5);
        if (isSmallNumber(number)) {
            page = std::stoi(number);
            return page >= 1;
        }
    }
    return false;
}

AlbumInfo Gallery::album(int id) const {
    AlbumInfo info;
    info.id = id;
    info.imageCount = m_options.imagesPerAlbum;
    info.pagePath = "/item/" + std::to_string(id) + ".html";
    info.coverPath = "/img/" + std::to_string(id) + "/0.png";
    if (m_options.awkwardTitles) {
        const auto& titles = awkwardTitles();
        info.title = titles[static_cast<std::size_t>(id) % titles.size()];
    } else {
        std::mt19937 random(m_options.seed * 7919u + static_cast<unsigned>(id));
        info.title = plainWords[random() % plainWords.size()] + plainWords[random() % plainWords.size()] +
                     "写真 第" + std::to_string(id) + "期";
    }
    return info;
}

std::vector<AlbumInfo> Gallery::albumsOn(const std::string& listPath, int page) const {
    std::vector<AlbumInfo> albums;
    int first = firstAlbumOf(listPath) + (page - 1) * m_options.albumsPerPage;
    for (int k = 0; k < m_options.albumsPerPage; ++k)
        albums.push_back(album(first + k));
    return albums;
}

std::string Gallery::listPage(const std::string& listPath, int page) const {
    const int pages = pagesOf(listPath);
    std::string html = pageHead("图库列表 " + listPath + " 第" + std::to_string(page) + "页");
    html += padding(m_siteRoot);
    html += "<div class=\"main\">\n<ul class=\"img\">\n";
    int day = 1;
    for (const AlbumInfo& album : albumsOn(listPath, page)) {
        const std::string link = absolute(album.pagePath);
        html += "<li><a href=\"" + link + "\" target=\"_blank\"><img src=\"" + imageAddress(album.coverPath) +
                "\" alt=\"" + album.title + "\"></a><span>2024-05-" + std::to_string(day++ % 28 + 1) +
                "</span><span class=\"num\">共" + std::to_string(album.imageCount) + "张</span><a href=\"" +
                link + "\">" + album.title + "</a></li>\n";
    }
    html += "</ul>\n";
    if (pages > 1) {
        // The site's pager: the first pages, the last page, then the next-page link.
        html += "<div class=\"page\"><center>";
        const int shown = std::min(pages, 5);
        for (int i = 1; i <= shown; ++i)
            html += "<a href=\"" + absolute(listPath) + std::to_string(i) + ".html\">" + std::to_string(i) +
                    "</a>";
        if (pages > shown)
            html += "<span>…</span><a href=\"" + absolute(listPath) + std::to_string(pages) + ".html\">" +
                    std::to_string(pages) + "</a>";
        html += "<a href=\"" + absolute(listPath) + std::to_string(std::min(page + 1, pages)) +
                ".html\">下一页</a>";
        html += "</center></div>\n";
    } else {
        auto found = m_lists.find(listPath);
        bool bk20 = found != m_lists.end() && found->second.block == SinglePageBlock::Bk20;
        html += bk20 ? "<div class=\"bk20\"></div>\n" : "<div class=\"bk10\"></div>\n";
    }
    html += "</div>\n<div class=\"footer\">图库 版权所有</div>\n</body></html>\n";
    return html;
}

std::string Gallery::albumPage(int id) const {
    const AlbumInfo info = album(id);
    std::string html = pageHead(info.title);
    html += padding(m_siteRoot);
    html += "<div class=\"width\">\n<h1>" + info.title + "</h1>\n<p>图片数量：" +
            std::to_string(info.imageCount) + " 张</p>\n<div class=\"content\"><img src=\"" +
            imageAddress(info.imagePath(1)) + "\" alt=\"" + info.title +
            "\"></div>\n</div>\n<div id=\"fenxiang\">分享到</div>\n</body></html>\n";
    return html;
}

bool Gallery::isSmallImage(int albumId, int number) const {
    return m_options.smallImageEvery > 0 && (albumId + number) % m_options.smallImageEvery == 0;
}

std::string Gallery::image(int albumId, int number, ImageSize size) const {
    const unsigned seed = m_options.seed ^ static_cast<unsigned>(albumId * 31 + number);
    const bool small = size == ImageSize::AsConfigured && isSmallImage(albumId, number);
    return makePng(seed, small ? 4000 : 14000 + static_cast<std::size_t>(albumId % 7) * 512);
}

std::optional<Resource> Gallery::find(const std::string& path) const {
    std::string listPath;
    int page = 0;
    if (splitListPath(path, listPath, page)) {
        if (page > pagesOf(listPath))
            return std::nullopt;
        return Resource{"text/html; charset=utf-8", listPage(listPath, page)};
    }
    if (path.rfind("/item/", 0) == 0 && path.size() > 11 && path.compare(path.size() - 5, 5, ".html") == 0) {
        std::string number = path.substr(6, path.size() - 11);
        if (isSmallNumber(number))
            return Resource{"text/html; charset=utf-8", albumPage(std::stoi(number))};
        return std::nullopt;
    }
    if (path.rfind("/img/", 0) == 0) {
        int albumId = 0, number = 0;
        char tail[8] = {};
        if (std::sscanf(path.c_str(), "/img/%d/%d.%4s", &albumId, &number, tail) == 3 &&
            std::string(tail) == "png" && number >= 0 && number <= std::max(album(albumId).imageCount, 0))
            return Resource{"image/png", image(albumId, number)};
    }
    return std::nullopt;
}

} // namespace xiuyun::gallery
