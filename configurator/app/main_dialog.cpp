#include "configurator/app/main_dialog.h"

#include <shellapi.h>

#include <cwchar>

#include "configurator/app/app.h"
#include "configurator/app/info_dialogs.h"
#include "configurator/app/looks.h"
#include "configurator/app/messages.h"
#include "configurator/app/resource.h"
#include "configurator/app/side_files.h"
#include "configurator/app/stages_dialog.h"
#include "configurator/app/texts.h"
#include "skin_paint.h"

namespace tessel::cfgapp {

namespace {

constexpr UINT_PTR kStatusTimer = 678;
constexpr UINT kStatusMs = 1000;
constexpr UINT kWorkerMessage = WM_APP + 1;  // wParam: progress kind, lParam: command
constexpr DWORD kBoxDelayMs = 2000;
constexpr DWORD kStopWaitMs = 15000;
constexpr UINT kPowerSuspend = 4;  // PBT_APMSUSPEND

constexpr COLORREF kPageFill = RGB(20, 23, 29);
constexpr SIZE kDialogSize{900, 640};
constexpr RECT kHelpArea{28, 574, 470, 626};

constexpr const wchar_t* kTabCaptions[] = {L"assiGn\nbuttons", L"adjust\nperFormance", L"manaGe\nproFiles",
                                           L"manaGe\nmacros", L"liGhting and\nmaintenance"};
constexpr const wchar_t* kReading =
    L"Reading configuration from Halden\u2122. Mouse cursor may become non-responsive for a few seconds.";
constexpr const wchar_t* kWriting =
    L"Writing configuration to Halden\u2122. Mouse cursor may become non-responsive for a few seconds.";

}  // namespace

LRESULT CMarkerButton::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        PostMessageW(parent(), WM_CLOSE, 0, 0);
        return 0;
    }
    return Window::OnMessage(msg, wp, lp);
}

CCoricCfgDlg::CCoricCfgDlg(CCoricCfgApp& app)
    : app_(app), model_(std::make_shared<cfg::SettingsModel>()), buttonPage_(*this, *model_),
      performancePage_(*this, *model_), profilePage_(*this, *model_), macroPage_(*this, *model_),
      lightingPage_(*this, *model_) {}

CCoricCfgDlg::~CCoricCfgDlg() = default;

formats::FileSystem& CCoricCfgDlg::Files() { return app_.Files(); }

void CCoricCfgDlg::Place(int id, int x, int y, int width, int height) const {
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (width == 0 ? SWP_NOSIZE : 0);
    SetWindowPos(GetDlgItem(hwnd(), id), nullptr, x, y, width, height, flags);
}

