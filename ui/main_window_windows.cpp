#include "ui/main_window_windows.h"

#include "platform/windows_api.h"  // before any other Windows header

#include <array>
#include <exception>
#include <system_error>

#include <commctrl.h>
#include <oleacc.h>

#include "engine/measurement_methods.h"
#include "platform/com_pointer_windows.h"
#include "platform/scope_exit.h"
#include "platform/text_encoding.h"
#include "reports/comparison_text.h"
#include "reports/report_ranking.h"
#include "reports/suitability.h"
#include "resources/resource_ids.h"
#include "storage/target_inspection.h"
#include "ui/desktop_services_windows.h"
#include "ui/main_window_ids.h"
#include "ui/posted_messages_windows.h"
#include "ui/setup_form.h"
#include "ui/window_text_windows.h"

namespace orvane {

namespace {

constexpr wchar_t kWindowClass[] = L"orvane_varnolt";
constexpr wchar_t kWindowTitle[] = L"Orvane Varnolt - Storage for Local AI";
constexpr wchar_t kHeaderTitle[] = L"Orvane Varnolt";
constexpr wchar_t kHeaderSubtitle[] = L"Is your external storage ready for local AI?";
constexpr COLORREF kBackgroundColor = RGB(245, 247, 250);
constexpr COLORREF kHeaderBandColor = RGB(48, 32, 85);
constexpr COLORREF kSubtitleColor = RGB(135, 211, 229);
constexpr COLORREF kTextColor = RGB(30, 48, 65);
constexpr std::array<COLORREF, 3> kStatusDotColors{RGB(20, 150, 55), RGB(190, 140, 0),
                                                   RGB(200, 40, 40)};
constexpr int kDetailsTextLimit = 64000;

constexpr wchar_t kDetailsPlaceholder[] =
    L"Your results will include storage suitability, estimated model-read times, integrity "
    L"checks and latency percentiles.";

struct ControlSpec {
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int id;
    PixelRect rect96;
    LayoutRole role;
};

constexpr DWORD kButton = WS_TABSTOP;
constexpr DWORD kLineEdit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

// Creation order is the Tab order.
const std::array<ControlSpec, 24> kControls{{
    {L"STATIC", L"DRIVE / FOLDER", 0, 0, {28, 104, 330, 22}, LayoutRole::Fixed},
    {L"EDIT", L"", kLineEdit, IDC_FOLDER, {28, 128, 788, 31}, LayoutRole::Widen},
    {L"BUTTON",
     L"Browse...",
     kButton,
     IDC_BROWSE,
     {832, 127, 100, 33},
     LayoutRole::FollowRightEdge},
    {WC_COMBOBOXW,
     L"",
     WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
     IDC_DRIVES,
     {28, 168, 470, 240},
     LayoutRole::Fixed},
    {L"BUTTON",
     L"Refresh drives",
     kButton,
     IDC_REFRESH_DRIVES,
     {512, 167, 144, 31},
     LayoutRole::Fixed},
    {L"BUTTON", L"Format as exFAT...", kButton, IDC_FORMAT, {676, 167, 256, 31}, LayoutRole::Fixed},
    {L"STATIC",
     L"Choose a drive or folder to inspect its available space.",
     0,
     0,
     {28, 203, 904, 24},
     LayoutRole::Widen},
    {L"STATIC", L"TEST DEPTH", 0, 0, {28, 236, 330, 22}, LayoutRole::Fixed},
    {L"STATIC", L"MODEL SIZE (GB)", 0, 0, {398, 236, 230, 22}, LayoutRole::Fixed},
    {WC_COMBOBOXW,
     L"",
     WS_TABSTOP | CBS_DROPDOWNLIST,
     IDC_DEPTH,
     {28, 261, 340, 180},
     LayoutRole::Fixed},
    {L"EDIT", L"6.6", kLineEdit, IDC_MODEL_SIZE, {398, 261, 100, 31}, LayoutRole::Fixed},
    {UPDOWN_CLASSW,
     L"Model size arrows",
     WS_TABSTOP | UDS_ARROWKEYS,
     IDC_MODEL_SPIN,
     {498, 261, 22, 31},
     LayoutRole::Fixed},
    {L"BUTTON",
     L"Start read + write test",
     kButton | BS_DEFPUSHBUTTON,
     IDC_START,
     {530, 260, 244, 34},
     LayoutRole::Fixed},
    {L"BUTTON", L"Cancel", kButton, IDC_CANCEL, {790, 260, 142, 34}, LayoutRole::Fixed},
    {L"STATIC", L"", 0, 0, {28, 306, 904, 24}, LayoutRole::Widen},
    {L"STATIC",
     L"Writes temporary files only; existing files are preserved. Keep the drive connected "
     L"until cleanup completes.",
     0,
     0,
     {28, 334, 904, 22},
     LayoutRole::Fixed},
    {PROGRESS_CLASSW, L"", 0, 0, {28, 362, 904, 14}, LayoutRole::Widen},
    {L"STATIC",
     L"Ready. Choose the folder on the drive you want to evaluate.",
     0,
     0,
     {28, 384, 904, 24},
     LayoutRole::Widen},
    // The window owns the status-dot image list and destroys it itself at exit.
    {WC_LISTVIEWW,
     L"",
     WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHAREIMAGELISTS,
     0,
     {28, 414, 904, 142},
     LayoutRole::Widen},
    {L"BUTTON", L"Import JSON...", kButton, IDC_IMPORT, {28, 568, 132, 32}, LayoutRole::Fixed},
    {L"BUTTON",
     L"Open Results Folder",
     kButton,
     IDC_OPEN_RESULTS,
     {174, 568, 184, 32},
     LayoutRole::Fixed},
    {L"BUTTON", L"Save JSON", kButton, IDC_SAVE_JSON, {690, 568, 114, 32}, LayoutRole::Fixed},
    {L"BUTTON", L"Save CSV", kButton, IDC_SAVE_CSV, {818, 568, 114, 32}, LayoutRole::Fixed},
    {L"EDIT",
     kDetailsPlaceholder,
     WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
     0,
     {28, 612, 904, 74},
     LayoutRole::FillRemaining},
}};

enum ControlIndex : std::size_t {
    kFolderIndex = 1,
    kDrivesIndex = 3,
    kTargetLineIndex = 6,
    kDepthIndex = 9,
    kModelSizeIndex = 10,
    kModelSpinIndex = 11,
    kDatasetSummaryIndex = 14,
    kProgressIndex = 16,
    kStatusLineIndex = 17,
    kListIndex = 18,
    kDetailsIndex = 23,
};

bool systemHighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void setAccessibleName(HWND control, const wchar_t* name) {
    ComPointer<IAccPropServices> services;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, services.putVoid()))) {
        return;  // the control simply keeps its default name
    }
    services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             PROPID_ACC_NAME, name);
}

