#include "program/imagerows.h"

#include "text/textutils.h"

#include <algorithm>

namespace xiuyun {
namespace {

Text statusText(RowStatus status, long long seconds) {
    switch (status) {
    case RowStatus::Waiting:
        return "等待中..."_t;
    case RowStatus::Busy:
        return "服务器繁忙，"_t + Text::number(seconds) + " 秒后重试"_t;
    case RowStatus::Done:
        return "下载完成"_t;
    case RowStatus::None:
        break;
    }
    return {};
}

} // namespace

void ImageRows::fill(const Text& oneImageAddress, int imageCount) {
    const Text name = fileNameOf(oneImageAddress, Extension::Keep);
    const Text folder = oneImageAddress.left(oneImageAddress.size() - name.size());
    const Text extension = extensionOf(name);
    const int rows = static_cast<int>(std::clamp<long long>(imageCount, 0, maxAlbumImages));
    auto batch = std::make_shared<ImageBatch>();
    batch->addresses.reserve(rows);
    for (int i = 1; i <= rows; ++i)
        batch->addresses.push_back(folder + Text::number(i) + extension);

    std::lock_guard lock(m_mutex);
    batch->fill = m_batch->fill + 1;
    m_batch = batch;
    m_statuses.assign(rows, RowStatus::None);
    m_window.deleteAllRows();
    for (int i = 0; i < rows; ++i) {
        const int row = m_window.insertRow();
        m_window.setCell(row, 0, Text::number(i + 1));
        m_window.setCell(row, 1, batch->addresses[i]);
    }
}

void ImageRows::clear() {
    std::lock_guard lock(m_mutex);
    auto empty = std::make_shared<ImageBatch>();
    empty->fill = m_batch->fill + 1;
    m_batch = empty;
    m_statuses.clear();
    m_window.deleteAllRows();
}

std::shared_ptr<const ImageBatch> ImageRows::batch() const {
    std::lock_guard lock(m_mutex);
    return m_batch;
}

void ImageRows::setStatus(const ImageBatch& batch, int row, RowStatus status, long long seconds) {
    std::lock_guard lock(m_mutex);
    if (batch.fill != m_batch->fill || row < 0 || row >= static_cast<int>(m_statuses.size()))
        return;
    m_statuses[row] = status;
    if (status == RowStatus::Done)
        ++m_finished;
    m_window.setCell(row, 2, statusText(status, seconds));
}

void ImageRows::reveal(int row) {
    m_window.ensureRowVisible(row);
}

int ImageRows::size() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_statuses.size());
}

bool ImageRows::anyWaiting() const {
    std::lock_guard lock(m_mutex);
    return std::find(m_statuses.begin(), m_statuses.end(), RowStatus::Waiting) != m_statuses.end();
}

int ImageRows::doneCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count(m_statuses.begin(), m_statuses.end(), RowStatus::Done));
}

} // namespace xiuyun
