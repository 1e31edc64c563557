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

ImageRows::ImageRows(Window& window, JobProgress* progress) : m_window(window), m_progress(progress) {
    m_window.showImageRows(m_rows);
}

int ImageRows::Rows::rowCount() const {
    std::lock_guard lock(mutex);
    return static_cast<int>(states.size());
}

Text ImageRows::Rows::cell(int row, int column) const {
    std::lock_guard lock(mutex);
    if (row < 0 || row >= static_cast<int>(states.size()))
        return {};
    switch (column) {
    case 0:
        return Text::number(row + 1);
    case 1:
        return batch->addresses[row];
    case 2:
        return statusText(states[row].status, states[row].seconds);
    default:
        return {};
    }
}

void ImageRows::fill(const Text& oneImageAddress, int imageCount) {
    const Text name = fileNameOf(oneImageAddress, Extension::Keep);
    const Text folder = oneImageAddress.left(oneImageAddress.size() - name.size());
    const Text extension = extensionOf(name);
    const int rows = static_cast<int>(std::clamp<long long>(imageCount, 0, maxAlbumImages));
    auto batch = std::make_shared<ImageBatch>();
    batch->addresses.reserve(rows);
    for (int i = 1; i <= rows; ++i)
        batch->addresses.push_back(folder + Text::number(i) + extension);
    {
        std::lock_guard lock(m_rows->mutex);
        batch->fill = m_rows->batch->fill + 1;
        m_rows->batch = batch;
        m_rows->states.assign(rows, State{});
    }
    m_window.imageRowsReplaced();
}

void ImageRows::clear() {
    {
        std::lock_guard lock(m_rows->mutex);
        auto empty = std::make_shared<ImageBatch>();
        empty->fill = m_rows->batch->fill + 1;
        m_rows->batch = empty;
        std::vector<State>().swap(m_rows->states);
    }
    m_window.imageRowsReplaced();
}

std::shared_ptr<const ImageBatch> ImageRows::batch() const {
    std::lock_guard lock(m_rows->mutex);
    return m_rows->batch;
}

void ImageRows::setStatus(const ImageBatch& batch, int row, RowStatus status, long long seconds) {
    RowStatus before;
    {
        std::lock_guard lock(m_rows->mutex);
        if (batch.fill != m_rows->batch->fill || row < 0 || row >= static_cast<int>(m_rows->states.size()))
            return;
        before = m_rows->states[row].status;
        m_rows->states[row] = {status, seconds};
    }
    if (m_progress && status == RowStatus::Busy)
        m_progress->siteBusy(row, std::chrono::seconds(seconds));
    else if (m_progress && before == RowStatus::Busy)
        m_progress->siteFree(row);
    m_window.imageRowChanged(row);
}

void ImageRows::reveal(int row) {
    m_window.ensureRowVisible(row);
}

int ImageRows::size() const {
    return m_rows->rowCount();
}

bool ImageRows::anyWaiting() const {
    std::lock_guard lock(m_rows->mutex);
    return std::any_of(m_rows->states.begin(), m_rows->states.end(),
                       [](const State& state) { return state.status == RowStatus::Waiting; });
}

int ImageRows::doneCount() const {
    std::lock_guard lock(m_rows->mutex);
    return static_cast<int>(
        std::count_if(m_rows->states.begin(), m_rows->states.end(),
                      [](const State& state) { return state.status == RowStatus::Done; }));
}

} // namespace xiuyun
