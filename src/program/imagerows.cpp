#include "program/imagerows.h"

#include "text/textutils.h"

#include <algorithm>

namespace xiuyun {

void fillImageRows(Window& window, const Text& oneImageAddress, int imageCount) {
    const Text name = fileNameOf(oneImageAddress, Extension::Keep);
    const Text folder = oneImageAddress.left(oneImageAddress.size() - name.size());
    const Text extension = extensionOf(name);
    window.deleteAllRows();
    const int rows = static_cast<int>(std::min<long long>(imageCount, maxAlbumImages));
    for (int i = 1; i <= rows; ++i) {
        int row = window.insertRow();
        window.setCell(row, 0, Text::number(i));
        window.setCell(row, 1, folder + Text::number(i) + extension);
    }
}

} // namespace xiuyun