std::wstring wide(const std::string& utf8) {
    return fromUtf8(utf8);
}

}  // namespace

MainWindow::MainWindow(DesktopServices& services, std::filesystem::path resultsFolder)
    : services_(services) {
    state_.resultsFolder = std::move(resultsFolder);
    state_.backgroundBrush.reset(CreateSolidBrush(kBackgroundColor));
    state_.whiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
}

MainWindow::~MainWindow() {
    if (state_.window != nullptr)
        DestroyWindow(state_.window);
    if (state_.worker.joinable())
        state_.worker.join();
    releaseResources();
}

void MainWindow::releaseResources() {
    state_.statusDots.reset();
    state_.icon.reset();
    state_.bodyFont.reset();
    state_.titleFont.reset();
    // The class refers to the background brush: unregister before the brush goes.
    if (classRegistered_) {
        UnregisterClassW(kWindowClass, instance_);
        classRegistered_ = false;
    }
    state_.backgroundBrush.reset();
    state_.whiteBrush.reset();
}

bool MainWindow::create(HINSTANCE instance) {
    instance_ = instance;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &MainWindow::windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = state_.backgroundBrush.get();
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass))
        return false;
    classRegistered_ = true;

    state_.dpi = GetDpiForSystem();
    const HWND window = CreateWindowExW(
        0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
        scaleForDpi(kInitialWindowSize96.width, state_.dpi),
        scaleForDpi(kInitialWindowSize96.height, state_.dpi), nullptr, nullptr, instance, this);
    if (window == nullptr)
        return false;

    sizeClientForDpi();
    return true;
}

