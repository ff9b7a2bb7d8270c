// Drives kestril.sph's options dialog under Wine as a user would: a viewer thread owns
// a window and calls ConfigurationDlg; this thread finds the dialog, checks every
// control's class, text and place, types, clicks, answers the colour chooser, prints
// both pages into bitmaps, and closes the dialog.
//
//   kestril_dialog_host PHASE PLUGIN DATA OUT
//
// Phases: edit (change every setting and close), refusal (a size that is not a number
// keeps the dialog open and stores nothing). Prints one line per check and closes with
// "N passed, M failed".
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "config/win32/options_resource.h"

namespace {

typedef int(WINAPI* GetPictureInfoFn)(LPCSTR buffer, LONG_PTR length, unsigned flags, void* info);
typedef int(WINAPI* GetPictureFn)(LPCSTR buffer, LONG_PTR length, unsigned flags, HLOCAL* header,
                                  HLOCAL* pixels, void* progress, LONG_PTR user);
typedef int(WINAPI* ConfigurationDlgFn)(HWND parent, int function);

const wchar_t kCaption[] = L" kestril.sph 設定 ";
const char kKey[] = "Software\\Tovalin\\Susie\\Plug-in\\Ferrand";
constexpr int kColorRed = 706, kColorGreen = 707, kColorBlue = 708;  // the chooser's edits
constexpr int kMessageText = 0xFFFF;                                 // a message box's text

int passed = 0;
int failed = 0;

void Report(bool ok, const std::string& what, int line) {
  if (ok) {
    ++passed;
    std::printf("ok: %s\n", what.c_str());
  } else {
    ++failed;
    std::printf("FAIL (line %d): %s\n", line, what.c_str());
  }
  std::fflush(stdout);
}
#define CHECK(cond) Report((cond), #cond, __LINE__)
#define CHECK_EQ(a, b)                                                                             \
  do {                                                                                             \
    const long long va_ = static_cast<long long>(a), vb_ = static_cast<long long>(b);              \
    Report(                                                                                        \
        va_ == vb_,                                                                                \
        std::string(#a " == " #b " (") + std::to_string(va_) + " vs " + std::to_string(vb_) + ")", \
        __LINE__);                                                                                 \
  } while (0)

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring Text(HWND w) {
  wchar_t buf[256] = {};
  GetWindowTextW(w, buf, 256);
  return buf;
}

std::wstring ClassOf(HWND w) {
  wchar_t buf[64] = {};
  GetClassNameW(w, buf, 64);
  return buf;
}

// Waits up to twenty seconds for what(); answers its last value.
HWND WaitFor(const std::function<HWND()>& what) {
  for (int i = 0; i < 400; ++i) {
    if (HWND h = what()) return h;
    Sleep(50);
  }
  return nullptr;
}

HWND FindControl(HWND parent, int id) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(c) == id && GetParent(c) == parent) return c;
    if (HWND inner = FindControl(c, id)) return inner;
  }
  return nullptr;
}