BOOL CCoricCfgDlg::OnInitDialog() {
    HWND self = hwnd();
    HINSTANCE module = app_.Instance();
    SetWindowTextW(self, tr(L"Kavix Tessel Config").c_str());
    panel_ = LoadBitmapResource(module, IDB_MAIN_PANEL);
    mousePicture_ = LoadBitmapResource(module, IDB_MOUSE_PICTURE);
    titleFont_ = MakeFont(16, DefaultFaceName(), true);
    textFont_ = MakeFont(14, DefaultFaceName(), false);
    labelFont_ = MakeFont(13, DefaultFaceName(), false);  // the template's 10 points
    headingFont_ = MakeFont(13, DefaultFaceName(), true);
    labelBrush_.reset(CreateSolidBrush(kPageFill));
    SetWindowPos(self, nullptr, 0, 0, kDialogSize.cx, kDialogSize.cy, SWP_NOZORDER | SWP_NOMOVE);
    // Magenta pixels of the skin are see-through.
    SetWindowLongPtrW(self, GWL_EXSTYLE, GetWindowLongPtrW(self, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(self, kTransparentKey, 0, LWA_COLORKEY);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(self, nullptr, (work.left + work.right - kDialogSize.cx) / 2,
                 (work.top + work.bottom - kDialogSize.cy) / 2, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    BuildSystemMenu();
    CreateControls();

    cfg::ConfigurationWorker::Options options;
    options.watchConnection = true;
    options.progress = [self](const cfg::WorkerProgress& progress) {
        PostMessageW(self, kWorkerMessage, static_cast<WPARAM>(progress.kind), progress.command);
    };
    auto sideFiles = std::make_shared<CSideFiles>(app_.Files(), CSideFiles::UserFolder());
    options.steps.readSideFiles = [sideFiles](cfg::SettingsModel& model) { sideFiles->Read(model); };
    options.steps.writeSideFiles = [sideFiles](const cfg::SettingsModel& model) { sideFiles->Write(model); };
    options.steps.rateUnchanged = [&tray = app_.Tray()] { tray.ReloadProfiles(); };
    options.steps.beforeRateChange = [&tray = app_.Tray()] { tray.StopForRateChange(); };
    options.steps.afterRateChange = [&tray = app_.Tray()] { tray.StartAfterRateChange(); };
    worker_ = std::make_unique<cfg::ConfigurationWorker>(model_, std::move(options));
    worker_->start();
    SetTimer(self, kStatusTimer, kStatusMs, nullptr);
    ShowPage(kButtonsPage);
    worker_->request(cfg::kConnectAndRead);
    PostMessageW(self, kWorkerMessage, static_cast<WPARAM>(-1), cfg::kConnectAndRead);
    return TRUE;
}

void CCoricCfgDlg::BuildSystemMenu() {
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    if (!menu) return;
    wchar_t about[128] = L"";
    LoadStringW(app_.Instance(), IDS_ABOUTBOX, about, 128);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, tr(about).c_str());
    const auto& settings = app_.Settings();
    if (settings.languages.empty()) return;
    HMENU languages = CreatePopupMenu();
    for (std::size_t n = 0; n < settings.languages.size(); ++n)
        AppendMenuW(languages, MF_STRING | (n == settings.translation ? MF_CHECKED : 0), IDM_LANGUAGE_FIRST + n,
                    toWide(settings.languages[n].name).c_str());
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(languages), tr(L"Language").c_str());
}

void CCoricCfgDlg::CreateControls() {
    const std::wstring face = DefaultFaceName();
    for (int i = 0; i < kPages; ++i) {
        CHoverButtonV2& tab = Bind(tabs_[i], IDC_TAB_BUTTONS + i);
        Place(IDC_TAB_BUTTONS + i, 24 + i * 172, 66);
        tab.SetFixedSize(164, 44);
        tab.LoadPngs(IDP_TAB, IDP_TAB_HOVER, IDP_TAB_PRESSED, IDP_TAB_TICKED_HOVER, IDP_TAB_DISABLED);
        tab.SetCheckStyle(true);
        tab.SetFont(13, face, kText, RGB(255, 255, 255), kAccent, kTextDim, true);
        tab.SetTextRect(RECT{0, 6, 164, 44});
        tab.SetTextFormat(DT_CENTER | DT_WORDBREAK);
        tab.SetCaption(tr(kTabCaptions[i]));
    }
    Bind(ok_, IDOK);
    PushButton(ok_, tr(L"OK"), SIZE{120, 32});
    Place(IDOK, 500, 584);
    Bind(cancel_, IDCANCEL);
    PushButton(cancel_, tr(L"Cancel"), SIZE{120, 32});
    Place(IDCANCEL, 628, 584);
    Bind(apply_, IDC_APPLY);
    PushButton(apply_, tr(L"Apply"), SIZE{120, 32});
    Place(IDC_APPLY, 756, 584);
    for (auto [button, id, caption, x] : {std::tuple{&minimize_, IDC_MINIMIZE, L"\u2013", 830},
                                          std::tuple{&close_, IDC_CLOSE, L"\u00D7", 862}}) {
        Bind(*button, id);
        button->SetFixedSize(26, 24);
        button->LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, -1, -1, -1, -1);
        button->SetFont(16, face, RGB(200, 206, 216), RGB(255, 255, 255), kAccent, kTextDim, true);
        button->SetCaption(caption);
        Place(id, x, 14);
    }
    Bind(manual_, IDC_MANUAL);
    manual_.SetFixedSize(26, 24);
    manual_.LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, -1, -1, -1, -1);
    manual_.SetFont(16, face, RGB(200, 206, 216), RGB(255, 255, 255), kAccent, kTextDim, true);
    manual_.SetCaption(L"?");
    manual_.SetHelpText(tr(L"Open the manual"));
    Place(IDC_MANUAL, 798, 14);
    static constexpr const wchar_t* kPageCommands[] = {L"New", L"Import", L"Export", L"Save", L"Delete"};
    for (int i = 0; i < 5; ++i) {
        PushButton(Bind(pageCommands_[i], IDC_PAGE_NEW + i), tr(kPageCommands[i]), SIZE{200, 32});
        Place(IDC_PAGE_NEW + i, 656, 164 + i * 44);
    }
    LabelFont(hwnd(), labelFont_.get());
    minimize_.SetHelpText(tr(L"Minimize"));
    close_.SetHelpText(tr(L"Close"));
    apply_.SetHelpText(tr(L"Write the settings to the mouse"));
    Bind(marker_, IDC_MARKER);
    buttonPage_.Create();
    performancePage_.Create();
    profilePage_.Create();
    macroPage_.Create();
    lightingPage_.Create();
}

