// A sample gallery of the site's shape, generated in code and deterministic from a seed: list
// pages (categories and tags under "/t/", the regional and featured lists, search results), album
// pages under "/item/" and PNG images. Pages are UTF-8, as the site serves them before gzip.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace xiuyun::gallery {

struct GalleryOptions {
    unsigned seed = 1;
    int pagesPerList = 3;
    int albumsPerPage = 4;
    int imagesPerAlbum = 5;
    // Every image whose (album id + image number) is a multiple of this comes out at 10 KB or
    // less; 0 for none.
    int smallImageEvery = 0;
    // Titles drawn from the awkward ones (full-width spaces, quotes, characters no file name may
    // hold, characters GBK cannot hold, "..", very long ones) instead of plain ones.
    bool awkwardTitles = false;
    // Where the images are served from ("https://host/"); empty for the site's own root.
    std::string imageRoot = {};
};

// What a list page ends in when the list has a single page and so no next-page link.
enum class SinglePageBlock { Bk10, Bk20 };

struct Resource {
    std::string contentType;
    std::string body;
};

struct AlbumInfo {
    int id = 0;
    std::string title; // UTF-8, as the page shows it
    int imageCount = 0;
    std::string pagePath;  // "/item/<id>.html"
    std::string coverPath; // ".../0.png"
    std::string imagePath(int number) const;
};

class Gallery {
public:
    explicit Gallery(std::string siteRoot, GalleryOptions options = {});

    const std::string& siteRoot() const { return m_siteRoot; }
    const GalleryOptions& options() const { return m_options; }

    // Gives one list its own page count (and, for a single page, its closing block). Lists not
    // set up this way have `pagesPerList` pages, and a single one closes with "bk10".
    void setList(const std::string& listPath, int pages, SinglePageBlock block = SinglePageBlock::Bk10);
    int pagesOf(const std::string& listPath) const;

    // The resource at a path of the site ("/t/xinggan/", "/t/xinggan/3.html", "/item/12.html",
    // "/img/12/3.png"); nothing for a path outside the gallery or a page beyond a list's end.
    std::optional<Resource> find(const std::string& path) const;

    // The list path ("/t/xinggan/") of a list address path, and the page it names (1 when none).
    static bool splitListPath(const std::string& path, std::string& listPath, int& page);

    std::string listPage(const std::string& listPath, int page) const;
    std::string albumPage(int id) const;
    std::vector<AlbumInfo> albumsOn(const std::string& listPath, int page) const;
    AlbumInfo album(int id) const;
    // An image as the gallery is set up to serve it, or always whole (above 10 KB).
    enum class ImageSize { AsConfigured, Whole };
    std::string image(int albumId, int number, ImageSize size = ImageSize::AsConfigured) const;
    bool isSmallImage(int albumId, int number) const;

    // The awkward titles in the order they are handed out.
    static const std::vector<std::string>& awkwardTitles();

private:
    int firstAlbumOf(const std::string& listPath) const;
    std::string absolute(const std::string& path) const;
    std::string imageAddress(const std::string& path) const;

    std::string m_siteRoot; // "http://host/"
    GalleryOptions m_options;
    struct ListShape {
        int pages;
        SinglePageBlock block;
    };
    std::map<std::string, ListShape> m_lists;
};

// A valid PNG of about `bytes` bytes (at least a few hundred), its pixels drawn from the seed.
std::string makePng(unsigned seed, std::size_t bytes);

} // namespace xiuyun::gallery
