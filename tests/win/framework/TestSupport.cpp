#include "TestSupport.h"

#include <cstdio>

// ---- CTestControl ---------------------------------------------------------------

bool CTestControl::Register()
{
    return CWnd::RegisterWindowClass("CTestCtl", CS_HREDRAW | CS_VREDRAW, LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // the arrow
}

const MessageMap& CTestControl::GetMessageMap() const
{
    static const MessageMap map(CWnd::GetMessageMap(), {
        on::Paint(&CTestControl::OnPaint),
        on::LButtonDown(&CTestControl::OnLButtonDown),
        on::Message(WM_TEST_CONTROL_PING, &CTestControl::OnPing),
    });
    return map;
}

void CTestControl::OnPaint()
{
    CPaintDC dc(m_hWnd);
    const RECT client = GetClientRect();
    // Drawn off screen, then copied in one block.
    CMemoryDC memory(dc);
    CBitmap image;
    image.CreateCompatibleBitmap(dc, client.right, client.bottom);
    CSelectGuard selectImage(memory, image);
    memory.FillSolidRect(client, RGB(255, 255, 224));
    CFont font;
    font.CreatePointFont(90, "宋体", dc);
    CSelectGuard selectFont(memory, font);
    memory.SetBkMode(TRANSPARENT);
    RECT text = client;
    memory.DrawText("自绘控件：颜色滑块", text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    memory.Draw3dRect(client, RGB(255, 255, 255), RGB(0, 0, 0));
    dc.BitBlt(0, 0, client.right, client.bottom, memory, 0, 0);
}

void CTestControl::OnLButtonDown(UINT, POINT point)
{
    clicks.push_back(point);
    NMHDR header{m_hWnd, static_cast<UINT_PTR>(GetDlgCtrlID()), NM_TESTCTL_CLICKED};
    ::SendMessageW(GetParent(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

LRESULT CTestControl::OnPing(WPARAM wParam, LPARAM lParam)
{
    return static_cast<LRESULT>(wParam + lParam);
}

// ---- CFilterEdit ------------------------------------------------------------------

const MessageMap& CFilterEdit::GetMessageMap() const
{
    static const MessageMap map(CEdit::GetMessageMap(), {
        on::ReflectCommand(EN_CHANGE, &CFilterEdit::OnReflectedChange),
        on::Char(&CFilterEdit::OnChar),
        on::KeyDown(&CFilterEdit::OnKeyDown),
    });
    return map;
}

bool CFilterEdit::OnReflectedChange()
{
    ++changes;
    return !passChangeToParent;
}

void CFilterEdit::OnChar(UINT ch, UINT, UINT)
{
    if (ch >= '0' && ch <= '9') return;  // dropped
    Default();
}

void CFilterEdit::OnKeyDown(UINT key, UINT, UINT)
{
    keys.push_back(key);
    Default();
}

// ---- CTestDialog ----------------------------------------------------------------------

bool CTestDialog::OnInitDialog()
{
    if (attachNameEdit) nameEdit.SubclassDlgItem(IDC_NAME, *this);
    const char* choices[] = {"专家配色", "颜色循环", "选择贴图"};
    for (const char* text : choices) SendDlgItemMessage(IDC_CHOICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fw::Widen(text).c_str()));
    const char* rooms[] = {"客厅", "卧室", "厨房", "卫生间"};
    for (const char* text : rooms) SendDlgItemMessage(IDC_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fw::Widen(text).c_str()));
    return CDialog::OnInitDialog();
}

void CTestDialog::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_CUSTOM, custom);
    DDX_Text(dx, IDC_NAME, name);
    DDX_Text(dx, IDC_COUNT, count);
    DDX_CBIndex(dx, IDC_CHOICE, choice);
    DDX_LBIndex(dx, IDC_LIST, listIndex);
    DDX_Radio(dx, IDC_RADIO1, radio);
    DDX_Check(dx, IDC_CHECK, check);
    DDX_Text(dx, IDC_NOTE, note);
    DDV_MaxChars(dx, note, noteLimit);
}

const MessageMap& CTestDialog::GetMessageMap() const
{
    static const MessageMap map(CDialog::GetMessageMap(), {
        on::Command(IDC_APPLY, &CTestDialog::OnApply),
        on::Command(IDC_NAME, EN_CHANGE, &CTestDialog::OnNameChanged),
        on::Command(IDC_CHOICE, CBN_SELCHANGE, &CTestDialog::OnChoiceChanged),
        on::Command(IDC_CHOICE, &CTestDialog::OnChoiceCommand),
        on::Command(ID_CEILING, &CTestDialog::OnCeiling),
        on::CommandRange(ID_ITEM_FIRST, ID_ITEM_LAST, &CTestDialog::OnItem),
        on::Notify(IDC_CUSTOM, NM_TESTCTL_CLICKED, &CTestDialog::OnCustomClicked),
        on::Message(WM_TEST_PRIVATE, &CTestDialog::OnPrivate),
        on::Timer(&CTestDialog::OnTimer),
        on::MouseMove(&CTestDialog::OnMouseMove),
    });
    return map;
}

bool CTestDialog::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN) {
        keysSeen.push_back(static_cast<UINT>(msg->wParam));
        if (msg->wParam == VK_F5 && swallowF5) {
            log.push_back("F5");
            return true;
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

void CTestDialog::OnApply() { log.push_back("apply"); }
void CTestDialog::OnNameChanged() { log.push_back("name changed"); }
void CTestDialog::OnChoiceChanged() { log.push_back("choice changed"); }
void CTestDialog::OnChoiceCommand() { log.push_back("choice command"); }
void CTestDialog::OnCeiling() { log.push_back("ceiling"); }
void CTestDialog::OnItem(UINT id) { log.push_back("item " + std::to_string(id)); }

LRESULT CTestDialog::OnCustomClicked(NMHDR* header)
{
    log.push_back("custom clicked " + std::to_string(header->idFrom));
    return notifyAnswer;
}

LRESULT CTestDialog::OnPrivate(WPARAM wParam, LPARAM lParam)
{
    log.push_back("private " + std::to_string(wParam) + " " + std::to_string(lParam));
    return 1234;
}

void CTestDialog::OnTimer(UINT_PTR id)
{
    KillTimer(id);
    log.push_back("timer " + std::to_string(id));
}

void CTestDialog::OnMouseMove(UINT flags, POINT point)
{
    log.push_back("move " + std::to_string(flags) + " " + std::to_string(point.x) + "," + std::to_string(point.y));
}

// ---- Recorders -------------------------------------------------------------------------

MessageBoxRecorder::MessageBoxRecorder(int answerWith) : answer(answerWith)
{
    previous_ = fw::SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT type) {
        boxes.push_back(Box{text, caption, type});
        return answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    fw::SetMessageBoxHandler(std::move(previous_));
}

GuardLogCapture::GuardLogCapture()
{
    wchar_t previous[MAX_PATH + 1];
    const DWORD length = GetEnvironmentVariableW(L"TG_GUARD_LOG", previous, MAX_PATH + 1);
    hadPrevious_ = length > 0 && length <= MAX_PATH;
    if (hadPrevious_) previous_.assign(previous, length);
    static int captures = 0;
    path_ = fw::Widen(fw::FolderOfPath(fw::ModuleFileName(nullptr))) + L"guard-capture-" +
            std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++captures) + L".log";
    DeleteFileW(path_.c_str());
    SetEnvironmentVariableW(L"TG_GUARD_LOG", path_.c_str());
}

GuardLogCapture::~GuardLogCapture()
{
    SetEnvironmentVariableW(L"TG_GUARD_LOG", hadPrevious_ ? previous_.c_str() : nullptr);
    DeleteFileW(path_.c_str());
}

std::string GuardLogCapture::Text() const
{
    std::string utf8;
    if (FILE* file = _wfopen(path_.c_str(), L"rb")) {
        for (int c; (c = std::fgetc(file)) != EOF;) utf8 += static_cast<char>(c);
        std::fclose(file);
    }
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    return fw::Narrow(wide);
}

std::wstring RawText(HWND wnd)
{
    wchar_t buffer[512] = {};
    GetWindowTextW(wnd, buffer, 512);
    return buffer;
}

namespace {
// The test dialog's custom control class exists before any test creates it.
const bool g_registered = CTestControl::Register();
}  // namespace