void CCoricCfgDlg::ShowPage(Page page) {
    const CPage* groups[kPages] = {&buttonPage_, &performancePage_, &profilePage_, &macroPage_, &lightingPage_};
    if (page != kProfilesPage) profilePage_.EndEdit();
    if (page != kMacrosPage) macroPage_.StopRecording();
    for (int p = 0; p < kPages; ++p)
        if (p != page && groups[p]) groups[p]->Show(hwnd(), false);
    if (groups[page]) groups[page]->Show(hwnd(), true);
    page_ = page;
    backdrop_.reset();
    for (int p = 0; p < kPages; ++p) tabs_[p].SetTicked(p == page);
    if (page == kPerformancePage) performancePage_.ShowSensitivity();
    InvalidateRect(hwnd(), nullptr, TRUE);
    NotifyChildrenPixelsChanged();
}

void CCoricCfgDlg::FillPages(bool initial) {
    const cfg::ProfileNode* shown = model_->current();
    profileName_ = shown ? toWide(shown->name) : L"";
    backdrop_.reset();
    buttonPage_.Fill();
    performancePage_.Fill();
    if (initial) profilePage_.FillList(); else profilePage_.Fill();
    if (initial) macroPage_.FillNames();
    macroPage_.Fill();
    lightingPage_.Fill(worker_->connection().wiredConnected);
    ShowPage(initial ? kButtonsPage : page_);
}

void CCoricCfgDlg::ShowProfile(std::size_t row) {
    const cfg::SettingsModel::Selection selection = model_->selectProfile(row);
    if (!selection.selected) return;
    FillPages(false);
    // A profile without a mapping table was given the defaults: its lights are shown.
    if (selection.defaultsRestored) ShowPage(kLightingPage);
}

void CCoricCfgDlg::RefreshPages() { FillPages(false); }

void CCoricCfgDlg::RefreshMacros() { macroPage_.FillNames(); }

void CCoricCfgDlg::ShowProfileName() {
    const cfg::ProfileNode* shown = model_->current();
    profileName_ = shown ? toWide(shown->name) : L"";
    backdrop_.reset();
    InvalidateRect(hwnd(), nullptr, TRUE);
    NotifyChildrenPixelsChanged();
}

