// drive.exe: works a dialog window as a person would, for the setup program's windowed test
// (scripts/wine-setup-windows.sh). It sees every visible top-level dialog (window class #32770:
// the setup's and the uninstaller's window, whose page is a #32770 child, and every message box)
// of the session it runs in, reads their controls, presses their buttons, and takes their picture.
//
//   drive.exe wait TEXT [SECONDS]           until a dialog shows TEXT (in any control or title)
//   drive.exe gone TEXT [SECONDS]           until no dialog shows TEXT
//   drive.exe dump [FILE] [TEXT]            every dialog (or the one showing TEXT): its title and
//                                           every visible control, as UTF-8 lines
//   drive.exe click LABEL [SECONDS]         presses the enabled button labelled LABEL
//   drive.exe check LABEL [SECONDS]         ticks the check box / selects the radio button LABEL
//   drive.exe uncheck LABEL [SECONDS]       clears the check box LABEL
//   drive.exe type TEXT [SECONDS]           puts TEXT into the first writable edit box
//   drive.exe shot FILE.bmp [TEXT]          the dialog showing TEXT (default: the topmost) as a
//                                           24-bit BMP, cropped to the window
//
// A label is compared without its '&' (the access key mark), whole; #ID names a button by its
// control id instead. SECONDS defaults to 30.
// The commands that look for something wait for it, and exit 1 with what was on screen when it
// does not come in time; 2 is a wrong command line. Texts are compared as given on the command
// line (-municode: UTF-16 from the start), so Polish labels need no code page.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Control {
    HWND window;
    std::wstring cls, text;
    std::vector<std::wstring> items; // a list view's lines (the setup's details)
    int id;
    bool enabled, checked, checkable;
};

struct Dialog {
    HWND window;
    std::wstring title;
    std::vector<Control> controls;
};

std::wstring class_of(HWND w) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    return cls;
}

// A window's text through WM_GETTEXT, which (unlike GetWindowText across processes) gives an edit
// box's contents.
std::wstring text_of(HWND w) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return std::wstring();
    std::vector<wchar_t> buffer(length + 2, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                        SMTO_ABORTIFHUNG, 2000, &got);
    return std::wstring(buffer.data());
}

std::wstring without_access_key(const std::wstring& s) {
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'&' && i + 1 < s.size()) ++i;
        out += s[i];
    }
    return out;
}

// The lines of a list view in another process: the item and its text buffer must be in that
// process's memory for LVM_GETITEMTEXTW to fill them.
std::vector<std::wstring> list_items(HWND w) {
    std::vector<std::wstring> items;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(w, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count))
        return items;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return items;
    const int chars = 1024;
    auto* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + chars * 2, MEM_COMMIT, PAGE_READWRITE));
    for (DWORD_PTR i = 0; remote && i < count; ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = int(i);
        item.pszText = reinterpret_cast<LPWSTR>(remote + sizeof(LVITEMW));
        item.cchTextMax = chars;
        wchar_t text[chars + 1] = {};
        DWORD_PTR got = 0;
        if (WriteProcessMemory(process, remote, &item, sizeof item, nullptr) &&
            SendMessageTimeoutW(w, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(remote),
                                SMTO_ABORTIFHUNG, 2000, &got) &&
            ReadProcessMemory(process, remote + sizeof(LVITEMW), text, chars * 2, nullptr))
            items.push_back(text);
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return items;
}

