// 超级列表框1 as a virtual report list: the control keeps no text of its own and asks for the
// cells it shows, so an album of thousands of images stays fast.
#pragma once

#include <array>
#include <string>
#include <vector>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

namespace xiuyun {

class ImageListView {
public:
    // The control, hidden until the window shows it; nullptr when it cannot be made.
    HWND create(HWND parent, int id, bool visible, bool enabled);
    HWND handle() const { return m_view; }
    void setColumnWidths(UINT dpi);

    // position outside 0 … rowCount() appends. Out-of-range cells are ignored, as in the model.
    void insertRow(int position, std::wstring firstColumn);
    void setCell(int row, int column, std::wstring text);
    void clearRows();
    void ensureRowVisible(int row);
    // Hands the row count and the changed rows to the control; the edits above only collect them,
    // so that a batch of changes repaints once.
    void flush();

    // A notice from the control; true when it was answered here, with `result`.
    bool handleNotice(const NMHDR& notice, LRESULT& result);

private:
    using Row = std::array<std::wstring, 3>;

    void markDirty(int row);
    int findRow(const LVFINDINFOW& find, int start) const;
    void answerTip(NMLVGETINFOTIPW& tip) const;

    HWND m_view = nullptr;
    std::vector<Row> m_rows;
    bool m_countChanged = false;
    bool m_rowsMoved = false; // rows inserted before others or removed: every row shown changes
    bool m_cleared = false;
    int m_firstDirty = -1;
    int m_lastDirty = -1;
};

} // namespace xiuyun
