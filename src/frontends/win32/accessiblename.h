// Names for screen readers on controls that show no caption of their own.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

struct IAccPropServices;

namespace xiuyun {

// Names set through the system's annotation service, which the controls' own accessibility
// objects report as their name. Without the service (older systems) the controls keep the name
// the system gives them.
class AccessibleNames {
public:
    AccessibleNames();
    ~AccessibleNames();
    AccessibleNames(const AccessibleNames&) = delete;
    AccessibleNames& operator=(const AccessibleNames&) = delete;

    void name(HWND control, const std::wstring& name);
    // Before the controls are destroyed, as the service asks.
    void clear();

private:
    IAccPropServices* m_service = nullptr;
    std::vector<HWND> m_named;
};

} // namespace xiuyun