void MainWindow::sizeClientForDpi() {
    RECT outer{0, 0, scaleForDpi(kClientSize96.width, state_.dpi),
               scaleForDpi(kClientSize96.height, state_.dpi)};
    AdjustWindowRectExForDpi(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0, state_.dpi);
    SetWindowPos(state_.window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
}

void MainWindow::show(int command) {
    ShowWindow(state_.window, command);
    UpdateWindow(state_.window);
}

int MainWindow::runMessageLoop() {
    MSG message{};
    int code = 0;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (state_.window != nullptr && IsDialogMessageW(state_.window, &message))
            continue;  // Tab and arrow navigation between the controls
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (message.message == WM_QUIT)
        code = static_cast<int>(message.wParam);
    if (state_.worker.joinable())
        state_.worker.join();
    releaseResources();
    return code;
}

bool MainWindow::highContrast() const {
    return highContrastOverride_ ? *highContrastOverride_ : systemHighContrastOn();
}

HWND MainWindow::control(int id) const {
    return GetDlgItem(state_.window, id);
}

LRESULT CALLBACK MainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<MainWindow*>(create->lpCreateParams);
        self->state_.window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->state_.window = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // Nothing may unwind through the system's frames: a failure here ends the message, not the
    // program, and is shown to the user.
    try {
        return self->handleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        if (message == WM_CREATE)
            return -1;
        self->services_.showMessageBox(window, wide(error.what()), L"Orvane Varnolt",
                                       MB_OK | MB_ICONERROR);
        return 0;
    }
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = state_.window;
    switch (message) {
        case WM_CREATE:
            onCreate();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            if (list_ != nullptr)
                layoutControls();
            return 0;
        case WM_PAINT:
            onPaint();
            return 0;
        case WM_ERASEBKGND:
            // The class brush is the light theme's; in high contrast the controls draw on the
            // system window colour, so the client behind them must match.
            if (highContrast()) {
                RECT client{};
                GetClientRect(window, &client);
                FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_WINDOW));
                return 1;
            }
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_CLOSE:
            onClose();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize.x = scaleForDpi(kMinimumWindowSize96.width, state_.dpi);
            info->ptMinTrackSize.y = scaleForDpi(kMinimumWindowSize96.height, state_.dpi);
            return 0;
        }
        case WM_NOTIFY:
            return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_COMMAND:
            return onCommand(LOWORD(wParam), HIWORD(wParam));
        case WM_CTLCOLOREDIT:
            return onControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                  true);
        case WM_CTLCOLORSTATIC:
            return onControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                  false);
        case WM_DPICHANGED:
            onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        default:
            break;
    }
    switch (message) {
        case WM_APP_PROGRESS:
            onProgress(lParam);
            return 0;
        case WM_APP_RUN_FINISHED:
            onRunFinished(lParam);
            return 0;
        case WM_APP_FORMAT_EXITED:
            verifyFormat(static_cast<DWORD>(wParam));
            return 0;
        case WM_APP_REPORTS_LOADED:
            onReportsLoaded(lParam);
            return 0;
        case WM_APP_LOAD_SAVED_REPORTS:
            startSavedReportLoad();
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

void MainWindow::onCreate() {
    state_.dpi = GetDpiForWindow(state_.window);
    createControls();

    for (const TestDepth& depth : testDepths())
        SendMessageW(depth_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(depth.label).c_str()));
    SendMessageW(depth_, CB_SETCURSEL, kStandardDepthIndex, 0);

    SendMessageW(modelSpin_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(modelSize_), 0);
    SendMessageW(modelSpin_, UDM_SETRANGE32, 1, 10000);
    SendMessageW(modelSpin_, UDM_SETPOS32, 0, 66);

    ListView_SetExtendedListViewStyle(list_, LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES |
                                                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (std::size_t i = 0; i < kComparisonColumnCount; ++i) {
        std::wstring title = wide(comparisonColumnTitle(static_cast<ReportColumn>(i)));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = title.data();
        column.cx = 100;
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(list_, static_cast<int>(i), &column);
    }
    createStatusDots();

    SendMessageW(details_, EM_SETLIMITTEXT, kDetailsTextLimit, 0);
    SetWindowTextW(details_, wide(storageGuidancePolicyText()).c_str());

    EnableWindow(control(IDC_CANCEL), FALSE);
    EnableWindow(control(IDC_SAVE_JSON), FALSE);
    EnableWindow(control(IDC_SAVE_CSV), FALSE);

    setAccessibleNames();
    createFonts();
    refreshDriveList();
    SendMessageW(drives_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    updateDatasetSummary();
    layoutControls();
    PostMessageW(state_.window, WM_APP_LOAD_SAVED_REPORTS, 0, 0);
}

void MainWindow::createControls() {
    for (const ControlSpec& spec : kControls) {
        const HWND handle = CreateWindowExW(
            0, spec.className, spec.text, WS_CHILD | WS_VISIBLE | spec.style, 0, 0, 0, 0,
            state_.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance_,
            nullptr);
        if (handle == nullptr)
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                    "Create window controls");
        state_.controls.push_back({handle, spec.rect96, spec.role});
    }
    const auto at = [this](std::size_t index) { return state_.controls[index].handle; };
    folderEdit_ = at(kFolderIndex);
    drives_ = at(kDrivesIndex);
    targetLine_ = at(kTargetLineIndex);
    depth_ = at(kDepthIndex);
    modelSize_ = at(kModelSizeIndex);
    modelSpin_ = at(kModelSpinIndex);
    datasetSummary_ = at(kDatasetSummaryIndex);
    progress_ = at(kProgressIndex);
    statusLine_ = at(kStatusLineIndex);
    details_ = at(kDetailsIndex);
    list_ = at(kListIndex);  // last: WM_SIZE lays out once the list exists
}

void MainWindow::createStatusDots() {
    const int side = scaleForDpi(16, state_.dpi);
    UniqueImageList dots(ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 3, 0));
    if (!dots)
        return;
    const HDC screen = GetDC(nullptr);
    UniqueMemoryDc dc(CreateCompatibleDC(screen));
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    for (COLORREF color : kStatusDotColors) {
        UniqueBitmap bitmap(CreateCompatibleBitmap(screen, side, side));
        UniqueBrush fill(CreateSolidBrush(color));
        {
            SelectedObject selectedBitmap(dc.get(), bitmap.get());
            RECT all{0, 0, side, side};
            FillRect(dc.get(), &all, GetSysColorBrush(COLOR_WINDOW));
            SelectedObject selectedBrush(dc.get(), fill.get());
            const int from = scaleForDpi(3, state_.dpi), to = scaleForDpi(13, state_.dpi);
            Ellipse(dc.get(), from, from, to, to);
        }
        ImageList_AddMasked(dots.get(), bitmap.get(), window);
    }
    ReleaseDC(nullptr, screen);
    ListView_SetImageList(list_, dots.get(), LVSIL_SMALL);
    state_.statusDots = std::move(dots);
}

