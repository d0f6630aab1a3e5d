// A static text control drawn by us, so that the two kinds of the template look alike on
// every toolkit: SS_LEFT wraps at word boundaries, SS_LEFTNOWORDWRAP keeps one line;
// SS_CENTERIMAGE centres a line vertically. A text that does not fit is shortened with an
// ellipsis (one line) or cut at the bottom (wrapped), and then shown whole as the tooltip.
#pragma once

#include <wx/window.h>

class TextLabel : public wxWindow {
public:
    TextLabel(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
              const wxSize& size, uint32_t style);

    void SetLabel(const wxString& text) override;
    wxString GetLabel() const override { return m_text; }
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }
    // The whole text while it does not fit, else empty.
    wxString GetToolTipText() const { return m_shortened ? m_text : wxString(); }

private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    // Lays the text out for the control's size and font: m_lines and m_shortened.
    void Layout(wxDC& dc);
    void Relayout();
    wxArrayString WrapLines(wxDC& dc) const;

    wxString m_text;
    uint32_t m_style;
    wxArrayString m_lines;
    bool m_shortened = false;
};
