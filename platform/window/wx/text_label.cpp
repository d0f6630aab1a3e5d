#include "platform/window/wx/text_label.h"

#include <wx/dcclient.h>
#include <wx/settings.h>

#include "platform/window/dialog_template.h"

TextLabel::TextLabel(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
                     const wxSize& size, uint32_t style)
    : wxWindow(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE),
      m_text(text),
      m_style(style) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &TextLabel::OnPaint, this);
}

void TextLabel::SetLabel(const wxString& text) {
    if (text == m_text)
        return;
    m_text = text;
    Refresh();
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

    const uint32_t kind = m_style & SS_TYPEMASK;
    wxArrayString lines;
    if (kind == SS_LEFTNOWORDWRAP) {
        lines.push_back(m_text.BeforeFirst('\n'));
    } else {
        lines = WrapLines(dc);
    }
    const int lineHeight = dc.GetCharHeight();
    int y = 0;
    if ((m_style & SS_CENTERIMAGE) && lines.size() == 1)
        y = (size.y - lineHeight) / 2;
    for (const wxString& line : lines) {
        if (y >= size.y)
            break;
        dc.DrawText(line, 0, y);
        y += lineHeight;
    }
}
