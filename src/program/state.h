// What the program knows of its analysis and its download, as typed values. The window shows
// them (program/presenter.h); nothing here is ever read back from a control.
#pragma once

#include "text/text.h"

#include <deque>
#include <optional>
#include <vector>

namespace xiuyun {

enum class PageType {
    PAGE_NONE,
    PAGE_CATEGORY,
    PAGE_REGION,
    PAGE_SEARCH,
    PAGE_FEATURED,
    PAGE_ALBUM,
    PAGE_AGENCY
};
using enum PageType;

// The page types analysed by the list-page crawler (all but PAGE_NONE and PAGE_ALBUM).
inline bool isListPageType(PageType pageType) {
    return pageType == PAGE_CATEGORY || pageType == PAGE_REGION || pageType == PAGE_SEARCH ||
           pageType == PAGE_FEATURED || pageType == PAGE_AGENCY;
}

// Where the program stands between its commands. The buttons the user may press follow from it.
enum class Phase {
    Idle,        // no analysis: the inputs are open
    Analysed,    // an analysis completed (and any download of it has ended)
    Downloading, // "2 开始下载" started a download
    Cancelled,   // "4 取消下载" ended one; only a reset goes on from here
};

// What the clean-up button deletes when pressed.
enum class CleanUpChoice { CancelledImages, CacheFiles };

// The analysis as the window shows it in its group box. An empty value is one not known yet, shown
// by the label's own caption.
struct Analysis {
    PageType pageType = PAGE_NONE;
    // A list without a pager: its albums are the page in hand.
    bool singlePageList = false;
    Text analysedUrl;
    int totalPages = 0;   // as counted from the pager; 0 before
    int albumsOnPage = 0; // as counted on the list page read last; 0 before
    // The page being shown, as its number is written on the pager or in the address.
    std::optional<Text> currentPage;
    int currentAlbum = 0; // the album's number on its list page; 0 before
    // The album whose rows are shown: its title made fit for a file name, and its image count as
    // the page wrote it (it names the album's address-list file).
    std::optional<Text> albumTitle;
    std::optional<Text> imageCount;
    // The folder a single album is saved in, as its analysis named it.
    Text albumFolder{};
    // The list page a download has moved on to, as the address box shows it; empty before.
    Text pageAddress{};
};

// One album of a list page, as its entry describes it.
struct Album {
    Text title{}; // "<number> <title>"
    int imageCount = 0;
    int number = 0; // from 1, in the order of the list page
    Text cover{};
    Text link{};
};

// The albums still to download, list page by list page: the page numbers left (the first is the
// page in hand) and the albums of that page, in its order (the first is the album shown).
class AlbumQueue {
public:
    const std::vector<Text>& pageNumbers() const { return m_pageNumbers; }
    const std::deque<Album>& albums() const { return m_albums; }
    // One field of every album, in order: albumTitles()[k] and albumLinks()[k] describe one album.
    std::vector<Text> albumTitles() const { return each(&Album::title); }
    std::vector<int> albumImageCounts() const { return each(&Album::imageCount); }
    std::vector<int> albumNumbers() const { return each(&Album::number); }
    std::vector<Text> albumCovers() const { return each(&Album::cover); }
    std::vector<Text> albumLinks() const { return each(&Album::link); }

    // The album shown, when there is one.
    std::optional<Album> current() const;

    void append(Album album) { m_albums.push_back(std::move(album)); }
    void setPageNumbers(std::vector<Text> numbers) { m_pageNumbers = std::move(numbers); }
    // Drops the first `count` pages (an analysis started from a later page).
    void skipPages(long long count);

    // Moves on by one album; the next one, if any, is current.
    void nextAlbum();
    // Drops the albums of the page in hand and moves on by one page.
    void nextListPage();
    void clearAlbums() { m_albums.clear(); }
    // Everything, with the memory of a large analysis given back.
    void clear();

private:
    template <class Field> std::vector<Field> each(Field Album::*field) const {
        std::vector<Field> values;
        values.reserve(m_albums.size());
        for (const Album& album : m_albums)
            values.push_back(album.*field);
        return values;
    }

    std::vector<Text> m_pageNumbers;
    std::deque<Album> m_albums;
};

} // namespace xiuyun
