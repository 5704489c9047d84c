#include "ui/format_dialog_windows.h"

#include <exception>
#include <string>

#include <commctrl.h>
#include <objbase.h>
#include <oleacc.h>

#include "format/volume_label_rule.h"
#include "platform/com_pointer_windows.h"
#include "platform/scope_exit.h"
#include "platform/text_encoding.h"
#include "resources/resource_ids.h"
#include "ui/format_dialog_data.h"
#include "ui/format_dialog_text.h"
#include "ui/gdi_handles_windows.h"
#include "ui/window_text_windows.h"

namespace orvane {

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr COLORREF kHeadingColor = RGB(180, 35, 35);

FormatDialogData* dataOf(HWND dialog) {
    return reinterpret_cast<FormatDialogData*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

std::wstring itemText(HWND dialog, int id) {
    return windowText(GetDlgItem(dialog, id));
}

// The chosen allocation's index, or -1 when nothing valid is selected.
int clusterChoice(HWND dialog) {
    const LRESULT index = SendDlgItemMessageW(dialog, IDC_FORMAT_CLUSTER, CB_GETCURSEL, 0, 0);
    return index >= 0 && static_cast<std::size_t>(index) < kClusterChoices.size()
               ? static_cast<int>(index)
               : -1;
}

bool switchOn(HWND dialog) {
    return SendDlgItemMessageW(dialog, IDC_FORMAT_CONFIRM, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void setAccessibleName(HWND control, const std::wstring& name) {
    ComPointer<IAccPropServices> services;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, services.putVoid()))) {
        return;  // the edit keeps the name its label gives it
    }
    services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             PROPID_ACC_NAME, name.c_str());
}

// The confirmation check box drawn as a switch: a track, a knob at the off or on end, the text.
void paintSwitch(HWND box) {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(box, &paint);
    RECT client{};
    GetClientRect(box, &client);
    const int h = client.bottom - client.top;
    const bool on = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;

    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    {
        SelectedObject pen(dc, GetStockObject(NULL_PEN));
        SelectedObject track(dc, GetSysColorBrush(on ? COLOR_HIGHLIGHT : COLOR_GRAYTEXT));
        RoundRect(dc, 2, 3, 2 * (h - 6), h - 3, h - 6, h - 6);
        SelectedObject knob(dc, GetSysColorBrush(COLOR_WINDOW));
        const int x = on ? h - 3 : 5;
        Ellipse(dc, x, 5, x + (h - 10), h - 5);
    }

    const std::wstring text = windowText(box);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    {
        SelectedObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(box, WM_GETFONT, 0, 0)));
        RECT textRect{2 * (h - 6) + 10, client.top, client.right, client.bottom};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (GetFocus() == box)
        DrawFocusRect(dc, &client);
    EndPaint(box, &paint);
}

