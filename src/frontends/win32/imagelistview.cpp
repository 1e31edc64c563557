#include "frontends/win32/imagelistview.h"

#include "frontends/win32/dpi.h"
#include "frontends/win32/widetext.h"
#include "window/controls.h"

#include <cwchar>

namespace xiuyun {
namespace {

void copyInto(const std::wstring& text, wchar_t* buffer, int capacity) {
    if (!buffer || capacity <= 0)
        return;
    ::lstrcpynW(buffer, text.c_str(), capacity);
}

} // namespace

HWND ImageListView::create(HWND parent, int id, bool visible, bool enabled) {
    DWORD style = WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                  LVS_SHOWSELALWAYS;
    if (visible)
        style |= WS_VISIBLE;
    if (!enabled)
        style |= WS_DISABLED;
    m_view = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                               nullptr);
    if (!m_view)
        return nullptr;
    const DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP;
    ::SendMessageW(m_view, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    for (int column = 0; column < static_cast<int>(listColumns.size()); ++column) {
        std::wstring caption = wideString(listColumns[column].caption);
        LVCOLUMNW item{};
        item.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        item.fmt = LVCFMT_LEFT;
        item.cx = listColumns[column].width;
        item.pszText = caption.data();
        item.iSubItem = column;
        ::SendMessageW(m_view, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&item));
    }
    return m_view;
}

void ImageListView::setColumnWidths(UINT dpi) {
    for (int column = 0; column < static_cast<int>(listColumns.size()); ++column)
        ::SendMessageW(m_view, LVM_SETCOLUMNWIDTH, column, scaled(listColumns[column].width, dpi));
}

void ImageListView::replaceRows() {
    m_rowCount = m_rows.rowCount();
    m_cleared = true;
    m_countChanged = true;
    m_rowsMoved = true;
}

void ImageListView::rowChanged(int row) {
    if (row >= 0 && row < m_rowCount)
        markDirty(row);
}

std::wstring ImageListView::cell(int row, int column) const {
    if (row < 0 || row >= m_rowCount || column < 0 || column >= 3)
        return {};
    return wideString(m_rows.cell(row, column));
}

void ImageListView::ensureRowVisible(int row) {
    flush();
    if (row >= 0 && row < m_rowCount)
        ::SendMessageW(m_view, LVM_ENSUREVISIBLE, row, FALSE);
}

void ImageListView::markDirty(int row) {
    if (m_firstDirty < 0 || row < m_firstDirty)
        m_firstDirty = row;
    if (row > m_lastDirty)
        m_lastDirty = row;
}

void ImageListView::flush() {
    if (m_cleared) {
        // A new album starts at its first row, as the Qt list does after a reset.
        ::SendMessageW(m_view, LVM_SETITEMCOUNT, 0, 0);
    }
    if (m_countChanged) {
        // Rows added at the end leave the rows shown as they are; the scroll position stays, as
        // in the Qt list.
        const LPARAM flags = m_rowsMoved ? LVSICF_NOSCROLL : (LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
        ::SendMessageW(m_view, LVM_SETITEMCOUNT, m_rowCount, flags);
        if (m_rowsMoved)
            ::InvalidateRect(m_view, nullptr, FALSE);
    }
    if (m_firstDirty >= 0 && !m_rowsMoved) {
        // Only the rows in view need painting again; the others ask for their text when shown.
        const int top = static_cast<int>(::SendMessageW(m_view, LVM_GETTOPINDEX, 0, 0));
        const int perPage = static_cast<int>(::SendMessageW(m_view, LVM_GETCOUNTPERPAGE, 0, 0));
        const int first = m_firstDirty > top ? m_firstDirty : top;
        const int bottom = top + perPage; // the row cut off at the bottom too
        const int last = m_lastDirty < bottom ? m_lastDirty : bottom;
        if (first <= last)
            ::SendMessageW(m_view, LVM_REDRAWITEMS, first, last);
    }
    m_countChanged = false;
    m_rowsMoved = false;
    m_cleared = false;
    m_firstDirty = -1;
    m_lastDirty = -1;
}

bool ImageListView::handleNotice(const NMHDR& notice, LRESULT& result) {
    if (notice.hwndFrom != m_view)
        return false;
    switch (notice.code) {
    case LVN_GETDISPINFOW: {
        auto& display = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(notice));
        LVITEMW& item = display.item;
        if (item.mask & LVIF_TEXT) {
            const std::wstring text = cell(item.iItem, item.iSubItem);
            if (!text.empty())
                copyInto(text, item.pszText, item.cchTextMax);
            else if (item.pszText && item.cchTextMax > 0)
                item.pszText[0] = L'\0';
        }
        result = 0;
        return true;
    }
    case LVN_ODFINDITEMW: {
        const auto& find = reinterpret_cast<const NMLVFINDITEMW&>(notice);
        result = findRow(find.lvfi, find.iStart);
        return true;
    }
    case LVN_GETINFOTIPW:
        answerTip(reinterpret_cast<NMLVGETINFOTIPW&>(const_cast<NMHDR&>(notice)));
        result = 0;
        return true;
    default:
        return false;
    }
}

int ImageListView::findRow(const LVFINDINFOW& find, int start) const {
    // Typing in the list jumps to the next row whose number starts with what was typed.
    if (!(find.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.psz)
        return -1;
    const std::size_t length = std::wcslen(find.psz);
    const int count = m_rowCount;
    for (int step = 0; step < count; ++step) {
        const int row = (start + step) % count;
        const std::wstring first = cell(row, 0);
        const bool matches = (find.flags & LVFI_PARTIAL) ? ::_wcsnicmp(first.c_str(), find.psz, length) == 0
                                                         : ::_wcsicmp(first.c_str(), find.psz) == 0;
        if (matches)
            return row;
    }
    return -1;
}

void ImageListView::answerTip(NMLVGETINFOTIPW& tip) const {
    // The address column is narrower than most addresses: the tip shows the whole cell under the
    // pointer, as the Qt list's tooltip does.
    if (tip.iItem < 0 || tip.iItem >= m_rowCount)
        return;
    LVHITTESTINFO hit{};
    ::GetCursorPos(&hit.pt);
    ::ScreenToClient(m_view, &hit.pt);
    int column = tip.iSubItem;
    if (::SendMessageW(m_view, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == tip.iItem)
        column = hit.iSubItem;
    if (column < 0 || column >= 3)
        return;
    copyInto(cell(tip.iItem, column), tip.pszText, tip.cchTextMax);
}

} // namespace xiuyun