void CCoricCfgDlg::AskRestoreDefaults(Page page) {
    if (!model_->current()) return;
    if (!Ask(hwnd(), L"Restore Defaults", L"Are you sure you want to restore defaults?")) return;
    model_->restoreDefaults();
    FillPages(false);
    ShowPage(page);
}

// Documents are opened by absolute path or address only, never from the current directory.
void CCoricCfgDlg::OpenManual() {
    const formats::InstallSettings& settings = app_.Settings();
    const formats::Language* language = settings.language();
    const std::wstring path = CTrayControl::SuiteFolder(toWide(settings.installDir)) + L"Translations\\Manuals\\" +
                              (language ? toWide(language->name) : L"English") + L"\\index.html";
    if (reinterpret_cast<INT_PTR>(ShellExecuteW(hwnd(), L"OPEN", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) <= 32)
        Tell(hwnd(), L"Information", tr(L"The manual could not be opened:") + L"\n" + path);
}

void CCoricCfgDlg::OpenUpdatePage() {
    const std::wstring address = toWide(app_.Settings().updateUrl);
    if (address.empty() ||
        reinterpret_cast<INT_PTR>(ShellExecuteW(hwnd(), L"OPEN", address.c_str(), nullptr, nullptr, SW_SHOWMINNOACTIVE)) <= 32)
        Tell(hwnd(), L"Information", L"The download page could not be opened.");
}

// The picture under the controls changes with the page and the profile only: it is composed
// once, since every control copies the dialog's pixels under it whenever the dialog repaints.
void CCoricCfgDlg::ComposeBackdrop() {
    const RECT client{0, 0, kDialogSize.cx, kDialogSize.cy};
    wingui::WindowDc screen(hwnd());
    backdrop_.reset(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
    wingui::UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    wingui::Selected selected(memory.get(), backdrop_.get());
    HDC dc = memory.get();
    wingui::UniqueBrush key(CreateSolidBrush(kTransparentKey));
    FillRect(dc, &client, key.get());
    DrawKeyedStretched(dc, client, panel_.get());
    DrawCaption(dc, RECT{68, 8, 500, 46}, tr(L"KAVIX TESSEL CONFIG"), titleFont_.get(), kText,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (!profileName_.empty()) {
        DrawCaption(dc, RECT{480, 8, 790, 46}, tr(L"PROFILE:") + L" " + profileName_, headingFont_.get(), kAccent,
                    DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    switch (page_) {
        case kButtonsPage:
            DrawCaption(dc, RECT{44, 130, 400, 150}, tr(L"BUTTON ASSIGNMENT"), headingFont_.get(), kAccent,
                        DT_LEFT | DT_SINGLELINE);
            for (int row = 0; row < cfg::kButtonRows; ++row)
                DrawCaption(dc, RECT{44, 162 + row * 42, 300, 188 + row * 42}, tr(CButtonPage::RowCaption(row)),
                            textFont_.get(), kText, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
            if (mousePicture_) {
                const SIZE size = BitmapSize(mousePicture_.get());
                DrawKeyedStretched(dc, RECT{560, 200, 560 + size.cx * 3 / 2, 200 + size.cy * 3 / 2},
                                   mousePicture_.get());
            }
            break;
        case kProfilesPage: CProfilePage::DrawCaptions(dc, headingFont_.get(), textFont_.get()); break;
        case kMacrosPage: CMacroPage::DrawCaptions(dc, headingFont_.get(), textFont_.get()); break;
        case kLightingPage: CLightingPage::DrawCaptions(dc, headingFont_.get(), textFont_.get()); break;
        case kPerformancePage:
            DrawCaption(dc, RECT{44, 130, 420, 150}, tr(L"Current DPI"), headingFont_.get(), kAccent,
                        DT_LEFT | DT_SINGLELINE);
            DrawCaption(dc, RECT{480, 130, 860, 150}, tr(L"POINTER"), headingFont_.get(), kAccent,
                        DT_LEFT | DT_SINGLELINE);
            DrawCaption(dc, RECT{480, 300, 860, 320}, tr(L"POLLING RATE"), headingFont_.get(), kAccent,
                        DT_LEFT | DT_SINGLELINE);
            DrawCaption(dc, RECT{480, 380, 860, 400}, tr(L"Note : This Setting Applies To All Profiles"),
                        textFont_.get(), kTextDim, DT_LEFT | DT_SINGLELINE);
            break;
        default: {
            const std::wstring caption = tr(kTabCaptions[page_]);
            std::wstring heading;
            for (wchar_t c : caption) heading += c == L'\n' ? L' ' : static_cast<wchar_t>(towupper(c));
            DrawCaption(dc, RECT{44, 130, 860, 150}, heading, headingFont_.get(), kAccent, DT_LEFT | DT_SINGLELINE);
            break;
        }
    }
}

void CCoricCfgDlg::PaintBackground(HDC dc) {
    if (!backdrop_) ComposeBackdrop();
    wingui::UniqueMemoryDc memory(CreateCompatibleDC(dc));
    {
        wingui::Selected selected(memory.get(), backdrop_.get());
        BitBlt(dc, 0, 0, kDialogSize.cx, kDialogSize.cy, memory.get(), 0, 0, SRCCOPY);
    }
    DrawCaption(dc, kHelpArea, help_, textFont_.get(), kTextDim, DT_LEFT | DT_VCENTER | DT_WORDBREAK);
}

LRESULT CCoricCfgDlg::OnEraseBackground(HDC dc) {
    PaintBackground(dc);
    return 1;
}

void CCoricCfgDlg::ShowHelpText(const std::wstring& text) {
    if (text == help_) return;
    help_ = text;
    InvalidateRect(hwnd(), &kHelpArea, TRUE);
}

LRESULT CCoricCfgDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PRINTCLIENT: PaintBackground(reinterpret_cast<HDC>(wp)); return 0;
        case kHelpTextMessage:
            if (wp) ShowHelpText(reinterpret_cast<const wchar_t*>(wp));
            return 0;
        case kHandshakeMessage: return kHandshakeAnswer;
        case kShowButtonRows: buttonPage_.Fill(); return 0;
        case kWorkerMessage:
            if (static_cast<int>(wp) == -1) {
                RunBox(hwnd(), kReading, false);
            } else if (static_cast<int>(wp) == cfg::WorkerProgress::finished) {
                OnWorkerFinished(static_cast<int>(lp));
            }
            return 0;
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, kText);
            SetBkColor(dc, kPageFill);
            return reinterpret_cast<LRESULT>(labelBrush_.get());
        }
        case WM_SYSCOMMAND:
            if (SystemCommand(wp)) return 0;
            return Dialog::OnMessage(msg, wp, lp);
        case WM_POWERBROADCAST:
            if (wp == kPowerSuspend) RequestClose();
            return TRUE;
        case WM_CLOSE: RequestClose(); return 0;
        default: return Dialog::OnMessage(msg, wp, lp);
    }
}

bool CCoricCfgDlg::SystemCommand(UINT_PTR command) {
    if (command >= IDM_LANGUAGE_FIRST && command <= IDM_LANGUAGE_LAST) {
        if (box_ || !app_.ChangeLanguage(static_cast<int>(command - IDM_LANGUAGE_FIRST))) return true;
        Finish(IDCANCEL);
        return true;
    }
    if (command == IDM_ABOUTBOX || command == IDM_APP_ABOUT) {
        CAboutDlg().Show(hwnd());
        return true;
    }
    return false;
}

LRESULT CCoricCfgDlg::OnCommand(int id, int code, HWND ctl) {
    if (id >= IDM_LANGUAGE_FIRST && id <= IDM_LANGUAGE_LAST && !ctl) {
        SystemCommand(static_cast<UINT_PTR>(id));
        return 0;
    }
    if (code == BN_CLICKED && id >= IDC_TAB_BUTTONS && id <= IDC_TAB_LIGHTING) {
        ShowPage(static_cast<Page>(id - IDC_TAB_BUTTONS));
        return 0;
    }
    if (code == BN_CLICKED) {
        if (id >= IDC_PAGE_NEW && id <= IDC_PAGE_DELETE) {
            if (page_ == kProfilesPage) profilePage_.OnCommand(id);
            else if (page_ == kMacrosPage) macroPage_.OnCommand(id);
            return 0;
        }
        switch (id) {
            case IDC_APPLY: Write(hwnd()); return 0;
            case IDC_MARKER:
            case IDC_MANUAL: OpenManual(); return 0;
            case IDC_MINIMIZE: SendMessageW(hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0); return 0;
            case IDC_CLOSE: Finish(IDCANCEL); return 0;
            default: break;
        }
        if (performancePage_.OnCommand(id) || macroPage_.OnCommand(id) || lightingPage_.OnCommand(id)) return 0;
    }
    // The profile list's menu.
    if (!ctl && id >= IDM_PROFILE_PREVIEW && id <= IDM_PROFILE_RESTORE && profilePage_.OnCommand(id)) return 0;
    return Dialog::OnCommand(id, code, ctl);
}

// OK and the Enter key: write, and close once everything reached the mouse.
void CCoricCfgDlg::OnOK() {
    // An open edit of the profile list is ended first; the next OK applies.
    macroPage_.StopRecording();
    if (profilePage_.EndEdit()) return;
    if (Write(hwnd()) && !finished_) Finish(IDOK);
}

// The Cancel button closes without writing; the Escape key alone does not close while a mouse
// is attached.
void CCoricCfgDlg::OnCancel() {
    const bool escape = GetKeyState(VK_ESCAPE) < 0;
    // The Escape key is a key of the macro being recorded; the buttons end the recording.
    if (escape) macroPage_.TypeKey(VK_ESCAPE); else macroPage_.StopRecording();
    if (profilePage_.EndEdit() && escape) return;
    const cfg::ConnectionState state = worker_->connection();
    if (!escape || (!state.wiredConnected && !state.wirelessConnected)) Finish(IDCANCEL);
}

LRESULT CCoricCfgDlg::OnLButtonDown(UINT, POINT) {
    profilePage_.EndEdit();
    // The dialog has no caption: a press on its picture moves it.
    ReleaseCapture();
    SendMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    return 0;
}

LRESULT CCoricCfgDlg::OnRButtonUp(UINT, POINT p) {
    // The header offers the system menu, with the languages.
    if (p.y > 54) return 0;
    ClientToScreen(hwnd(), &p);
    const int command = TrackPopupMenu(GetSystemMenu(hwnd(), FALSE), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                       p.x, p.y, 0, hwnd(), nullptr);
    if (command) SendMessageW(hwnd(), WM_SYSCOMMAND, static_cast<WPARAM>(command), 0);
    return 0;
}

bool CCoricCfgDlg::OpenStagesDialog() {
    if (!model_->current()) return false;
    CDPIStagesDlg dialog(*model_, [this](HWND owner) { Write(owner); });
    const bool ok = dialog.Show(hwnd(), IDD_DPI_STAGES) == CBitmapMessageBox::kOk;
    performancePage_.ShowSensitivity();
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return ok;
}

void CCoricCfgDlg::RunBox(HWND owner, const std::wstring& text, bool repaint) {
    CWaitingDlg box(text, [this] { return worker_->command(); }, repaint ? hwnd() : nullptr, kBoxDelayMs);
    box_ = &box;
    skipTick_ = true;
    box.Show(owner);
    box_ = nullptr;
    if (closeRequested_) Finish(IDCANCEL);
}

bool CCoricCfgDlg::Write(HWND owner) {
    if (box_ || finished_ || worker_->command() != cfg::kIdle) return false;
    macroPage_.StopRecording();
    profilePage_.EndEdit();
    worker_->request(cfg::kWriteAll);
    RunBox(owner, kWriting, true);
    if (finished_) return false;
    const cfg::CommandReport report = worker_->lastReport();
    performancePage_.Fill();
    if (report.ok()) return true;
    std::wstring text = tr(L"These settings could not be written to the mouse:");
    for (const cfg::Failure& failure : report.failures) {
        wchar_t line[200];
        swprintf(line, 200, L"\n%hs%ls%ls (0x%08lX)", failure.operation.c_str(), failure.subject.empty() ? L"" : L" ",
                 toWide(failure.subject).c_str(), static_cast<unsigned long>(failure.status));
        text += line;
    }
    Tell(owner, L"Information", text);
    return false;
}

void CCoricCfgDlg::OnWorkerFinished(int command) {
    if (command != cfg::kConnectAndRead) return;
    const cfg::ConnectionState state = worker_->connection();
    loaded_ = state.loaded;
    wiredSeen_ = state.wiredConnected;
    FillPages(true);
}

LRESULT CCoricCfgDlg::OnTimer(UINT_PTR id) {
    if (id != kStatusTimer) return Dialog::OnTimer(id);
    if (skipTick_) {
        skipTick_ = false;
        return 0;
    }
    // The finished write is seen; the box closes after its delay.
    worker_->acknowledgeWrite();
    if (loaded_ && !versionsShown_) {
        versionsShown_ = true;
        lightingPage_.ShowVersions(worker_->connection());
    }
    // Not over another box of this dialog: the connection is checked once it has closed.
    if (!box_ && loaded_ && IsWindowEnabled(hwnd())) CheckConnection();
    return 0;
}

void CCoricCfgDlg::CheckConnection() {
    const cfg::ConnectionState state = worker_->connection();
    if (wiredSeen_ && !state.wiredConnected && !state.rateChanging) return ShowLost(Lost::unplugged);
    if (state.wirelessConnected) return ShowLost(Lost::wiredOnly);
    if (!state.rateChanging && !state.wiredConnected && !state.wirelessConnected) return ShowLost(Lost::noMouse);
    wiredSeen_ = state.wiredConnected;
}

void CCoricCfgDlg::ShowLost(Lost why) {
    KillTimer(hwnd(), kStatusTimer);
    static constexpr const wchar_t* kTexts[] = {
        L"Kavix Tessel Unplugged! Please connect it to the PC using the USB cable or click Cancel to close the "
        L"Configuration Tool.",
        L"Configuration of the Kavix Tessel is only available in wired mode. Please connect it to the PC using the "
        L"USB cable or click Cancel to close the Configuration Tool.",
        L"No Kavix Tessel Connected. Application will close now."};
    if (why != Lost::unplugged) Sleep(300);
    ShowMessage(hwnd(), L"Information", kTexts[static_cast<int>(why)],
                {{why == Lost::noMouse ? L"OK" : L"CANCEL", CBitmapMessageBox::kOk}});
    SendMessageW(hwnd(), WM_CLOSE, 0, 0);
}

void CCoricCfgDlg::RequestClose() {
    if (box_) {
        // A close during a read or write: the box goes first, the worker finishes its command.
        closeRequested_ = true;
        EndDialog(box_->hwnd(), CBitmapMessageBox::kClosed);
        return;
    }
    macroPage_.StopRecording();
    profilePage_.EndEdit();
    Finish(IDCANCEL);
}

void CCoricCfgDlg::Finish(INT_PTR result) {
    if (finished_) return;
    finished_ = true;
    KillTimer(hwnd(), kStatusTimer);
    worker_->stop(kStopWaitMs);
    End(result);
}

}  // namespace tessel::cfgapp
