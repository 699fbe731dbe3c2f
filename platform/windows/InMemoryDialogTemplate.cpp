#include "platform/windows/InMemoryDialogTemplate.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "platform/windows/WideText.h"

namespace tvx {
namespace {

// Predefined classes have ordinals in a template; common controls go by name.
constexpr uint16_t kButtonClass = 0x0080;
constexpr uint16_t kStaticClass = 0x0082;
constexpr uint16_t kComboBoxClass = 0x0085;

class TemplateWriter {
public:
    void Word(uint16_t value) { words_.push_back(value); }
    void Dword(uint32_t value)
    {
        Word(static_cast<uint16_t>(value & 0xFFFF));
        Word(static_cast<uint16_t>(value >> 16));
    }
    void Short(int value) { Word(static_cast<uint16_t>(static_cast<int16_t>(value))); }
    void Text(const std::string &utf8)
    {
        for (wchar_t c : WideText(utf8))
            Word(static_cast<uint16_t>(c));
        Word(0);
    }
    void Ordinal(uint16_t ordinal)
    {
        Word(0xFFFF);
        Word(ordinal);
    }
    void AlignToDword()
    {
        if (words_.size() % 2)
            Word(0);
    }
    std::vector<uint32_t> Take() const
    {
        std::vector<uint32_t> storage((words_.size() + 1) / 2, 0);
        std::memcpy(storage.data(), words_.data(), words_.size() * sizeof(uint16_t));
        return storage;
    }

private:
    std::vector<uint16_t> words_;
};

void WriteClass(TemplateWriter &out, ControlKind kind)
{
    switch (kind) {
    case ControlKind::StaticPicture:
    case ControlKind::Static:
        out.Ordinal(kStaticClass);
        break;
    case ControlKind::GroupBox:
    case ControlKind::CheckBox:
    case ControlKind::Button:
        out.Ordinal(kButtonClass);
        break;
    case ControlKind::ComboBox:
        out.Ordinal(kComboBoxClass);
        break;
    case ControlKind::ListView:
        out.Text("SysListView32");
        break;
    case ControlKind::ProgressBar:
        out.Text("msctls_progress32");
        break;
    }
}

} // namespace

uint32_t NativeControlStyle(const ControlTemplate &c)
{
    uint32_t style = WS_CHILD;
    if (!(c.style & StyleHidden))
        style |= WS_VISIBLE;
    if (c.style & StyleDisabled)
        style |= WS_DISABLED;
    if (c.style & StyleBorder)
        style |= WS_BORDER;
    switch (c.kind) {
    case ControlKind::StaticPicture:
        style |= SS_BITMAP | SS_REALSIZEIMAGE | ((c.style & StyleCentered) ? SS_CENTERIMAGE : 0);
        break;
    case ControlKind::Static:
        style |= (c.style & StyleCentered) ? SS_CENTER : SS_LEFT;
        if (c.style & StyleVCentered)
            style |= SS_CENTERIMAGE; // one line, centred vertically
        if (c.style & StyleNoPrefix)
            style |= SS_NOPREFIX;
        break;
    case ControlKind::GroupBox:
        style |= BS_GROUPBOX;
        break;
    case ControlKind::CheckBox:
        style |= WS_TABSTOP | ((c.style & StyleAutoCheckBox) ? BS_AUTOCHECKBOX : BS_CHECKBOX);
        break;
    case ControlKind::Button:
        style |= WS_TABSTOP | ((c.style & StyleDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
    case ControlKind::ComboBox:
        style |= WS_TABSTOP | ((c.style & StyleDropDownList) ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
        if (c.style & StyleVScroll)
            style |= WS_VSCROLL;
        break;
    case ControlKind::ListView:
        style |= WS_TABSTOP;
        if (c.style & StyleReportSingleSel)
            style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
        break;
    case ControlKind::ProgressBar:
        if (c.style & StyleSmooth)
            style |= PBS_SMOOTH;
        break;
    }
    return style;
}

std::vector<uint32_t> BuildInMemoryDialogTemplate(const DialogTemplate &t, bool owned)
{
    TemplateWriter out;
    out.Word(1);      // dlgVer
    out.Word(0xFFFF); // signature: the extended form
    out.Dword(0);     // helpID
    out.Dword(owned ? 0 : WS_EX_APPWINDOW);
    out.Dword(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU |
              (owned ? 0 : WS_MINIMIZEBOX));
    out.Word(static_cast<uint16_t>(t.controlCount));
    out.Short(0);
    out.Short(0);
    out.Short(t.width);
    out.Short(t.height);
    out.Word(0); // no menu
    out.Word(0); // the dialog class
    out.Text(t.caption ? t.caption : "");
    out.Word(static_cast<uint16_t>(t.fontPointSize));
    out.Word(FW_NORMAL);
    out.Word(0); // not italic, the default character set
    out.Text(t.fontFace ? t.fontFace : "");
    for (std::size_t i = 0; i < t.controlCount; ++i) {
        const ControlTemplate &c = t.controls[i];
        out.AlignToDword();
        out.Dword(0); // helpID
        out.Dword(0); // extended style
        out.Dword(NativeControlStyle(c));
        out.Short(c.x);
        out.Short(c.y);
        out.Short(c.width);
        out.Short(c.height);
        out.Dword(static_cast<uint32_t>(c.id)); // -1 for a control without id
        WriteClass(out, c.kind);
        out.Text(c.text ? c.text : "");
        out.Word(0); // no creation data
    }
    return out.Take();
}

} // namespace tvx
