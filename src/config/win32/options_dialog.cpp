#include "config/win32/options_dialog.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <commdlg.h>

#include <array>
#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "config/options_form.h"
#include "config/pixel_rect.h"
#include "config/win32/options_resource.h"
#include "config/win32/styled_button_control.h"
#include "config/win32/wide_text.h"

namespace kestril {
namespace {

constexpr wchar_t kFormTemplate[] = L"TFORM1";
constexpr wchar_t kPageTemplates[2][10] = {L"TABSHEET1", L"TABSHEET2"};
constexpr wchar_t kPageCaptions[2][5] = {L" 描画 ", L" 線色 "};
// Faces tried after the template's, before leaving the choice to the font mapper.
constexpr const wchar_t* kJapaneseFaces[] = {L"MS PGothic", L"MS UI Gothic", L"Meiryo UI",
                                             L"Yu Gothic UI"};

struct ControlBinding {
  FormControl control;
  int id;
};
constexpr std::array<ControlBinding, 24> kBindings = {{
    {FormControl::Edit1, IDC_EDIT1},
    {FormControl::Edit2, IDC_EDIT2},
    {FormControl::Edit3, IDC_EDIT3},
    {FormControl::Button2, IDC_BUTTON2},
    {FormControl::CheckBox1, IDC_CHECKBOX1},
    {FormControl::CheckBox2, IDC_CHECKBOX2},
    {FormControl::CheckBox3, IDC_CHECKBOX3},
    {FormControl::CheckBox4, IDC_CHECKBOX4},
    {FormControl::CheckBox5, IDC_CHECKBOX5},
    {FormControl::RadioButton1, IDC_RADIOBUTTON1},
    {FormControl::RadioButton2, IDC_RADIOBUTTON2},
    {FormControl::RadioButton3, IDC_RADIOBUTTON3},
    {FormControl::LineColorButton1, IDC_LINECOLORBUTTON1},
    {FormControl::LineColorButton2, IDC_LINECOLORBUTTON2},
    {FormControl::LineColorButton3, IDC_LINECOLORBUTTON3},
    {FormControl::LineColorButton4, IDC_LINECOLORBUTTON4},
    {FormControl::LineColorButton5, IDC_LINECOLORBUTTON5},
    {FormControl::LineColorButton6, IDC_LINECOLORBUTTON6},
    {FormControl::LineColorButton7, IDC_LINECOLORBUTTON7},
    {FormControl::LineColorButton8, IDC_LINECOLORBUTTON8},
    {FormControl::AuxLineColorButton, IDC_AUXLINECOLORBUTTON},
    {FormControl::GreyColorButton, IDC_GREYCOLORBUTTON},
    {FormControl::BackgroundColorButton, IDC_BACKGROUNDCOLORBUTTON},
    {FormControl::Button1, IDC_BUTTON1},
}};

std::optional<FormControl> ControlOf(int id) {
  for (const ControlBinding& b : kBindings) {
    if (b.id == id) return b.control;
  }
  return std::nullopt;
}

int IdOf(FormControl c) {
  for (const ControlBinding& b : kBindings) {
    if (b.control == c) return b.id;
  }
  return 0;
}

bool IsEdit(FormControl c) {
  return c == FormControl::Edit1 || c == FormControl::Edit2 || c == FormControl::Edit3;
}

bool IsToggle(FormControl c) {
  return c >= FormControl::CheckBox1 && c <= FormControl::RadioButton3;
}

// ---- the dialog templates, read for their pixel layout ----------------------------

struct TemplateItem {
  int id = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
  int x = 0, y = 0, cx = 0, cy = 0;
  int pointSize = 9;
  int weight = FW_NORMAL;
  int charset = DEFAULT_CHARSET;
  std::wstring face;
  std::vector<TemplateItem> items;
};

// Reads an extended dialog template (DLGTEMPLATEEX and its items) field by field,
// every read bounded by the resource's size.
class TemplateReader {
 public:
  TemplateReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  uint16_t Word() {
    if (pos_ + 2 > size_) return Fail();
    const uint16_t v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t Dword() {
    const uint32_t lo = Word();
    return lo | (uint32_t(Word()) << 16);
  }
  int16_t Short() { return static_cast<int16_t>(Word()); }
  uint8_t Byte() {
    if (pos_ + 1 > size_) return static_cast<uint8_t>(Fail());
    return data_[pos_++];
  }
  std::wstring String() {
    std::wstring s;
    for (uint16_t c = Word(); ok_ && c != 0; c = Word()) s += static_cast<wchar_t>(c);
    return s;
  }
  // A name or an ordinal; only skipped here.
  void NameOrOrdinal() {
    const uint16_t first = Word();
    if (first == 0xFFFF) {
      Word();
    } else if (first != 0) {
      String();
    }
  }
  void AlignDword() { pos_ = (pos_ + 3) & ~size_t(3); }
  void Skip(size_t n) {
    if (pos_ + n > size_) Fail();
    pos_ += n;
  }

 private:
  uint16_t Fail() {
    ok_ = false;
    pos_ = size_;
    return 0;
  }
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

std::optional<DialogTemplate> LoadTemplate(HINSTANCE instance, const wchar_t* name) {
  HRSRC found = FindResourceW(instance, name, MAKEINTRESOURCEW(5));  // RT_DIALOG
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(instance, found);
  const auto* data = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
  if (data == nullptr) return std::nullopt;
  TemplateReader r(data, SizeofResource(instance, found));
  DialogTemplate t;
  if (r.Word() != 1 || r.Word() != 0xFFFF) return std::nullopt;  // not DLGTEMPLATEEX
  r.Dword();                                                     // help id
  r.Dword();                                                     // extended style
  const uint32_t style = r.Dword();
  const uint16_t count = r.Word();
  t.x = r.Short();
  t.y = r.Short();
  t.cx = r.Short();
  t.cy = r.Short();
  r.NameOrOrdinal();  // menu
  r.NameOrOrdinal();  // class
  r.String();         // caption
  if (style & (DS_SETFONT | DS_SHELLFONT)) {
    t.pointSize = r.Word();
    t.weight = r.Word();
    r.Byte();  // italic
    t.charset = r.Byte();
    t.face = r.String();
  }
  for (uint16_t i = 0; i < count && r.ok(); ++i) {
    r.AlignDword();
    r.Dword();  // help id
    r.Dword();  // extended style
    r.Dword();  // style
    TemplateItem item;
    item.x = r.Short();
    item.y = r.Short();
    item.cx = r.Short();
    item.cy = r.Short();
    item.id = static_cast<int>(r.Dword());
    r.NameOrOrdinal();  // class
    r.NameOrOrdinal();  // text
    r.Skip(r.Word());   // creation data
    t.items.push_back(item);
  }
  if (!r.ok()) return std::nullopt;
  return t;
}

// ---- fonts and pixels ---------------------------------------------------------------

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceInstalled(const std::wstring& face, int charset) {
  if (face.empty() || face.size() >= LF_FACESIZE) return false;
  LOGFONTW lf = {};
  lf.lfCharSet = static_cast<BYTE>(charset);
  wcscpy(lf.lfFaceName, face.c_str());
  bool found = false;
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return false;
  EnumFontFamiliesExW(screen, &lf, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

// The template's font at the screen's DPI; when its face is not installed, the first
// Japanese face that is, else whatever the font mapper finds for the character set.
HFONT CreateFormFont(const DialogTemplate& t, int dpi) {
  LOGFONTW lf = {};
  lf.lfHeight = -MulDiv(t.pointSize, dpi, 72);
  lf.lfWeight = t.weight;
  lf.lfCharSet = static_cast<BYTE>(t.charset);
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  std::wstring face;
  if (FaceInstalled(t.face, t.charset)) {
    face = t.face;
  } else {
    for (const wchar_t* f : kJapaneseFaces) {
      if (FaceInstalled(f, t.charset)) {
        face = f;
        break;
      }
    }
  }
  if (face.size() < LF_FACESIZE) wcscpy(lf.lfFaceName, face.c_str());
  return CreateFontIndirectW(&lf);
}

int Scale(int pixels, int dpi) {
  return MulDiv(pixels, dpi, 96);
}

// Places every item of the template at its pixels, scaled; a label of no size takes the
// size of its text.
void PlaceItems(HWND parent, const DialogTemplate& t, HFONT font, int dpi) {
  HDC dc = GetDC(parent);
  HGDIOBJ old = dc ? SelectObject(dc, font) : nullptr;
  TEXTMETRICW metrics = {};
  if (dc) GetTextMetricsW(dc, &metrics);
  for (const TemplateItem& item : t.items) {
    HWND control = GetDlgItem(parent, item.id);
    if (control == nullptr) continue;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    int cx = Scale(item.cx, dpi), cy = Scale(item.cy, dpi);
    if (item.cx == 0 && item.cy == 0 && dc) {
      wchar_t text[128] = {};
      const int n = GetWindowTextW(control, text, 128);
      SIZE size = {};
      GetTextExtentPoint32W(dc, text, n, &size);
      cx = size.cx;
      cy = metrics.tmHeight;
    }
    SetWindowPos(control, nullptr, Scale(item.x, dpi), Scale(item.y, dpi), cx, cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (dc) {
    SelectObject(dc, old);
    ReleaseDC(parent, dc);
  }
}

// ---- the dialog -----------------------------------------------------------------

std::atomic<HWND> openDialog{nullptr};

class OptionsDialog {
 public:
  OptionsDialog(HINSTANCE instance, PluginSettings& settings, const std::function<void()>& publish)
      : instance_(instance),
        publish_(publish),
        form_(settings, [this](Color c) { return Choose(c); }) {
    custom_.fill(RGB(255, 255, 255));
  }
  ~OptionsDialog() {
    if (font_) DeleteObject(font_);
    for (HICON icon : icons_) {
      if (icon) DestroyIcon(icon);
    }
  }
  OptionsDialog(const OptionsDialog&) = delete;
  OptionsDialog& operator=(const OptionsDialog&) = delete;

  INT_PTR Run(HWND owner) {
    return DialogBoxParamW(instance_, kFormTemplate, owner, Proc, reinterpret_cast<LPARAM>(this));
  }

 private:
  static INT_PTR CALLBACK Proc(HWND w, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(w, DWLP_USER, lp);
    auto* self = reinterpret_cast<OptionsDialog*>(GetWindowLongPtrW(w, DWLP_USER));
    if (self == nullptr) return FALSE;
    if (message == WM_INITDIALOG && self->hwnd_ == nullptr) {
      self->hwnd_ = w;
      return self->Init();
    }
    return self->Handle(w, message, wp, lp);
  }

  BOOL Init() {
    openDialog = hwnd_;
    const std::optional<DialogTemplate> form = LoadTemplate(instance_, kFormTemplate);
    if (!form) {
      EndDialog(hwnd_, 0);
      return FALSE;
    }
    dpi_ = ScreenDpi();
    font_ = CreateFormFont(*form, dpi_);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    PlaceItems(hwnd_, *form, font_, dpi_);
    SetIcons();

    tab_ = GetDlgItem(hwnd_, IDC_PAGECONTROL1);
    for (int i = 0; i < 2; ++i) {
      TCITEMW item = {};
      item.mask = TCIF_TEXT;
      item.pszText = const_cast<wchar_t*>(kPageCaptions[i]);
      SendMessageW(tab_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    RECT page;
    GetClientRect(tab_, &page);
    SendMessageW(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    MapWindowPoints(tab_, hwnd_, reinterpret_cast<POINT*>(&page), 2);
    for (int i = 0; i < 2; ++i) {
      pages_[i] = CreateDialogParamW(instance_, kPageTemplates[i], hwnd_, Proc,
                                     reinterpret_cast<LPARAM>(this));
      const std::optional<DialogTemplate> t = LoadTemplate(instance_, kPageTemplates[i]);
      if (pages_[i] == nullptr || !t) {
        EndDialog(hwnd_, 0);
        return FALSE;
      }
      PlaceItems(pages_[i], *t, font_, dpi_);
      // Above the page control, which clips them out of its own painting.
      SetWindowPos(pages_[i], HWND_TOP, page.left, page.top, page.right - page.left,
                   page.bottom - page.top, 0);
    }
    ShowPage(0);
    Push();
    Place(*form);
    SetFocus(tab_);
    return FALSE;  // the focus is set
  }

  void SetIcons() {
    const int sizes[2][2] = {{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)},
                             {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)}};
    for (int i = 0; i < 2; ++i) {
      icons_[i] = static_cast<HICON>(
          LoadImageW(instance_, L"KESTRIL", IMAGE_ICON, sizes[i][0], sizes[i][1], 0));
      if (icons_[i]) {
        SendMessageW(hwnd_, WM_SETICON, i == 0 ? ICON_BIG : ICON_SMALL,
                     reinterpret_cast<LPARAM>(icons_[i]));
      }
    }
  }

  // The form's position and outer size, kept on the work area of the nearest monitor.
  void Place(const DialogTemplate& form) {
    const int width = Scale(form.cx, dpi_), height = Scale(form.cy, dpi_);
    PixelRect r{form.x, form.y, form.x + width, form.y + height};
    const RECT wanted = {r.left, r.top, r.right, r.bottom};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor)) {
      const RECT& work = monitor.rcWork;
      r = KeepOnWorkArea(r, {work.left, work.top, work.right, work.bottom});
    }
    SetWindowPos(hwnd_, nullptr, r.left, r.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void ShowPage(int index) {
    for (int i = 0; i < 2; ++i) ShowWindow(pages_[i], i == index ? SW_SHOW : SW_HIDE);
    SendMessageW(tab_, TCM_SETCURSEL, index, 0);
  }

  HWND Item(int id) const {
    for (HWND page : pages_) {
      if (HWND h = page ? GetDlgItem(page, id) : nullptr) return h;
    }
    return GetDlgItem(hwnd_, id);
  }

  // Shows the form's state in the controls.
  void Push() {
    pushing_ = true;
    for (const ControlBinding& b : kBindings) {
      HWND h = Item(b.id);
      if (h == nullptr) continue;
      if (IsToggle(b.control)) {
        const ToggleState t = form_.Toggle(b.control);
        SendMessageW(h, BM_SETCHECK, t.Checked ? BST_CHECKED : BST_UNCHECKED, 0);
        EnableWindow(h, t.Enabled);
      } else if (IsEdit(b.control)) {
        const std::wstring want = Widen(form_.Text(b.control));
        if (WindowText(h) != want) SetWindowTextW(h, want.c_str());
      } else if (TForm1::IsColorButton(b.control)) {
        if (TStyledButton* button = StyledButtonOf(h)) button->SetColor(form_.Face(b.control));
      }
    }
    pushing_ = false;
    if (const std::optional<FormControl> focus = form_.TakeFocusRequest()) {
      if (HWND h = Item(IdOf(*focus))) {
        SendMessageW(GetParent(h), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(h), TRUE);
      }
    }
  }

  static std::wstring WindowText(HWND h) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
    return text;
  }

  std::optional<Color> Choose(Color initial) {
    CHOOSECOLORW cc = {};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = hwnd_;
    cc.rgbResult = initial;
    cc.lpCustColors = custom_.data();
    cc.Flags = CC_RGBINIT;
    if (!ChooseColorW(&cc)) return std::nullopt;
    return static_cast<Color>(cc.rgbResult & 0xFFFFFF);
  }

  void Command(int id, int code) {
    const std::optional<FormControl> c = ControlOf(id);
    if (!c) return;
    if (IsEdit(*c)) {
      if (code == EN_CHANGE && !pushing_) form_.SetText(*c, Narrow(WindowText(Item(id))));
      return;
    }
    if (code != BN_CLICKED) return;
    form_.Click(*c);
    if (publish_) publish_();
    Push();
  }

  void Close() {
    const std::optional<TForm1::CloseRefusal> refusal = form_.FormClose();
    if (!refusal) {
      EndDialog(hwnd_, 1);
      return;
    }
    ShowPage(0);
    const std::wstring text =
        Widen(refusal->reason + ".\n\nClosing stored nothing: correct the value and close again.");
    MessageBoxW(hwnd_, text.c_str(), WindowText(hwnd_).c_str(), MB_OK | MB_ICONWARNING);
    if (HWND edit = Item(IdOf(refusal->field))) {
      SendMessageW(pages_[0], WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
      SendMessageW(edit, EM_SETSEL, 0, -1);
    }
  }

  void DrawShape(const DRAWITEMSTRUCT& item) {
    // The frame around RadioButton3: the active-border colour inside a grey line.
    HBRUSH fill = GetSysColorBrush(COLOR_ACTIVEBORDER);
    FillRect(item.hDC, &item.rcItem, fill);
    HBRUSH grey = CreateSolidBrush(RGB(0x80, 0x80, 0x80));
    FrameRect(item.hDC, &item.rcItem, grey);
    DeleteObject(grey);
  }

  INT_PTR Handle(HWND w, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
      case WM_COMMAND:
        Command(LOWORD(wp), HIWORD(wp));
        return TRUE;
      case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (item.CtlType == ODT_STATIC && item.CtlID == IDC_SHAPE2) {
          DrawShape(item);
          return TRUE;
        }
        if (item.CtlType == ODT_BUTTON && StyledButtonOf(item.hwndItem)) {
          SendMessageW(item.hwndItem, kReflectedDrawItem, wp, lp);
          return TRUE;
        }
        return FALSE;
      }
      case WM_NOTIFY: {
        const auto& n = *reinterpret_cast<const NMHDR*>(lp);
        if (w == hwnd_ && n.hwndFrom == tab_ && n.code == TCN_SELCHANGE) {
          ShowPage(static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)));
          return TRUE;
        }
        return FALSE;
      }
      case WM_CLOSE:
        if (w != hwnd_) return FALSE;
        Close();
        return TRUE;
      case WM_DESTROY:
        if (w == hwnd_) openDialog = nullptr;
        return FALSE;
      default:
        return FALSE;
    }
  }

  HINSTANCE instance_;
  const std::function<void()>& publish_;
  TForm1 form_;
  HWND hwnd_ = nullptr;
  HWND tab_ = nullptr;
  std::array<HWND, 2> pages_{};
  HFONT font_ = nullptr;
  std::array<HICON, 2> icons_{};
  int dpi_ = 96;
  bool pushing_ = false;
  std::array<COLORREF, 16> custom_{};
};

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

bool ShowOptionsDialog(void* parent, PluginSettings& settings,
                       const std::function<void()>& publish) {
  static std::atomic<bool> showing{false};
  if (showing.exchange(true)) {
    if (HWND open = openDialog.load()) SetForegroundWindow(open);
    return false;
  }
  struct Release {
    ~Release() { showing = false; }
  } release;

  const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  HINSTANCE instance = ThisModule();
  StyledButtonClass buttons(instance);
  if (!buttons.Registered()) return false;
  HWND owner = static_cast<HWND>(parent);
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  OptionsDialog dialog(instance, settings, publish);
  return dialog.Run(owner) == 1;
}

}  // namespace kestril