bool is_checkable(HWND w) {
    const LONG type = GetWindowLongW(w, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

BOOL CALLBACK add_child(HWND w, LPARAM to) {
    auto* d = reinterpret_cast<Dialog*>(to);
    if (!IsWindowVisible(w)) return TRUE;
    Control c{w,     class_of(w), text_of(w), {}, GetDlgCtrlID(w), IsWindowEnabled(w) != FALSE,
              false, false};
    // A static showing an icon holds the icon's resource number (0xFFFF, then the number).
    if (!c.text.empty() && c.text[0] == 0xFFFF) c.text.clear();
    if (c.cls == L"SysListView32") c.items = list_items(w);
    if (c.cls == L"Button" && is_checkable(w)) {
        c.checkable = true;
        DWORD_PTR state = 0;
        SendMessageTimeoutW(w, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
        c.checked = state == BST_CHECKED;
    }
    d->controls.push_back(c);
    return TRUE;
}

BOOL CALLBACK add_dialog(HWND w, LPARAM to) {
    if (!IsWindowVisible(w) || class_of(w) != L"#32770") return TRUE;
    Dialog d{w, text_of(w), {}};
    EnumChildWindows(w, add_child, reinterpret_cast<LPARAM>(&d));
    reinterpret_cast<std::vector<Dialog>*>(to)->push_back(d);
    return TRUE;
}

// Every visible dialog, topmost first (EnumWindows goes in Z order).
std::vector<Dialog> dialogs() {
    std::vector<Dialog> all;
    EnumWindows(add_dialog, reinterpret_cast<LPARAM>(&all));
    return all;
}

bool shows(const Dialog& d, const std::wstring& text) {
    if (d.title.find(text) != std::wstring::npos) return true;
    for (const Control& c : d.controls)
        if (c.text.find(text) != std::wstring::npos ||
            without_access_key(c.text).find(text) != std::wstring::npos)
            return true;
    for (const Control& c : d.controls)
        for (const std::wstring& item : c.items)
            if (item.find(text) != std::wstring::npos) return true;
    return false;
}

std::string utf8(const std::wstring& s) {
    if (s.empty()) return std::string();
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// A text on one line: line breaks as \n, so that every control is one line of the transcript.
std::string quoted(const std::wstring& s) {
    std::string out = "\"";
    for (char ch : utf8(s)) {
        if (ch == '\r') continue;
        if (ch == '\n')
            out += "\\n";
        else
            out += ch;
    }
    return out + "\"";
}

std::string describe(const std::vector<Dialog>& all) {
    std::string out;
    for (const Dialog& d : all) {
        out += "okno " + quoted(d.title) + "\n";
        for (const Control& c : d.controls) {
            char id[16];
            snprintf(id, sizeof id, "%d", c.id);
            out += "  " + utf8(c.cls) + " " + id + " " + quoted(c.text);
            if (!c.enabled) out += " [wyłączony]";
            if (c.checkable) out += c.checked ? " [zaznaczony]" : " [niezaznaczony]";
            out += "\n";
            for (const std::wstring& item : c.items)
                out += "    | " + utf8(item) + "\n";
        }
    }
    return out.empty() ? "(no dialog on screen)\n" : out;
}

void print(FILE* to, const std::string& s) {
    fwrite(s.data(), 1, s.size(), to);
    fflush(to);
}

int not_found(const char* what, const std::wstring& text) {
    print(stderr, std::string("drive: ") + what + " " + quoted(text) +
                      " not found in time; on screen:\n" + describe(dialogs()));
    return 1;
}

// Waits up to `seconds` for `found` to give a window.
template <class Find> HWND within(int seconds, Find found) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND w = found()) return w;
        if (GetTickCount() - start >= DWORD(seconds) * 1000) return nullptr;
        Sleep(100);
    }
}

HWND dialog_showing(const std::wstring& text) {
    for (const Dialog& d : dialogs())
        if (text.empty() || shows(d, text)) return d.window;
    return nullptr;
}

// The enabled button labelled `label` (or, given as #ID, of that control id: the setup's own
// buttons are 1 for the next step, 2 Cancel, 3 Back, whatever their labels), topmost dialog first;
// a push button, or a check box or radio button.
HWND button(const std::wstring& label, bool checkable) {
    const int id = label.size() > 1 && label[0] == L'#' ? _wtoi(label.c_str() + 1) : 0;
    for (const Dialog& d : dialogs())
        for (const Control& c : d.controls)
            if (c.cls == L"Button" && c.enabled && c.checkable == checkable &&
                (id ? c.id == id : without_access_key(c.text) == label))
                return c.window;
    return nullptr;
}

HWND writable_edit() {
    for (const Dialog& d : dialogs())
        for (const Control& c : d.controls)
            if (c.cls == L"Edit" && c.enabled &&
                !(GetWindowLongW(c.window, GWL_STYLE) & ES_READONLY))
                return c.window;
    return nullptr;
}

// The window's pixels as the screen shows them, as a bottom-up 24-bit BMP.
bool shoot(HWND w, const wchar_t* file) {
    SetForegroundWindow(w);
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    RECT r;
    GetWindowRect(w, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD row = DWORD((width * 3 + 3) & ~3), size = row * DWORD(height);
    BITMAPFILEHEADER head = {};
    head.bfType = 0x4D42;
    head.bfOffBits = sizeof head + sizeof info.bmiHeader;
    head.bfSize = head.bfOffBits + size;
    HANDLE out = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    bool ok = out != INVALID_HANDLE_VALUE;
    DWORD written;
    ok = ok && WriteFile(out, &head, sizeof head, &written, nullptr) &&
         WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
         WriteFile(out, bits, size, &written, nullptr);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

int usage() {
    print(stderr,
          "usage: drive.exe wait|gone TEXT [SECONDS] | dump [FILE] [TEXT] | "
          "click|check|uncheck LABEL [SECONDS] | type TEXT [SECONDS] | shot FILE.bmp [TEXT]\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return usage();
    const std::wstring command = argv[1];
    const std::wstring arg = argc > 2 ? argv[2] : L"";
    int seconds = 30;
    if (argc > 3 && command != L"dump" && command != L"shot") {
        seconds = _wtoi(argv[3]);
        if (seconds <= 0) return usage();
    }
    if (command == L"wait" && argc >= 3) {
        if (!within(seconds, [&] { return dialog_showing(arg); })) return not_found("text", arg);
        return 0;
    }
    if (command == L"gone" && argc >= 3) {
        if (!within(seconds, [&] { return dialog_showing(arg) ? nullptr : GetDesktopWindow(); })) {
            print(stderr, "drive: " + quoted(arg) + " still on screen:\n" + describe(dialogs()));
            return 1;
        }
        return 0;
    }
    if (command == L"dump" && argc <= 4) {
        std::vector<Dialog> all = dialogs(), chosen;
        for (const Dialog& d : all)
            if (argc < 4 || shows(d, argv[3])) chosen.push_back(d);
        if (argc == 4 && chosen.empty()) return not_found("text", argv[3]);
        const std::string text = describe(chosen);
        if (argc < 3 || arg == L"-") {
            print(stdout, text);
            return 0;
        }
        FILE* f = _wfopen(arg.c_str(), L"wb");
        if (!f) {
            print(stderr, "drive: cannot write " + quoted(arg) + "\n");
            return 1;
        }
        print(f, text);
        fclose(f);
        return 0;
    }
    if ((command == L"click" || command == L"check" || command == L"uncheck") && argc >= 3) {
        const bool checkable = command != L"click";
        HWND b = within(seconds, [&] { return button(arg, checkable); });
        if (!b) return not_found(checkable ? "check box or radio button" : "button", arg);
        DWORD_PTR state = 0;
        if (checkable) SendMessageTimeoutW(b, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
        // Posted, not sent: a press that opens a message box returns only when the box is gone.
        if (!checkable || (state == BST_CHECKED) != (command == L"check"))
            PostMessageW(b, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == L"type" && argc >= 3) {
        HWND e = within(seconds, writable_edit);
        if (!e) return not_found("writable edit box for", arg);
        SendMessageTimeoutW(e, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arg.c_str()),
                            SMTO_ABORTIFHUNG, 2000, nullptr);
        return 0;
    }
    if (command == L"shot" && argc >= 3 && argc <= 4) {
        const std::wstring text = argc == 4 ? argv[3] : L"";
        HWND w = within(seconds, [&] { return dialog_showing(text); });
        if (!w) return not_found("window with", text);
        if (!shoot(w, arg.c_str())) {
            print(stderr, "drive: cannot take the picture into " + quoted(arg) + "\n");
            return 1;
        }
        return 0;
    }
    return usage();
}
