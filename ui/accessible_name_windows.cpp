#include "ui/accessible_name_windows.h"

#include <oleacc.h>

#include "platform/com_pointer_windows.h"

namespace orvane {

void setAccessibleName(HWND control, const wchar_t* name) {
    ComPointer<IAccPropServices> services;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, services.putVoid()))) {
        return;
    }
    services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             PROPID_ACC_NAME, name);
}

}  // namespace orvane
