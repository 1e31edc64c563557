#include "program/state.h"

#include <algorithm>

namespace xiuyun {

std::optional<Album> AlbumQueue::current() const {
    if (m_albums.empty())
        return std::nullopt;
    return m_albums.front();
}

void AlbumQueue::skipPages(long long count) {
    if (count > 0)
        m_pageNumbers.erase(
            m_pageNumbers.begin(),
            m_pageNumbers.begin() +
                static_cast<long>(std::min<long long>(count, static_cast<long long>(m_pageNumbers.size()))));
}

void AlbumQueue::nextAlbum() {
    if (!m_albums.empty())
        m_albums.pop_front();
}

void AlbumQueue::nextListPage() {
    clearAlbums();
    skipPages(1);
}

void AlbumQueue::clear() {
    std::vector<Text>().swap(m_pageNumbers);
    std::deque<Album>().swap(m_albums);
}

} // namespace xiuyun
