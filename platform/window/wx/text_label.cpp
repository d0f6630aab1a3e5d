#include "platform/window/wx/text_label.h"

#include <wx/dcclient.h>
#include <wx/settings.h>

#include "platform/window/dialog_template.h"
#include "platform/window/fit_text.h"

namespace {

wxString ToWx(const CString& text) {
    return wxString::FromUTF8(WideToUtf8(text));
}
CString FromWx(const wxString& text) {
    return Utf8ToWide(text.utf8_string());
}

}  // namespace

TextLabel::TextLabel(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
                     const wxSize& size, uint32_t style)
    : wxWindow(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE),
      m_text(text),
      m_style(style) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &TextLabel::OnPaint, this);
    Bind(wxEVT_SIZE, &TextLabel::OnSize, this);
    Relayout();
}

void TextLabel::SetLabel(const wxString& text) {
    if (text == m_text)
        return;
    m_text = text;
    Relayout();
    Refresh();
}

void TextLabel::OnSize(wxSizeEvent& event) {
    Relayout();
    event.Skip();
}

void TextLabel::Relayout() {
    wxClientDC dc(this);
    dc.SetFont(GetFont());
    Layout(dc);
    if (m_shortened) {
        SetToolTip(m_text);
    } else {
        UnsetToolTip();
    }
}

void TextLabel::Layout(wxDC& dc) {
    const wxSize size = GetClientSize();
    m_lines.clear();
    if ((m_style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP) {
        const wxString line = m_text.BeforeFirst('\n');
        const CString shown = FitText(
            FromWx(line), size.x, [&dc](const CString& t) { return dc.GetTextExtent(ToWx(t)).x; });
        m_lines.push_back(ToWx(shown));
        m_shortened = line != m_text || FromWx(line) != shown;
        return;
    }
    m_lines = WrapLines(dc);
    const int lineHeight = dc.GetCharHeight();
    m_shortened = static_cast<int>(m_lines.size()) * lineHeight > size.y && m_lines.size() > 1;
    for (const wxString& line : m_lines) {
        if (dc.GetTextExtent(line).x > size.x)
            m_shortened = true;
    }
}

wxArrayString TextLabel::WrapLines(wxDC& dc) const {
    wxArrayString lines;
    const int width = GetClientSize().x;
    for (const wxString& paragraph : wxSplit(m_text, '\n', '\0')) {
        wxString line;
        for (const wxString& word : wxSplit(paragraph, ' ', '\0')) {
            const wxString candidate = line.empty() ? word : line + ' ' + word;
            if (!line.empty() && dc.GetTextExtent(candidate).x > width) {
                lines.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

void TextLabel::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    dc.SetFont(GetFont());
    dc.SetTextForeground(GetParent()->GetForegroundColour());
    const wxSize size = GetClientSize();
    dc.SetClippingRegion(0, 0, size.x, size.y);

    const int lineHeight = dc.GetCharHeight();
    int y = 0;
    if ((m_style & SS_CENTERIMAGE) && m_lines.size() == 1)
        y = (size.y - lineHeight) / 2;
    for (const wxString& line : m_lines) {
        if (y >= size.y)
            break;
        dc.DrawText(line, 0, y);
        y += lineHeight;
    }
}