LRESULT CALLBACK switchPainter(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
    switch (message) {
        case WM_PAINT:
            paintSwitch(box);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint fills the whole control
        case BM_SETCHECK:
        case BM_SETSTATE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
            InvalidateRect(box, nullptr, TRUE);
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(box, switchPainter, kSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(box, message, wParam, lParam);
}

bool isTabKey(const MSG* asked) {
    return asked != nullptr && (asked->message == WM_KEYDOWN || asked->message == WM_CHAR) &&
           asked->wParam == VK_TAB;
}

// The erase button never acts on Enter, and Escape on it cancels.
LRESULT CALLBACK eraseKeyFilter(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) {
    switch (message) {
        case WM_GETDLGCODE:
            // Tab stays with the dialog manager, so keyboard users can leave the button.
            if (isTabKey(reinterpret_cast<const MSG*>(lParam)))
                return DLGC_BUTTON;
            return DLGC_BUTTON | DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN)
                return 0;
            if (wParam == VK_ESCAPE) {
                SendMessageW(GetParent(button), WM_COMMAND, IDCANCEL, 0);
                return 0;
            }
            break;
        case WM_KEYUP:
        case WM_CHAR:
            if (wParam == VK_RETURN)
                return 0;
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(button, eraseKeyFilter, kSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

void initialize(HWND dialog, FormatDialogData& data) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&data));
    SetDlgItemTextW(dialog, IDC_FORMAT_SUMMARY, fromUtf8(formatDialogSummary(data.target)).c_str());
    if (data.preview) {
        SetWindowTextW(dialog, fromUtf8(format_dialog_text::kPreviewCaption).c_str());
        SetDlgItemTextW(dialog, IDC_FORMAT_HEADING,
                        fromUtf8(format_dialog_text::kPreviewHeading).c_str());
    }
    for (const ClusterChoice& choice : kClusterChoices) {
        SendDlgItemMessageW(dialog, IDC_FORMAT_CLUSTER, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(fromUtf8(choice.text).c_str()));
    }
    SendDlgItemMessageW(dialog, IDC_FORMAT_CLUSTER, CB_SETCURSEL, 0, 0);
    setAccessibleName(GetDlgItem(dialog, IDC_FORMAT_NAME),
                      fromUtf8(format_dialog_text::kNameAccessibleName));
    SetDlgItemTextW(dialog, IDC_FORMAT_NAME, data.label.c_str());
    SendDlgItemMessageW(dialog, IDC_FORMAT_NAME, EM_LIMITTEXT, kMaxVolumeLabelChars, 0);
    SendDlgItemMessageW(dialog, IDC_FORMAT_CONFIRM, BM_SETCHECK, BST_UNCHECKED, 0);
    SetWindowSubclass(GetDlgItem(dialog, IDC_FORMAT_CONFIRM), switchPainter, kSubclassId, 0);
    SetWindowSubclass(GetDlgItem(dialog, IDOK), eraseKeyFilter, kSubclassId, 0);
    SendMessageW(dialog, DM_SETDEFID, IDCANCEL, 0);
    updateFormatDialog(dialog);
    SetFocus(GetDlgItem(dialog, IDCANCEL));
}

void onErase(HWND dialog, FormatDialogData& data) {
    data.label = itemText(dialog, IDC_FORMAT_NAME);
    const int choice = clusterChoice(dialog);
    if (choice < 0 || !isValidVolumeLabel(data.label))
        return;  // stays open
    data.clusterBytes = kClusterChoices[static_cast<std::size_t>(choice)].clusterBytes;
    EndDialog(dialog, IDOK);
}

void onCommand(HWND dialog, FormatDialogData& data, int id, int code, HWND from) {
    switch (id) {
        case IDC_FORMAT_CLUSTER:
        case IDC_FORMAT_CONFIRM:
        case IDC_FORMAT_NAME:
            updateFormatDialog(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            break;
        case IDOK: {
            // Only a click of the enabled button itself; a command made up by the dialog
            // manager or another window carries no control handle.
            const HWND erase = GetDlgItem(dialog, IDOK);
            if (IsWindowEnabled(erase) && code == BN_CLICKED && from == erase)
                onErase(dialog, data);
            break;
        }
        default:
            break;
    }
}

}  // namespace

void updateFormatDialog(HWND dialog) {
    const bool nameValid = isValidVolumeLabel(itemText(dialog, IDC_FORMAT_NAME));
    SetDlgItemTextW(
        dialog, IDC_FORMAT_NAME_RULE,
        fromUtf8(nameValid ? format_dialog_text::kNameRule : format_dialog_text::kInvalidName)
            .c_str());
    EnableWindow(GetDlgItem(dialog, IDOK),
                 nameValid && clusterChoice(dialog) >= 0 && switchOn(dialog));
    InvalidateRect(GetDlgItem(dialog, IDC_FORMAT_CONFIRM), nullptr, TRUE);
}

INT_PTR CALLBACK formatDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // Nothing may unwind through the system's frames; any failure cancels, which erases nothing.
    try {
        switch (message) {
            case WM_INITDIALOG:
                initialize(dialog, *reinterpret_cast<FormatDialogData*>(lParam));
                return FALSE;  // the focus is on Cancel already
            case WM_COMMAND:
                if (FormatDialogData* data = dataOf(dialog)) {
                    onCommand(dialog, *data, LOWORD(wParam), HIWORD(wParam),
                              reinterpret_cast<HWND>(lParam));
                    return TRUE;
                }
                return FALSE;
            case WM_CTLCOLORSTATIC: {
                const HWND control = reinterpret_cast<HWND>(lParam);
                if (GetDlgCtrlID(control) != IDC_FORMAT_HEADING)
                    return FALSE;
                const HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, kHeadingColor);
                SetBkMode(dc, TRANSPARENT);
                return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
            }
            case WM_CLOSE:
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            default:
                return FALSE;
        }
    } catch (const std::exception&) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
}

INT_PTR runFormatDialog(HWND owner, FormatDialogData& data) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FORMAT_DIALOG), owner,
                           formatDialogProcedure, reinterpret_cast<LPARAM>(&data));
}

int runFormatDialogPreview() {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ScopeExit uninitialize([com] {
        if (SUCCEEDED(com))
            CoUninitialize();
    });
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    FormatDialogData data = previewFormatDialogData();
    runFormatDialog(nullptr, data);  // nothing to do with the answer: a preview formats nothing
    return 0;
}

}  // namespace orvane
