// The image rows: one per image of the album shown, its address and how its download stands. The
// program holds them, once; 超级列表框1 reads them as it shows them (column 0 the number, 1 the
// address, 2 the status).
#pragma once

#include "program/jobprogress.h"
#include "window/window.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace xiuyun {

// The most images one album may have. Real albums hold a few hundred at most; a page that
// announces more (two billion, say) is broken, and its rows would hang the window and exhaust
// memory. An analysis refuses such an album; the rows never hold more.
inline constexpr long long maxAlbumImages = 10000;

enum class RowStatus {
    None,    // not asked for yet: the cell is empty
    Waiting, // "等待中..."
    Busy,    // "服务器繁忙，<n> 秒后重试"
    Done,    // "下载完成"
};

// The rows as one batch of a download: its workers' addresses, row by row, and the fill they were
// read from. A worker writes its row only while that fill is still shown.
struct ImageBatch {
    std::vector<Text> addresses;
    std::uint64_t fill = 0;
};

// Every change is told to the list after it is made; the list then reads the rows as they stand.
class ImageRows {
public:
    // `progress`, when given, hears of every row that starts or ends a wait for the site.
    explicit ImageRows(Window& window, JobProgress* progress = nullptr);
    ImageRows(const ImageRows&) = delete;
    ImageRows& operator=(const ImageRows&) = delete;

    // Replaces the rows by images 1 … imageCount of an album whose images share the folder and the
    // extension of one image address of it, its first image or its cover (*…/12345/0.jpg* gives
    // *…/12345/1.jpg*, *…/12345/2.jpg*, …). At most maxAlbumImages rows.
    void fill(const Text& oneImageAddress, int imageCount);
    void clear();

    std::shared_ptr<const ImageBatch> batch() const;
    // Sets the status of `row` of the batch; nothing when the rows were filled anew since. `seconds`
    // is the wait a Busy row shows.
    void setStatus(const ImageBatch& batch, int row, RowStatus status, long long seconds = 0);

    // Scrolls the list to the row.
    void reveal(int row);

    int size() const;
    bool anyWaiting() const;
    int doneCount() const;

private:
    struct State {
        RowStatus status = RowStatus::None;
        long long seconds = 0; // the wait a Busy row shows
    };
    // What the list reads. Shared with the window, which may outlive the program by a little at
    // the end of the process.
    class Rows : public ImageRowSource {
    public:
        int rowCount() const override;
        Text cell(int row, int column) const override;

        mutable std::mutex mutex;
        std::vector<State> states;
        std::shared_ptr<ImageBatch> batch = std::make_shared<ImageBatch>();
    };

    Window& m_window;
    JobProgress* const m_progress;
    const std::shared_ptr<Rows> m_rows = std::make_shared<Rows>();
};

} // namespace xiuyun
