// 超级列表框1 as a virtual report list: neither the control nor this view keeps any text; the
// control asks for the cells it shows and they are read from the program's rows, so an album of
// thousands of images stays fast and is kept once.
#pragma once

#include "window/window.h"

#include <string>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

namespace xiuyun {

class ImageListView {
public:
    explicit ImageListView(const Window& rows) : m_rows(rows) {}

    // The control, hidden until the window shows it; nullptr when it cannot be made.
    HWND create(HWND parent, int id, bool visible, bool enabled);
    HWND handle() const { return m_view; }
    void setColumnWidths(UINT dpi);

    // The rows were replaced: their count and every cell are read anew. One row changed:
    // out-of-range rows are ignored.
    void replaceRows();
    void rowChanged(int row);
    void ensureRowVisible(int row);
    // Hands the row count and the changed rows to the control; the edits above only collect them,
    // so that a batch of changes repaints once.
    void flush();

    // A notice from the control; true when it was answered here, with `result`.
    bool handleNotice(const NMHDR& notice, LRESULT& result);

private:
    std::wstring cell(int row, int column) const;
    void markDirty(int row);
    int findRow(const LVFINDINFOW& find, int start) const;
    void answerTip(NMLVGETINFOTIPW& tip) const;

    const Window& m_rows;
    HWND m_view = nullptr;
    int m_rowCount = 0; // as last handed to the control
    bool m_countChanged = false;
    bool m_rowsMoved = false; // the rows were replaced: every row shown changes
    bool m_cleared = false;
    int m_firstDirty = -1;
    int m_lastDirty = -1;
};

} // namespace xiuyun