// A visible dialog window of the thread, other than `except`, that has control `id`.
HWND FindThreadDialog(DWORD thread, HWND except, int id) {
  struct Search {
    HWND except;
    int id;
    HWND found;
  } s = {except, id, nullptr};
  EnumThreadWindows(
      thread,
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (w != s->except && IsWindowVisible(w) && ClassOf(w) == L"#32770" &&
            GetDlgItem(w, s->id)) {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND Focus(DWORD thread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

RECT RectIn(HWND w, HWND parent) {
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The options dialog once it shows, its controls placed and filled.
HWND OpenDialog() {
  HWND h = FindWindowW(L"#32770", kCaption);
  return h && IsWindowVisible(h) ? h : nullptr;
}

// ---- the plug-in and the viewer thread -------------------------------------------

struct Plugin {
  HMODULE module = nullptr;
  GetPictureInfoFn GetPictureInfo = nullptr;
  GetPictureFn GetPicture = nullptr;
  ConfigurationDlgFn ConfigurationDlg = nullptr;
};

template <class F>
F Proc(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

struct Viewer {
  Plugin* plugin = nullptr;
  HWND window = nullptr;
  HANDLE ready = nullptr;
  int result = -99;
  HANDLE thread = nullptr;
  DWORD threadId = 0;
};

DWORD WINAPI ViewerThread(LPVOID p) {
  auto* v = static_cast<Viewer*>(p);
  v->window = CreateWindowExW(0, L"STATIC", L"viewer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240,
                              160, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetEvent(v->ready);
  v->result = v->plugin->ConfigurationDlg(v->window, 0);
  DestroyWindow(v->window);
  return 0;
}

void StartViewer(Viewer& v) {
  v.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  v.thread = CreateThread(nullptr, 0, ViewerThread, &v, 0, &v.threadId);
  WaitForSingleObject(v.ready, 10000);
}

bool ViewerReturned(Viewer& v, DWORD ms) {
  return WaitForSingleObject(v.thread, ms) == WAIT_OBJECT_0;
}

// ---- the registry -----------------------------------------------------------------

std::string RegValue(const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
  BYTE data[64] = {};
  DWORD type = 0, size = sizeof data - 1;
  std::string out = "<none>";
  if (RegQueryValueExA(key, name, nullptr, &type, data, &size) == ERROR_SUCCESS) {
    if (type == REG_DWORD) {
      DWORD v;
      std::memcpy(&v, data, 4);
      out = "dword " + std::to_string(v);
    } else if (type == REG_SZ) {
      out = "sz " + std::string(reinterpret_cast<char*>(data));
    } else {
      out = "type " + std::to_string(type);
    }
  }
  RegCloseKey(key);
  return out;
}

void CheckReg(const char* name, const std::string& want, int line) {
  const std::string got = RegValue(name);
  Report(got == want, std::string("registry ") + name + " is " + want + " (got " + got + ")", line);
}
#define CHECK_REG(name, want) CheckReg(name, want, __LINE__)

// ---- pictures of the dialog -------------------------------------------------------

struct Bitmap {
  int width = 0, height = 0;
  std::vector<uint8_t> bgr;  // top row first, 3 bytes a pixel
  COLORREF At(int x, int y) const {
    const uint8_t* p = &bgr[(size_t(y) * width + x) * 3];
    return RGB(p[2], p[1], p[0]);
  }
};

// The window as it shows on the screen, frame and caption included: repainted, then
// copied from its window DC.
Bitmap CaptureWindow(HWND w) {
  RedrawWindow(w, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(300);
  RECT top;
  GetWindowRect(w, &top);
  Bitmap b;
  b.width = top.right - top.left;
  b.height = top.bottom - top.top;
  BITMAPINFO bi = {};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), b.width, -b.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC source = GetWindowDC(w);
  HDC dc = CreateCompatibleDC(source);
  HBITMAP section = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dc && section) {
    HGDIOBJ old = SelectObject(dc, section);
    BitBlt(dc, 0, 0, b.width, b.height, source, 0, 0, SRCCOPY);
    GdiFlush();
    const int stride = (b.width * 3 + 3) & ~3;
    b.bgr.resize(size_t(b.width) * b.height * 3);
    for (int y = 0; y < b.height; ++y) {
      std::memcpy(&b.bgr[size_t(y) * b.width * 3], static_cast<uint8_t*>(bits) + size_t(y) * stride,
                  size_t(b.width) * 3);
    }
    SelectObject(dc, old);
  }
  if (section) DeleteObject(section);
  if (dc) DeleteDC(dc);
  ReleaseDC(w, source);
  return b;
}

bool WriteBmp(const std::string& path, const Bitmap& b) {
  const int stride = (b.width * 3 + 3) & ~3;
  std::vector<uint8_t> file(54 + size_t(stride) * b.height);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = uint8_t(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, uint32_t(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(b.width));
  put32(22, uint32_t(b.height));
  file[26] = 1;
  file[28] = 24;
  for (int y = 0; y < b.height; ++y) {
    std::memcpy(&file[54 + size_t(b.height - 1 - y) * stride], &b.bgr[size_t(y) * b.width * 3],
                size_t(b.width) * 3);
  }
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  const BOOL ok = WriteFile(h, file.data(), DWORD(file.size()), &put, nullptr);
  CloseHandle(h);
  return ok && put == file.size();
}

// Every pixel of a swatch's face, inside its two-pixel frame, is the colour.
void CheckSwatch(const Bitmap& b, HWND dialog, HWND button, COLORREF want, const char* name) {
  RECT top, r;
  GetWindowRect(dialog, &top);
  GetWindowRect(button, &r);
  int wrong = 0, total = 0;
  for (int y = r.top - top.top + 2; y < r.bottom - top.top - 2; ++y) {
    for (int x = r.left - top.left + 2; x < r.right - top.left - 2; ++x) {
      ++total;
      if (x < 0 || y < 0 || x >= b.width || y >= b.height || b.At(x, y) != want) ++wrong;
    }
  }
  char what[160];
  std::snprintf(what, sizeof what, "%s face is %06lX: %d of %d pixels differ", name,
                static_cast<unsigned long>(want), wrong, total);
  Report(total > 0 && wrong == 0, what, __LINE__);
}

// ---- the layout -------------------------------------------------------------------

struct Expected {
  int id;
  const wchar_t* cls;
  LONG type;  // buttons: BS_ type; -1 for any
  const wchar_t* text;
  int x, y, w, h;  // relative to the page; w, h -1: a label, sized by its text
};

// GroupBox1 and GroupBox2 sit at 8, 8 of their pages; Panel1 at 112, 168 of GroupBox1.
constexpr int G = 8;
const Expected kPage1[] = {
    {IDC_GROUPBOX1, L"Button", BS_GROUPBOX, L" 画面 ", 8, 8, 249, 217},
    {IDC_LABEL1, L"Static", -1, L"Jww図面 Width：", G + 16, G + 24, -1, -1},
    {IDC_EDIT1, L"Edit", -1, nullptr, G + 104, G + 20, 49, 20},
    {IDC_LABEL2, L"Static", -1, L"Jws図面 Width：", G + 16, G + 48, -1, -1},
    {IDC_EDIT2, L"Edit", -1, nullptr, G + 104, G + 44, 49, 20},
    {IDC_LABEL14, L"Static", -1, L"ｻﾑﾈｲﾙ Height：", G + 16, G + 72, -1, -1},
    {IDC_EDIT3, L"Edit", -1, nullptr, G + 104, G + 68, 49, 20},
    {IDC_BUTTON2, L"Button", BS_PUSHBUTTON, L" Default ", G + 192, G + 68, 49, 20},
    {IDC_CHECKBOX1, L"Button", BS_AUTOCHECKBOX, L"補助線は描画しない", G + 16, G + 96, 129, 17},
    {IDC_CHECKBOX2, L"Button", BS_AUTOCHECKBOX, L"グレー(表示のみ)を描画する", G + 16, G + 120, 177,
     17},
    {IDC_CHECKBOX3, L"Button", BS_AUTOCHECKBOX, L"画像・ソリッド図先行描画", G + 16, G + 144, 148,
     17},
    {IDC_SHAPE2, L"Static", -1, L"", G + 166, G + 141, 74, 22},
    {IDC_RADIOBUTTON3, L"Button", BS_AUTORADIOBUTTON, L"画像先行", G + 170, G + 144, 65, 17},
    {IDC_CHECKBOX4, L"Button", BS_AUTOCHECKBOX, L"モノクロ描画", G + 16, G + 168, 89, 17},
    {IDC_PANEL1, L"Static", -1, L"", G + 112, G + 168, 128, 19},
    {IDC_RADIOBUTTON1, L"Button", BS_AUTORADIOBUTTON, L"白黒", G + 112 + 6, G + 168, 49, 17},
    {IDC_RADIOBUTTON2, L"Button", BS_AUTORADIOBUTTON, L"中間色", G + 112 + 56, G + 168, 57, 17},
    {IDC_CHECKBOX5, L"Button", BS_AUTOCHECKBOX, L"Jwwデータバージョン表示をする", G + 16, G + 192,
     209, 17},
};

struct Swatch {
  int id;
  const char* name;
  const wchar_t* label;
  int x, y, labelX, labelY;
};
const Swatch kSwatches[] = {
    {IDC_LINECOLORBUTTON1, "LineColorButton1", L"線色１：", 70, 24, 24, 26},
    {IDC_LINECOLORBUTTON2, "LineColorButton2", L"線色２：", 70, 48, 24, 50},
    {IDC_LINECOLORBUTTON3, "LineColorButton3", L"線色３：", 70, 72, 24, 74},
    {IDC_LINECOLORBUTTON4, "LineColorButton4", L"線色４：", 70, 96, 24, 98},
    {IDC_LINECOLORBUTTON5, "LineColorButton5", L"線色５：", 70, 120, 24, 122},
    {IDC_LINECOLORBUTTON6, "LineColorButton6", L"線色６：", 174, 24, 128, 26},
    {IDC_LINECOLORBUTTON7, "LineColorButton7", L"線色７：", 174, 48, 128, 50},
    {IDC_LINECOLORBUTTON8, "LineColorButton8", L"線色８：", 174, 72, 128, 74},
    {IDC_AUXLINECOLORBUTTON, "AuxLineColorButton", L"補助線：", 174, 96, 128, 98},
    {IDC_GREYCOLORBUTTON, "GreyColorButton", L"グレー：", 174, 120, 128, 122},
    {IDC_BACKGROUNDCOLORBUTTON, "BackgroundColorButton", L"背景色：", 70, 156, 24, 158},
};

void CheckControl(HWND dialog, const Expected& e) {
  HWND h = FindControl(dialog, e.id);
  const std::string name = "control " + std::to_string(e.id);
  Report(h != nullptr, name + " exists", __LINE__);
  if (!h) return;
  const RECT r = RectIn(h, GetParent(h));
  bool ok = ClassOf(h) == e.cls;
  if (e.type >= 0) ok = ok && (GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK) == e.type;
  if (e.text) ok = ok && Text(h) == e.text;
  ok = ok && std::abs(r.left - e.x) <= 1 && std::abs(r.top - e.y) <= 1;
  if (e.w >= 0) {
    ok = ok && std::abs(r.right - r.left - e.w) <= 1 && std::abs(r.bottom - r.top - e.h) <= 1;
  } else {
    ok = ok && r.right - r.left > 20 && r.bottom - r.top >= 10;  // sized by its text
  }
  char got[200];
  std::snprintf(got, sizeof got, " %s \"%s\" at %ld,%ld %ldx%ld", Utf8(ClassOf(h)).c_str(),
                Utf8(Text(h)).c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top);
  Report(ok, name + got, __LINE__);
}

// The page control, both pages and every control against the form's layout.
void CheckLayout(HWND dialog) {
  RECT outer;
  GetWindowRect(dialog, &outer);
  CHECK_EQ(outer.left, 754);
  CHECK_EQ(outer.top, 219);
  CHECK_EQ(outer.right - outer.left, 283);
  CHECK_EQ(outer.bottom - outer.top, 291);
  CHECK(Text(dialog) == kCaption);
  const LONG style = GetWindowLongW(dialog, GWL_STYLE);
  CHECK((style & WS_THICKFRAME) && (style & WS_SYSMENU) && !(style & WS_MINIMIZEBOX) &&
        !(style & WS_MAXIMIZEBOX));
  CHECK(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0) != 0);
  CHECK(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0) != 0);

  HWND tab = FindControl(dialog, IDC_PAGECONTROL1);
  CHECK(tab && ClassOf(tab) == L"SysTabControl32");
  if (!tab) return;
  const RECT t = RectIn(tab, dialog);
  CHECK(t.left == 4 && t.top == 4 && t.right - t.left == 269 && t.bottom - t.top == 253);
  CHECK_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 2);
  for (int i = 0; i < 2; ++i) {
    wchar_t buf[32] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = 32;
    SendMessageW(tab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
    CHECK(std::wstring(buf) == (i == 0 ? L" 描画 " : L" 線色 "));
  }
  // Each page covers the page control's display area.
  RECT display = {0, 0, t.right - t.left, t.bottom - t.top};
  SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  OffsetRect(&display, t.left, t.top);
  for (int id : {IDC_GROUPBOX1, IDC_GROUPBOX2}) {
    HWND page = GetParent(FindControl(dialog, id));
    const RECT r = page ? RectIn(page, dialog) : RECT{};
    CHECK(page && page != dialog && EqualRect(&display, &r) != 0);
  }

  for (const Expected& e : kPage1) CheckControl(dialog, e);
  CheckControl(dialog, {IDC_GROUPBOX2, L"Button", BS_GROUPBOX, L" 線色設定 ", 8, 8, 247, 193});
  CheckControl(dialog,
               {IDC_BUTTON1, L"Button", BS_PUSHBUTTON, L" Default ", G + 176, G + 156, 49, 20});
  for (int i = 0; i < 11; ++i) {
    const Swatch& s = kSwatches[i];
    CheckControl(dialog, {s.id, L"TStyledButton", BS_OWNERDRAW, L"", G + s.x, G + s.y, 35, 17});
    CheckControl(dialog,
                 {IDC_COLORLABEL1 + i, L"Static", -1, s.label, G + s.labelX, G + s.labelY, -1, -1});
  }
}

// Tab walks the page's controls in the form's order, then the page control, and round.
void CheckTabOrder(HWND dialog, const std::vector<int>& ids) {
  HWND tab = FindControl(dialog, IDC_PAGECONTROL1);
  std::vector<int> got;
  HWND h = tab;
  for (size_t i = 0; i <= ids.size(); ++i) {
    h = GetNextDlgTabItem(dialog, h, FALSE);
    got.push_back(h ? GetDlgCtrlID(h) : 0);
  }
  std::vector<int> want = ids;
  want.push_back(IDC_PAGECONTROL1);
  std::string text;
  for (int id : got) text += std::to_string(id) + " ";
  Report(got == want, "tab order: " + text, __LINE__);
}

// ---- actions ----------------------------------------------------------------------

void Click(HWND dialog, int id) {
  SendMessageW(FindControl(dialog, id), BM_CLICK, 0, 0);
}

void Type(HWND dialog, int id, const wchar_t* text) {
  SendMessageW(FindControl(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void ShowPage(HWND dialog, int index) {
  HWND tab = FindControl(dialog, IDC_PAGECONTROL1);
  SendMessageW(tab, TCM_SETCURFOCUS, index, 0);
  HWND group = FindControl(dialog, index == 0 ? IDC_GROUPBOX1 : IDC_GROUPBOX2);
  CHECK(group && IsWindowVisible(group));
}

// Clicks a colour button and answers the chooser: a colour, or cancel when none.
// Answers the colour the chooser opened on.
COLORREF ChooseColour(HWND dialog, DWORD thread, int id, const COLORREF* answer) {
  PostMessageW(FindControl(dialog, id), BM_CLICK, 0, 0);  // the chooser is modal: post
  HWND chooser = WaitFor([&] { return FindThreadDialog(thread, dialog, kColorRed); });
  Report(chooser != nullptr, "the colour chooser opened for control " + std::to_string(id),
         __LINE__);
  if (!chooser) return CLR_INVALID;
  CHECK(GetWindow(chooser, GW_OWNER) == dialog);
  const COLORREF start = RGB(GetDlgItemInt(chooser, kColorRed, nullptr, FALSE),
                             GetDlgItemInt(chooser, kColorGreen, nullptr, FALSE),
                             GetDlgItemInt(chooser, kColorBlue, nullptr, FALSE));
  if (answer) {
    SetDlgItemInt(chooser, kColorRed, GetRValue(*answer), FALSE);
    SetDlgItemInt(chooser, kColorGreen, GetGValue(*answer), FALSE);
    SetDlgItemInt(chooser, kColorBlue, GetBValue(*answer), FALSE);
  }
  PostMessageW(chooser, WM_COMMAND, answer ? IDOK : IDCANCEL, 0);
  CHECK(WaitFor([&] { return IsWindow(chooser) ? nullptr : dialog; }) != nullptr);
  Sleep(200);
  return start;
}

void Edit(Plugin& p, const std::string& data, const std::string& out) {
  Viewer v;
  v.plugin = &p;
  StartViewer(v);
  HWND dialog = WaitFor([] { return OpenDialog(); });
  Report(dialog != nullptr, "the dialog opened", __LINE__);
  if (!dialog) return;
  const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
  CHECK(thread == v.threadId);
  CHECK(GetWindow(dialog, GW_OWNER) == v.window);
  HDC screen = GetDC(nullptr);
  CHECK_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
  ReleaseDC(nullptr, screen);

  CheckLayout(dialog);
  // The settings as shown: the defaults.
  CHECK(Text(FindControl(dialog, IDC_EDIT1)) == L"800");
  CHECK(Text(FindControl(dialog, IDC_EDIT2)) == L"640");
  CHECK(Text(FindControl(dialog, IDC_EDIT3)) == L"120");
  CHECK(SendMessageW(FindControl(dialog, IDC_CHECKBOX3), BM_GETCHECK, 0, 0) == BST_CHECKED);
  CHECK(SendMessageW(FindControl(dialog, IDC_RADIOBUTTON1), BM_GETCHECK, 0, 0) == BST_CHECKED);
  CHECK(!IsWindowEnabled(FindControl(dialog, IDC_RADIOBUTTON1)));
  CHECK(Focus(thread) == FindControl(dialog, IDC_PAGECONTROL1));
  // Radio buttons are tab stops while checked: RadioButton3 is not, the pair is disabled.
  CheckTabOrder(dialog, {IDC_EDIT1, IDC_EDIT2, IDC_BUTTON2, IDC_CHECKBOX1, IDC_CHECKBOX2,
                         IDC_CHECKBOX3, IDC_CHECKBOX4, IDC_CHECKBOX5, IDC_EDIT3});
  LOGFONTW font = {};
  GetObjectW(
      reinterpret_cast<HFONT>(SendMessageW(FindControl(dialog, IDC_EDIT1), WM_GETFONT, 0, 0)),
      sizeof font, &font);
  std::printf("note: the form's font is \"%s\", height %ld\n", Utf8(font.lfFaceName).c_str(),
              font.lfHeight);
  CHECK_EQ(font.lfHeight, -12);

  Type(dialog, IDC_EDIT1, L"1000");
  Type(dialog, IDC_EDIT2, L"321");
  Type(dialog, IDC_EDIT3, L"90");
  Click(dialog, IDC_CHECKBOX1);
  Click(dialog, IDC_CHECKBOX2);
  Click(dialog, IDC_RADIOBUTTON3);
  Click(dialog, IDC_CHECKBOX5);
  // Monochrome on enables the pair; the pair's choice stays when it is off again.
  Click(dialog, IDC_CHECKBOX4);
  CHECK(IsWindowEnabled(FindControl(dialog, IDC_RADIOBUTTON2)));
  CheckTabOrder(dialog,
                {IDC_EDIT1, IDC_EDIT2, IDC_BUTTON2, IDC_CHECKBOX1, IDC_CHECKBOX2, IDC_CHECKBOX3,
                 IDC_CHECKBOX4, IDC_CHECKBOX5, IDC_RADIOBUTTON3, IDC_RADIOBUTTON1, IDC_EDIT3});
  Click(dialog, IDC_RADIOBUTTON2);
  CHECK(SendMessageW(FindControl(dialog, IDC_RADIOBUTTON1), BM_GETCHECK, 0, 0) == BST_UNCHECKED);
  Click(dialog, IDC_CHECKBOX4);
  CHECK(!IsWindowEnabled(FindControl(dialog, IDC_RADIOBUTTON2)));

  Bitmap page1 = CaptureWindow(dialog);
  CHECK(WriteBmp(out + "\\dialog-page1.bmp", page1));

  ShowPage(dialog, 1);
  const COLORREF mixed = RGB(0x56, 0x34, 0x12), background = RGB(0x33, 0x66, 0x99);
  CHECK_EQ(ChooseColour(dialog, thread, IDC_LINECOLORBUTTON3, &mixed), 0);  // black at first
  CHECK(Focus(thread) == FindControl(dialog, IDC_BUTTON1));
  CHECK_EQ(ChooseColour(dialog, thread, IDC_AUXLINECOLORBUTTON, nullptr), mixed);
  CHECK(Focus(thread) == FindControl(dialog, IDC_BUTTON1));
  CHECK_EQ(ChooseColour(dialog, thread, IDC_BACKGROUNDCOLORBUTTON, &background), mixed);
  Bitmap page2 = CaptureWindow(dialog);
  CHECK(WriteBmp(out + "\\dialog-page2.bmp", page2));
  const COLORREF faces[] = {0xC0C000, 0x000000, mixed,    0x00C0C0, 0xC000C0,  0xFF0000,
                            0x008080, 0x8000FF, 0xFF80FF, 0xC0C0C0, background};
  for (int i = 0; i < 11; ++i) {
    CheckSwatch(page2, dialog, FindControl(dialog, kSwatches[i].id), faces[i], kSwatches[i].name);
  }
  // The frame around RadioButton3 shows beside it: grey line, active-border fill.
  RECT top, shape;
  GetWindowRect(dialog, &top);
  GetWindowRect(FindControl(dialog, IDC_SHAPE2), &shape);
  const int sx = shape.left - top.left, sy = shape.top - top.top + 10;
  CHECK_EQ(page1.At(sx, sy), RGB(0x80, 0x80, 0x80));
  CHECK_EQ(page1.At(sx + 2, sy), GetSysColor(COLOR_ACTIVEBORDER));

  SendMessageW(dialog, WM_CLOSE, 0, 0);
  Report(ViewerReturned(v, 5000), "closing the dialog returns from ConfigurationDlg", __LINE__);
  CHECK_EQ(v.result, 0);
  // Written on closing, not only at unload.
  CHECK_REG("jwwWidth", "dword 1000");
  CHECK_REG("PenColor03", "sz 1193046");

  // And the next pictures use them.
  uint8_t info[40] = {};
  const std::string jws = data + "\\empty.jws";
  CHECK_EQ(p.GetPictureInfo(jws.c_str(), 0, 0, info), 0);
  CHECK_EQ(info[8] | (info[9] << 8), 321);
  CHECK_EQ(info[12] | (info[13] << 8), 241);
  HLOCAL header = nullptr, pixels = nullptr;
  CHECK_EQ(p.GetPicture(jws.c_str(), 0, 0, &header, &pixels, nullptr, 0), 0);
  if (pixels) {
    const auto* rows = static_cast<const uint8_t*>(LocalLock(pixels));
    const uint8_t* px = rows + 100 * ((321 * 3 + 3) & ~3) + 5 * 3;  // an inner pixel
    CHECK_EQ(RGB(px[2], px[1], px[0]), background);
    LocalUnlock(pixels);
    LocalFree(pixels);
  }
  if (header) LocalFree(header);
}

void Refusal(Plugin& p, const std::string& data) {
  Viewer v;
  v.plugin = &p;
  StartViewer(v);
  HWND dialog = WaitFor([] { return OpenDialog(); });
  Report(dialog != nullptr, "the dialog opened", __LINE__);
  if (!dialog) return;
  const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
  CHECK(Text(FindControl(dialog, IDC_EDIT1)) == L"900");
  // This run's screen has 120 dpi: every size and place grows by a quarter.
  HDC screen = GetDC(nullptr);
  CHECK_EQ(GetDeviceCaps(screen, LOGPIXELSX), 120);
  ReleaseDC(nullptr, screen);
  RECT outer;
  GetWindowRect(dialog, &outer);
  CHECK(outer.right - outer.left == 354 && outer.bottom - outer.top == 364);
  HWND edit1 = FindControl(dialog, IDC_EDIT1);
  const RECT e = RectIn(edit1, GetParent(edit1));
  CHECK(e.left == 140 && e.top == 35 && e.right - e.left == 61 && e.bottom - e.top == 25);
  HWND swatch = FindControl(dialog, IDC_BACKGROUNDCOLORBUTTON);
  const RECT b = RectIn(swatch, GetParent(swatch));
  CHECK(b.left == 98 && b.top == 205 && b.right - b.left == 44 && b.bottom - b.top == 21);
  Type(dialog, IDC_EDIT1, L"1000");
  Type(dialog, IDC_EDIT2, L"abc");
  Click(dialog, IDC_CHECKBOX1);
  PostMessageW(dialog, WM_CLOSE, 0, 0);  // the refusal is a modal message box: post
  HWND box = WaitFor([&] { return FindThreadDialog(thread, dialog, kMessageText); });
  Report(box != nullptr, "a message box says why", __LINE__);
  if (box) {
    wchar_t text[512] = {};
    GetDlgItemTextW(box, kMessageText, text, 512);
    const std::wstring t = text;
    Report(t.find(L"Jws図面 Width") != std::wstring::npos &&
               t.find(L"\"abc\"") != std::wstring::npos &&
               t.find(L"1 to 32767") != std::wstring::npos,
           "the message names the field and the reason: " + Utf8(t), __LINE__);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    CHECK(WaitFor([&] { return IsWindow(box) ? nullptr : dialog; }) != nullptr);
  }
  Sleep(200);
  CHECK(!ViewerReturned(v, 0));
  CHECK(IsWindowVisible(dialog));
  CHECK(Focus(thread) == FindControl(dialog, IDC_EDIT2));
  // Nothing stored: neither in the registry nor in the library's settings, which this
  // thread reads while the dialog stays open on the other.
  CHECK_REG("jwwWidth", "dword 900");
  CHECK_REG("jwzWidth", "dword 700");
  CHECK_REG("hoji", "<none>");
  CHECK_REG("PenColor00", "<none>");
  uint8_t info[40] = {};
  CHECK_EQ(p.GetPictureInfo((data + "\\empty.jww").c_str(), 0, 0, info), 0);
  CHECK_EQ(info[8] | (info[9] << 8), 900);

  // One dialog at a time: a second call answers at once and opens none.
  CHECK_EQ(p.ConfigurationDlg(nullptr, 0), 0);
  int dialogs = 0;
  for (HWND w = FindWindowW(L"#32770", kCaption); w;
       w = FindWindowExW(nullptr, w, L"#32770", kCaption)) {
    ++dialogs;
  }
  CHECK_EQ(dialogs, 1);

  Type(dialog, IDC_EDIT2, L"800");
  SendMessageW(dialog, WM_CLOSE, 0, 0);
  Report(ViewerReturned(v, 5000), "mended, the dialog closes", __LINE__);
  CHECK_REG("jwwWidth", "dword 1000");
  CHECK_REG("jwzWidth", "dword 800");
  CHECK_REG("hoji", "dword 1");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::printf("usage: kestril_dialog_host PHASE PLUGIN DATA OUT\n");
    return 2;
  }
  const std::string phase = argv[1], data = argv[3], out = argv[4];
  Plugin p;
  p.module = LoadLibraryA(argv[2]);
  Report(p.module != nullptr, "the plug-in loads", __LINE__);
  if (p.module) {
    p.GetPictureInfo = Proc<GetPictureInfoFn>(p.module, "GetPictureInfo");
    p.GetPicture = Proc<GetPictureFn>(p.module, "GetPicture");
    p.ConfigurationDlg = Proc<ConfigurationDlgFn>(p.module, "ConfigurationDlg");
    if (phase == "edit") {
      Edit(p, data, out);
    } else if (phase == "refusal") {
      Refusal(p, data);
    } else {
      std::printf("unknown phase %s\n", phase.c_str());
      return 2;
    }
    FreeLibrary(p.module);
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  // A dialog left open by a failed check must not keep the process alive.
  ExitProcess(failed == 0 && passed > 0 ? 0 : 1);
}
