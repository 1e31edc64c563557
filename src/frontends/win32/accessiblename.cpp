#include "frontends/win32/accessiblename.h"

// After windows.h, which it needs.
#include <initguid.h>
#include <oleacc.h>

namespace xiuyun {

AccessibleNames::AccessibleNames() {
    void* service = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IAccPropServices, &service)))
        m_service = static_cast<IAccPropServices*>(service);
}

AccessibleNames::~AccessibleNames() {
    clear();
    if (m_service)
        m_service->Release();
}

void AccessibleNames::name(HWND control, const std::wstring& name) {
    if (!m_service || !control)
        return;
    if (SUCCEEDED(m_service->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                            PROPID_ACC_NAME, name.c_str())))
        m_named.push_back(control);
}

void AccessibleNames::clear() {
    if (!m_service)
        return;
    MSAAPROPID property = PROPID_ACC_NAME;
    for (HWND control : m_named)
        m_service->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &property, 1);
    m_named.clear();
}

} // namespace xiuyun
