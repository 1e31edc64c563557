#include "program/engine.h"

namespace xiuyun {

bool WholeImages::holds(const Text& path, const files::FileStamp& stamp) {
    std::lock_guard lock(m_mutex);
    const auto found = m_stamps.find(path.bytes());
    return found != m_stamps.end() && found->second == stamp;
}

void WholeImages::remember(const Text& path, const files::FileStamp& stamp) {
    std::lock_guard lock(m_mutex);
    if (m_stamps.size() >= maxRemembered)
        m_stamps.clear();
    m_stamps.insert_or_assign(path.bytes(), stamp);
}

} // namespace xiuyun
