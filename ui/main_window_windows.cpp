#include "ui/main_window_windows.h"

#include "platform/windows_api.h"  // before any other Windows header

#include <algorithm>
#include <exception>
#include <system_error>

#include <commctrl.h>

#include "platform/text_encoding.h"
#include "resources/resource_ids.h"
#include "ui/desktop_services_windows.h"
#include "ui/header_band_windows.h"
#include "ui/main_window_ids.h"
#include "ui/posted_messages_windows.h"

namespace orvane {

namespace {

constexpr wchar_t kWindowClass[] = L"orvane_varnolt";
constexpr wchar_t kWindowTitle[] = L"Orvane Varnolt - Storage for Local AI";
constexpr COLORREF kBackgroundColor = RGB(245, 247, 250);
constexpr COLORREF kTextColor = RGB(30, 48, 65);

bool systemHighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace

MainWindow::MainWindow(DesktopServices& services, std::filesystem::path resultsFolder)
    : services_(services),
      setup_(*this),
      comparison_(*this),
      runControl_(*this),
      resultsFolder_(*this, std::move(resultsFolder)),
      formatFlow_(*this),
      parts_{&setup_, &formatFlow_, &runControl_, &comparison_, &resultsFolder_} {
    backgroundBrush_.reset(CreateSolidBrush(kBackgroundColor));
    whiteBrush_.reset(CreateSolidBrush(RGB(255, 255, 255)));
}

MainWindow::~MainWindow() {
    if (window_ != nullptr)
        DestroyWindow(window_);
    joinBackgroundWork();
    releaseResources();
}

void MainWindow::joinBackgroundWork() {
    for (WindowPart* part : parts_)
        part->joinBackgroundWork();
}

void MainWindow::releaseResources() {
    icon_.reset();
    bodyFont_.reset();
    titleFont_.reset();
    // The class refers to the background brush: unregister before the brush goes.
    if (classRegistered_) {
        UnregisterClassW(kWindowClass, instance_);
        classRegistered_ = false;
    }
    backgroundBrush_.reset();
    whiteBrush_.reset();
}

bool MainWindow::create(HINSTANCE instance) {
    instance_ = instance;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &MainWindow::windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = backgroundBrush_.get();
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass))
        return false;
    classRegistered_ = true;

    dpi_ = GetDpiForSystem();
    const HWND window = CreateWindowExW(
        0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
        scaleForDpi(kInitialWindowSize96.width, dpi_),
        scaleForDpi(kInitialWindowSize96.height, dpi_), nullptr, nullptr, instance, this);
    if (window == nullptr)
        return false;

    sizeClientForDpi();
    return true;
}

void MainWindow::sizeClientForDpi() {
    RECT outer{0, 0, scaleForDpi(kClientSize96.width, dpi_),
               scaleForDpi(kClientSize96.height, dpi_)};
    AdjustWindowRectExForDpi(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0, dpi_);
    SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
}

void MainWindow::show(int command) {
    ShowWindow(window_, command);
    UpdateWindow(window_);
}

int MainWindow::runMessageLoop() {
    MSG message{};
    int code = 0;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window_ != nullptr && IsDialogMessageW(window_, &message))
            continue;  // Tab and arrow navigation between the controls
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (message.message == WM_QUIT)
        code = static_cast<int>(message.wParam);
    joinBackgroundWork();
    releaseResources();
    return code;
}

bool MainWindow::highContrast() const {
    return highContrastOverride_ ? *highContrastOverride_ : systemHighContrastOn();
}

HWND MainWindow::control(int id) const {
    return GetDlgItem(window_, id);
}

void MainWindow::setActivity(WindowActivity activity) {
    activity_ = activity;
    refreshEnabling();
}

void MainWindow::refreshEnabling() {
    const std::set<int> enabled = enabledControls(
        {activity_, runControl_.currentResult() != nullptr, runControl_.cancelRequested()});
    for (int id : kCommandControlIds)
        EnableWindow(control(id), enabled.count(id) != 0);
}

bool MainWindow::closeIfClosing() {
    if (!closing_ || window_ == nullptr)
        return false;
    DestroyWindow(window_);
    return true;
}

LRESULT CALLBACK MainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<MainWindow*>(create->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // Nothing may unwind through the system's frames: a failure here ends the message, not the
    // program, and is shown to the user.
    try {
        return self->handleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        if (message == WM_CREATE)
            return -1;
        self->services_.showMessageBox(window, fromUtf8(error.what()), L"Orvane Varnolt",
                                       MB_OK | MB_ICONERROR);
        return 0;
    }
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            onCreate();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            if (!controls_.empty())
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
                GetClientRect(window_, &client);
                FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_WINDOW));
                return 1;
            }
            break;
        case WM_CLOSE:
            onClose();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize.x = scaleForDpi(kMinimumWindowSize96.width, dpi_);
            info->ptMinTrackSize.y = scaleForDpi(kMinimumWindowSize96.height, dpi_);
            return 0;
        }
        case WM_NOTIFY:
            return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_COMMAND:
            for (WindowPart* part : parts_) {
                if (part->onCommand(LOWORD(wParam), HIWORD(wParam)))
                    break;
            }
            return 0;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            return onControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                  message == WM_CTLCOLOREDIT);
        case WM_TIMER:
            if (setup_.onTimer(wParam))
                return 0;
            break;
        case WM_DPICHANGED:
            onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        default:
            if (auto handled = onPostedMessage(message, wParam, lParam))
                return *handled;
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

