#include "program/state.h"

#include <algorithm>

namespace xiuyun {
namespace {

template <class List> void dropFirst(List& list, std::size_t count = 1) {
    list.erase(list.begin(), list.begin() + static_cast<long>(std::min(count, list.size())));
}

template <class List> void release(List& list) {
    List().swap(list);
}

} // namespace

std::optional<Album> AlbumQueue::current() const {
    if (m_albumCovers.empty())
        return std::nullopt;
    Album album;
    album.cover = m_albumCovers.front();
    if (!m_albumTitles.empty())
        album.title = m_albumTitles.front();
    if (!m_albumImageCounts.empty())
        album.imageCount = m_albumImageCounts.front();
    if (!m_albumNumbers.empty())
        album.number = m_albumNumbers.front();
    if (!m_albumLinks.empty())
        album.link = m_albumLinks.front();
    return album;
}

void AlbumQueue::append(Album album) {
    m_albumLinks.push_back(std::move(album.link));
    m_albumCovers.push_back(std::move(album.cover));
    m_albumImageCounts.push_back(album.imageCount);
    m_albumTitles.push_back(std::move(album.title));
    m_albumNumbers.push_back(album.number);
}

void AlbumQueue::skipPages(long long count) {
    if (count > 0)
        dropFirst(m_pageNumbers, static_cast<std::size_t>(count));
}

void AlbumQueue::nextAlbum() {
    dropFirst(m_albumTitles);
    dropFirst(m_albumImageCounts);
    dropFirst(m_albumNumbers);
    dropFirst(m_albumLinks);
    dropFirst(m_albumCovers);
}

void AlbumQueue::nextListPage() {
    clearAlbums();
    dropFirst(m_pageNumbers);
}

void AlbumQueue::clearAlbums() {
    m_albumTitles.clear();
    m_albumImageCounts.clear();
    m_albumNumbers.clear();
    m_albumCovers.clear();
    m_albumLinks.clear();
}

void AlbumQueue::clear() {
    release(m_pageNumbers);
    release(m_albumTitles);
    release(m_albumImageCounts);
    release(m_albumNumbers);
    release(m_albumCovers);
    release(m_albumLinks);
}

} // namespace xiuyun