void MainWindow::setAccessibleNames() {
    setAccessibleName(folderEdit_, L"Drive or folder to test");
    setAccessibleName(drives_, L"Live drives");
    setAccessibleName(depth_, L"Test depth");
    setAccessibleName(modelSize_, L"Comparison model size in decimal GB, 0.1 to 1000");
    setAccessibleName(modelSpin_, L"Change model size by 0.1 GB");
    setAccessibleName(list_, L"Saved and session drive comparisons");
    setAccessibleName(details_, L"Selected run reasons and full measurements");
}

void MainWindow::createFonts() {
    state_.icon.reset();
    state_.bodyFont.reset();
    state_.titleFont.reset();
    const int iconSide = scaleForDpi(48, state_.dpi);
    state_.icon.reset(static_cast<HICON>(LoadImageW(
        instance_, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON, iconSide, iconSide, 0)));
    const auto font = [this](int height96, int weight) {
        return CreateFontW(-scaleForDpi(height96, state_.dpi), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
    };
    state_.bodyFont.reset(font(15, FW_NORMAL));
    state_.titleFont.reset(font(28, FW_SEMIBOLD));
    for (const PlacedControl& placed : state_.controls)
        SendMessageW(placed.handle, WM_SETFONT, reinterpret_cast<WPARAM>(state_.bodyFont.get()),
                     TRUE);
}

void MainWindow::layoutControls() {
    RECT client{};
    GetClientRect(state_.window, &client);
    const PixelSize size{client.right - client.left, client.bottom - client.top};
    for (const PlacedControl& placed : state_.controls) {
        const PixelRect rect = placeControl(placed.rect96, placed.role, state_.dpi, size);
        MoveWindow(placed.handle, rect.x, rect.y, rect.width, rect.height, TRUE);
    }
    const auto widths = comparisonColumnWidths(state_.dpi, extraWidth(size.width, state_.dpi));
    for (std::size_t i = 0; i < widths.size(); ++i)
        ListView_SetColumnWidth(list_, static_cast<int>(i), widths[i]);
}

void MainWindow::onDpiChanged(std::uint32_t dpi, const RECT& suggested) {
    state_.dpi = dpi;
    SetWindowPos(state_.window, nullptr, suggested.left, suggested.top,
                 suggested.right - suggested.left, suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    createFonts();
    layoutControls();
    InvalidateRect(state_.window, nullptr, TRUE);
}

void MainWindow::onPaint() {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(state_.window, &paint);
    RECT client{};
    GetClientRect(state_.window, &client);
    const bool contrast = highContrast();
    const auto px = [this](int length96) { return scaleForDpi(length96, state_.dpi); };

    RECT band{0, 0, client.right, px(kHeaderBandHeight96)};
    if (contrast) {
        FillRect(dc, &band, GetSysColorBrush(COLOR_WINDOW));
    } else {
        UniqueBrush bandBrush(CreateSolidBrush(kHeaderBandColor));
        FillRect(dc, &band, bandBrush.get());
    }
    SetBkMode(dc, TRANSPARENT);
    if (state_.icon)
        DrawIconEx(dc, px(24), px(16), state_.icon.get(), px(48), px(48), 0, nullptr, DI_NORMAL);

    const COLORREF contrastText = GetSysColor(COLOR_WINDOWTEXT);
    constexpr UINT kLine = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    {
        SelectedObject font(dc, state_.titleFont.get());
        SetTextColor(dc, contrast ? contrastText : RGB(255, 255, 255));
        RECT title{px(88), px(14), client.right - px(28), px(52)};
        DrawTextW(dc, kHeaderTitle, -1, &title, kLine);
    }
    {
        SelectedObject font(dc, state_.bodyFont.get());
        SetTextColor(dc, contrast ? contrastText : kSubtitleColor);
        RECT subtitle{px(29), px(57), client.right - px(28), px(82)};
        DrawTextW(dc, kHeaderSubtitle, -1, &subtitle, kLine);
    }
    EndPaint(state_.window, &paint);
}

LRESULT MainWindow::onControlColor(HDC dc, HWND control, bool fromEdit) {
    if (highContrast()) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    SetTextColor(dc, kTextColor);
    // Read-only and disabled edits ask through WM_CTLCOLORSTATIC; they stay white like the rest.
    const bool edit =
        fromEdit || control == folderEdit_ || control == modelSize_ || control == details_;
    if (edit) {
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(state_.whiteBrush.get());
    }
    SetBkColor(dc, kBackgroundColor);
    return reinterpret_cast<LRESULT>(state_.backgroundBrush.get());
}

void MainWindow::setStatusText(const std::wstring& text) {
    SetWindowTextW(statusLine_, text.c_str());
}

void MainWindow::onClose() {
    if (!state_.busy) {
        DestroyWindow(state_.window);
        return;
    }
    state_.closing = true;
    if (state_.formatting) {
        setStatusText(L"Waiting for formatting to finish before closing...");
        return;
    }
    state_.cancelRequested.exchange(true);
    setStatusText(L"Finishing current I/O and cleanup before closing...");
}

void MainWindow::setBusy(bool busy) {
    state_.busy = busy;
    for (int id :
         {IDC_FOLDER, IDC_BROWSE, IDC_DRIVES, IDC_REFRESH_DRIVES, IDC_DEPTH, IDC_MODEL_SIZE,
          IDC_MODEL_SPIN, IDC_START, IDC_FORMAT, IDC_IMPORT, IDC_OPEN_RESULTS}) {
        EnableWindow(control(id), !busy);
    }
    EnableWindow(control(IDC_CANCEL), busy && !state_.formatting && !state_.loadingReports);
    const bool canSave = !busy && state_.currentResult != nullptr;
    EnableWindow(control(IDC_SAVE_JSON), canSave);
    EnableWindow(control(IDC_SAVE_CSV), canSave);
}

LRESULT MainWindow::onCommand(int id, int code) {
    switch (id) {
        case IDC_FOLDER:
            if (code == EN_CHANGE)
                updateDatasetSummary();
            break;
        case IDC_BROWSE:
            onBrowse();
            break;
        case IDC_DRIVES:
            if (code == CBN_SELCHANGE)
                onDriveChosen();
            break;
        case IDC_REFRESH_DRIVES:
            refreshDriveList();
            updateDatasetSummary();
            break;
        case IDC_DEPTH:
            if (code == CBN_SELCHANGE)
                updateDatasetSummary();
            break;
        case IDC_MODEL_SIZE:
            if (code == EN_CHANGE)
                onModelSizeChanged();
            break;
        case IDC_START:
            startTest();
            break;
        case IDC_CANCEL:
            cancelTest();
            break;
        case IDC_SAVE_JSON:
            saveCurrentResult(false);
            break;
        case IDC_SAVE_CSV:
            saveCurrentResult(true);
            break;
        case IDC_FORMAT:
            startFormat();
            break;
        case IDC_IMPORT:
            importReports();
            break;
        case IDC_OPEN_RESULTS:
            openResultsFolder();
            break;
        default:
            break;
    }
    return 0;
}

LRESULT MainWindow::onNotify(const NMHDR& header) {
    if (header.hwndFrom == modelSpin_ && header.code == UDN_DELTAPOS)
        return onModelSizeArrow(reinterpret_cast<const NMUPDOWN&>(header).iDelta);
    if (header.hwndFrom == list_ && header.code == LVN_COLUMNCLICK) {
        onColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return 0;
    }
    if (header.hwndFrom == list_ && header.code == LVN_ITEMCHANGED && !state_.populatingList) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        onItemChanged(change.iItem, change.uNewState);
        return 0;
    }
    return DefWindowProcW(state_.window, WM_NOTIFY, header.idFrom,
                          reinterpret_cast<LPARAM>(&header));
}

RunOptions MainWindow::readRunOptionsFromForm() const {
    const int depth = static_cast<int>(SendMessageW(depth_, CB_GETCURSEL, 0, 0));
    return runOptionsFromForm(windowText(folderEdit_), depth, toUtf8(windowText(modelSize_)));
}

void MainWindow::refreshDriveList() {
    SendMessageW(drives_, CB_RESETCONTENT, 0, 0);
    state_.driveRoots.clear();
    // An empty card reader must not raise the system's "no disk" box.
    DWORD previousMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
    wchar_t roots[512] = {};
    const DWORD length = GetLogicalDriveStringsW(512, roots);
    if (length != 0 && length <= 511) {
        for (const wchar_t* root = roots; *root != L'\0'; root += wcslen(root) + 1) {
            const UINT type = GetDriveTypeW(root);
            if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED)
                continue;
            VolumeInfo volume;
            try {
                volume = inspectTarget(root);
            } catch (const std::exception&) {
                continue;  // a drive that cannot be tested is simply not offered
            }
            const std::wstring entry = driveEntryText(root, volume.label, type == DRIVE_REMOVABLE);
            SendMessageW(drives_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
            state_.driveRoots.emplace_back(root);
        }
    }
    SetThreadErrorMode(previousMode, nullptr);
    SendMessageW(drives_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void MainWindow::updateDatasetSummary() {
    try {
        const RunOptions options = readRunOptionsFromForm();
        SetWindowTextW(datasetSummary_, wide(datasetSummaryText(options)).c_str());
        std::error_code error;
        std::filesystem::path folder = std::filesystem::canonical(options.folder, error);
        if (error)
            folder = options.folder;  // the inspection names what is wrong with it
        const VolumeInfo volume = inspectTarget(folder);
        SendMessageW(drives_, CB_SETCURSEL,
                     static_cast<WPARAM>(matchingDriveIndex(state_.driveRoots, volume.root)), 0);
        SetWindowTextW(targetLine_, targetLineText(volume).c_str());
    } catch (const std::exception& error) {
        SetWindowTextW(targetLine_, wide(error.what()).c_str());
    }
}

void MainWindow::onDriveChosen() {
    const LRESULT index = SendMessageW(drives_, CB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<std::size_t>(index) >= state_.driveRoots.size())
        return;
    SetWindowTextW(folderEdit_, state_.driveRoots[static_cast<std::size_t>(index)].c_str());
    updateDatasetSummary();
}

void MainWindow::onBrowse() {
    const auto folder =
        services_.chooseFolder(state_.window, L"Select a folder on the drive to test");
    if (!folder)
        return;
    SetWindowTextW(folderEdit_, folder->c_str());
    updateDatasetSummary();
}

void MainWindow::onModelSizeChanged() {
    updateDatasetSummary();
    try {
        state_.modelGB = readRunOptionsFromForm().modelGB;
    } catch (const std::exception&) {
        return;  // the target line already shows why; the comparison keeps the last valid size
    }
    refreshComparison();
}

LRESULT MainWindow::onModelSizeArrow(int delta) {
    if (state_.busy)
        return 1;
    const std::wstring text = wide(modelSizeTextAfterArrow(state_.modelGB, delta));
    SetWindowTextW(modelSize_, text.c_str());
    return 1;  // the control keeps its own position; the edit text is the value
}

void MainWindow::refreshComparison() {
    const ColumnSort sort{static_cast<ReportColumn>(state_.sortColumn), state_.sortAscending};
    reevaluateForModelSize(state_.reports, state_.modelGB, runningMeasurementMethods().platform,
                           sort);

    {
        // The refill's own selection changes are not the user's.
        state_.populatingList = true;
        const ScopeExit listFilled([this] { state_.populatingList = false; });
        ListView_DeleteAllItems(list_);
        for (std::size_t row = 0; row < state_.reports.size(); ++row) {
            const SavedReport& report = state_.reports[row];
            std::wstring rank = wide(comparisonCellText(report, ReportColumn::Rank));
            LVITEMW item{};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = static_cast<int>(row);
            item.iImage = I_IMAGENONE;  // the dot belongs to the drive column
            item.pszText = rank.data();
            const int index = ListView_InsertItem(list_, &item);
            if (index < 0)
                continue;
            for (int column = 1; column < kReportColumnCount; ++column) {
                std::wstring text =
                    wide(comparisonCellText(report, static_cast<ReportColumn>(column)));
                LVITEMW cell{};
                cell.mask = LVIF_TEXT;
                cell.iItem = index;
                cell.iSubItem = column;
                cell.pszText = text.data();
                if (column == static_cast<int>(ReportColumn::DriveTest)) {
                    cell.mask |= LVIF_IMAGE;
                    cell.iImage = report.suitabilityLevel;
                }
                ListView_SetItem(list_, &cell);
            }
            if (state_.selectedKey && state_.selectedKey->identifies(report)) {
                const UINT selected = LVIS_SELECTED | LVIS_FOCUSED;
                ListView_SetItemState(list_, index, selected, selected);
            }
        }

        const HWND header = ListView_GetHeader(list_);
        for (int column = 0; column < kReportColumnCount; ++column) {
            HDITEMW format{};
            format.mask = HDI_FORMAT;
            Header_GetItem(header, column, &format);
            format.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
            if (static_cast<std::uint32_t>(column) == state_.sortColumn)
                format.fmt |= state_.sortAscending ? HDF_SORTUP : HDF_SORTDOWN;
            Header_SetItem(header, column, &format);
        }
    }
    showSelectedDetails();
}

void MainWindow::showSelectedDetails() {
    if (!state_.selectedKey)
        return;
    for (const SavedReport& report : state_.reports) {
        if (state_.selectedKey->identifies(report)) {
            const std::string text = reportDetailsText(report, state_.modelGB, "\r\n");
            SetWindowTextW(details_, wide(text).c_str());
            return;
        }
    }
}

void MainWindow::onColumnClick(int column) {
    if (column < 0 || column >= kReportColumnCount)
        return;
    if (static_cast<std::uint32_t>(column) == state_.sortColumn) {
        state_.sortAscending = !state_.sortAscending;
    } else {
        state_.sortColumn = static_cast<std::uint32_t>(column);
        state_.sortAscending = true;
    }
    refreshComparison();
}

void MainWindow::onItemChanged(int item, UINT newState) {
    if ((newState & LVIS_SELECTED) == 0 || item < 0 ||
        static_cast<std::size_t>(item) >= state_.reports.size()) {
        return;
    }
    state_.selectedKey = RunIdentity::of(state_.reports[static_cast<std::size_t>(item)]);
    showSelectedDetails();
}

}  // namespace orvane