std::optional<LRESULT> MainWindow::onPostedMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_APP_PROGRESS:
            runControl_.onProgress(lParam);
            return 0;
        case WM_APP_RUN_FINISHED:
            runControl_.onRunFinished(lParam);
            return 0;
        case WM_APP_FORMAT_EXITED:
            formatFlow_.onFormatExited(static_cast<DWORD>(wParam));
            return 0;
        case WM_APP_REPORTS_LOADED:
            resultsFolder_.onReportsLoaded(lParam);
            return 0;
        case WM_APP_LOAD_SAVED_REPORTS:
            resultsFolder_.startSavedReportLoad();
            return 0;
        default:
            return std::nullopt;
    }
}

void MainWindow::onCreate() {
    dpi_ = GetDpiForWindow(window_);
    createControls();
    for (WindowPart* part : parts_)
        part->onCreated();
    setActivity(WindowActivity::Idle);
    createFonts();
    layoutControls();
    PostMessageW(window_, WM_APP_LOAD_SAVED_REPORTS, 0, 0);
}

void MainWindow::createControls() {
    std::vector<ControlDescription> descriptions;
    for (const WindowPart* part : parts_) {
        for (const ControlDescription& description : part->controlDescriptions())
            descriptions.push_back(description);
    }
    // Creation order is the Tab order.
    std::sort(descriptions.begin(), descriptions.end(),
              [](const ControlDescription& a, const ControlDescription& b) { return a.id < b.id; });
    for (const ControlDescription& description : descriptions) {
        const HWND handle = CreateWindowExW(
            0, description.className, description.text, WS_CHILD | WS_VISIBLE | description.style,
            0, 0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(description.id)),
            instance_, nullptr);
        if (handle == nullptr)
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                    "Create window controls");
        controls_.push_back({handle, description.rect96, description.role});
    }
}

void MainWindow::createFonts() {
    icon_.reset();
    bodyFont_.reset();
    titleFont_.reset();
    const int iconSide = scaleForDpi(48, dpi_);
    icon_.reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                                              IMAGE_ICON, iconSide, iconSide, 0)));
    const auto font = [this](int height96, int weight) {
        return CreateFontW(-scaleForDpi(height96, dpi_), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
    };
    bodyFont_.reset(font(15, FW_NORMAL));
    titleFont_.reset(font(28, FW_SEMIBOLD));
    for (const PlacedControl& placed : controls_)
        SendMessageW(placed.handle, WM_SETFONT, reinterpret_cast<WPARAM>(bodyFont_.get()), TRUE);
}

void MainWindow::layoutControls() {
    RECT client{};
    GetClientRect(window_, &client);
    const PixelSize size{client.right - client.left, client.bottom - client.top};
    for (const PlacedControl& placed : controls_) {
        const PixelRect rect = placeControl(placed.rect96, placed.role, dpi_, size);
        MoveWindow(placed.handle, rect.x, rect.y, rect.width, rect.height, TRUE);
    }
    comparison_.layoutColumns(size.width);
}

void MainWindow::onDpiChanged(std::uint32_t dpi, const RECT& suggested) {
    dpi_ = dpi;
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    createFonts();
    layoutControls();
    InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::onPaint() {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window_, &paint);
    RECT client{};
    GetClientRect(window_, &client);
    paintHeaderBand(dc, client.right,
                    {dpi_, highContrast(), icon_.get(), titleFont_.get(), bodyFont_.get()});
    EndPaint(window_, &paint);
}

LRESULT MainWindow::onControlColor(HDC dc, HWND control, bool fromEdit) {
    if (highContrast()) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    SetTextColor(dc, kTextColor);
    // Read-only and disabled edits ask through WM_CTLCOLORSTATIC; they stay white like the rest.
    const int id = GetDlgCtrlID(control);
    if (fromEdit || id == IDC_FOLDER || id == IDC_MODEL_SIZE || id == IDC_DETAILS) {
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(whiteBrush_.get());
    }
    SetBkColor(dc, kBackgroundColor);
    return reinterpret_cast<LRESULT>(backgroundBrush_.get());
}

void MainWindow::onClose() {
    if (!busy()) {
        DestroyWindow(window_);
        return;
    }
    closing_ = true;
    if (activity_ == WindowActivity::Formatting || activity_ == WindowActivity::Elevating) {
        runControl_.showStatus(L"Waiting for formatting to finish before closing...");
        return;
    }
    runControl_.requestCancel();
    runControl_.showStatus(L"Finishing current I/O and cleanup before closing...");
}

LRESULT MainWindow::onNotify(const NMHDR& header) {
    for (WindowPart* part : parts_) {
        if (auto result = part->onNotify(header))
            return *result;
    }
    return DefWindowProcW(window_, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

}  // namespace orvane
